// Benchmarks of sheets brought from book to book through the records, on
// books LibreOffice makes here. Prints medians, and the baseline's medians
// measured in the same run; exits non-zero over budget or when it could not
// measure.
//
//   combine: 20 books of 10 sheets (about 150 KB each, a hidden and a
//            protected sheet in each) into a new book, next to
//            `ssconvert --merge-to` on the same books; goal: at most a
//            quarter of ssconvert's time.
//   copy:    10 sheets of a 1 MB book into another 1 MB book, saved; budget 50 ms.
//
//   bench_transfer [REPETITIONS]

#include "BookCombine.h"
#include "BookFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace quirn;

namespace {

QTextStream out(stdout);

constexpr double kCopyBudgetMs = 50.0;
constexpr double kCombineShareOfBaseline = 0.25;

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

bool makeWithOffice(const QTemporaryDir &dir, const QStringList &names)
{
    QStringList inputs;
    for (const QString &n : names)
        inputs << dir.filePath(n + QStringLiteral(".fods"));
    QProcess office;
    office.setProcessChannelMode(QProcess::MergedChannels);
    office.start(QStringLiteral("soffice"),
                 QStringList{QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                             QStringLiteral("--headless"), QStringLiteral("--norestore"),
                             QStringLiteral("--convert-to"), QStringLiteral("xls:MS Excel 97"),
                             QStringLiteral("--outdir"), dir.path()} + inputs);
    office.waitForFinished(-1);
    for (const QString &n : names)
        if (!QFile::exists(dir.filePath(n + QStringLiteral(".xls"))))
            return false;
    return office.exitCode() == 0;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

double medianMs(int repetitions, const std::function<bool()> &run)
{
    QList<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer t;
        t.start();
        if (!run())
            return -1;
        times.append(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
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
    const int repetitions = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 7;
    QTemporaryDir dir;
    constexpr int kBooks = 20;
    QStringList names;
    for (int b = 0; b < kBooks; ++b) {
        names << QStringLiteral("book%1").arg(b + 1, 2, 10, QLatin1Char('0'));
        if (!writeFile(dir.filePath(names.last() + QStringLiteral(".fods")), flatSpreadsheet(b + 1, 10, 88)))
            return 2;
    }
    names << QStringLiteral("big1") << QStringLiteral("big2");
    if (!writeFile(dir.filePath(QStringLiteral("big1.fods")), flatSpreadsheet(101, 12, 500))
        || !writeFile(dir.filePath(QStringLiteral("big2.fods")), flatSpreadsheet(102, 12, 500)))
        return 2;
    if (!makeWithOffice(dir, names)) {
        out << "could not make the books with the office\n";
        return 2;
    }
    QStringList books;
    qint64 total = 0;
    for (int b = 0; b < kBooks; ++b) {
        books << dir.filePath(names[b] + QStringLiteral(".xls"));
        total += QFileInfo(books.last()).size();
    }
    out << "books: " << kBooks << " of 10 sheets, " << total / kBooks / 1024 << " KB on average\n";

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

    // The baseline: ssconvert's merge of the same books.
    const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    const QString merged = dir.filePath(QStringLiteral("merged.xls"));
    const double baseline = ssconvert.isEmpty() ? -1 : medianMs(qMax(3, repetitions / 2), [&] {
        QFile::remove(merged);
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(ssconvert, QStringList{QStringLiteral("--merge-to=") + merged} + books);
        return p.waitForFinished(-1) && p.exitCode() == 0;
    });
    out << "combine 20x10 sheets, records:   median " << records << " ms (" << keptState(combined, kBooks) << ")\n";
    out << "combine 20x10 sheets, ssconvert: median " << baseline << " ms ("
        << (baseline < 0 ? QStringLiteral("not measured") : keptState(merged, kBooks)) << ")\n";

    // Ten sheets of one 1 MB book into another, saved.
    const QString big1 = dir.filePath(QStringLiteral("big1.xls")), big2 = dir.filePath(QStringLiteral("big2.xls"));
    out << "copy books: " << QFileInfo(big1).size() / 1024 << " KB and " << QFileInfo(big2).size() / 1024 << " KB\n";
    const QString work = dir.filePath(QStringLiteral("target.xls"));
    BookFile source;
    if (source.open(big1))
        return 2;
    // The books are open, as in the program: the copy and the save are timed.
    QList<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QFile::remove(work);
        QFile::copy(big2, work);
        BookFile target;
        if (target.open(work))
            return 2;
        QElapsedTimer t;
        t.start();
        if (target.importSheets(source, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, target.sheetCount()) || target.save())
            return 2;
        times.append(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    const double copy = times[times.size() / 2];
    out << "copy 10 sheets of a 1 MB book into a 1 MB book and save: median " << copy << " ms (budget "
        << kCopyBudgetMs << " ms)\n";

    if (records < 0 || baseline < 0 || copy < 0) {
        out << "could not measure\n";
        return 1;
    }
    const double ratio = records / baseline;
    out << "ratio records / ssconvert: " << ratio << " (goal <= " << kCombineShareOfBaseline << ")\n";
    bool ok = true;
    if (ratio > kCombineShareOfBaseline) {
        out << "OVER GOAL: combine\n";
        ok = false;
    }
    if (copy > kCopyBudgetMs) {
        out << "OVER BUDGET: copy\n";
        ok = false;
    }
    return ok ? 0 : 1;
}
