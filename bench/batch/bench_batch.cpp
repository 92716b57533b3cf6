// quirn-batch benchmarks, whole processes (start-up included), medians of
// several runs on private copies of the fixtures:
//  - list --json of 1,000 books (budget 1 s).
// Exits non-zero over budget or when a run failed.

#include "BenchReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Times one run of quirn-batch; negative when it failed.
double timeBatch(const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(QUIRN_BATCH), arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fprintf(stderr, "quirn-batch %s failed: %s\n", qPrintable(arguments.value(0)),
                     process.readAllStandardError().constData());
        return -1;
    }
    return timer.nsecsElapsed() / 1e6;
}

// 1,000 books made of the fixtures that are real BIFF8 workbooks.
QStringList thousandBooks(const QString &folder)
{
    const QStringList sources{"hidden_third_sheet.xls", "japanese_sheet_names.xls",
                              "visible_hidden_veryhidden.xls", "page_breaks_manual.xls",
                              "kinds_ws_chart_xlm_dialog_vba.xls"};
    QStringList books;
    for (int i = 0; i < 1000; ++i) {
        const QString source = sources.at(i % sources.size());
        const QString target = QStringLiteral("%1/book%2-%3").arg(folder).arg(i, 4, 10, QLatin1Char('0')).arg(source);
        QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/") + source, target);
        books << target;
    }
    return books;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QStringList books = thousandBooks(folder.path());
    std::vector<double> list;
    for (int run = 0; run < 5; ++run)
        list.push_back(timeBatch(QStringList{QStringLiteral("list"), QStringLiteral("--json")} + books));
    BenchReport report;
    const QString what = QStringLiteral("quirn-batch list --json, 1,000 books");
    if (std::any_of(list.begin(), list.end(), [](double t) { return t < 0; }))
        report.Failed(what, QStringLiteral("a run failed"));
    else
        report.Within(what, BenchReport::Median(list), 1000);
    return report.ExitCode();
}
