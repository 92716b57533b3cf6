// Benchmarks of sheets brought from book to book through the records, on
// books LibreOffice makes here, in-process: medians against their budgets
// (see BenchReport.h for the output and the exit status). The whole process
// against ssconvert --merge-to is bench_batchcombine's.
//
//   combine: 20 books of 10 sheets (about 150 KB each, a hidden and a
//            protected sheet in each) into a new book; budget 400 ms
//            (about 140 ms here).
//   copy:    10 sheets of a 1 MB book into another 1 MB book, saved; budget 50 ms.
//
//   bench_transfer [REPETITIONS]

#include "BenchBooks.h"
#include "BenchReport.h"
#include "BookCombine.h"
#include "BookFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>
#include <vector>

using namespace quirn;

namespace {

constexpr double kCopyBudgetMs = 50.0;
constexpr double kCombineBudgetMs = 400.0;

// A flat OpenDocument spreadsheet of `sheets` sheets of `rows` rows: numbers,
// a formula and texts; the second sheet hidden and the third protected.
QByteArray flatSpreadsheet(int book, int sheets, int rows)
{
    QByteArray doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:automatic-styles>"
        "<style:style style:name=\"hid\" style:family=\"table\"><style:table-properties table:display=\"false\"/>"
        "</style:style></office:automatic-styles><office:body><office:spreadsheet>";
    for (int s = 0; s < sheets; ++s) {
        doc += "<table:table table:name=\"B" + QByteArray::number(book) + " Data " + QByteArray::number(s + 1) + "\"";
        if (s == 1)
            doc += " table:style-name=\"hid\"";
        if (s == 2)
            doc += " table:protected=\"true\"";
        doc += ">";
        for (int r = 0; r < rows; ++r) {
            doc += "<table:table-row>";
            for (int c = 0; c < 6; ++c) {
                const QByteArray v = QByteArray::number(0.731 * (c + 1) * (r + 1) + book + s * 0.01, 'f', 4);
                doc += "<table:table-cell office:value-type=\"float\" office:value=\"" + v + "\"/>";
            }
            doc += "<table:table-cell table:formula=\"of:=SUM([.A" + QByteArray::number(r + 1) + ":.F"
                + QByteArray::number(r + 1) + "])\"/>";
            doc += "<table:table-cell office:value-type=\"string\"><text:p>品目 " + QByteArray::number(r % 40)
                + " of book " + QByteArray::number(book) + "</text:p></table:table-cell>";
            doc += "</table:table-row>";
        }
        doc += "</table:table>";
    }
    return doc + "</office:spreadsheet></office:body></office:document>\n";
}

// The median time of `run` in ms; -1 when a run failed.
double medianMs(int repetitions, const std::function<bool()> &run)
{
    bool ok = true;
    const double median = BenchReport::MedianMs(repetitions, [&] { ok = run() && ok; });
    return ok ? median : -1;
}

// Whether the book keeps a hidden and a protected sheet per source book.
QString keptState(const QString &path, int books)
{
    BookFile b;
    if (b.open(path))
        return QStringLiteral("unreadable");
    int hidden = 0, protectedSheets = 0;
    for (const SheetFacts &f : b.sheets()) {
        hidden += f.visibility != SheetVisibility::Visible;
        protectedSheets += f.contentsProtected;
    }
    return QStringLiteral("%1 sheets, %2 of %3 hidden kept, %4 of %3 protected kept")
        .arg(b.sheetCount()).arg(hidden).arg(books).arg(protectedSheets);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchReport report;
    const int repetitions = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;
    QTemporaryDir dir;
    constexpr int kBooks = 20;
    const QString combining = QStringLiteral("combine %1 books of 10 sheets into a new book through the records (%2 runs)")
                                  .arg(kBooks)
                                  .arg(repetitions);
    const QString copying = QStringLiteral("copy 10 sheets of a 1 MB book into a 1 MB book and save (%1 runs)").arg(repetitions);
    QStringList names;
    for (int b = 0; b < kBooks; ++b) {
        names << QStringLiteral("book%1").arg(b + 1, 2, 10, QLatin1Char('0'));
        if (!BenchBooks::WriteFile(dir.filePath(names.last() + QStringLiteral(".fods")), flatSpreadsheet(b + 1, 10, 88))) {
            report.Failed(combining, QStringLiteral("could not write the books"));
            return report.ExitCode();
        }
    }
    names << QStringLiteral("big1") << QStringLiteral("big2");
    if (!BenchBooks::WriteFile(dir.filePath(QStringLiteral("big1.fods")), flatSpreadsheet(101, 12, 500))
        || !BenchBooks::WriteFile(dir.filePath(QStringLiteral("big2.fods")), flatSpreadsheet(102, 12, 500))
        || !BenchBooks::MadeByOffice(dir.path(), names)) {
        report.Failed(combining, QStringLiteral("LibreOffice could not make the books"));
        return report.ExitCode();
    }
    QStringList books;
    for (int b = 0; b < kBooks; ++b)
        books << dir.filePath(names[b] + QStringLiteral(".xls"));

    // Combine through the records.
    QList<BookCombine::Source> sources;
    for (const QString &b : books)
        sources.append({b, {}, {}});
    const QString combined = dir.filePath(QStringLiteral("combined.xls"));
    BookCombine::Result result;
    const double records = medianMs(repetitions, [&] {
        QFile::remove(combined);
        return !BookCombine::run(combined, sources, &result) && result.skipped.isEmpty();
    });

    // In-process, so against a budget: the whole process against
    // ssconvert --merge-to is bench_batchcombine's.
    if (records < 0)
        report.Failed(combining, QStringLiteral("a combine failed or left a book out"));
    else
        report.Within(combining, records, kCombineBudgetMs);
    std::printf("      combined: %s\n", qPrintable(keptState(combined, kBooks)));

    // Ten sheets of one 1 MB book into another, saved.
    const QString big1 = dir.filePath(QStringLiteral("big1.xls")), big2 = dir.filePath(QStringLiteral("big2.xls"));
    const QString work = dir.filePath(QStringLiteral("target.xls"));
    BookFile source;
    if (source.open(big1)) {
        report.Failed(copying, QStringLiteral("could not open ") + big1);
        return report.ExitCode();
    }
    // The books are open, as in the program: the copy and the save are timed.
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QFile::remove(work);
        QFile::copy(big2, work);
        BookFile target;
        if (target.open(work)) {
            report.Failed(copying, QStringLiteral("could not open ") + work);
            return report.ExitCode();
        }
        QElapsedTimer t;
        t.start();
        if (target.importSheets(source, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, target.sheetCount()) || target.save()) {
            report.Failed(copying, QStringLiteral("the copy or the save failed"));
            return report.ExitCode();
        }
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    report.Within(QStringLiteral("%1 (%2 KB and %3 KB)")
                      .arg(copying)
                      .arg(QFileInfo(big1).size() / 1024)
                      .arg(QFileInfo(big2).size() / 1024),
                  BenchReport::Median(times), kCopyBudgetMs);
    return report.ExitCode();
}
