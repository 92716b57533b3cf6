// quirn-batch benchmarks, whole processes (start-up included), medians of
// several runs on private copies of the fixtures:
//  - list --json of 1,000 books (budget 1 s).
// Exits non-zero over budget or when a run failed.

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

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

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

bool report(const char *what, const std::vector<double> &times, double budgetMs)
{
    if (std::any_of(times.begin(), times.end(), [](double t) { return t < 0; })) {
        std::printf("%-40s could not measure\n", what);
        return false;
    }
    const double value = median(times);
    const bool within = value <= budgetMs;
    std::printf("%-40s median %8.1f ms  budget %6.0f ms  %s\n", what, value, budgetMs,
                within ? "ok" : "OVER BUDGET");
    return within;
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
    bool ok = report("quirn-batch list --json, 1,000 books", list, 1000);
    return ok ? 0 : 1;
}
