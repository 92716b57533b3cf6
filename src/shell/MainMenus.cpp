#include "MainMenus.h"

#include <QActionGroup>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {

// The toolbar: button keys in their positions, an empty key a separator.
struct ToolbarEntry
{
    const char *key;
    const char *tip;
};

const ToolbarEntry kToolbar[] = {
    {"FileNew", "新規ﾌﾞｯｸ作成"}, {"", ""},
    {"FileOpen", "ﾌﾞｯｸ取り込み"}, {"FileSave", "上書き保存"}, {"", ""},
    {"Print", "印刷"}, {"ReservPrint", "予約印刷"}, {"", ""},
    {"Properties", "ﾍﾟｰｼﾞ設定"}, {"SheetInf", "ｼｰﾄ情報"}, {"", ""},
    {"ExcelOpen", "Microsoft Excel で開く"}, {"CopyBook", "新たなﾌﾞｯｸにｺﾋﾟｰ"},
    {"Delete", "ﾌﾞｯｸﾋﾞｭｰから削除"}, {"", ""},
    {"AllBook", "全てのﾌﾞｯｸを選択"}, {"AllSheet", "全てのｼｰﾄを選択"}, {"", ""},
    {"SortAsc", "ｼｰﾄ昇順ｿｰﾄ"}, {"SortDsc", "ｼｰﾄ降順ｿｰﾄ"}, {"", ""},
    {"Find", "ｼｰﾄ検索"}, {"", ""},
    {"ViewLarge", "大きいｱｲｺﾝ表示"}, {"ViewSmall", "小さいｱｲｺﾝ表示"},
    {"ViewList", "一覧表示"}, {"ViewDetails", "詳細表示"},
};

} // namespace

MainMenus::MainMenus(QMainWindow &window)
    : m_window(window)
{
}

void MainMenus::Build(QMainWindow &window)
{
    MainMenus menus(window);
    menus.BuildMenus();
    menus.BuildPopupMenus();
}

QMenu *MainMenus::AddMenu(QWidget *parent, const QString &name, const QString &caption)
{
    auto *menu = new QMenu(caption, parent);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    if (auto *bar = qobject_cast<QMenuBar *>(parent))
        bar->addMenu(menu);
    else if (auto *owner = qobject_cast<QMenu *>(parent))
        owner->addMenu(menu);
    return menu;
}

QAction *MainMenus::AddItem(QMenu *menu, const QString &name, const QString &caption, const QString &shortcut)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    if (!shortcut.isEmpty())
        action->setShortcut(QKeySequence(shortcut));
    return action;
}

QAction *MainMenus::AddSeparator(QMenu *menu, const QString &name)
{
    QAction *separator = menu->addSeparator();
    separator->setObjectName(name);
    return separator;
}

void MainMenus::BuildMenus()
{
    m_window.menuBar()->setObjectName(QStringLiteral("menuBar"));
    BuildFileMenu();
    BuildEditMenu();
    BuildViewMenu();
    BuildToolMenu();
    BuildHelpMenu();
}

void MainMenus::BuildFileMenu()
{
    QMenu *m = AddMenu(m_window.menuBar(), "mnuFile", "ﾌｧｲﾙ(&F)");
    AddItem(m, "mnuFileNew", "新規ﾌﾞｯｸ作成(&N)")->setVisible(false);
    AddItem(m, "mnuFileOpen", "ﾌﾞｯｸを取り込む(&G)...", "Ctrl+O");
    AddSeparator(m, "mnuFileBar2");
    AddItem(m, "mnuFileSave", "上書き保存(&S)", "Ctrl+S");
    AddItem(m, "mnuFileNewSave", "名前をつけて保存(&A)...");
    AddSeparator(m, "mnuFileBar8");
    AddItem(m, "mnuFileDelete", "ﾌﾞｯｸﾋﾞｭｰから削除(&D)");
    AddSeparator(m, "mnuFileBar7");
    AddItem(m, "mnuFileProperties", "ﾍﾟｰｼﾞ設定(&U)...", "Ctrl+N");
    AddSeparator(m, "mnuFileBar9");
    AddItem(m, "mnuReservePrint", "予約印刷(&R)...", "Ctrl+R");
    AddItem(m, "mnuPrint", "印刷(&P)...", "Ctrl+P");
    AddSeparator(m, "mnuFileBar4")->setVisible(false);
    for (int i = 1; i <= 5; ++i)
        AddItem(m, QStringLiteral("mnuFileMRU_%1").arg(i), QString())->setVisible(false);
    AddSeparator(m, "mnuFileBar6");
    AddItem(m, "mnuFileClose", "Quirnを終了(&X)");
}

void MainMenus::BuildEditMenu()
{
    QMenu *m = AddMenu(m_window.menuBar(), "mnuEdit", "編集(&E)");
    AddItem(m, "mnuExcelOpen", "Microsoft Excel で開く(&E)");
    AddSeparator(m, "mnuFileBar12");
    AddItem(m, "mnuSelAllBook", "全てのﾌﾞｯｸを選択(&B)");
    AddItem(m, "mnuSelAllSheet", "全てのｼｰﾄを選択(&S)");
    AddSeparator(m, "mnuFileBar5");
    AddItem(m, "mnuBookCopy", "新たなﾌﾞｯｸにｺﾋﾟｰ(&C)", "Ctrl+B");
    AddItem(m, "mnuSheetInf", "ｼｰﾄ情報を表示(&I)");
}

void MainMenus::BuildViewMenu()
{
    QMenu *m = AddMenu(m_window.menuBar(), "mnuView", "表示(&V)");
    QAction *toolbar = AddItem(m, "mnuViewToolbar", "ﾂｰﾙ ﾊﾞｰ(&T)");
    QAction *statusBar = AddItem(m, "mnuViewStatusBar", "ｽﾃｰﾀｽ ﾊﾞｰ(&B)");
    for (QAction *a : {toolbar, statusBar}) {
        a->setCheckable(true);
        a->setChecked(true);
    }
    AddSeparator(m, "mnuViewBar2");
    const char *modes[] = {"大きいｱｲｺﾝ(&G)", "小さいｱｲｺﾝ(&M)", "一覧(&L)", "詳細(&D)"};
    auto *group = new QActionGroup(&m_window);
    for (int i = 0; i < 4; ++i) {
        QAction *a = AddItem(m, QStringLiteral("mnuListViewMode_%1").arg(i), QString::fromUtf8(modes[i]));
        a->setCheckable(true);
        group->addAction(a);
    }
    AddSeparator(m, "mnuViewBar3");
    QMenu *arrange = AddMenu(m, "mnuViewArrangeIcons", "ｱｲｺﾝの整列(&I)");
    AddItem(arrange, "mnuVAIByName", "名前順(&N)");
    AddItem(arrange, "mnuVAIBySize", "ｻｲｽﾞ順(&S)");
    AddItem(arrange, "mnuVAIByType", "種類順(&T)");
    AddItem(arrange, "mnuVAIByDate", "日付順(&D)");
    AddItem(arrange, "mnuVAIByAttr", "属性順(&A)");
    AddItem(m, "mnuViewLineUpIcons", "等間隔に整列(&N)");
    AddSeparator(m, "mnuViewBar4");
    AddItem(m, "mnuViewRefresh", "最新の情報に更新(&R)");
    AddSeparator(m, "mnuViewBar5");
    AddItem(m, "mnuViewOptions", "ｵﾌﾟｼｮﾝ(&O)...");
}

void MainMenus::BuildToolMenu()
{
    QMenu *m = AddMenu(m_window.menuBar(), "mnuTool", "ﾂｰﾙ(&T)");
    AddItem(m, "mnuSheetFind", "ｼｰﾄ検索...(&F)", "Ctrl+F");
    QMenu *sort = AddMenu(m, "mnuSheetSort", "ｼｰﾄｿｰﾄ(&S)");
    AddItem(sort, "mnuAsc", "昇順(&A)");
    AddItem(sort, "mnuDesc", "降順(&D)");
    AddSeparator(m, "mnuViewBar10");
    AddItem(m, "mnuSheetRename", "ｼｰﾄ名変更(&N)", "F2");
    AddItem(m, "mnuSheetDel", "ｼｰﾄ削除(&D)");
    AddItem(m, "mnuSheetNameGet", "ｼｰﾄ名取得(&G)", "F12");
    AddSeparator(m, "mnuViewBar11");
    AddItem(m, "mnuSheetCopy", "ｼｰﾄｺﾋﾟｰ(&C)", "Ctrl+C");
    AddItem(m, "mnuSheetCut", "ｼｰﾄ切り取り(&T)", "Ctrl+X");
    AddItem(m, "mnuSheetPast", "ｼｰﾄ貼り付け(&P)", "Ctrl+V");
    AddItem(m, "mnuSheetMoveCopy", "別のブックへ移動またはコピー(&M)...");
    AddSeparator(m, "mnuViewBar12");
    QMenu *reserve = AddMenu(m, "mnuSheetReservPrint", "印刷予約(&R)");
    AddItem(reserve, "mnuReservSet", "設定(&S)");
    AddItem(reserve, "mnuReservReset", "解除(&R)");
    AddItem(reserve, "mnuReservAllReset", "全解除(&A)");
}

void MainMenus::BuildHelpMenu()
{
    QMenu *m = AddMenu(m_window.menuBar(), "mnuHelp", "ﾍﾙﾌﾟ(&H)");
    AddItem(m, "mnuHelpShow", "ﾄﾋﾟｯｸの検索(&H)", "F1");
    AddSeparator(m, "mnuHelpBar1");
    AddItem(m, "mnuHelpAbout", "ﾊﾞｰｼﾞｮﾝ情報(&A)...");
    AddSeparator(m, "mnuHelpBar2");
    AddItem(m, "mnuUnInst", "登録情報の削除(&U)");
}

void MainMenus::BuildPopupMenus()
{
    // The popups are never in the menu bar: they are only popped up.
    QMenu *book = AddMenu(&m_window, "menuBookPopup", QString());
    AddItem(book, "BookPopFileDelete", "ﾌﾞｯｸﾋﾞｭｰから削除");
    AddItem(book, "BookPopExcelOpen", "Microsoft Excel で開く");
    AddItem(book, "BookPopSelAllSheet", "全てのｼｰﾄを選択");
    AddItem(book, "BookPopBookCopy", "新たなﾌﾞｯｸにｺﾋﾟｰ");
    AddItem(book, "BookPopPageSetUp", "ﾍﾟｰｼﾞ設定...");
    AddItem(book, "BookPopPrint", "印刷...");

    QMenu *sheet = AddMenu(&m_window, "menuSheetPopup", QString());
    AddItem(sheet, "SheetPopDisplay", "表示");
    AddItem(sheet, "SheetPopHide", "非表示");
    AddItem(sheet, "SheetPopProtect", "保護")->setVisible(false);
    AddItem(sheet, "SheetPopUnProtect", "保護解除")->setVisible(false);
    AddSeparator(sheet, "PopBar1")->setVisible(false);
    AddItem(sheet, "SheetPopRename", "ｼｰﾄ名の変更");
    AddItem(sheet, "SheetPopDelete", "ｼｰﾄを削除");
    AddItem(sheet, "SheetPopMoveCopy", "別のブックへ移動またはコピー(&M)...");
    AddSeparator(sheet, "PopBar3");
    AddItem(sheet, "SheetPopPageSetUp", "ﾍﾟｰｼﾞ設定...");
    QMenu *reserve = AddMenu(sheet, "PrintReserve", "印刷予約");
    AddItem(reserve, "PrintReserveSet", "設定");
    AddItem(reserve, "PrintReserveReset", "解除");
    AddItem(reserve, "PrintReserveAllReset", "全解除");
    AddItem(sheet, "SheetPopPrint", "印刷...");
    AddSeparator(sheet, "PopBar2");
    QMenu *info = AddMenu(sheet, "SheetPopPropaty", "ｼｰﾄ情報");
    AddItem(info, "SheetPopName", "ｼｰﾄ名");
    AddItem(info, "SheetPopPage", "印刷ﾍﾟｰｼﾞ数");
    AddItem(info, "SheetPopRows", "行数");
    AddItem(info, "SheetPopColumns", "桁数");

    QMenu *sheetMove = AddMenu(&m_window, "menuSheetMovePopup", QString());
    AddItem(sheetMove, "PopBeforSheet", QString());
    AddItem(sheetMove, "PopAfterSheet", QString());
    AddSeparator(sheetMove, "PopBar4");
    AddItem(sheetMove, "PopSheetCancel", "ｷｬﾝｾﾙ");

    QMenu *bookMove = AddMenu(&m_window, "menuBookMovePopup", QString());
    AddItem(bookMove, "PopBookBefore", "先頭ｼｰﾄの前に移動");
    AddItem(bookMove, "PopBookAfter", "末尾ｼｰﾄの後に移動");
    AddSeparator(bookMove, "PopBar5");
    AddItem(bookMove, "PopBookCancel", "ｷｬﾝｾﾙ");
}

QToolBar *MainMenus::BuildToolbar(QMainWindow &window, QWidget *parent)
{
    auto *toolbar = new QToolBar(parent);
    toolbar->setObjectName(QStringLiteral("tbToolBar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(16, 16));
    auto *views = new QActionGroup(&window);
    for (const ToolbarEntry &entry : kToolbar) {
        const QString key = QString::fromUtf8(entry.key);
        if (key.isEmpty()) {
            toolbar->addSeparator();
            continue;
        }
        QAction *button = toolbar->addAction(QIcon(QStringLiteral(":/icons/%1.svg").arg(key)),
                                               QString::fromUtf8(entry.tip));
        button->setObjectName(QStringLiteral("tb") + key);
        button->setToolTip(QString::fromUtf8(entry.tip));
        button->setData(key);
        if (key.startsWith(QLatin1String("View"))) {
            button->setCheckable(true);
            views->addAction(button);
        }
    }
    return toolbar;
}
