// Book view benchmarks, medians of several runs:
//  - importing a folder of 1000 books (not opened) until all are listed;
//  - clicking a book of many sheets until its sheets are listed with their
//    icons and the first is selected;
//  - the program's own peak resident size with those 1000 books listed (the
//    engine's process is not counted: no book is opened for it).
// Settings and the user's folders are redirected to a temporary folder.
// Medians against their budgets (see BenchReport.h for the output and the
// exit status).

#include "BenchHome.h"
#include "BenchReport.h"
#include "BookImport.h"
#include "BookList.h"
#include "BookSelection.h"
#include "MessageBox.h"
#include "SettingsMigration.h"
#include "SheetList.h"
#include "WarningSeam.h"
#include "frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

long PeakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

QString Fixture(const char *name)
{
    return BenchFixtures::Path(QString::fromLatin1(name));
}

void RemoveAll(frmMain &window)
{
    window.Books().Clear();
    window.MruFiles = QStringList(6);
}

// The time, or -1 when not every book was listed.
double ImportFolderOnce(frmMain &window, const QString &folder)
{
    RemoveAll(window);
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    int count = 0;
    window.Import().ImportFolder(folder, count);
    window.Books().AutoSizeBookColumns();
    QCoreApplication::processEvents();
    const double ms = timer.nsecsElapsed() / 1e6;
    return count == 1000 && window.Books().Count() == 1000 ? ms : -1;
}

// The time, or -1 when the sheets were not listed with the first selected.
double ClickBookOnce(frmMain &window, int bigRow, int smallRow)
{
    // Another book first, so that the click really changes the active book.
    window.Books().DeselectAll();
    window.Books().Select(smallRow);
    window.Selection().OpenSelectedBook(smallRow);
    window.Books().SetTag(bigRow, QString());
    window.Books().DeselectAll();
    window.Books().Select(bigRow);
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    window.Selection().OpenSelectedBook(bigRow);
    QCoreApplication::processEvents();
    const double ms = timer.nsecsElapsed() / 1e6;
    return window.Sheets().Count() >= 50 && window.Sheets().SelectedRows() == QList<int>({0}) ? ms : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchHome home;
    QApplication app(argc, argv);
    BenchHome::ScriptTheWindow();

    const QString folder = home.path() + "/books";
    QDir().mkpath(folder);
    for (int i = 0; i < 1000; ++i)
        QFile::copy(Fixture("hidden_third_sheet.xls"), folder + QStringLiteral("/book%1.xls").arg(i, 4, 10, QLatin1Char('0')));

    BenchReport report;
    frmMain window;
    if (!window.Load()) {
        report.Failed(QStringLiteral("book view"), QStringLiteral("the main window did not load"));
        return report.ExitCode();
    }
    window.show();

    const QString import = QStringLiteral("import a folder of 1000 books until listed (5 runs)");
    std::vector<double> imports;
    for (int run = 0; run < 5; ++run)
        imports.push_back(ImportFolderOnce(window, folder));
    if (std::count(imports.begin(), imports.end(), -1.0) > 0)
        report.Failed(import, QStringLiteral("not every book was listed"));
    else
        report.Within(import, BenchReport::Median(imports), 1500);
    report.Within(QStringLiteral("peak resident size with 1000 books listed"), PeakResidentKb() / 1024.0, 150, "MB");

    RemoveAll(window);
    const QString big = home.path() + "/sheets_66_ampersand.xls";
    const QString small = home.path() + "/small.xls";
    QFile::copy(Fixture("sheets_66_ampersand.xls"), big);
    QFile::copy(Fixture("hidden_third_sheet.xls"), small);
    window.Books().AddBookItem(big);
    window.Books().AddBookItem(small);
    std::vector<double> clicks;
    for (int run = 0; run < 15; ++run)
        clicks.push_back(ClickBookOnce(window, window.Books().FindItem(big), window.Books().FindItem(small)));
    const QString click = QStringLiteral("click a 66-sheet book until listed and the first selected (15 runs)");
    if (std::count(clicks.begin(), clicks.end(), -1.0) > 0)
        report.Failed(click, QStringLiteral("the sheets were not listed with the first selected"));
    else
        report.Within(click, BenchReport::Median(clicks), 80);
    return report.ExitCode();
}
