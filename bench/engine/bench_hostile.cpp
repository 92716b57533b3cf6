// Benchmarks of books made to be hard on the reader. Prints medians.
//
//   bench_hostile [REPETITIONS]
//
// - listing books of 1,000, 5,000 and 30,000 empty sheets through the
//   gateway (open, count, every name and attribute word), as a book
//   selection does; budget: 5,000 sheets in 100 ms, growth near linear;
// - opening, through the gateway, a book whose VBA project information
//   expands 680 to 1 to 5 GB, and listing its modules; budget: 1 s and a
//   peak resident size of 200 MB.
//
// Exits 1 over budget, 2 when it could not measure.

#include "HostileBooks.h"
#include "MessageBox.h"
#include "cExcel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

QTextStream out(stdout);

constexpr double kListBudgetMs = 100;
constexpr int kBudgetSheets = 5000;
constexpr double kOpenBudgetMs = 1000;
constexpr qint64 kPeakBudgetKb = 200 * 1024;

double medianMs(int repetitions, const std::function<void()> &run)
{
    QList<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

// Lists the book as a book selection does; the number of sheets listed.
int listBook(cExcel &excel, const QString &path)
{
    excel.CloseExcel();
    excel.OpenBook(path);
    const QString caption = QFileInfo(path).fileName();
    const qint16 count = excel.GetSheetCount();
    int listed = 0;
    for (qint16 i = 1; i <= count && i > 0; ++i)
        listed += excel.GetSheetAttribute(caption, excel.GetSheetName(i)) == 1;
    return listed;
}

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(strlen(field))).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Lets the peak resident size start again from the present one.
bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MessageBox::SetTestMode(true);
    const int repetitions = argc > 1 ? std::max(3, atoi(argv[1])) : 7;
    QTemporaryDir dir;
    out << "hostile book benchmarks, medians of " << repetitions << " runs\n";
    int status = 0;

    cExcel excel;
    QHash<int, double> listMs;
    for (int sheets : {1000, 5000, 30000}) {
        const QString path = dir.filePath(QStringLiteral("sheets-%1.xls").arg(sheets));
        if (!HostileBooks::writeBook(path, sheets)) {
            out << "could not write " << path << "\n";
            return 2;
        }
        int listed = 0;
        listMs[sheets] = medianMs(repetitions, [&] { listed = listBook(excel, path); });
        if (listed != sheets) {
            out << "listed " << listed << " of " << sheets << " sheets\n";
            return 2;
        }
        out << QStringLiteral("list %1 sheets through the gateway: %2 ms (%3 us a sheet)\n")
                   .arg(sheets, 6).arg(listMs[sheets], 0, 'f', 1).arg(listMs[sheets] * 1000 / sheets, 0, 'f', 2);
    }
    const double growth = listMs[30000] / listMs[5000];
    out << QStringLiteral("growth from 5,000 to 30,000 sheets: %1x (linear: 6x)\n").arg(growth, 0, 'f', 2);
    if (listMs[kBudgetSheets] > kListBudgetMs) {
        out << "OVER BUDGET: 5,000 sheets over " << kListBudgetMs << " ms\n";
        status = 1;
    }
    if (growth > 12) {
        out << "OVER BUDGET: listing grows faster than the number of sheets\n";
        status = 1;
    }

    const QString bomb = dir.filePath(QStringLiteral("vba-bomb.xls"));
    if (!HostileBooks::writeVbaBomb(bomb, qint64(5) << 30)) {
        out << "could not write " << bomb << "\n";
        return 2;
    }
    out << QStringLiteral("VBA bomb: %1 MB on disk, 5120 MB expanded\n")
               .arg(QFileInfo(bomb).size() / 1048576.0, 0, 'f', 1);
    excel.CloseExcel();
    if (!resetPeak()) {
        out << "cannot reset the peak resident size\n";
        return 2;
    }
    bool answered = false;
    const double openMs = medianMs(repetitions, [&] {
        excel.CloseExcel();
        excel.OpenBook(bomb);
        QStringList modules;
        QList<int> types;
        answered = !excel.CheckMacroObject(modules, types) && excel.GetSheetCount() == 1;
    });
    const qint64 peakKb = statusKb("VmHWM:");
    excel.CloseExcel();
    if (!answered || peakKb < 0) {
        out << "the VBA bomb was not opened\n";
        return 2;
    }
    out << QStringLiteral("open the VBA bomb and list its modules: %1 ms, peak resident %2 MB\n")
               .arg(openMs, 0, 'f', 1).arg(peakKb / 1024.0, 0, 'f', 1);
    if (openMs > kOpenBudgetMs || peakKb > kPeakBudgetKb) {
        out << "OVER BUDGET: " << kOpenBudgetMs << " ms, " << kPeakBudgetKb / 1024 << " MB\n";
        status = 1;
    }
    return status;
}
