// Benchmarks of books made to be hard on the reader, medians against their
// budgets (see BenchReport.h for the output and the exit status).
//
//   bench_hostile [REPETITIONS]
//
// - listing books of 1,000, 5,000 and 30,000 empty sheets through the
//   gateway (open, count, every name and attribute word), as a book
//   selection does; budget: 5,000 sheets in 100 ms, growth near linear;
// - opening, through the gateway, a book whose VBA project information
//   expands 680 to 1 to 5 GB, and listing its modules; budget: 1 s and a
//   peak resident size of 200 MB.

#include "BenchReport.h"
#include "HostileBooks.h"
#include "MessageBox.h"
#include "cExcel.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>

namespace {

constexpr double kListBudgetMs = 100;
constexpr int kBudgetSheets = 5000;
constexpr double kGrowthBudget = 12; // 6 is linear
constexpr double kOpenBudgetMs = 1000;
constexpr double kPeakBudgetMb = 200;

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
    BenchReport report;
    const int repetitions = argc > 1 ? std::max(3, atoi(argv[1])) : 7;
    QTemporaryDir dir;

    cExcel excel;
    QHash<int, double> listMs;
    for (int sheets : {1000, 5000, 30000}) {
        const QString what = QStringLiteral("list %1 empty sheets through the gateway (%2 runs)").arg(sheets).arg(repetitions);
        const QString path = dir.filePath(QStringLiteral("sheets-%1.xls").arg(sheets));
        if (!HostileBooks::writeBook(path, sheets)) {
            report.Failed(what, QStringLiteral("could not write ") + path);
            return report.ExitCode();
        }
        int listed = 0;
        listMs[sheets] = BenchReport::MedianMs(repetitions, [&] { listed = listBook(excel, path); });
        if (listed != sheets) {
            report.Failed(what, QStringLiteral("listed %1 of %2 sheets").arg(listed).arg(sheets));
            return report.ExitCode();
        }
        if (sheets == kBudgetSheets)
            report.Within(what, listMs[sheets], kListBudgetMs);
        else
            report.Info(what, listMs[sheets]);
    }
    report.Within(QStringLiteral("growth of that time from 5,000 to 30,000 sheets (6x is linear)"),
                  listMs[30000] / listMs[5000], kGrowthBudget, "x");

    const QString opening = QStringLiteral("open a book whose VBA project expands to 5 GB and list its modules (%1 runs)")
                                .arg(repetitions);
    const QString bomb = dir.filePath(QStringLiteral("vba-bomb.xls"));
    if (!HostileBooks::writeVbaBomb(bomb, qint64(5) << 30)) {
        report.Failed(opening, QStringLiteral("could not write ") + bomb);
        return report.ExitCode();
    }
    excel.CloseExcel();
    if (!resetPeak()) {
        report.Failed(opening, QStringLiteral("cannot reset the peak resident size"));
        return report.ExitCode();
    }
    bool answered = false;
    const double openMs = BenchReport::MedianMs(repetitions, [&] {
        excel.CloseExcel();
        excel.OpenBook(bomb);
        QStringList modules;
        QList<int> types;
        answered = !excel.CheckMacroObject(modules, types) && excel.GetSheetCount() == 1;
    });
    const qint64 peakKb = statusKb("VmHWM:");
    excel.CloseExcel();
    if (!answered || peakKb < 0) {
        report.Failed(opening, QStringLiteral("the book was not opened"));
        return report.ExitCode();
    }
    report.Within(opening, openMs, kOpenBudgetMs);
    report.Within(QStringLiteral("peak resident size opening it (%1 MB on disk)")
                      .arg(QFileInfo(bomb).size() / 1048576.0, 0, 'f', 1),
                  peakKb / 1024.0, kPeakBudgetMb, "MB");
    return report.ExitCode();
}
