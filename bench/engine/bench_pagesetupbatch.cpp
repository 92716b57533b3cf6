// Batch page setup of 20 books of 10 sheets each (one hidden sheet in each),
// every book saved, from OK in the page setup dialog to the final message.
// Runs alternate between two setups, so that every run writes every sheet.
// The median against its budget of 2 s (see BenchReport.h for the output and
// the exit status); a batch that did not do what it should fails to measure.
//
//   bench_pagesetupbatch [RUNS]

#include "BenchHome.h"
#include "BenchReport.h"
#include "BookFile.h"
#include "BookImport.h"
#include "BookList.h"
#include "MessageBox.h"
#include "PageSetupBatch.h"
#include "SettingsMigration.h"
#include "WarningSeam.h"
#include "frmMain.h"
#include "frmPageSetup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace {

constexpr int BookCount = 20;
constexpr int SheetsPerBook = 10;
constexpr double BudgetMs = 2000;

QString MakeBook(const QString &folder, int k)
{
    const QString path = folder + QStringLiteral("/book%1.xls").arg(k, 2, 10, QLatin1Char('0'));
    QFile::copy(BenchFixtures::Path(QStringLiteral("hidden_third_sheet.xls")), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    quirn::BookFile book;
    if (book.open(path))
        return QString();
    for (int i = 4; i < SheetsPerBook; ++i)
        book.duplicateSheet(i % 2, QStringLiteral("Sheet%1").arg(i + 1), book.sheetCount());
    if (book.sheetCount() != SheetsPerBook || book.save())
        return QString();
    return path;
}

// Every sheet of every book has the orientation wanted.
bool AllSetUp(const QStringList &books, int orientation)
{
    for (const QString &path : books) {
        quirn::BookFile book;
        if (book.open(path))
            return false;
        for (int i = 0; i < book.sheetCount(); ++i)
            if (book.pageSetup(i).orientation != orientation)
                return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchHome home;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    BenchReport report;
    const QString what = QStringLiteral("batch page setup of %1 books of %2 sheets with saving, OK to the final message (%3 runs)")
                             .arg(BookCount)
                             .arg(SheetsPerBook)
                             .arg(runs);
    BenchHome::ScriptTheWindow();
    frmPageSetup::setScripted(true);

    const QString folder = home.path() + "/books";
    QDir().mkpath(folder);
    QStringList books;
    for (int k = 1; k <= BookCount; ++k)
        books << MakeBook(folder, k);
    if (books.contains(QString())) {
        report.Failed(what, QStringLiteral("could not make the books"));
        return report.ExitCode();
    }

    frmMain window;
    if (!window.Load()) {
        report.Failed(what, QStringLiteral("the window did not load"));
        return report.ExitCode();
    }
    QMimeData dropped;
    QList<QUrl> urls;
    for (const QString &path : books)
        urls << QUrl::fromLocalFile(path);
    dropped.setUrls(urls);
    window.Import().Drop(dropped, QPoint(1, 1));
    if (window.Books().Count() != BookCount) {
        report.Failed(what, QStringLiteral("the books were not listed"));
        return report.ExitCode();
    }

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const int orientation = run % 2 ? 1 : 2;
        window.Books().SelectAll();
        window.ActivePane = 0;
        MessageBox::TakeShown();
        QElapsedTimer timer;
        frmPageSetup::queueScript([&timer, orientation](frmPageSetup &dialog) {
            dialog.findChild<QRadioButton *>(orientation == 2 ? QStringLiteral("optLandscape")
                                                               : QStringLiteral("optPortrait"))
                ->setChecked(true);
            timer.start(); // the user presses OK
            return true;
        });
        MessageBox::QueueAnswer(MessageBox::IDYES);
        PageSetupBatch(window).Run();
        times.push_back(timer.nsecsElapsed() / 1e6);
        const QList<MessageBox::Shown> shown = MessageBox::TakeShown();
        if (shown.isEmpty() || shown.last().text != QStringLiteral("指定のｼｰﾄのﾍﾟｰｼﾞ設定は全て正常に保存されました。")
            || !AllSetUp(books, orientation)) {
            QStringList messages;
            for (const MessageBox::Shown &message : shown)
                messages << message.text;
            report.Failed(what, QStringLiteral("the batch did not set up and save every sheet; its messages: ")
                                    + messages.join(QStringLiteral(" / ")));
            return report.ExitCode();
        }
    }
    report.Within(what, BenchReport::Median(times), BudgetMs);
    return report.ExitCode();
}
