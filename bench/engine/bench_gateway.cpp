// Benchmarks of the gateway against a real office process: medians against
// their budgets, and the peer measured in the same run (see BenchReport.h for
// the output and the exit status).
//
//   bench_gateway [REPETITIONS]
//
// - select-a-book: close the current book, open another, read the sheet count
//   and every name and attribute word (books of 10, 50 and 300 sheets, warm),
//   beside the same done literally: a new office process for every open, the
//   book loaded into it;
// - the first page count after a book switch;
// - engine start to the first book loaded, and closing it at exit;
// - the office process's peak resident size after 20 books of 10 sheets.

#include "BenchBooks.h"
#include "BenchReport.h"
#include "BookFile.h"
#include "ExcelApplication.h"
#include "MessageBox.h"
#include "OfficeDocument.h"
#include "OfficeProcess.h"
#include "cExcel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

// Returns the number of sheets read.
int selectBook(cExcel &excel, const QString &path)
{
    excel.CloseExcel();
    excel.OpenExcel(path);
    const QString caption = QFileInfo(path).fileName();
    const qint16 count = excel.GetSheetCount();
    for (qint16 i = 1; i <= count; ++i)
        excel.GetSheetAttribute(caption, excel.GetSheetName(i));
    return count;
}

// The same, done as the original design reads: a new engine for every open,
// the book loaded into it, every fact asked of the office.
void selectBookLiterally(const QString &path)
{
    OfficeProcess office;
    office.start();
    std::unique_ptr<OfficeDocument> document = OfficeDocument::load(office, path);
    for (const QString &name : document->sheetNames()) {
        document->isSheetVisible(name);
        document->isSheetProtected(name);
    }
    document.reset();
    office.shutdown();
}

qint64 peakResidentKb(qint64 group)
{
    qint64 peak = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> fields = stat.readAll().split(' ');
        if (fields.size() < 5 || fields.at(4).toLongLong() != group)
            continue;
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        status.open(QIODevice::ReadOnly);
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                peak = std::max(peak, line.mid(6).trimmed().split(' ').first().toLongLong());
    }
    return peak;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    MessageBox::SetTestMode(true);
    BenchReport report;
    const int repetitions = argc > 1 ? std::max(3, atoi(argv[1])) : 15;
    QTemporaryDir dir;

    const QList<int> sizes{10, 50, 300};
    QHash<int, QStringList> books;
    for (int size : sizes)
        books[size] = {BenchBooks::OfSheets(dir.filePath(QStringLiteral("a%1.xls").arg(size)), size),
                       BenchBooks::OfSheets(dir.filePath(QStringLiteral("b%1.xls").arg(size)), size)};

    cExcel excel;
    for (int size : sizes) {
        const QString what = QStringLiteral("select-a-book, %1 sheets, warm (%2 runs)").arg(size).arg(repetitions);
        int turn = 0;
        int listed = selectBook(excel, books[size].at(0));
        const double warm = BenchReport::MedianMs(repetitions, [&] { listed = selectBook(excel, books[size].at(++turn % 2)); });
        if (listed != size) {
            report.Failed(what, QStringLiteral("%1 sheets read").arg(listed));
            continue;
        }
        if (size != 50) {
            report.Info(what, warm);
            continue;
        }
        report.Within(what, warm, 30);
        const double literal = BenchReport::MedianMs(std::max(3, repetitions / 3),
                                        [&] { selectBookLiterally(books[size].at(0)); });
        report.Faster(QStringLiteral("select-a-book, 50 sheets, against a new office process per open"), warm,
                      literal, 20);
    }

    for (int size : {10, 50}) {
        int turn = 0;
        const double first = BenchReport::MedianMs(repetitions, [&] {
            excel.CloseExcel();
            excel.OpenExcel(books[size].at(++turn % 2));
            excel.GetPageOFSheet(QStringLiteral("Sheet1"));
        });
        report.Info(QStringLiteral("first page count after a book switch, %1 sheets").arg(size), first);
    }

    const double startToOpen = BenchReport::MedianMs(std::max(3, repetitions / 3), [&] {
        OfficeProcess office;
        office.start();
        OfficeDocument::load(office, books[10].at(0));
        office.shutdown();
    });
    report.Info(QStringLiteral("engine start to the first book loaded"), startToOpen);
    std::vector<double> exits;
    for (int i = 0; i < std::max(3, repetitions / 3); ++i) {
        auto gateway = std::make_unique<cExcel>();
        gateway->OpenExcel(books[10].at(0));
        gateway->GetPageOFSheet(QStringLiteral("Sheet1"));
        QElapsedTimer timer;
        timer.start();
        gateway->CloseExcel();
        gateway.reset();
        exits.push_back(timer.nsecsElapsed() / 1e6);
    }
    report.Info(QStringLiteral("exit with the engine closed"), BenchReport::Median(exits));

    QStringList twenty;
    for (int i = 0; i < 20; ++i)
        twenty << BenchBooks::OfSheets(dir.filePath(QStringLiteral("m%1.xls").arg(i)), 10);
    cExcel memory;
    for (const QString &path : twenty) {
        memory.CloseExcel();
        memory.OpenExcel(path);
        memory.GetPageOFSheet(QStringLiteral("Sheet1"));
    }
    const QString what = QStringLiteral("office peak resident size after 20 books of 10 sheets");
    const qint64 peak = memory.xlApp ? peakResidentKb(memory.xlApp->office().processGroup()) : 0;
    if (peak > 0)
        report.Within(what, peak / 1024.0, 400, "MB");
    else
        report.Failed(what, QStringLiteral("no process of the office's group was found"));
    return report.ExitCode();
}
