#include "frmMain.h"

#include "ElidedLabel.h"
#include "Globals.h"
#include "InstanceLock.h"
#include "HelpWindow.h"
#include "MainMenus.h"
#include "MenuRules.h"
#include "MenuState.h"
#include "OptionsCommand.h"
#include "ToolbarDispatch.h"
#include "ViewEvents.h"
#include "MessageBox.h"
#include "PageSetupBatch.h"
#include "OfficeWindow.h"
#include "ProgressDisplay.h"
#include "ReportSystemError.h"
#include "SettingsMigration.h"
#include "SettingsStore.h"
#include "SplitterDrag.h"
#include "WindowSettings.h"
#include "cListView.h"
#include "cExcel.h"
#include "frmAbout.h"
#include "BookCopy.h"
#include "BookHandOver.h"
#include "BookImport.h"
#include "BookList.h"
#include "BookPresentation.h"
#include "BookSave.h"
#include "BookSelection.h"
#include "CurrentSheetTitle.h"
#include "PrintReserve.h"
#include "PrintRun.h"
#include "RecentBooks.h"
#include "SheetClipboard.h"
#include "SheetCommandEvents.h"
#include "SheetEditing.h"
#include "SheetFind.h"
#include "SheetInformation.h"
#include "SheetList.h"
#include "SheetMoveCopy.h"
#include "SheetNames.h"
#include "SheetSort.h"
#include "SheetTransfer.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QListView>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>

// The icons live in this static library: register them before first use.
static void LoadIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

const QString &Key()
{
    return SettingsStore::AppKey;
}

constexpr int kViewButtonOffset = 24;

} // namespace

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
{
    LoadIcons();
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(Globals::AppTitle);
    setWindowIcon(QIcon(QStringLiteral(":/icons/Quirn.svg")));
    MainMenus::Build(*this);
    BuildPanes();
    m_toolbar = MainMenus::BuildToolbar(*this, m_client);
    m_menuState = std::make_unique<MenuState>(*this, *m_toolbar);
    m_books = std::make_unique<BookList>(*this);
    m_import = std::make_unique<BookImport>(*this);
    m_selection = std::make_unique<BookSelection>(*this);
    m_presentation = std::make_unique<BookPresentation>(*this);
    QList<QAction *> recentItems;
    for (int k = 1; k <= 5; ++k)
        recentItems << Item(QStringLiteral("mnuFileMRU_%1").arg(k));
    m_recent = std::make_unique<RecentBooks>(*this, *m_selection, recentItems, Item("mnuFileBar4"), this);
    m_sheets = std::make_unique<SheetList>(*this);
    m_menuRules = std::make_unique<MenuRules>(*this);
    m_toolbarDispatch = std::make_unique<ToolbarDispatch>(*m_menuRules);
    m_sort = std::make_unique<SheetSort>(*this, *m_sheets, *m_sheetView, *m_header, *this, this);
    m_find = std::make_unique<SheetFind>(*this, *m_sheets, *m_sheetView, *m_title[1], *this, *m_menuState,
                                         QList<QAction *>{Item("mnuSheetInf"), Item("SheetPopPropaty")}, this);
    m_names = std::make_unique<SheetNames>(*m_sheets, this);
    m_information = std::make_unique<SheetInformation>(
        *this, *m_sheets, *m_sheetView, *m_title[1], *this, *Popup(QStringLiteral("SheetPopPropaty")),
        QList<QAction *>{Item("SheetPopName"), Item("SheetPopPage"), Item("SheetPopRows"), Item("SheetPopColumns")});
    m_sheetEditing = std::make_unique<SheetEditing>(*this);
    m_sheetClipboard = std::make_unique<SheetClipboard>(*this);
    m_sheetTransfer = std::make_unique<SheetTransfer>(*this, *m_sheetClipboard);
    m_reserve = std::make_unique<PrintReserve>(
        *this, *m_sheets, *m_title[2],
        PrintReserve::Items{{Item("PrintReserveSet"), Item("mnuReservSet")},
                            {Item("PrintReserveReset"), Item("mnuReservReset")},
                            {Item("PrintReserveAllReset"), Item("mnuReservAllReset")},
                            {Item("tbReservPrint"), Item("mnuReservePrint")}});
    m_print = std::make_unique<PrintRun>(*this);
    m_viewEvents = std::make_unique<ViewEvents>(*this, *m_sort);
    ConnectHandlers();
}

frmMain::~frmMain() = default;

// ---------------------------------------------------------------- menus

QMenu *frmMain::Popup(const QString &name) const
{
    return findChild<QMenu *>(name);
}

QAction *frmMain::Item(const QString &name) const
{
    const QList<QAction *> actions = findChildren<QAction *>(name);
    return actions.isEmpty() ? nullptr : actions.first();
}

// ---------------------------------------------------------------- toolbar and panes

QAction *frmMain::ToolbarButton(int position) const
{
    const QList<QAction *> buttons = m_toolbar->actions();
    if (position < 1 || position > buttons.size())
        return nullptr;
    return buttons.at(position - 1);
}

void frmMain::BuildPanes()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("frmMainClient"));
    setCentralWidget(m_client);

    m_titles = new QWidget(m_client);
    m_titles->setObjectName(QStringLiteral("picTitles"));
    for (int i = 0; i < 4; ++i) {
        // The book's path may be long: it is shortened in the middle.
        m_title[i] = i == 0 ? new ElidedLabel(m_titles) : new QLabel(m_titles);
        m_title[i]->setObjectName(QStringLiteral("lblTitle_%1").arg(i));
    }
    m_title[2]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_title[2]->setIndent(QFontMetrics(m_title[2]->font()).averageCharWidth() / 2 + 1);

    m_bookView = new cListView(m_client);
    m_bookView->setObjectName(QStringLiteral("lvBookView"));

    m_frame = new QFrame(m_client);
    m_frame->setObjectName(QStringLiteral("Frame1"));
    m_frame->setFrameShape(QFrame::Panel);
    m_frame->setFrameShadow(QFrame::Raised);
    m_header = new QLabel(QStringLiteral("  ｼｰﾄ"), m_frame);
    m_header->setObjectName(QStringLiteral("Label1"));
    m_header->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_sheetView = new cListView(m_client);
    m_sheetView->setObjectName(QStringLiteral("lvSheetView"));

    m_splitterImage = new QWidget(m_client);
    m_splitterImage->setObjectName(QStringLiteral("imgSplitter"));
    m_splitterImage->setCursor(Qt::SplitHCursor);
    m_splitterDrag = std::make_unique<SplitterDrag>(*this, m_client, m_splitterImage);

    m_statusBar = new QStatusBar(m_client);
    m_statusBar->setObjectName(QStringLiteral("sbStatusBar"));
    m_statusBar->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        m_panel[i] = new QLabel(m_statusBar);
        m_panel[i]->setObjectName(QStringLiteral("sbStatusBar_Panel%1").arg(i + 1));
        m_panel[i]->setFrameShape(QFrame::Panel);
        m_panel[i]->setFrameShadow(QFrame::Sunken);
        m_statusBar->addWidget(m_panel[i], i == 0 ? 1 : 0);
    }
    // As tall as a Japanese text makes them, so that the bar keeps its height
    // when the panels get their texts.
    m_panel[0]->setText(QStringLiteral("ﾌﾞｯｸﾋﾞｭｰ 個"));
    const int panelHeight = m_panel[0]->sizeHint().height();
    m_panel[0]->clear();
    for (QLabel *panel : m_panel)
        panel->setMinimumHeight(panelHeight);
    // A long message is cut, never pushes the other panels out of the window.
    m_panel[0]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_panel[1]->setMinimumWidth(ToPixels(1500));
    m_panel[2]->setMinimumWidth(ToPixels(1500));

    m_progress = std::make_unique<ProgressDisplay>(*this, m_client, m_panel[0]);
}

void frmMain::ConnectHandlers()
{
    connect(Item("mnuViewToolbar"), &QAction::triggered, this, [this] { TrapErrors([this] { ToggleToolbar(); }); });
    connect(Item("mnuViewStatusBar"), &QAction::triggered, this,
            [this] { TrapErrors([this] { ToggleStatusBar(); }); });
    connect(Item("mnuHelpAbout"), &QAction::triggered, this, [this] { TrapErrors([this] { ShowAbout(); }); });
    connect(Item("mnuFileClose"), &QAction::triggered, this, [this] { TrapErrors([this] { FileClose(); }); });
    connect(Item("mnuUnInst"), &QAction::triggered, this,
            [this] { TrapErrors([this] { DeleteAllSettingsAndExit(); }); });
    for (const char *name : {"mnuFile", "mnuEdit", "mnuView", "mnuTool"}) {
        QMenu *menu = findChild<QMenu *>(QString::fromLatin1(name));
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { TrapErrors([this, menu] { DropDownPrologue(menu); }); });
    }
    connect(m_toolbar, &QToolBar::actionTriggered, this, [this](QAction *button) {
        TrapErrors([this, button] {
            if (ExcelGuard())
                m_toolbarDispatch->Click(button->data().toString());
        });
        TrapErrors([this] { m_menuRules->Apply(); });
    });
    Connect(QStringLiteral("mnuViewOptions"), [this] { OptionsCommand(*this).Run(); });
    connect(Item("mnuHelpShow"), &QAction::triggered, this, [] { TrapErrors([] { HelpWindow::Show(); }); });
    ConnectBookHandlers();
    ConnectSheetHandlers();
    ConnectPrintHandlers();
    m_menuRules->WatchChanges();
    m_splitterImage->installEventFilter(this);
    m_client->installEventFilter(this);
    m_header->installEventFilter(this);
    for (cListView *view : {m_bookView, m_sheetView}) {
        view->listView()->viewport()->installEventFilter(this);
        view->reportView()->viewport()->installEventFilter(this);
        view->listView()->installEventFilter(this);
        view->reportView()->installEventFilter(this);
    }
}

void frmMain::Connect(const QString &name, std::function<void()> handler)
{
    // A toolbar button runs its command through the dispatch by key, after
    // the toolbar's own checks.
    if (name.startsWith(QLatin1String("tb"))) {
        m_toolbarDispatch->Register(name.mid(2), std::move(handler));
        return;
    }
    // While the book is handed over the user is asked first; a user who keeps
    // the office window drops the command.
    // A menu command reached by its shortcut key settles a name edited in
    // place first, as opening its menu does.
    const bool menuItem = name.startsWith(QLatin1String("mnu"));
    connect(Item(name), &QAction::triggered, this, [this, handler, menuItem] {
        TrapErrors([this, handler, menuItem] {
            if (Globals::ExcelHandedOver && !ExcelGuard())
                return;
            if (menuItem)
                m_menuRules->FinishPendingRename();
            handler();
        });
        // What the command changed decides what the next one may do.
        TrapErrors([this] { m_menuRules->Apply(); });
    });
}

void frmMain::ConnectBookHandlers()
{
    for (const char *name : {"mnuFileOpen", "tbFileOpen"})
        Connect(QString::fromLatin1(name), [this] { m_import->FileOpen(); });
    for (const char *name : {"mnuFileNew", "tbFileNew"})
        Connect(QString::fromLatin1(name), [this] { m_import->NewBook(); });
    for (const char *name : {"mnuFileDelete", "BookPopFileDelete", "tbDelete"})
        Connect(QString::fromLatin1(name), [this] { m_import->RemoveBooks(); });
    for (const char *name : {"mnuExcelOpen", "BookPopExcelOpen", "tbExcelOpen"})
        Connect(QString::fromLatin1(name), [this] { BookHandOver::ExcelOpen(*this, *m_sheets, *this, this); });
    for (const char *name : {"mnuFileSave", "tbFileSave"})
        Connect(QString::fromLatin1(name), [this] { BookSave(*this).Save(); });
    Connect(QStringLiteral("mnuFileNewSave"), [this] { BookSave(*this).SaveAs(); });
    for (const char *name : {"mnuBookCopy", "BookPopBookCopy", "tbCopyBook"})
        Connect(QString::fromLatin1(name), [this] { BookCopy(*this).CopyToNewBook(); });
    for (const char *name : {"mnuFileProperties", "BookPopPageSetUp", "SheetPopPageSetUp", "tbProperties"})
        Connect(QString::fromLatin1(name), [this] { PageSetupBatch(*this).Run(); });
    const char *viewButtons[] = {"tbViewLarge", "tbViewSmall", "tbViewList", "tbViewDetails"};
    for (int i = 0; i < 4; ++i) {
        Connect(QStringLiteral("mnuListViewMode_%1").arg(i), [this, i] { m_presentation->ListViewMode(i); });
        Connect(QString::fromLatin1(viewButtons[i]), [this, i] { m_presentation->ToolbarViewMode(i); });
    }
    const char *arrange[] = {"mnuVAIByName", "mnuVAIBySize", "mnuVAIByType", "mnuVAIByDate", "mnuVAIByAttr"};
    for (int i = 0; i < 5; ++i)
        Connect(QString::fromLatin1(arrange[i]), [this, i] { m_presentation->SortBooksBy(i); });
    Connect(QStringLiteral("mnuViewLineUpIcons"), [this] { m_presentation->LineUpIcons(); });
    Connect(QStringLiteral("mnuViewRefresh"), [this] { m_presentation->Refresh(); });
    for (const char *name : {"mnuSelAllBook", "tbAllBook"})
        Connect(QString::fromLatin1(name), [this] { m_presentation->SelectAllBooks(); });
    for (int k = 1; k <= 5; ++k)
        Connect(QStringLiteral("mnuFileMRU_%1").arg(k), [this, k] { m_recent->OpenRecent(k); });

    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_bookView->listView()),
                                    static_cast<QAbstractItemView *>(m_bookView->reportView())}) {
        view->setAcceptDrops(true);
        view->viewport()->setAcceptDrops(true);
        view->setDropIndicatorShown(false);
        connect(view, &QAbstractItemView::clicked, this,
                [this](const QModelIndex &index) { BookItemClicked(index.row(), m_viewEvents->ClickModifiers()); });
    }
    m_bookView->reportView()->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_bookView->reportView()->header()->setSectionsClickable(true);
    connect(m_bookView->reportView()->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { TrapErrors([this, column] { m_presentation->ColumnClick(column); }); });
}

void frmMain::BookItemClicked(int row, Qt::KeyboardModifiers modifiers)
{
    TrapErrors([this, row, modifiers] { m_selection->OpenSelectedBook(row, modifiers); });
    TrapErrors([this] {
        m_selection->UpdateSelectionCountText();
        m_selection->Click();
    });
    TrapErrors([this] { m_menuRules->Apply(); });
}

void frmMain::ConnectSheetHandlers()
{
    for (const char *name : {"mnuSelAllSheet", "tbAllSheet", "BookPopSelAllSheet"})
        Connect(QString::fromLatin1(name), [this] { m_sheets->SelectAllSheets(); });
    for (const char *name : {"SheetPopDisplay", "SheetPopHide"})
        Item(QString::fromLatin1(name))->setCheckable(true);
    for (const char *name : {"mnuAsc", "tbSortAsc"})
        Connect(QString::fromLatin1(name), [this] { m_sort->Sort(false); });
    for (const char *name : {"mnuDesc", "tbSortDsc"})
        Connect(QString::fromLatin1(name), [this] { m_sort->Sort(true); });
    for (const char *name : {"mnuSheetFind", "tbFind"})
        Connect(QString::fromLatin1(name), [this] { m_find->Find(); });
    Connect(QStringLiteral("mnuSheetNameGet"), [this] { m_names->CopyNamesToClipboard(); });
    for (const char *name : {"mnuSheetInf", "tbSheetInf"})
        Connect(QString::fromLatin1(name), [this] { m_information->ShowSheetInfo(); });
    connect(Popup(QStringLiteral("menuSheetPopup")), &QMenu::aboutToShow, this,
            [this] { TrapErrors([this] { m_information->PopupOpening(); }); });
    ConnectSheetCommands();
    (new CurrentSheetTitle(*this, *m_sheets, *m_sheetView, *m_title[1], *m_reserve, Item("SheetPopDisplay"),
                           Item("SheetPopHide"), this))
        ->Watch();
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_sheetView->listView()),
                                    static_cast<QAbstractItemView *>(m_sheetView->reportView())}) {
        connect(view, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
            TrapErrors([this, index] { m_sheets->ItemClick(index.row(), m_viewEvents->ClickModifiers()); });
            TrapErrors([this] { m_sheets->Click(); });
            TrapErrors([this] { m_menuRules->Apply(); });
        });
        connect(view, &QAbstractItemView::doubleClicked, this,
                [this](const QModelIndex &) { TrapErrors([this] { m_sheets->DblClick(); }); });
    }
}

void frmMain::ConnectSheetCommands()
{
    for (const char *name : {"mnuSheetRename", "SheetPopRename"})
        Connect(QString::fromLatin1(name), [this] { m_sheetEditing->StartRename(); });
    for (const char *name : {"mnuSheetDel", "SheetPopDelete"})
        Connect(QString::fromLatin1(name), [this] { m_sheetEditing->DeleteSelectedSheets(); });
    Connect(QStringLiteral("SheetPopDisplay"), [this] { m_sheetEditing->ShowSelectedSheets(); });
    Connect(QStringLiteral("SheetPopHide"), [this] { m_sheetEditing->HideSelectedSheets(); });
    Connect(QStringLiteral("mnuSheetCopy"), [this] { m_sheetClipboard->Copy(); });
    Connect(QStringLiteral("mnuSheetCut"), [this] { m_sheetClipboard->Cut(); });
    Connect(QStringLiteral("mnuSheetPast"), [this] { m_sheetClipboard->Paste(); });
    Connect(QStringLiteral("PopBeforSheet"), [this] { m_sheetClipboard->PasteNextToSelected(true); });
    Connect(QStringLiteral("PopAfterSheet"), [this] { m_sheetClipboard->PasteNextToSelected(false); });
    Connect(QStringLiteral("PopBookBefore"), [this] { m_sheetTransfer->PasteToBook(true); });
    Connect(QStringLiteral("PopBookAfter"), [this] { m_sheetTransfer->PasteToBook(false); });
    for (const char *name : {"mnuSheetMoveCopy", "SheetPopMoveCopy"})
        Connect(QString::fromLatin1(name), [this] {
            SheetMoveCopy(*m_books, *m_sheets, *m_sheetClipboard, *m_sheetTransfer, this).Run(ActiveBookPath);
        });
    SheetDropOnBook = [this](const QMimeData &data, Qt::KeyboardModifiers modifiers) {
        m_sheetTransfer->DropOnBook(data, modifiers);
    };
    new SheetCommandEvents(*this, *m_sheetView, *m_sheetEditing, *m_sheetClipboard, this);
}

void frmMain::ConnectPrintHandlers()
{
    for (const char *name : {"mnuPrint", "BookPopPrint", "SheetPopPrint", "tbPrint"})
        Connect(QString::fromLatin1(name), [this] { m_print->mnuPrint(); });
    for (const char *name : {"mnuReservePrint", "tbReservPrint"})
        Connect(QString::fromLatin1(name), [this] { m_print->mnuReservePrint(); });
    for (const char *name : {"PrintReserveSet", "mnuReservSet"})
        Connect(QString::fromLatin1(name), [this] { m_reserve->PrintReserveSet(); });
    for (const char *name : {"PrintReserveReset", "mnuReservReset"})
        Connect(QString::fromLatin1(name), [this] { m_reserve->PrintReserveReset(); });
    for (const char *name : {"PrintReserveAllReset", "mnuReservAllReset"})
        Connect(QString::fromLatin1(name), [this] { m_reserve->PrintReserveAllReset(); });
    for (const char *name : {"PrintReserve", "mnuSheetReservPrint"})
        connect(findChild<QMenu *>(QString::fromLatin1(name)), &QMenu::aboutToShow, this,
                [this] { TrapErrors([this] { m_reserve->SetReserveMenuState(); }); });
}

// ---------------------------------------------------------------- layout

int frmMain::ToPixels(double twips) const
{
    return qRound(twips * logicalDpiX() / 1440.0);
}

double frmMain::ToTwips(int pixels) const
{
    return pixels * 1440.0 / logicalDpiX();
}

double frmMain::WindowWidthTwips() const
{
    return ToTwips(m_client->width());
}

double frmMain::InnerHeightTwips() const
{
    return ToTwips(m_client->height());
}

void frmMain::LayoutPanes(double &x)
{
    PaneLayout::Input in;
    in.windowWidth = WindowWidthTwips();
    in.innerHeight = InnerHeightTwips();
    in.toolbarVisible = !m_toolbar->isHidden();
    in.toolbarHeight = ToTwips(m_toolbar->sizeHint().height());
    in.titlesTop = in.toolbarVisible ? in.toolbarHeight : 0;
    in.statusBarVisible = !m_statusBar->isHidden();
    if (m_statusBar->layout())
        m_statusBar->layout()->activate();
    in.statusBarHeight = ToTwips(std::max(m_statusBar->sizeHint().height(), ToPixels(270)));
    // The print marker as wide as its text needs in the window's font.
    const QFontMetrics marker(m_title[2]->font());
    in.sheetMarkerWidth = std::max(in.sheetMarkerWidth, ToTwips(marker.horizontalAdvance(PrintReserve::MarkText)
                                                                + 2 * m_title[2]->indent() + 2));
    const PaneLayout::Result r = PaneLayout::Compute(in, x);
    x = r.splitter;
    m_splitterLeft = r.splitter;

    // A size that comes out negative (a tiny window) is skipped; the rest goes on.
    auto place = [this](QWidget *w, const PaneLayout::Rect &rect) {
        if (rect.width < 0 || rect.height < 0)
            return;
        w->setGeometry(ToPixels(rect.left), ToPixels(rect.top), ToPixels(rect.width), ToPixels(rect.height));
    };
    const int width = m_client->width();
    m_toolbar->setGeometry(0, 0, width, ToPixels(in.toolbarHeight));
    m_titles->setGeometry(0, ToPixels(in.titlesTop), width, ToPixels(in.titlesHeight));
    for (int i = 0; i < 4; ++i)
        place(m_title[i], r.titles[i]);
    place(m_bookView, r.bookView);
    place(m_splitterImage, r.splitterImage);
    place(m_sheetView, r.sheetView);
    place(m_frame, r.frame);
    // The header's text sits in the strip of the frame above the sheet view,
    // whatever the height of the font.
    const double headerStrip = r.sheetView.top - r.frame.top;
    place(m_header, {30, 20, r.headerWidth, headerStrip - 40});
    const int statusHeight = ToPixels(in.statusBarHeight);
    m_statusBar->setGeometry(0, m_client->height() - statusHeight, width, statusHeight);
    m_splitterImage->raise();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    try {
        ResizeHandler();
    } catch (...) {
        // Errors of the resize handler are ignored.
    }
}

void frmMain::ResizeHandler()
{
    if (isMinimized())
        return;
    if (ToTwips(width()) < PaneLayout::MinimumWindowWidth) {
        resize(ToPixels(PaneLayout::MinimumWindowWidth), height());
        return;
    }
    const bool keepProportion = SettingsStore::GetSetting(Key(), "Option", "ViewAdjust", "0") != QLatin1String("0");
    double x = PaneLayout::ResizedSplitter(keepProportion, m_prevWidth, m_prevSplitterLeft, m_splitterLeft,
                                           WindowWidthTwips());
    LayoutPanes(x);
    m_prevWidth = WindowWidthTwips();
    m_prevSplitterLeft = m_splitterLeft;
}

void frmMain::ToggleToolbar()
{
    // The item has already toggled its check mark: it now says what to show.
    m_toolbar->setVisible(Item("mnuViewToolbar")->isChecked());
    double x = m_splitterLeft;
    LayoutPanes(x);
}

void frmMain::ToggleStatusBar()
{
    m_statusBar->setVisible(Item("mnuViewStatusBar")->isChecked());
    double x = m_splitterLeft;
    LayoutPanes(x);
}

void frmMain::SyncViewModeIndicators()
{
    const int mode = m_bookView->viewMode();
    if (QAction *button = ToolbarButton(mode + kViewButtonOffset))
        button->setChecked(true);
    if (QAction *item = Item(QStringLiteral("mnuListViewMode_%1").arg(mode)))
        item->setChecked(true);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_splitterImage) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            TrapErrors([this] { m_splitterDrag->Pressed(); });
            return true;
        case QEvent::MouseMove:
            TrapErrors([this, mouse] { m_splitterDrag->Moved(qRound(mouse->position().x())); });
            return true;
        case QEvent::MouseButtonRelease:
            TrapErrors([this] {
                if (m_splitterDrag->Released())
                    m_prevSplitterLeft = m_splitterLeft;
            });
            return true;
        default:
            break;
        }
    } else if (watched == m_client && event->type() == QEvent::Paint) {
        SyncViewModeIndicators();
    } else if (event->type() == QEvent::MouseButtonPress) {
        // A press on the list views or the sheet header while the book is handed over.
        bool go = true;
        m_excelCloseAsked = false;
        TrapErrors([this, &go] { go = ExcelGuard(); });
        if (!go)
            return true;
        // The question took the rest of the click: a book pressed is opened
        // as the click would have.
        if (m_excelCloseAsked && PressedBookAfterQuestion(watched, *static_cast<QMouseEvent *>(event)))
            return true;
    }
    if (m_viewEvents->Filter(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------- progress display

void frmMain::StartProgress(double min, double max)
{
    m_progress->Start(min, max);
}

void frmMain::StepProgress(double value)
{
    m_progress->Step(value);
}

void frmMain::EndProgress()
{
    m_progress->End();
}

void frmMain::ResumeProgress()
{
    m_progress->Resume();
}

void frmMain::SetPanelText(int panel, const QString &text)
{
    if (panel >= 1 && panel <= 3)
        m_panel[panel - 1]->setText(text);
}

QString frmMain::PanelText(int panel) const
{
    return panel >= 1 && panel <= 3 ? m_panel[panel - 1]->text() : QString();
}

// ---------------------------------------------------------------- load

bool frmMain::Load()
{
    Globals::QuitWithoutPrompt = false;
    BookLoading = false;
    if (AnotherInstanceRunning() || !CloseRunningEngine()) {
        Globals::QuitWithoutPrompt = true;
        return false;
    }
    TrapErrors([this] {
        m_splitterLeft = WindowSettings::StoredSplitterLeft();
        WindowSettings::Restore(*this);
        ApplySheetPageInf();
        m_progress->End();
        DisableSheetCommands();
        m_menuState->SetEditMenuState(false, {}, {}, {}, false);
        Item("BookPopExcelOpen")->setEnabled(false);
        ReadRecentBooks();
        m_recent->ShowLoaded();
        SetupBookView(static_cast<int>(SettingsStore::GetNumber(Key(), "Settings", "ViewMode", 3)));
        SetupSheetView();
        m_menuRules->Apply();
    });
    return true;
}

bool frmMain::AnotherInstanceRunning()
{
    if (InstanceLock::Acquire())
        return false;
    MessageBox::Show(QStringLiteral("Quirnは、既に起動しています。"), 0x10, QStringLiteral("Quirn"), this);
    return true;
}

bool frmMain::CloseRunningEngine()
{
    if (!OfficeWindow::IsOpen())
        return true;
    const QString question = QStringLiteral("Excelアプリケーションもしくは、Excelオブジェクトが起動中のため")
                             + QStringLiteral("\r\n") + QStringLiteral("Quirn を起動させることができません。")
                             + QStringLiteral("\r\n\r\n") + QStringLiteral("Excel を終了させ、Quirn を起動させますか？");
    if (MessageBox::Show(question, 0x14, QString(), this) != MessageBox::IDYES)
        return false;
    OfficeWindow::AskToClose();
    OfficeWindow::WaitUntilClosed();
    return true;
}

void frmMain::ApplySheetPageInf()
{
    const bool hideInfo = SettingsStore::GetSetting(Key(), "Option", "SheetPageInf", "0") == QLatin1String("1");
    Item("SheetPopPropaty")->setVisible(!hideInfo);
    Item("PopBar2")->setVisible(!hideInfo);
}

void frmMain::DisableSheetCommands()
{
    m_menuState->SetToolMenuState({}, false, false, false, false, false, false, false, false, false);
    for (const char *name : {"SheetPopDisplay", "SheetPopHide", "SheetPopRename", "SheetPopDelete",
                             "SheetPopPageSetUp", "PrintReserve", "SheetPopPrint", "SheetPopPropaty"})
        Item(QString::fromLatin1(name))->setEnabled(false);
}

void frmMain::ReadRecentBooks()
{
    for (int i = 0; i < 5; ++i)
        MruFiles[i] = SettingsStore::GetSetting(Key(), "FileMRU", QStringLiteral("FileMRU_%1").arg(i));
}

void frmMain::SetupBookView(int viewMode)
{
    BuildBookColumns(viewMode);
}

void frmMain::BuildBookColumns(int viewMode)
{
    bool shown[5] = {true, true, true, true, true};
    for (int i = 1; i <= 4; ++i)
        shown[i] = SettingsStore::GetBool(Key(), "Option", QStringLiteral("Column(%1)").arg(i), true);
    m_books->Clear();
    QStandardItemModel *model = m_bookView->model();
    model->clear();
    const char *captions[] = {"名前", "ｻｲｽﾞ", "種類", "更新日時", "属性"};
    QStringList headers;
    headers << QString::fromUtf8(captions[0]);
    for (int i = 1; i <= 4; ++i) {
        BookColumnPosition[i] = shown[i] ? static_cast<int>(headers.size()) : 0;
        if (shown[i])
            ColumnSortKey[i] = BookColumnPosition[i];
        if (shown[i])
            headers << QString::fromUtf8(captions[i]);
    }
    model->setHorizontalHeaderLabels(headers);
    const QFontMetrics metrics(font());
    QHeaderView *header = m_bookView->reportView()->header();
    for (int column = 0; column < headers.size(); ++column) {
        header->resizeSection(column, metrics.horizontalAdvance(headers.at(column)) + ToPixels(240));
        const bool isSize = BookColumnPosition[1] != 0 && column == BookColumnPosition[1];
        model->horizontalHeaderItem(column)->setTextAlignment((isSize ? Qt::AlignRight : Qt::AlignLeft)
                                                              | Qt::AlignVCenter);
    }
    m_bookView->setViewMode(viewMode);
    m_menuState->SetArrangeMenuState(shown[3], true, shown[2], shown[1], shown[4]);
    SyncViewModeIndicators();
}

void frmMain::SetupSheetView()
{
    m_sheetView->setViewMode(cListView::List);
    m_sheetView->listView()->setIconSize(QSize(16, 16));
}

// ---------------------------------------------------------------- commands

void frmMain::DropDownPrologue(QMenu *menu)
{
    if (ExcelGuard())
        m_menuRules->DropDown(menu->objectName());
}

bool frmMain::ExcelGuard()
{
    if (!Globals::ExcelHandedOver)
        return true;
    if (!ConfirmExcelClosed())
        return false;
    Globals::ExcelHandedOver = false;
    return true;
}

bool frmMain::PressedBookAfterQuestion(QObject *watched, const QMouseEvent &press)
{
    QAbstractItemView *view = m_bookView->currentView();
    if (watched != view->viewport() || press.button() != Qt::LeftButton)
        return false;
    const QModelIndex index = view->indexAt(press.position().toPoint());
    if (!index.isValid())
        return false;
    const bool extend = press.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    m_bookView->selectionModel()->setCurrentIndex(
        index, extend ? QItemSelectionModel::Toggle : QItemSelectionModel::ClearAndSelect);
    BookItemClicked(index.row(), press.modifiers());
    return true;
}

bool frmMain::ConfirmExcelClosed()
{
    if (!OfficeWindow::IsOpen())
        return true;
    const QString question = QStringLiteral("Excelアプリケーションもしくは、Excelオブジェクトが起動中です。")
                             + QStringLiteral("\r\n") + QStringLiteral("Excel を終了ますか？");
    if (MessageBox::Show(question, 0x14, QString(), this) != MessageBox::IDYES)
        return false;
    m_excelCloseAsked = true;
    OfficeWindow::AskToClose();
    OfficeWindow::WaitUntilClosed();
    return true;
}

void frmMain::ShowAbout()
{
    frmAbout about(Globals::ExcelVersion, this);
    about.exec();
}

void frmMain::FileClose()
{
    close();
}

bool frmMain::BookMayBeSaved() const
{
    return !ActiveBookPath.trimmed().isEmpty() && SheetsChanged && (BookRestriction & 1) == 0;
}

void frmMain::DeleteAllSettingsAndExit()
{
    QString question = QStringLiteral("Quirnが使用した登録情報を削除し、ﾌﾟﾛｸﾞﾗﾑを終了させます。よろしいですか？");
    if (BookMayBeSaved())
        question += QStringLiteral("\r\n") + QStringLiteral("（ 現在、編集中の ｴｸｾﾙﾌﾞｯｸ は保存されません。）");
    if (MessageBox::Show(question, 0x34, QString(), this) != MessageBox::IDYES)
        return;
    CloseExcelWithoutSaving();
    SettingsMigration::DeleteAllSettings();
    Globals::EndProcess(0);
}

// ---------------------------------------------------------------- unload

void frmMain::closeEvent(QCloseEvent *event)
{
    if (Globals::QuitWithoutPrompt) {
        event->accept();
        return;
    }
    bool unload = false;
    TrapErrors([this, &unload] { unload = UnloadHandler(); });
    if (!unload) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

bool frmMain::UnloadHandler()
{
    const int answer = MessageBox::Show(QStringLiteral("Quirnを終了してよろしいですか？"), 0x24, QString(), this);
    QCoreApplication::processEvents();
    if (answer != MessageBox::IDYES)
        return false;
    QString bookToSave;
    if (BookMayBeSaved()) {
        const QString question = QStringLiteral("ｼｰﾄ構成の変更を ") + u'"' + ActiveBookPath + u'"'
                                 + QStringLiteral(" に保存しますか？");
        if (MessageBox::Show(question, 0x24, QString(), this) == MessageBox::IDYES)
            bookToSave = ActiveBookPath;
    }
    QCoreApplication::processEvents();
    SetPanelText(1, QStringLiteral("ｴｸｾﾙを閉じています。"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();
    const bool closed = CloseEngine(bookToSave);
    QApplication::restoreOverrideCursor();
    if (!closed) {
        SetPanelText(1, QString());
        return false;
    }
    WindowSettings::Store(*this);
    return true;
}

// ---------------------------------------------------------------- engine steps

cExcel &frmMain::Excel()
{
    if (!m_excel)
        m_excel = std::make_unique<cExcel>();
    return *m_excel;
}

// The process may end at once afterwards: the engine is ended here, also the
// one the start-up check kept warm if no book was opened yet.
void frmMain::CloseExcelWithoutSaving()
{
    Excel().CloseExcel();
    m_excel.reset();
}

// Closes the engine at shut-down, saving bookToSave first when it is not
// empty. A save that fails is reported and the engine stays open with the
// book, so that nothing the user asked to keep is lost: false.
bool frmMain::CloseEngine(const QString &bookToSave)
{
    if (!m_excel)
        return true;
    if (!bookToSave.isEmpty() && m_excel->SaveExcel(bookToSave) != 0) {
        MessageBox::Show(QStringLiteral("ｼｰﾄ構成の変更を保存できませんでした。") + QStringLiteral("\r\n")
                             + m_excel->LastSaveError(),
                         0x10, QString(), this);
        return false;
    }
    CloseExcelWithoutSaving();
    return true;
}
