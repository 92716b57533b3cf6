// quirn-screenshots OUTDIR FOLDER
// Starts Quirn as a user does (its default size on a first start), drops the
// books of FOLDER on the book view, clicks through them and writes a PNG of
// the whole screen at each step into OUTDIR: the main window in each state and
// every dialog and message box that comes up on the way (each is answered
// after its picture). Run it on an X display with a window manager:
// scripts/screenshot.sh does that.

#include "BookImport.h"
#include "BookList.h"
#include "BookSelection.h"
#include "EntryProcedure.h"
#include "Globals.h"
#include "MenuRules.h"
#include "SheetList.h"
#include "cListView.h"
#include "frmMain.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QMenu>
#include <QStandardItemModel>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMouseEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

QString g_out;
int g_count = 0;

void Settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void Shot(const QString &name)
{
    Settle(400);
    const QString path = QStringLiteral("%1/%2-%3.png").arg(g_out).arg(++g_count, 2, 10, QLatin1Char('0')).arg(name);
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);
}

// Every modal dialog that comes up is pictured, then answered with its
// default button (a message box) or OK.
void WatchDialogs()
{
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal->property("pictured").toBool())
            return;
        modal->setProperty("pictured", true);
        timer->stop();
        Shot(modal->objectName().isEmpty() ? QStringLiteral("dialog") : modal->objectName());
        if (auto *box = qobject_cast<QMessageBox *>(modal); box && box->defaultButton())
            box->defaultButton()->click();
        else if (auto *files = qobject_cast<QFileDialog *>(modal))
            files->reject();
        else if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->accept();
        timer->start();
    });
    timer->start(200);
}

void Drop(frmMain &window, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    window.Import().Drop(data, QPoint(1, 1));
}

void Click(frmMain &window, const QString &path)
{
    const int row = window.Books().FindItem(path);
    if (row < 0)
        return;
    window.Books().DeselectAll();
    window.Books().Select(row);
    window.Selection().OpenSelectedBook(row);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: quirn-screenshots OUTDIR FOLDER\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    QDir().mkpath(g_out);
    WatchDialogs();
    if (!EntryProcedure::Run())
        return 1;
    frmMain &window = *EntryProcedure::MainWindow();
    Shot(QStringLiteral("start"));

    // The whole folder dropped: the last book is opened, with its warnings.
    Drop(window, {folder.path()});
    Shot(QStringLiteral("books-imported"));

    // Each kind of book clicked in turn; the dialogs are pictured as they come.
    for (const char *name : {"read-only.xls", "protected-sheets.xls", "macros.xls", "not-a-book.xls",
                             "hidden-sheets.xls"}) {
        Click(window, folder.filePath(QLatin1String(name)));
        Shot(QStringLiteral("selected-") + QString::fromLatin1(name).section(u'.', 0, 0));
    }
    // The sheet popup of the first sheet, right-clicked as a user does, then
    // its sheets moved to another book through the move-or-copy dialog
    // (pictured and answered OK).
    window.Sheets().SelectFirstSheet();
    QAbstractItemView *sheets = window.SheetView()->currentView();
    const QPoint first = sheets->visualRect(window.SheetView()->model()->index(0, 0)).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent click(type, QPointF(first), QPointF(sheets->viewport()->mapToGlobal(first)), Qt::RightButton,
                          type == QEvent::MouseButtonPress ? Qt::RightButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(sheets->viewport(), &click);
    }
    Shot(QStringLiteral("sheet-popup"));
    window.Popup(QStringLiteral("menuSheetPopup"))->hide();
    // Reserved for printing: the marker beside the sheet's name.
    window.Action(QStringLiteral("PrintReserveSet"))->trigger();
    Shot(QStringLiteral("reserved"));
    window.Action(QStringLiteral("mnuSheetMoveCopy"))->trigger();
    Shot(QStringLiteral("moved-to-another-book"));
    // A question about a book deep in a shared folder (answered OK: these
    // books are copies).
    Click(window, folder.filePath(QStringLiteral("66シートのブック.xls")));
    window.Sheets().SelectFirstSheet();
    window.Action(QStringLiteral("mnuSheetDel"))->trigger();
    Shot(QStringLiteral("sheet-deleted"));
    window.Action(QStringLiteral("mnuViewOptions"))->trigger();
    window.Action(QStringLiteral("mnuFileOpen"))->trigger();
    for (const char *button : {"tbViewLarge", "tbViewSmall", "tbViewList", "tbViewDetails"}) {
        window.Action(QLatin1String(button))->trigger();
        Shot(QString::fromLatin1(button).mid(2).toLower());
    }
    window.CloseExcelWithoutSaving();
    Globals::QuitWithoutPrompt = true;
    window.close();
    return 0;
}
