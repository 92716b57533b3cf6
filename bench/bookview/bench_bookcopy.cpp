// Copying the sheets of 20 books of 10 sheets each (one hidden sheet in each)
// into a new book through the copy command's CopyBooksIntoBook, from the
// start of the copy to the target saved, in the window's process: the median
// against its budget (the whole process against ssconvert --merge-to is
// bench_batchcombine's). Exits non-zero over budget or when a copy failed.
//
//   bench_bookcopy [RUNS]

#include "BenchReport.h"
#include "BookCopy.h"
#include "BookFile.h"
#include "MessageBox.h"
#include "SettingsMigration.h"
#include "WarningSeam.h"
#include "InstanceLock.h"
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

constexpr int BookCount = 20;
constexpr int SheetsPerBook = 10;
constexpr double BudgetMs = 150; // about 30 ms here

// Book k: ten copies of a small sheet named "B<k>S<i>", the third hidden.
QString MakeBook(const QString &folder, int k)
{
    const QString path = folder + QStringLiteral("/book%1.xls").arg(k, 2, 10, QLatin1Char('0'));
    QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/hidden_third_sheet.xls"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    quirn::BookFile book;
    if (book.open(path))
        return QString();
    for (int i = 0; i < 4; ++i)
        book.renameSheet(i, QStringLiteral("B%1S%2").arg(k).arg(i + 1));
    for (int i = 4; i < SheetsPerBook; ++i)
        book.duplicateSheet(i % 2, QStringLiteral("B%1S%2").arg(k).arg(i + 1), book.sheetCount());
    if (book.sheetCount() != SheetsPerBook || book.save())
        return QString();
    return path;
}

int SheetCount(const QString &path)
{
    quirn::BookFile book;
    return book.open(path) ? -1 : book.sheetCount();
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_RUNTIME_DIR", (home.path() + "/runtime").toUtf8());
    QDir().mkpath(home.path() + "/config");
    QDir().mkpath(home.path() + "/runtime");
    QFile::setPermissions(home.path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    MessageBox::SetTestMode(true);
    WarningSeam::SetTestMode(true);
    SettingsMigration::DeleteAllSettings();

    const QString folder = home.path() + "/books";
    QDir().mkpath(folder);
    QStringList sources;
    for (int k = 1; k <= BookCount; ++k)
        sources << MakeBook(folder, k);
    if (sources.contains(QString())) {
        std::printf("could not make the books\n");
        return 1;
    }
    frmMain window;
    if (!window.Load())
        return 1;
    const int expected = BookCount * SheetsPerBook;
    std::vector<double> ours;
    bool measured = true;
    for (int run = 0; run < runs && measured; ++run) {
        const QString target = home.path() + QStringLiteral("/ours%1.xls").arg(run);
        BookCopy copy(window);
        int done = 0;
        QElapsedTimer timer;
        timer.start();
        copy.CopyBooksIntoBook(sources, target, done);
        ours.push_back(timer.nsecsElapsed() / 1e6);
        if (!copy.Completed() || SheetCount(target) != expected) {
            std::printf("the copy failed: %d sheets in the target\n", SheetCount(target));
            measured = false;
        }
        for (const MessageBox::Shown &shown : MessageBox::TakeShown())
            std::printf("  message: %s\n", qPrintable(shown.text));
    }
    InstanceLock::Release(); // before its folder goes
    BenchReport report;
    const QString what = QStringLiteral("copy %1 books of %2 sheets into a new book (CopyBooksIntoBook, %3 runs)")
                             .arg(BookCount)
                             .arg(SheetsPerBook)
                             .arg(runs);
    if (!measured) {
        report.Failed(what, QStringLiteral("a copy failed"));
        return report.ExitCode();
    }
    report.Within(what, BenchReport::Median(ours), BudgetMs);
    return report.ExitCode();
}
