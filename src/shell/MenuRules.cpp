#include "MenuRules.h"

#include "BookList.h"
#include "BookPresentation.h"
#include "BookSelection.h"
#include "PrintReserve.h"
#include "ReportSystemError.h"
#include "SheetEditing.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "cListView.h"
#include "MenuState.h"
#include "frmMain.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStandardItemModel>
#include <QTimer>

namespace {

// The book restriction's bit for a book that may not be saved.
constexpr int kMayNotSave = 1;

} // namespace

MenuRules::MenuRules(frmMain &form)
    : m_form(form)
{
}

MenuRules::~MenuRules() = default;

void MenuRules::DropDown(const QString &menu)
{
    if (menu == QLatin1String("mnuFile") || menu == QLatin1String("mnuEdit"))
        FinishPendingRename();
    if (menu == QLatin1String("mnuFile") || menu == QLatin1String("mnuEdit") || menu == QLatin1String("mnuTool"))
        Apply();
}

void MenuRules::Apply()
{
    m_applyDue = false;
    FileMenu();
    EditMenu();
    ToolMenu();
    // A book that lists no sheets (it failed to open, or the filter keeps
    // every sheet out) gives the sheet commands nothing to work on.
    m_form.Selection().DisableSheetCommandsWhenEmpty();
    PopupRules();
    ToolbarRules();
}

void MenuRules::ApplySoon()
{
    if (m_applyDue)
        return;
    m_applyDue = true;
    QTimer::singleShot(0, this, [this] {
        if (m_applyDue)
            TrapErrors([this] { Apply(); });
    });
}

void MenuRules::WatchChanges()
{
    for (cListView *view : {m_form.BookView(), m_form.SheetView()}) {
        // A selection changes at the end of what the user or a command did:
        // the rules follow at once. Items come and go by the thousand while a
        // folder is imported: once it is done.
        QItemSelectionModel *selection = view->selectionModel();
        const auto applyNow = [this] { TrapErrors([this] { Apply(); }); };
        connect(selection, &QItemSelectionModel::selectionChanged, this, applyNow);
        connect(selection, &QItemSelectionModel::currentChanged, this, applyNow);
        QStandardItemModel *model = view->model();
        connect(model, &QAbstractItemModel::rowsInserted, this, &MenuRules::ApplySoon);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &MenuRules::ApplySoon);
        connect(model, &QAbstractItemModel::modelReset, this, &MenuRules::ApplySoon);
    }
    qApp->installEventFilter(this);
}

// A key about to be matched against the shortcuts of this window: the rules
// are applied first, whatever changed since they last ran.
bool MenuRules::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == &m_form)
            TrapErrors([this] { Apply(); });
    }
    return false;
}

int MenuRules::SelectedBooks() const
{
    const BookList &books = m_form.Books();
    int selected = 0;
    for (int row = 0; row < books.Count() && selected < 2; ++row) {
        if (books.IsSelected(row))
            ++selected;
    }
    return selected;
}

void MenuRules::Enable(const char *name, bool enabled)
{
    if (QAction *item = m_form.Action(QString::fromLatin1(name)))
        item->setEnabled(enabled);
}

bool MenuRules::Enabled(const char *name) const
{
    const QAction *item = m_form.Action(QString::fromLatin1(name));
    return item && item->isEnabled();
}

void MenuRules::FileMenu()
{
    if (SelectedBooks() > 1) {
        // Several books: the commands that work on every selected book.
        m_form.Selection().SetFileMenuState({}, {}, false, false, {}, true, true, true);
        return;
    }
    const bool active = !m_form.ActiveBookPath.isEmpty();
    const bool maySave = active && (m_form.BookRestriction & kMayNotSave) == 0;
    Enable("mnuFileProperties", maySave);
    Enable("mnuFileSave", maySave);
    Enable("mnuFileNewSave", maySave);
    Enable("mnuFileDelete", active);
    Enable("mnuPrint", active);
    Enable("mnuReservePrint", active && m_form.Reserve.CountReservedBooks() > 0);
}

void MenuRules::EditMenu()
{
    if (!m_form.BookView()->currentView()->currentIndex().isValid()) {
        m_form.Menus().SetEditMenuState(false, false, false, false, false);
        return;
    }
    if (SelectedBooks() > 1)
        m_form.Menus().SetEditMenuState(false, false, false, true, true);
    else
        m_form.Menus().SetEditMenuState(true, true, true, true);
}

void MenuRules::ToolMenu()
{
    if (m_form.ActiveBookPath.isEmpty()) {
        m_form.Menus().SetToolMenuState({}, false, false, false, false, false, false, false, false, false);
        Enable("mnuSheetMoveCopy", false);
        return;
    }
    const bool paste = m_form.SheetClipboardMode != -1;
    if (m_form.BookRestriction != 0)
        m_form.Menus().SetToolMenuState({}, true, true, false, false, false, false, paste, true, false);
    else if (m_form.Sheets().MultipleSheetsSelected())
        m_form.Menus().SetToolMenuState({}, true, true, false, true, true, true, paste, true, true);
    else
        m_form.Menus().SetToolMenuState({}, true, true, true, true, true, true, paste, true, true);
    m_form.Reservations().SetReserveMenuState();
    Enable("mnuSheetMoveCopy", m_form.BookRestriction == 0 && m_form.Books().Count() > 1
                                   && !m_form.Sheets().SelectedRows().isEmpty());
}

// The sheet popup's editing items work on the selected sheets of a book that
// may be changed, rename on one sheet only; its print items run the commands
// of the menu items.
void MenuRules::PopupRules()
{
    const qsizetype selected = m_form.ActiveBookPath.isEmpty() ? 0 : m_form.Sheets().SelectedRows().size();
    const bool editable = selected > 0 && (m_form.BookRestriction & kMayNotSave) == 0;
    for (const char *name : {"SheetPopDisplay", "SheetPopHide", "SheetPopPageSetUp", "SheetPopDelete"})
        Enable(name, editable);
    Enable("SheetPopRename", editable && selected == 1);
    Enable("BookPopPrint", Enabled("mnuPrint"));
    Enable("SheetPopPrint", Enabled("mnuPrint"));
    Enable("PrintReserve", Enabled("mnuSheetReservPrint"));
    Enable("SheetPopMoveCopy", Enabled("mnuSheetMoveCopy"));
}

// A toolbar button runs the command of a menu item, and is enabled exactly
// when that item is; opening in the office and sheet information need one
// sheet selected, page setup a sheet that takes it.
void MenuRules::ToolbarRules()
{
    const std::pair<const char *, bool> buttons[] = {
        {"tbFileSave", Enabled("mnuFileSave")},
        {"tbPrint", Enabled("mnuPrint")},
        {"tbReservPrint", Enabled("mnuReservePrint")},
        {"tbProperties", Enabled("mnuFileProperties") && CurrentSheetTakesPageSetup()},
        {"tbSheetInf", Enabled("mnuSheetInf")},
        {"tbExcelOpen", Enabled("mnuExcelOpen") && Enabled("mnuSheetInf")},
        {"tbCopyBook", Enabled("mnuBookCopy")},
        {"tbDelete", Enabled("mnuFileDelete")},
        {"tbAllBook", Enabled("mnuSelAllBook")},
        {"tbAllSheet", Enabled("mnuSelAllSheet")},
        {"tbSortAsc", Enabled("mnuSheetSort")},
        {"tbSortDsc", Enabled("mnuSheetSort")},
        {"tbFind", Enabled("mnuSheetFind")},
    };
    for (const auto &[name, enabled] : buttons)
        Enable(name, enabled);
}

bool MenuRules::CurrentSheetTakesPageSetup() const
{
    if (SelectedBooks() > 1)
        return true;
    const SheetList &sheets = m_form.Sheets();
    const QString current = m_form.Title(1)->text();
    for (int row = 0; row < sheets.Count(); ++row) {
        if (sheets.Text(row) != current)
            continue;
        const QString key = sheets.Key(row);
        return !SheetKey::TestSheetKeyBit(key, SheetKey::MacroSheet, true)
               && !(SheetKey::TestSheetKeyBit(key, SheetKey::Visible, false)
                    && SheetKey::TestSheetKeyBit(key, SheetKey::Protected, true));
    }
    return true;
}

bool MenuRules::RenamePending() const
{
    return m_form.Editing().EditedSheetItem.isValid();
}

// The name typed so far is handed to the rename first, as a click elsewhere
// would; then the views are read again from the book.
void MenuRules::FinishPendingRename(bool forget)
{
    if (!RenamePending())
        return;
    QAbstractItemView *view = m_form.SheetView()->currentView();
    const QPersistentModelIndex item = m_form.Editing().EditedSheetItem;
    if (QWidget *editor = view->indexWidget(item)) {
        emit view->itemDelegate()->commitData(editor);
        emit view->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    m_form.Presentation().Refresh();
    if (forget)
        m_form.Editing().EditedSheetItem = QPersistentModelIndex();
}
