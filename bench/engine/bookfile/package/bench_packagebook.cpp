// Benchmarks of package books (.xlsx): listing, renaming a sheet every other
// sheet refers to, and sorting, each saved; the rename next to LibreOffice's
// own load and save of the same book in the same run (see BenchReport.h for
// the output and the exit status).
//
//   bench_packagebook [REPETITIONS]

#include "BenchBooks.h"
#include "BenchReport.h"
#include "BookFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

using namespace quirn;

namespace {

// A flat OpenDocument spreadsheet of `sheets` sheets of 40 rows, every sheet
// after the first referring to the first.
QByteArray referringSpreadsheet(int sheets)
{
    QByteArray row = "<table:table-row table:number-rows-repeated=\"40\">";
    for (int c = 0; c < 10; ++c)
        row += "<table:table-cell office:value-type=\"float\" office:value=\"" + QByteArray::number(c + 1) + "\"/>";
    row += "</table:table-row>";
    const QByteArray link = "<table:table-row><table:table-cell table:formula=\"of:=[$'Data 1'.A1]*2\" "
                            "office:value-type=\"float\" office:value=\"2\"/></table:table-row>";
    QByteArray doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body><office:spreadsheet>";
    for (int s = 0; s < sheets; ++s)
        doc += "<table:table table:name=\"Data " + QByteArray::number(s + 1) + "\">" + (s ? link : QByteArray()) + row
            + "</table:table>";
    return doc + "</office:spreadsheet></office:body></office:document>\n";
}

// LibreOffice converting `input` to .xlsx in `outdir`; its time in ms, -1 when it failed.
double officeToXlsx(const QString &profile, const QString &input, const QString &outdir)
{
    QProcess office;
    office.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    office.start(QStringLiteral("soffice"),
                 {QStringLiteral("-env:UserInstallation=file://") + profile, QStringLiteral("--headless"),
                  QStringLiteral("--norestore"), QStringLiteral("--convert-to"), QStringLiteral("xlsx:Calc MS Excel 2007 XML"),
                  QStringLiteral("--outdir"), outdir, input});
    if (!office.waitForFinished(600000) || office.exitCode() != 0) {
        office.kill();
        office.waitForFinished(10000);
        return -1;
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return QFileInfo::exists(outdir + u'/' + QFileInfo(input).completeBaseName() + QStringLiteral(".xlsx")) ? ms : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BenchReport report;
    const int repetitions = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 21;
    QTemporaryDir dir;
    const QString profile = dir.filePath(QStringLiteral("profile"));
    const QString fods = dir.filePath(QStringLiteral("sheets300.fods"));
    const QString book = dir.filePath(QStringLiteral("sheets300.xlsx"));
    if (!BenchBooks::WriteFile(fods, referringSpreadsheet(300)) || officeToXlsx(profile, fods, dir.path()) < 0) {
        report.Failed(QStringLiteral("package book benchmarks"), QStringLiteral("LibreOffice could not make the book"));
        return report.ExitCode();
    }
    const QString size = QStringLiteral("%1 KB").arg(QFileInfo(book).size() / 1024);

    int listed = 0;
    const double listMs = BenchReport::MedianMs(repetitions, [&] {
        BookFile b;
        b.open(book);
        listed = int(b.sheets().size());
    });
    const QString listWhat = QStringLiteral("open and list a 300-sheet package book with its facts (%1, %2 runs)")
                                 .arg(size).arg(repetitions);
    if (listed != 300)
        report.Failed(listWhat, QStringLiteral("%1 sheets listed").arg(listed));
    else
        report.Within(listWhat, listMs, 10);

    // A thousand small books, as a folder listing opens them.
    const QString many = dir.filePath(QStringLiteral("many"));
    QDir().mkpath(many);
    const QString small = QStringLiteral(QUIRN_FIXTURES_DIR "/../real-xlsx/google_sheets_5_sheets.xlsx");
    for (int i = 0; i < 1000; ++i)
        QFile::copy(small, many + QStringLiteral("/book%1.xlsx").arg(i));
    int books = 0;
    const double manyMs = BenchReport::MedianMs(qMax(1, repetitions / 5), [&] {
        books = 0;
        for (const QFileInfo &f : QDir(many).entryInfoList({QStringLiteral("*.xlsx")}, QDir::Files)) {
            BookFile b;
            books += !b.open(f.filePath()) && b.sheetCount() > 0;
        }
    });
    if (books != 1000)
        report.Failed(QStringLiteral("list 1000 package books"), QStringLiteral("%1 books listed").arg(books));
    else
        report.Within(QStringLiteral("open and list 1000 five-sheet package books in process"), manyMs, 1000);

    const QString work = dir.filePath(QStringLiteral("work.xlsx"));
    QFile::copy(book, work);
    QFile::setPermissions(work, QFile::ReadOwner | QFile::WriteOwner);
    BookFile edited;
    if (edited.open(work)) {
        report.Failed(QStringLiteral("rename and save"), QStringLiteral("could not open the book"));
        return report.ExitCode();
    }
    int round = 0;
    bool saved = true;
    const double renameMs = BenchReport::MedianMs(repetitions, [&] {
        saved = saved && !edited.renameSheet(0, QStringLiteral("Renamed %1").arg(++round)) && !edited.save();
    });
    const QString renameWhat = QStringLiteral("rename the sheet the 299 others refer to, and save (%1)").arg(size);
    if (!saved) {
        report.Failed(renameWhat, QStringLiteral("a rename or save failed"));
    } else {
        report.Within(renameWhat, renameMs, 100);
        std::vector<double> peer;
        for (int i = 0; i < 3; ++i)
            peer.push_back(officeToXlsx(profile, book, dir.filePath(QStringLiteral("peer"))));
        const double peerMs = BenchReport::Median(peer);
        if (peerMs < 0)
            report.Failed(QStringLiteral("LibreOffice's load and save of the book"), QStringLiteral("it failed"));
        else
            report.Faster(QStringLiteral("rename and save next to LibreOffice's load and save (soffice --convert-to xlsx)"),
                          renameMs, peerMs, 20);
    }

    QList<int> reversed;
    for (int i = 299; i >= 0; --i)
        reversed << i;
    saved = true;
    const double sortMs = BenchReport::MedianMs(repetitions, [&] {
        saved = saved && !edited.moveSheets(reversed, 0) && !edited.save();
    });
    if (!saved)
        report.Failed(QStringLiteral("sort the 300 sheets and save"), QStringLiteral("a move or save failed"));
    else
        report.Within(QStringLiteral("sort the 300 sheets (reverse their order) and save"), sortMs, 50);
    return report.ExitCode();
}
