// Draws the pictures of the user manual into a folder:
//   helpshots <folder> <book.xls> [book.xls ...]
//   helpshots --help-window <picture.png> [anchor]
// Run it on a display (Xvfb is fine) with settings and runtime folders of its
// own; the first book becomes the active book.
#include "BookList.h"
#include "BookSelection.h"
#include "MessageBox.h"
#include "QtTranslations.h"
#include "SheetList.h"
#include "WarningSeam.h"
#include "cListView.h"
#include "frmMacroWarninng.h"
#include "frmMain.h"
#include "frmOptions.h"
#include "frmWarninng1.h"
#include "Globals.h"
#include "HelpWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTextBrowser>
#include <QThread>
#include <QToolBar>

namespace {

QString g_folder;

void Settle(int ms = 300)
{
    for (int i = 0; i < ms / 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

void Save(QWidget &widget, const QString &name)
{
    Settle();
    widget.grab().save(QDir(g_folder).filePath(name + QStringLiteral(".png")));
}

void MenuPicture(frmMain &window, const char *menu, const QString &name)
{
    QMenu *m = window.findChild<QMenu *>(QString::fromLatin1(menu));
    m->popup(window.mapToGlobal(QPoint(40, 40)));
    Save(*m, name);
    m->hide();
}

void OptionsPictures(QWidget *parent)
{
    frmOptions dialog(parent);
    dialog.show();
    for (int tab = 0; tab < 4; ++tab) {
        dialog.SelectTab(tab);
        Save(dialog, QStringLiteral("options_%1").arg(tab));
    }
}

void WarningPictures(QWidget *parent)
{
    frmWarninng1 book(QStringLiteral("\"見積書.xls\" は読み取り専用ﾌｧｲﾙです。\n読み取り専用ﾌｧｲﾙには一部の機能が使用できません。"),
                      QStringLiteral("今後、ﾌﾞｯｸを選択する毎にこのﾒｯｾｰｼﾞを表示させない"), parent);
    book.show();
    Save(book, QStringLiteral("warning_book"));
    frmMacroWarninng macro(QStringLiteral("集計.xls"), {QStringLiteral("Module1"), QStringLiteral("UserForm1")},
                           {1, 3}, QStringLiteral("今後、最初のﾌﾞｯｸ選択時にこのﾒｯｾｰｼﾞを表示させない"), parent);
    macro.show();
    Save(macro, QStringLiteral("warning_macro"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc >= 3 && QString::fromLatin1(argv[1]) == QLatin1String("--help-window")) {
        // The help window as the user sees it, for checking the manual.
        QtTranslations::Install();
        HelpWindow::Show();
        if (argc > 3)
            HelpWindow::Find()->Browser()->scrollToAnchor(QString::fromLatin1(argv[3]));
        Settle(800);
        HelpWindow::Find()->grab().save(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    if (argc < 3)
        return 2;
    g_folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_folder);
    QtTranslations::Install();
    // Nothing waits for a person.
    MessageBox::SetTestMode(true);
    WarningSeam::SetTestMode(true);

    frmMain window;
    if (!window.Load())
        return 1;
    window.show();
    Settle(600);
    for (int i = 2; i < argc; ++i)
        window.Books().AddBookItem(QFileInfo(QString::fromLocal8Bit(argv[i])).absoluteFilePath());
    window.Books().Select(0);
    window.Selection().OpenSelectedBook(0);
    window.Books().AutoSizeBookColumns();
    QAbstractItemView *sheets = window.SheetView()->currentView();
    sheets->setCurrentIndex(sheets->model()->index(1, 0));
    window.Sheets().ItemClick(1, Qt::NoModifier);
    window.Sheets().Click();
    // The window as the screen shows it.
    Settle(800);
    window.screen()->grabWindow(window.winId()).save(QDir(g_folder).filePath(QStringLiteral("main.png")));
    Save(*window.findChild<QToolBar *>(QStringLiteral("tbToolBar")), QStringLiteral("toolbar"));

    MenuPicture(window, "mnuFile", QStringLiteral("menu_file"));
    MenuPicture(window, "mnuEdit", QStringLiteral("menu_edit"));
    MenuPicture(window, "mnuView", QStringLiteral("menu_view"));
    MenuPicture(window, "mnuTool", QStringLiteral("menu_tool"));
    MenuPicture(window, "mnuHelp", QStringLiteral("menu_help"));
    MenuPicture(window, "menuBookPopup", QStringLiteral("popup_book"));
    MenuPicture(window, "menuSheetPopup", QStringLiteral("popup_sheet"));
    OptionsPictures(&window);
    WarningPictures(&window);
    Globals::QuitWithoutPrompt = true;
    window.close();
    return 0;
}
