// Benchmarks of the book file, on books LibreOffice makes here: books of 10,
// 50 and 300 sheets and two big ones: medians of repeated runs against their
// budgets (see BenchReport.h for the output and the exit status).
//
//   bench_bookfile [REPETITIONS]

#include "BenchBooks.h"
#include "BenchReport.h"
#include "BookFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace quirn;

namespace {

// A flat OpenDocument spreadsheet: `sheets` sheets of `rows` rows of ten
// decimal numbers and a text.
QByteArray flatSpreadsheet(int sheets, int rows)
{
    QByteArray row = "<table:table-row";
    if (rows > 1)
        row += " table:number-rows-repeated=\"" + QByteArray::number(rows) + "\"";
    row += ">";
    for (int c = 0; c < 10; ++c) {
        const QByteArray v = QByteArray::number(0.731 * (c + 1) + 0.0173, 'f', 4);
        row += "<table:table-cell office:value-type=\"float\" office:value=\"" + v + "\"><text:p>" + v + "</text:p></table:table-cell>";
    }
    row += "<table:table-cell office:value-type=\"string\"><text:p>見積 text</text:p></table:table-cell></table:table-row>";
    QByteArray doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body><office:spreadsheet>";
    for (int s = 0; s < sheets; ++s)
        doc += "<table:table table:name=\"Data " + QByteArray::number(s + 1) + "\">" + row + "</table:table>";
    return doc + "</office:spreadsheet></office:body></office:document>\n";
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchReport report;
    const int repetitions = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 21;
    QTemporaryDir dir;
    QStringList books;
    for (int count : {10, 50, 300}) {
        books << QStringLiteral("sheets%1").arg(count);
        if (!BenchBooks::WriteFile(dir.filePath(books.last() + QStringLiteral(".fods")), flatSpreadsheet(count, 40)))
            report.Failed(QStringLiteral("book file benchmarks"), QStringLiteral("could not write ") + books.last());
    }
    if (!BenchBooks::WriteFile(dir.filePath(QStringLiteral("big1.fods")), flatSpreadsheet(2, 3300))
        || !BenchBooks::WriteFile(dir.filePath(QStringLiteral("big5.fods")), flatSpreadsheet(5, 6600))
        || !BenchBooks::MadeByOffice(dir.path(), books + QStringList{QStringLiteral("big1"), QStringLiteral("big5")})) {
        report.Failed(QStringLiteral("book file benchmarks"), QStringLiteral("LibreOffice could not make the books"));
        return report.ExitCode();
    }

    for (int count : {10, 50, 300}) {
        const QString path = dir.filePath(QStringLiteral("sheets%1.xls").arg(count));
        int listed = 0;
        const double ms = BenchReport::MedianMs(repetitions, [&] {
            BookFile book;
            book.open(path);
            listed = int(book.sheets().size());
        });
        const QString what = QStringLiteral("open and list every sheet with its facts, %1 sheets (%2 KB, %3 runs)")
                                 .arg(count).arg(QFileInfo(path).size() / 1024).arg(repetitions);
        if (listed != count)
            report.Failed(what, QStringLiteral("%1 sheets listed").arg(listed));
        else if (count == 300)
            report.Within(what, ms, 10);
        else
            report.Info(what, ms);
    }
    for (const QString &name : {QStringLiteral("big1"), QStringLiteral("big5")}) {
        const QString path = dir.filePath(name + QStringLiteral(".xls"));
        const QString what = QStringLiteral("rename one sheet and save, %1 KB book (%2 runs)")
                                 .arg(QFileInfo(path).size() / 1024).arg(repetitions);
        BookFile book;
        if (book.open(path)) {
            report.Failed(what, QStringLiteral("could not open ") + path);
            continue;
        }
        int round = 0;
        bool saved = true;
        const double ms = BenchReport::MedianMs(repetitions, [&] {
            book.renameSheet(0, QStringLiteral("Renamed %1").arg(++round));
            saved = saved && !book.save();
        });
        const double openMs = BenchReport::MedianMs(repetitions, [&] {
            BookFile again;
            again.open(path);
        });
        if (!saved)
            report.Failed(what, QStringLiteral("a save failed"));
        else if (name == QLatin1String("big5"))
            report.Within(what, ms, 50);
        else
            report.Info(what, ms);
        report.Info(QStringLiteral("open the %1 KB book").arg(QFileInfo(path).size() / 1024), openMs);
    }
    return report.ExitCode();
}
