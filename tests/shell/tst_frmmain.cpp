#include "CommonDialog.h"
#include "EntryProcedure.h"
#include "ExcelApplication.h"
#include "Globals.h"
#include "InstanceLock.h"
#include "IsolatedStore.h"
#include "MessageBox.h"
#include "OfficeProcess.h"
#include "PictureBar.h"
#include "ReportSystemError.h"
#include "SettingsMigration.h"
#include "SettingsStore.h"
#include "cExcel.h"
#include "cListView.h"
#include "MenuState.h"
#include "frmMain.h"

#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTimer>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

#include <memory>

// Set up before the application object, so nothing reads the user's folders.
static IsolatedStore g_store;

class tst_frmMain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void secondCopyIsRefused();
    void menuBarTreeCaptionsAndShortcuts();
    void hiddenItemsAndPopups();
    void toolbarPositionsKeysAndTips();
    void stateRoutinesLeaveOmittedItems();
    void firstRunDefaults();
    void bookColumnsFollowTheSwitches();
    void narrowWindowClampsSplitter();
    void splitterDragSettlesInsideLimits();
    void resizeKeepsProportionWithViewAdjust();
    void toolbarAndStatusBarSwitchesMoveThePanes();
    void progressOnStatusBarAndOnPicture();
    void shutDownAskedAndDeclined();
    void shutDownStoresGeometryAndRecentBooks();
    void shutDownWhileMinimisedKeepsGeometry();
    void shutDownWhileMaximisedStoresIt();
    void saveQuestionOnlyForASavableBook();
    void deleteAllSettingsAsksThenEnds();
    void handlerErrorReachesSystemErrorReport();
    void windowPicture();
    void handedOverBookIsCheckedBeforeActions();
    void entryProcedureConvertsAndShows();

private:
    std::unique_ptr<frmMain> LoadedWindow();
    QString Get(const QString &section, const QString &key) const
    {
        return SettingsStore::GetSetting(SettingsStore::AppKey, section, key, "missing");
    }

    IsolatedStore *m_store = nullptr;
};

namespace {

QList<int> g_endedWith;

void RecordEnd(int code)
{
    g_endedWith.append(code);
}

template <typename T>
T *Find(QObject *root, const QString &name)
{
    T *found = root->findChild<T *>(name);
    if (!found)
        qWarning("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return found;
}

QStringList NamesOf(QMenu *menu)
{
    QStringList names;
    for (QAction *a : menu->actions())
        names << a->objectName();
    return names;
}

} // namespace

void tst_frmMain::initTestCase()
{
    m_store = &g_store;
    Globals::EndProcess = &RecordEnd;
}

void tst_frmMain::init()
{
    MessageBox::SetTestMode(true);
    CommonDialog::setScripted(true); // a command that opens the file dialog is answered with Cancel
    SettingsMigration::DeleteAllSettings();
    g_endedWith.clear();
    Globals::QuitWithoutPrompt = false;
}

void tst_frmMain::cleanup()
{
    MessageBox::TakeShown();
}

std::unique_ptr<frmMain> tst_frmMain::LoadedWindow()
{
    auto window = std::make_unique<frmMain>();
    if (!window->Load())
        return nullptr;
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

void tst_frmMain::secondCopyIsRefused()
{
    InstanceLock::Release();
    {
        QLockFile other(InstanceLock::Path());
        QVERIFY(other.tryLock(0));
        frmMain window;
        QVERIFY(!window.Load());
        QVERIFY(Globals::QuitWithoutPrompt);
        const auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, QString("Quirnは、既に起動しています。"));
        QCOMPARE(shown.first().style, 0x10u);
        // Refused: nothing was written to the store.
        QVERIFY(!QFile::exists(SettingsStore::FileOf(SettingsStore::AppKey)));
        // Closing a refused window asks nothing.
        window.close();
        QVERIFY(MessageBox::TakeShown().isEmpty());
    }
    Globals::QuitWithoutPrompt = false;
    QVERIFY(InstanceLock::Acquire());
}

void tst_frmMain::menuBarTreeCaptionsAndShortcuts()
{
    frmMain window;
    QStringList top;
    for (QAction *a : window.menuBar()->actions())
        top << a->objectName() + "=" + a->text();
    QCOMPARE(top, QStringList({"mnuFile=ﾌｧｲﾙ(&F)", "mnuEdit=編集(&E)", "mnuView=表示(&V)", "mnuTool=ﾂｰﾙ(&T)",
                               "mnuHelp=ﾍﾙﾌﾟ(&H)"}));

    QCOMPARE(NamesOf(Find<QMenu>(&window, "mnuFile")),
             QStringList({"mnuFileNew", "mnuFileOpen", "mnuFileBar2", "mnuFileSave", "mnuFileNewSave",
                          "mnuFileBar8", "mnuFileDelete", "mnuFileBar7", "mnuFileProperties", "mnuFileBar9",
                          "mnuReservePrint", "mnuPrint", "mnuFileBar4", "mnuFileMRU_1", "mnuFileMRU_2",
                          "mnuFileMRU_3", "mnuFileMRU_4", "mnuFileMRU_5", "mnuFileBar6", "mnuFileClose"}));
    QCOMPARE(NamesOf(Find<QMenu>(&window, "mnuEdit")),
             QStringList({"mnuExcelOpen", "mnuFileBar12", "mnuSelAllBook", "mnuSelAllSheet", "mnuFileBar5",
                          "mnuBookCopy", "mnuSheetInf"}));
    QCOMPARE(NamesOf(Find<QMenu>(&window, "mnuView")),
             QStringList({"mnuViewToolbar", "mnuViewStatusBar", "mnuViewBar2", "mnuListViewMode_0",
                          "mnuListViewMode_1", "mnuListViewMode_2", "mnuListViewMode_3", "mnuViewBar3",
                          "mnuViewArrangeIcons", "mnuViewLineUpIcons", "mnuViewBar4", "mnuViewRefresh",
                          "mnuViewBar5", "mnuViewOptions"}));
    QCOMPARE(NamesOf(Find<QMenu>(&window, "mnuViewArrangeIcons")),
             QStringList({"mnuVAIByName", "mnuVAIBySize", "mnuVAIByType", "mnuVAIByDate", "mnuVAIByAttr"}));
    QCOMPARE(NamesOf(Find<QMenu>(&window, "mnuTool")),
             QStringList({"mnuSheetFind", "mnuSheetSort", "mnuViewBar10", "mnuSheetRename", "mnuSheetDel",
                          "mnuSheetNameGet", "mnuViewBar11", "mnuSheetCopy", "mnuSheetCut", "mnuSheetPast",
                          "mnuSheetMoveCopy", "mnuViewBar12", "mnuSheetReservPrint"}));
    QCOMPARE(NamesOf(Find<QMenu>(&window, "mnuSheetSort")), QStringList({"mnuAsc", "mnuDesc"}));
    QCOMPARE(NamesOf(Find<QMenu>(&window, "mnuSheetReservPrint")),
             QStringList({"mnuReservSet", "mnuReservReset", "mnuReservAllReset"}));
    QCOMPARE(NamesOf(Find<QMenu>(&window, "mnuHelp")),
             QStringList({"mnuHelpShow", "mnuHelpBar1", "mnuHelpAbout", "mnuHelpBar2", "mnuUnInst"}));

    const QList<QStringList> items = {
        {"mnuFileNew", "新規ﾌﾞｯｸ作成(&N)", ""}, {"mnuFileOpen", "ﾌﾞｯｸを取り込む(&G)...", "Ctrl+O"},
        {"mnuFileSave", "上書き保存(&S)", "Ctrl+S"}, {"mnuFileNewSave", "名前をつけて保存(&A)...", ""},
        {"mnuFileDelete", "ﾌﾞｯｸﾋﾞｭｰから削除(&D)", ""}, {"mnuFileProperties", "ﾍﾟｰｼﾞ設定(&U)...", "Ctrl+N"},
        {"mnuReservePrint", "予約印刷(&R)...", "Ctrl+R"}, {"mnuPrint", "印刷(&P)...", "Ctrl+P"},
        {"mnuFileClose", "Quirnを終了(&X)", ""}, {"mnuExcelOpen", "Microsoft Excel で開く(&E)", ""},
        {"mnuSelAllBook", "全てのﾌﾞｯｸを選択(&B)", ""}, {"mnuSelAllSheet", "全てのｼｰﾄを選択(&S)", ""},
        {"mnuBookCopy", "新たなﾌﾞｯｸにｺﾋﾟｰ(&C)", "Ctrl+B"}, {"mnuSheetInf", "ｼｰﾄ情報を表示(&I)", ""},
        {"mnuViewToolbar", "ﾂｰﾙ ﾊﾞｰ(&T)", ""}, {"mnuViewStatusBar", "ｽﾃｰﾀｽ ﾊﾞｰ(&B)", ""},
        {"mnuListViewMode_0", "大きいｱｲｺﾝ(&G)", ""}, {"mnuListViewMode_1", "小さいｱｲｺﾝ(&M)", ""},
        {"mnuListViewMode_2", "一覧(&L)", ""}, {"mnuListViewMode_3", "詳細(&D)", ""},
        {"mnuViewArrangeIcons", "ｱｲｺﾝの整列(&I)", ""}, {"mnuVAIByName", "名前順(&N)", ""},
        {"mnuVAIBySize", "ｻｲｽﾞ順(&S)", ""}, {"mnuVAIByType", "種類順(&T)", ""}, {"mnuVAIByDate", "日付順(&D)", ""},
        {"mnuVAIByAttr", "属性順(&A)", ""}, {"mnuViewLineUpIcons", "等間隔に整列(&N)", ""},
        {"mnuViewRefresh", "最新の情報に更新(&R)", ""}, {"mnuViewOptions", "ｵﾌﾟｼｮﾝ(&O)...", ""},
        {"mnuSheetFind", "ｼｰﾄ検索...(&F)", "Ctrl+F"}, {"mnuSheetSort", "ｼｰﾄｿｰﾄ(&S)", ""},
        {"mnuAsc", "昇順(&A)", ""}, {"mnuDesc", "降順(&D)", ""}, {"mnuSheetRename", "ｼｰﾄ名変更(&N)", "F2"},
        {"mnuSheetDel", "ｼｰﾄ削除(&D)", ""}, {"mnuSheetNameGet", "ｼｰﾄ名取得(&G)", "F12"},
        {"mnuSheetCopy", "ｼｰﾄｺﾋﾟｰ(&C)", "Ctrl+C"}, {"mnuSheetCut", "ｼｰﾄ切り取り(&T)", "Ctrl+X"},
        {"mnuSheetPast", "ｼｰﾄ貼り付け(&P)", "Ctrl+V"}, {"mnuSheetReservPrint", "印刷予約(&R)", ""},
        {"mnuReservSet", "設定(&S)", ""}, {"mnuReservReset", "解除(&R)", ""}, {"mnuReservAllReset", "全解除(&A)", ""},
        {"mnuHelpShow", "ﾄﾋﾟｯｸの検索(&H)", "F1"}, {"mnuHelpAbout", "ﾊﾞｰｼﾞｮﾝ情報(&A)...", ""},
        {"mnuUnInst", "登録情報の削除(&U)", ""}};
    for (const QStringList &item : items) {
        QAction *action = Find<QAction>(&window, item[0]);
        QVERIFY2(action, qPrintable(item[0]));
        QCOMPARE(action->text(), item[1]);
        QCOMPARE(action->shortcut().toString(), item[2]);
    }
    QVERIFY(Find<QAction>(&window, "mnuViewToolbar")->isChecked());
    QVERIFY(Find<QAction>(&window, "mnuViewStatusBar")->isChecked());
}

void tst_frmMain::hiddenItemsAndPopups()
{
    frmMain window;
    QVERIFY(!Find<QAction>(&window, "mnuFileNew")->isVisible());
    QVERIFY(!Find<QAction>(&window, "mnuFileBar4")->isVisible());
    for (int i = 1; i <= 5; ++i)
        QVERIFY(!Find<QAction>(&window, QString("mnuFileMRU_%1").arg(i))->isVisible());
    for (const char *name : {"SheetPopProtect", "SheetPopUnProtect", "PopBar1"})
        QVERIFY2(!Find<QAction>(&window, name)->isVisible(), name);

    const QList<QAction *> bar = window.menuBar()->actions();
    const QMap<QString, QStringList> popups = {
        {"menuBookPopup", {"BookPopFileDelete", "BookPopExcelOpen", "BookPopSelAllSheet", "BookPopBookCopy",
                           "BookPopPageSetUp", "BookPopPrint"}},
        {"menuSheetMovePopup", {"PopBeforSheet", "PopAfterSheet", "PopBar4", "PopSheetCancel"}},
        {"menuBookMovePopup", {"PopBookBefore", "PopBookAfter", "PopBar5", "PopBookCancel"}}};
    for (auto it = popups.begin(); it != popups.end(); ++it) {
        QMenu *popup = Find<QMenu>(&window, it.key());
        QVERIFY(!bar.contains(popup->menuAction()));
        QCOMPARE(NamesOf(popup), it.value());
    }
    QMenu *sheet = Find<QMenu>(&window, "menuSheetPopup");
    QVERIFY(!bar.contains(sheet->menuAction()));
    const QStringList sheetItems = NamesOf(sheet);
    for (const char *name : {"SheetPopDisplay", "SheetPopHide", "SheetPopRename", "SheetPopDelete",
                             "SheetPopPageSetUp", "PrintReserve", "SheetPopPrint", "PopBar2", "SheetPopPropaty"})
        QVERIFY2(sheetItems.contains(name), name);
    QCOMPARE(sheetItems.indexOf("PopBar2") + 1, sheetItems.indexOf("SheetPopPropaty"));
    QCOMPARE(NamesOf(Find<QMenu>(&window, "SheetPopPropaty")),
             QStringList({"SheetPopName", "SheetPopPage", "SheetPopRows", "SheetPopColumns"}));
    QCOMPARE(Find<QAction>(&window, "PopBookBefore")->text(), QString("先頭ｼｰﾄの前に移動"));
    QCOMPARE(Find<QAction>(&window, "SheetPopPageSetUp")->text(), QString("ﾍﾟｰｼﾞ設定..."));
}

void tst_frmMain::toolbarPositionsKeysAndTips()
{
    frmMain window;
    QToolBar *toolbar = Find<QToolBar>(&window, "tbToolBar");
    const QList<QAction *> buttons = toolbar->actions();
    QCOMPARE(buttons.size(), 27);
    const QMap<int, QPair<QString, QString>> keyed = {
        {1, {"FileNew", "新規ﾌﾞｯｸ作成"}}, {3, {"FileOpen", "ﾌﾞｯｸ取り込み"}}, {4, {"FileSave", "上書き保存"}},
        {6, {"Print", "印刷"}}, {7, {"ReservPrint", "予約印刷"}}, {9, {"Properties", "ﾍﾟｰｼﾞ設定"}},
        {10, {"SheetInf", "ｼｰﾄ情報"}}, {12, {"ExcelOpen", "Microsoft Excel で開く"}},
        {13, {"CopyBook", "新たなﾌﾞｯｸにｺﾋﾟｰ"}}, {14, {"Delete", "ﾌﾞｯｸﾋﾞｭｰから削除"}},
        {16, {"AllBook", "全てのﾌﾞｯｸを選択"}}, {17, {"AllSheet", "全てのｼｰﾄを選択"}},
        {19, {"SortAsc", "ｼｰﾄ昇順ｿｰﾄ"}}, {20, {"SortDsc", "ｼｰﾄ降順ｿｰﾄ"}}, {22, {"Find", "ｼｰﾄ検索"}},
        {24, {"ViewLarge", "大きいｱｲｺﾝ表示"}}, {25, {"ViewSmall", "小さいｱｲｺﾝ表示"}},
        {26, {"ViewList", "一覧表示"}}, {27, {"ViewDetails", "詳細表示"}}};
    for (int position = 1; position <= 27; ++position) {
        QAction *button = window.ToolbarButton(position);
        QCOMPARE(button, buttons.at(position - 1));
        if (!keyed.contains(position)) {
            QVERIFY2(button->isSeparator(), qPrintable(QString::number(position)));
            continue;
        }
        QCOMPARE(button->objectName(), "tb" + keyed[position].first);
        QCOMPARE(button->toolTip(), keyed[position].second);
        QVERIFY2(!button->icon().pixmap(16, 16).isNull(), qPrintable(button->objectName()));
    }
}

void tst_frmMain::stateRoutinesLeaveOmittedItems()
{
    frmMain window;
    auto enabled = [&window](const char *name) { return Find<QAction>(&window, name)->isEnabled(); };

    window.Menus().SetEditMenuState(false, {}, false);
    QVERIFY(!enabled("mnuExcelOpen"));
    QVERIFY(enabled("mnuSelAllBook"));
    QVERIFY(!enabled("mnuSelAllSheet"));
    QVERIFY(enabled("mnuBookCopy"));
    window.Menus().SetEditMenuState({}, {}, {}, {}, false);
    QVERIFY(!enabled("mnuSheetInf"));
    QVERIFY(!enabled("mnuExcelOpen"));

    window.Menus().SetArrangeMenuState(false, {}, {}, {}, false);
    QVERIFY(!enabled("mnuVAIByDate"));
    QVERIFY(enabled("mnuVAIByName"));
    QVERIFY(!enabled("mnuVAIByAttr"));

    window.Menus().SetToolMenuState(false, {}, false, {}, {}, {}, {}, false, {}, false);
    QVERIFY(!enabled("mnuTool"));
    QVERIFY(enabled("mnuSheetFind"));
    QVERIFY(!enabled("mnuSheetSort"));
    QVERIFY(!enabled("mnuSheetPast"));
    QVERIFY(!enabled("mnuSheetNameGet"));
    QVERIFY(enabled("mnuSheetReservPrint"));

    // Reserved print follows the Print button when asked to turn on.
    window.Menus().SetToolbarState({}, {}, false);
    QVERIFY(!enabled("tbPrint"));
    QCOMPARE(window.Menus().SetToolbarState({}, {}, {}, true), std::optional<bool>(false));
    QVERIFY(!enabled("tbReservPrint"));
    window.Menus().SetToolbarState({}, {}, true);
    QCOMPARE(window.Menus().SetToolbarState({}, {}, {}, true), std::optional<bool>(true));
    QVERIFY(enabled("tbReservPrint"));
    QCOMPARE(window.Menus().SetToolbarState({}, {}, false, false), std::optional<bool>(false));
    QVERIFY(!enabled("tbReservPrint"));

    // Each argument reaches its own button, the rest stay.
    window.Menus().SetToolbarState(false, false, {}, {}, false, false, false, false, false, false, false, false, false, false);
    for (const char *name : {"tbFileOpen", "tbFileSave", "tbExcelOpen", "tbProperties", "tbDelete", "tbAllBook",
                             "tbAllSheet", "tbCopyBook", "tbSheetInf", "tbSortAsc", "tbSortDsc", "tbFind"})
        QVERIFY2(!enabled(name), name);
    for (const char *name : {"tbFileNew", "tbViewLarge", "tbViewSmall", "tbViewList", "tbViewDetails"})
        QVERIFY2(enabled(name), name);
    window.Menus().SetToolbarState({}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, true);
    QVERIFY(enabled("tbFind"));
    QVERIFY(!enabled("tbSortDsc"));
}

void tst_frmMain::firstRunDefaults()
{
    auto window = LoadedWindow();
    QVERIFY(window);
    QCOMPARE(window->SplitterLeft(), 3700.0);
    QCOMPARE(window->pos(), QPoint(window->ToPixels(1000), window->ToPixels(1000)));
    QCOMPARE(window->size(), QSize(window->ToPixels(10000), window->ToPixels(7000)));
    auto *books = Find<cListView>(window.get(), "lvBookView");
    QCOMPARE(books->viewMode(), int(cListView::Report));
    QCOMPARE(books->model()->columnCount(), 5);
    QCOMPARE(books->model()->horizontalHeaderItem(0)->text(), QString("名前"));
    QCOMPARE(books->model()->horizontalHeaderItem(4)->text(), QString("属性"));
    QVERIFY(Find<QAction>(window.get(), "tbViewDetails")->isChecked());
    QVERIFY(Find<QAction>(window.get(), "mnuListViewMode_3")->isChecked());
    QCOMPARE(Find<cListView>(window.get(), "lvSheetView")->viewMode(), int(cListView::List));
    QCOMPARE(Find<QLabel>(window.get(), "Label1")->text(), QString("  ｼｰﾄ"));
    QVERIFY(!Find<QAction>(window.get(), "mnuExcelOpen")->isEnabled());
    QVERIFY(!Find<QAction>(window.get(), "BookPopExcelOpen")->isEnabled());
    QVERIFY(!Find<QAction>(window.get(), "mnuSheetInf")->isEnabled());
    QVERIFY(!Find<QAction>(window.get(), "mnuSheetRename")->isEnabled());
    QVERIFY(Find<QAction>(window.get(), "SheetPopPropaty")->isVisible());
    QVERIFY(!Find<QProgressBar>(window.get(), "ProgressBar1")->isVisible());
    QVERIFY(!Find<PictureBar>(window.get(), "PictureBar")->isVisible());
    for (int i = 0; i < 4; ++i)
        QVERIFY(Find<QLabel>(window.get(), QString("lblTitle_%1").arg(i)));
    QVERIFY(MessageBox::TakeShown().isEmpty());
}

void tst_frmMain::bookColumnsFollowTheSwitches()
{
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "Column(1)", "False");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "Column(3)", "False");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "SheetPageInf", "1");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "ViewMode", "1");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "SplitterLeft", "broken");
    auto window = LoadedWindow();
    QVERIFY(window);
    QStandardItemModel *model = Find<cListView>(window.get(), "lvBookView")->model();
    QCOMPARE(model->columnCount(), 3);
    QCOMPARE(model->horizontalHeaderItem(1)->text(), QString("種類"));
    QCOMPARE(model->horizontalHeaderItem(2)->text(), QString("属性"));
    QCOMPARE(window->BookColumnPosition[1], 0);
    QCOMPARE(window->BookColumnPosition[2], 1);
    QCOMPARE(window->BookColumnPosition[3], 0);
    QCOMPARE(window->BookColumnPosition[4], 2);
    QVERIFY(!Find<QAction>(window.get(), "mnuVAIBySize")->isEnabled());
    QVERIFY(!Find<QAction>(window.get(), "mnuVAIByDate")->isEnabled());
    QVERIFY(Find<QAction>(window.get(), "mnuVAIByName")->isEnabled());
    QVERIFY(Find<QAction>(window.get(), "mnuVAIByType")->isEnabled());
    QVERIFY(!Find<QAction>(window.get(), "SheetPopPropaty")->isVisible());
    QVERIFY(!Find<QAction>(window.get(), "PopBar2")->isVisible());
    QCOMPARE(Find<cListView>(window.get(), "lvBookView")->viewMode(), int(cListView::SmallIcon));
    QVERIFY(Find<QAction>(window.get(), "tbViewSmall")->isChecked());
    // A damaged number reads as its default.
    QCOMPARE(window->SplitterLeft(), 3700.0);
}

void tst_frmMain::narrowWindowClampsSplitter()
{
    auto window = LoadedWindow();
    QVERIFY(window);
    window->resize(window->ToPixels(3000), window->height());
    QTRY_COMPARE(window->width(), window->ToPixels(3000));
    QCOMPARE(window->SplitterLeft(), 1500.0);
    QCOMPARE(Find<QWidget>(window.get(), "imgSplitter")->x(), window->ToPixels(1500));
    QCOMPARE(Find<QWidget>(window.get(), "lvSheetView")->width(), window->ToPixels(1250));
    // Narrower than 3000 twips is widened back.
    window->resize(window->ToPixels(2000), window->height());
    QTRY_COMPARE(window->width(), window->ToPixels(3000));
}

void tst_frmMain::splitterDragSettlesInsideLimits()
{
    auto window = LoadedWindow();
    QVERIFY(window);
    QWidget *splitter = Find<QWidget>(window.get(), "imgSplitter");
    QWidget *bar = Find<QWidget>(window.get(), "picSplitter");
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(2, 10));
    QVERIFY(bar->isVisible());
    // Drag to 600 twips from the left: the bar shows there...
    const int mouseX = window->ToPixels(600) - splitter->x();
    QMouseEvent move(QEvent::MouseMove, QPointF(mouseX, 10), splitter->mapToGlobal(QPointF(mouseX, 10)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(splitter, &move);
    QCOMPARE(bar->x(), window->ToPixels(600));
    QCOMPARE(window->SplitterLeft(), 3700.0);
    // ...and the panes settle at 1500.
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(mouseX, 10));
    QVERIFY(!bar->isVisible());
    QCOMPARE(window->SplitterLeft(), 1500.0);
    QCOMPARE(Find<QWidget>(window.get(), "lvBookView")->width(), window->ToPixels(1500));
}

void tst_frmMain::resizeKeepsProportionWithViewAdjust()
{
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "ViewAdjust", "1");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainWidth", "9600");
    auto window = LoadedWindow();
    QVERIFY(window);
    QCOMPARE(window->SplitterLeft(), 3700.0);
    window->resize(window->ToPixels(12000), window->height());
    QTRY_COMPARE(window->width(), window->ToPixels(12000));
    QCOMPARE(window->SplitterLeft(), 3700.0 / 9600.0 * 12000.0);

    // Without the option the splitter stays put.
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "ViewAdjust", "0");
    const double before = window->SplitterLeft();
    window->resize(window->ToPixels(9600), window->height());
    QTRY_COMPARE(window->width(), window->ToPixels(9600));
    QCOMPARE(window->SplitterLeft(), before);
}

void tst_frmMain::toolbarAndStatusBarSwitchesMoveThePanes()
{
    auto window = LoadedWindow();
    QVERIFY(window);
    QWidget *books = Find<QWidget>(window.get(), "lvBookView");
    QWidget *sheets = Find<QWidget>(window.get(), "lvSheetView");
    QToolBar *toolbar = Find<QToolBar>(window.get(), "tbToolBar");
    const QRect bookBefore = books->geometry();
    const QRect sheetBefore = sheets->geometry();
    const int toolbarHeight = toolbar->sizeHint().height();

    Find<QAction>(window.get(), "mnuViewToolbar")->trigger();
    QVERIFY(!toolbar->isVisible());
    QVERIFY(!Find<QAction>(window.get(), "mnuViewToolbar")->isChecked());
    QVERIFY(qAbs(books->y() - (bookBefore.y() - toolbarHeight)) <= 1);
    QVERIFY(qAbs(sheets->y() - (sheetBefore.y() - toolbarHeight)) <= 1);

    Find<QAction>(window.get(), "mnuViewToolbar")->trigger();
    QVERIFY(toolbar->isVisible());
    QCOMPARE(books->geometry(), bookBefore);

    QStatusBar *status = Find<QStatusBar>(window.get(), "sbStatusBar");
    const int statusHeight = status->height();
    Find<QAction>(window.get(), "mnuViewStatusBar")->trigger();
    QVERIFY(!status->isVisible());
    QCOMPARE(books->y(), bookBefore.y());
    QVERIFY(qAbs(books->height() - (bookBefore.height() + statusHeight)) <= 1);
    QCOMPARE(books->geometry().bottom(), sheets->geometry().bottom());
    Find<QAction>(window.get(), "mnuViewStatusBar")->trigger();
    QCOMPARE(books->geometry(), bookBefore);
}

void tst_frmMain::progressOnStatusBarAndOnPicture()
{
    auto window = LoadedWindow();
    QVERIFY(window);
    auto *progress = Find<QProgressBar>(window.get(), "ProgressBar1");
    auto *picture = Find<PictureBar>(window.get(), "PictureBar");
    QStatusBar *status = Find<QStatusBar>(window.get(), "sbStatusBar");

    window->StartProgress(0, 40);
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 40);
    QCOMPARE(progress->value(), 0);
    QCOMPARE(progress->x(), status->x());
    window->StepProgress(10);
    QCOMPARE(progress->value(), 10);
    window->EndProgress();
    QVERIFY(!progress->isVisible());
    window->ResumeProgress();
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->value(), 10);
    window->EndProgress();

    // With the status bar hidden the next display is the picture over the book view.
    Find<QAction>(window.get(), "mnuViewStatusBar")->trigger();
    window->StartProgress(0, 40);
    QVERIFY(picture->isVisible());
    QVERIFY(!progress->isVisible());
    QWidget *books = Find<QWidget>(window.get(), "lvBookView");
    QCOMPARE(picture->x(), books->x() + window->ToPixels(50));
    QCOMPARE(picture->geometry().bottom() + 1 + window->ToPixels(20), books->geometry().bottom() + 1);
    window->StepProgress(20);
    QCOMPARE(picture->percentText(), QString("50%"));
    const QImage image = picture->render();
    const int y = 1;
    // The left half is filled with the fore colour, the right half is the back colour.
    QCOMPARE(QColor(image.pixel(1, y)), QColor(0, 0, 0x80));
    QCOMPARE(QColor(image.pixel(image.width() - 2, y)), QColor(Qt::white));
    QCOMPARE(QColor(image.pixel(image.width() / 2 - 2, y)), QColor(0, 0, 0x80));
    QCOMPARE(QColor(image.pixel(image.width() / 2 + 2, y)), QColor(Qt::white));
    window->StepProgress(13);
    QCOMPARE(picture->percentText(), QString("32%"));
    window->EndProgress();
    QVERIFY(!picture->isVisible());
    window->ResumeProgress();
    QVERIFY(picture->isVisible());
    QCOMPARE(picture->value(), 13.0);
}

void tst_frmMain::shutDownAskedAndDeclined()
{
    auto window = LoadedWindow();
    QVERIFY(window);
    MessageBox::QueueAnswer(MessageBox::IDNO);
    Find<QAction>(window.get(), "mnuFileClose")->trigger();
    QVERIFY(window->isVisible());
    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, QString("Quirnを終了してよろしいですか？"));
    QCOMPARE(shown.first().style, 0x24u);
    QCOMPARE(shown.first().title, QString("Quirn"));
    QCOMPARE(Get("Settings", "MainWidth"), QString("missing"));
}

void tst_frmMain::shutDownStoresGeometryAndRecentBooks()
{
    SettingsStore::SaveSetting(SettingsStore::AppKey, "FileMRU", "FileMRU_1", "/data/年度 集計.xls");
    auto window = LoadedWindow();
    QVERIFY(window);
    window->setGeometry(window->ToPixels(1500), window->ToPixels(900), window->ToPixels(9000), window->ToPixels(6000));
    QTRY_COMPARE(window->width(), window->ToPixels(9000));
    MessageBox::QueueAnswer(MessageBox::IDYES);
    QVERIFY(window->close());
    QCOMPARE(Get("Settings", "MainLeft").toDouble(), window->ToTwips(window->x()));
    QCOMPARE(Get("Settings", "MainTop").toDouble(), window->ToTwips(window->y()));
    QCOMPARE(Get("Settings", "MainWidth"), QString("9000"));
    QCOMPARE(Get("Settings", "MainHeight"), QString("6000"));
    QCOMPARE(Get("Settings", "ViewMode"), QString("3"));
    QCOMPARE(Get("Settings", "SplitterLeft"), QString("3700"));
    QCOMPARE(Get("FileMRU", "FileMRU_0"), QString(""));
    QCOMPARE(Get("FileMRU", "FileMRU_1"), QString("/data/年度 集計.xls"));
    QCOMPARE(Get("FileMRU", "FileMRU_4"), QString(""));
    QCOMPARE(window->PanelText(1), QString("ｴｸｾﾙを閉じています。"));
    QVERIFY(!QApplication::overrideCursor());
}

void tst_frmMain::shutDownWhileMinimisedKeepsGeometry()
{
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainWidth", "8100");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainLeft", "1234");
    auto window = LoadedWindow();
    QVERIFY(window);
    window->showMinimized();
    QTRY_VERIFY(window->isMinimized());
    MessageBox::QueueAnswer(MessageBox::IDYES);
    QVERIFY(window->close());
    QCOMPARE(Get("Settings", "MainWidth"), QString("8100"));
    QCOMPARE(Get("Settings", "MainLeft"), QString("1234"));
    QCOMPARE(Get("Settings", "MainHeight"), QString("missing"));
    QCOMPARE(Get("Settings", "SplitterLeft"), QString("3700"));
}

void tst_frmMain::shutDownWhileMaximisedStoresIt()
{
    auto window = LoadedWindow();
    QVERIFY(window);
    const QSize before = window->size();
    window->showMaximized();
    QTRY_VERIFY(window->size() != before);
    MessageBox::QueueAnswer(MessageBox::IDYES);
    QVERIFY(window->close());
    QCOMPARE(Get("Settings", "MainWidth").toDouble(), window->ToTwips(window->width()));
    QCOMPARE(Get("Settings", "MainHeight").toDouble(), window->ToTwips(window->height()));
}

void tst_frmMain::saveQuestionOnlyForASavableBook()
{
    const QString path = "/data/売上.xls";
    for (const int restriction : {0, 1, 3}) {
        MessageBox::SetTestMode(true);
        auto window = LoadedWindow();
        QVERIFY(window);
        window->ActiveBookPath = path;
        window->SheetsChanged = true;
        window->BookRestriction = restriction;
        MessageBox::QueueAnswer(MessageBox::IDYES);
        MessageBox::QueueAnswer(MessageBox::IDNO);
        QVERIFY(window->close());
        const auto shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), restriction == 0 ? 2 : 1);
        if (restriction == 0) {
            QCOMPARE(shown.at(1).text, "ｼｰﾄ構成の変更を \"" + path + "\" に保存しますか？");
            QCOMPARE(shown.at(1).style, 0x24u);
        }
    }
}

void tst_frmMain::deleteAllSettingsAsksThenEnds()
{
    auto window = LoadedWindow();
    QVERIFY(window);
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainWidth", "8000");
    QAction *item = Find<QAction>(window.get(), "mnuUnInst");
    const QString question = "Quirnが使用した登録情報を削除し、ﾌﾟﾛｸﾞﾗﾑを終了させます。よろしいですか？";

    MessageBox::QueueAnswer(MessageBox::IDNO);
    item->trigger();
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, question);
    QCOMPARE(shown.first().style, 0x34u);
    QVERIFY(g_endedWith.isEmpty());
    QCOMPARE(Get("Settings", "MainWidth"), QString("8000"));

    window->ActiveBookPath = "/data/a.xls";
    window->SheetsChanged = true;
    MessageBox::QueueAnswer(MessageBox::IDYES);
    item->trigger();
    shown = MessageBox::TakeShown();
    QCOMPARE(shown.first().text, question + "\r\n（ 現在、編集中の ｴｸｾﾙﾌﾞｯｸ は保存されません。）");
    QCOMPARE(g_endedWith, QList<int>({0}));
    QVERIFY(!QFile::exists(SettingsStore::FileOf(SettingsStore::AppKey)));
}

void tst_frmMain::handlerErrorReachesSystemErrorReport()
{
    const QString expected = "システムエラーが発生しました。アプリケーションを強制終了しますか？\n\n詳細内容\n13：型が一致しません。";
    QCOMPARE(SystemErrorText(13, "型が一致しません。"), expected);

    bool ranOn = false;
    MessageBox::QueueAnswer(MessageBox::IDNO);
    const bool finished = TrapErrors([&ranOn] {
        throw RunTimeError(13, "型が一致しません。");
        ranOn = true;
    });
    QVERIFY(!finished);
    QVERIFY(!ranOn);
    auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, expected);
    QCOMPARE(shown.first().style, 0x1014u);
    QCOMPARE(shown.first().title, QString("システムエラー"));
    QVERIFY(g_endedWith.isEmpty());

    // An engine error reaches the report with its own number and text.
    MessageBox::QueueAnswer(MessageBox::IDNO);
    TrapErrors([] { throw ExcelError(1004, "エラー"); });
    QVERIFY(MessageBox::TakeShown().first().text.endsWith("\n1004：エラー"));

    // Yes ends the process at once, writing nothing back.
    MessageBox::QueueAnswer(MessageBox::IDYES);
    TrapErrors([] { throw std::runtime_error("broken"); });
    QCOMPARE(g_endedWith, QList<int>({1}));
    QVERIFY(MessageBox::TakeShown().first().text.endsWith("\n0：broken"));
    QVERIFY(!QFile::exists(SettingsStore::FileOf(SettingsStore::AppKey)));
}

void tst_frmMain::windowPicture()
{
    // The real window drawn offscreen: Japanese captions and icons render. The
    // picture is left in the test's folder for a look.
    auto window = LoadedWindow();
    QVERIFY(window);
    window->SetPanelText(1, "3/12 個のｵﾌﾞｼﾞｪｸﾄが選択されています");
    window->SetPanelText(2, "ﾌﾞｯｸﾋﾞｭｰ");
    window->SetPanelText(3, "1ｼｰﾄ選択");
    Find<QLabel>(window.get(), "lblTitle_0")->setText("/home/user/帳票/月次報告.xls");
    Find<QLabel>(window.get(), "lblTitle_3")->setText("[読み取り専用]");
    Find<QLabel>(window.get(), "lblTitle_1")->setText("集計表");
    Find<QLabel>(window.get(), "lblTitle_2")->setText("印刷予約");
    QStandardItemModel *books = Find<cListView>(window.get(), "lvBookView")->model();
    books->appendRow({new QStandardItem(QIcon(":/icons/Quirn.svg"), "月次報告.xls"), new QStandardItem("24 KB"),
                      new QStandardItem("Excel ブック"), new QStandardItem("2026/12/01 10:00"),
                      new QStandardItem("A")});
    // The print marker shows its whole text, clear of its edges.
    auto *marker = Find<QLabel>(window.get(), "lblTitle_2");
    QVERIFY(marker->width() >= marker->fontMetrics().horizontalAdvance("印刷予約") + 2 * marker->indent());
    const QImage picture = window->grab().toImage();
    QVERIFY(!picture.isNull());
    QVERIFY(picture.save("frmMain.png"));
    QVERIFY(Find<QMenu>(window.get(), "mnuTool")->grab().toImage().save("mnuTool.png"));
}

void tst_frmMain::handedOverBookIsCheckedBeforeActions()
{
    auto window = LoadedWindow();
    QVERIFY(window);
    Globals::ExcelHandedOver = true;
    // The office window is gone already: the action goes on and the flag clears.
    Find<QAction>(window.get(), "tbFileOpen")->trigger();
    QVERIFY(!Globals::ExcelHandedOver);
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QVERIFY(window->ConfirmExcelClosed());
}

void tst_frmMain::entryProcedureConvertsAndShows()
{
    SettingsStore::SaveSetting(SettingsStore::OldAppKey, "Settings", "MainWidth", "9000");
    SettingsStore::SaveSetting(SettingsStore::OldAppKey, "Settings", "Warninng2Cut", "1");
    SettingsStore::SaveSetting(SettingsStore::OldAppKey, "FileMRU", "FileMRU_0", "/data/前年.xls");
    MessageBox::QueueAnswer(MessageBox::IDYES);
    QVERIFY(EntryProcedure::Run());
    frmMain *window = EntryProcedure::MainWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    QCOMPARE(window->width(), window->ToPixels(9000));
    QCOMPARE(window->MruFiles.at(0), QString("/data/前年.xls"));
    QCOMPARE(Get("Settings", "Warninng1"), QString("00"));
    QCOMPARE(Get("Settings", "Warninng2Cut"), QString("missing"));
    QCOMPARE(Get("Settings", "#100"), QString("1"));
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::OldAppKey, "Settings").isEmpty());
    // The engine starts behind the window: a command that needs it first
    // waits with the window painting, says so, and takes no input meanwhile.
    const QString before = window->PanelText(1);
    QString shownWhileWaiting;
    bool enabledWhileWaiting = true;
    QTimer::singleShot(0, window, [&] {
        shownWhileWaiting = window->PanelText(1);
        enabledWhileWaiting = window->isEnabled();
    });
    window->Excel().CreateExcel();
    QVERIFY(window->Excel().xlApp->office().isRunning());
    QCOMPARE(shownWhileWaiting, QString("表計算エンジンを起動中…"));
    QVERIFY(!enabledWhileWaiting);
    QVERIFY(window->isEnabled());
    QCOMPARE(window->PanelText(1), before);
    window->CloseExcelWithoutSaving();
    Globals::QuitWithoutPrompt = true;
    window->close();
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
