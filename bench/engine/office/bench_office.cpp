// Benchmarks of the office process: medians, and the office's peak memory
// against its budget (see BenchReport.h for the output and the exit status).

#include "BenchReport.h"

#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeProcess.h"
#include "OfficeRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

BenchReport report;

QString fixture(const QString &name)
{
    return BenchFixtures::Path(name);
}

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

void info(const QString &what, const QList<double> &samples)
{
    report.Info(QStringLiteral("%1 (%2 runs)").arg(what).arg(samples.size()),
                BenchReport::Median(std::vector<double>(samples.begin(), samples.end())));
}

// A book of n sheets with real content, copied from a fixture with 66 sheets.
QString makeBook(OfficeProcess &office, const QString &folder, int sheets)
{
    auto source = OfficeDocument::load(office, fixture(QStringLiteral("sheets_66_ampersand.xls")));
    auto book = OfficeDocument::create(office, 1);
    const QStringList names = source->sheetNames();
    for (int i = 0; i < sheets; ++i)
        book->importSheet(*source, names.at(i % names.size()), book->sheetCount());
    book->removeSheet(QStringLiteral("Sheet1"));
    const QString path = folder + QStringLiteral("/book%1.xls").arg(sheets);
    book->saveAs(path);
    return path;
}

// Peak resident size of the office's main process, in MB.
double peakRssMb(qint64 group)
{
    double peak = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (close < 0 || fields.size() < 3 || fields.at(2).toLongLong() != group)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(entry));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                peak = std::max(peak, line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0);
        }
    }
    return peak;
}

void run(const QString &folder)
{
    {
        // A first start creates the private profile; later starts reuse it.
        OfficeProcess warmUp;
        warmUp.start();
    }

    QList<double> startToBook;
    QList<double> shutdown;
    for (int i = 0; i < 5; ++i) {
        OfficeProcess office;
        startToBook << timeMs([&] {
            auto book = OfficeDocument::load(office, fixture(QStringLiteral("hidden_third_sheet.xls")));
            book->sheetNames();
        });
        auto open = OfficeDocument::load(office, fixture(QStringLiteral("hidden_third_sheet.xls")));
        shutdown << timeMs([&] { office.shutdown(); });
    }
    info(QStringLiteral("engine start to first book open (small book)"), startToBook);
    info(QStringLiteral("shutdown with one book open"), shutdown);

    OfficeProcess office;
    const QString book10 = makeBook(office, folder, 10);
    const QString book50 = makeBook(office, folder, 50);
    for (const QString &path : {book10, book50}) {
        QList<double> samples;
        for (int i = 0; i < 20; ++i) {
            samples << timeMs([&] {
                auto book = OfficeDocument::load(office, path);
                const QStringList names = book->sheetNames();
                for (const QString &name : names)
                    book->isSheetVisible(name);
            });
        }
        info(QStringLiteral("load + list names and visibility, %1 sheets, warm")
                   .arg(path.endsWith(QLatin1String("10.xls")) ? 10 : 50),
               samples);
    }

    QList<double> firstCount;
    QList<double> laterCount;
    for (int i = 0; i < 10; ++i) {
        auto book = OfficeDocument::load(office, fixture(QStringLiteral("protected_sheet_print_titles.xls")));
        firstCount << timeMs([&] { book->pageCount(QStringLiteral("customer")); });
        laterCount << timeMs([&] { book->pageCount(QStringLiteral("adjusted syteline")); });
    }
    info(QStringLiteral("first page count after a load (5-page sheet)"), firstCount);
    info(QStringLiteral("next page count in the same book (11-page sheet)"), laterCount);

    QList<double> alive;
    for (int i = 0; i < 200; ++i)
        alive << timeMs([&] { office.isAlive(); });
    info(QStringLiteral("liveness check"), alive);

    office.restart();
    for (int i = 0; i < 20; ++i) {
        auto book = OfficeDocument::load(office, book10);
        book->sheetNames();
    }
    const QString what = QStringLiteral("office peak resident size after 20 books of 10 sheets opened and closed");
    const double rss = peakRssMb(office.processGroup());
    if (rss > 0)
        report.Within(what, rss, 400, "MB");
    else
        report.Failed(what, QStringLiteral("no process of the office's group was found"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // A private cache and runtime folder: the user's office profile is never touched.
    QTemporaryDir root;
    QDir().mkpath(root.filePath(QStringLiteral("cache")));
    QDir().mkpath(root.filePath(QStringLiteral("runtime")));
    QFile::setPermissions(root.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CACHE_HOME", QFile::encodeName(root.filePath(QStringLiteral("cache"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root.filePath(QStringLiteral("runtime"))));
    QDir().mkpath(root.filePath(QStringLiteral("books")));
    try {
        run(root.filePath(QStringLiteral("books")));
    } catch (const OfficeError &e) {
        report.Failed(QStringLiteral("office benchmarks"), e.message());
    }
    return report.ExitCode();
}
