// Print run benchmarks in the window's process, medians of several runs after
// a warm-up, next to the office's own export in a process of ours already
// running (each book loaded and every sheet written to a PDF file), measured
// in the same run: in-process against in-process (the whole processes are
// bench_batchpdf's). Budget: at most 1.25 times the office's own export.
//  - every sheet of 20 books of 10 sheets printed to the tests' file-writing
//    queue, one job per book, until the last job is handed to the queue;
//  - the same run written to one PDF file.
// Settings and the user's folders are redirected to a temporary folder.

#include "../BenchHome.h"
#include "../BenchReport.h"

#include "BookList.h"
#include "BookSelection.h"
#include "CupsTestQueue.h"
#include "MessageBox.h"
#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeProcess.h"
#include "PdfSaveDialog.h"
#include "PrintRun.h"
#include "SettingsMigration.h"
#include "SettingsStore.h"
#include "WarningSeam.h"
#include "cExcel.h"
#include "frmMain.h"
#include "frmPrintSheet.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Books = 20;
constexpr int SheetsPerBook = 10;
constexpr int Runs = 5;
constexpr double Budget = 1.25; // at most that many times the office's own export

// A book of ten sheets, each with something to print: the five sheets of a
// fixture and a copy of each.
QString MakeBook(cExcel &excel, const QString &folder)
{
    const QString path = folder + QStringLiteral("/template.xls");
    QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/japanese_sheet_names.xls"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    excel.OpenExcel(path);
    const QString name = QStringLiteral("template.xls");
    QStringList sheets;
    for (qint16 i = 1; i <= excel.GetSheetCount(); ++i)
        sheets << excel.GetSheetName(i);
    excel.CopySheet(name, sheets, name, sheets.last(), 0);
    const int count = excel.GetSheetCount();
    const bool saved = excel.SaveExcel(path) == 0;
    excel.CloseExcel();
    return saved && count == SheetsPerBook ? path : QString();
}

// The office's own export of every book, in a process already running: each
// book loaded and all its sheets written to a PDF file. -1 when one failed.
double ExportInOffice(OfficeProcess &office, const QStringList &books, const QString &out)
{
    QDir(out).removeRecursively();
    QDir().mkpath(out);
    QElapsedTimer timer;
    timer.start();
    try {
        for (const QString &book : books) {
            const std::unique_ptr<OfficeDocument> document = OfficeDocument::load(office, book);
            document->exportPdf(document->sheetNames(), out + u'/' + QFileInfo(book).completeBaseName() + ".pdf");
        }
    } catch (const OfficeError &) {
        return -1;
    }
    return timer.nsecsElapsed() / 1e6;
}

int CompletedJobs(CupsTestQueue &cups)
{
    return cups.completedJobs();
}

} // namespace

int main(int argc, char *argv[])
{
    const BenchHome home;
    QApplication app(argc, argv);
    BenchHome::ScriptTheWindow();
    frmPrintSheet::setScripted(true);
    PdfSaveDialog::setScripted(true);
    CupsTestQueue cups;
    if (!cups.isRunning()) {
        std::fprintf(stderr, "could not start the test print server\n");
        return 2;
    }

    frmMain window;
    if (!window.Load())
        return 2;
    window.show();
    const QString folder = home.path() + "/books";
    QDir().mkpath(folder);
    const QString made = MakeBook(window.Excel(), folder);
    if (made.isEmpty()) {
        std::fprintf(stderr, "could not make the books\n");
        return 2;
    }
    QStringList books;
    for (int i = 1; i <= Books; ++i) {
        const QString path = folder + QStringLiteral("/book%1.xls").arg(i, 2, 10, QLatin1Char('0'));
        QFile::copy(made, path);
        books << path;
        window.Books().AddBookItem(path);
    }
    QFile::remove(made);
    window.Books().Select(0);
    window.Selection().OpenSelectedBook(0);
    window.Books().SelectAll();
    for (const char *key : {"Warninng1", "Warninng2", "Warninng3"})
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", QString::fromLatin1(key), "00");

    // Printing: no dialog, one job per book.
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintGuide", "0");
    std::vector<double> handed;
    bool printed = true;
    for (int run = 0; run <= Runs; ++run) {
        const int before = CompletedJobs(cups);
        QElapsedTimer timer;
        timer.start();
        window.Printing().mnuPrint();
        const double ms = timer.nsecsElapsed() / 1e6;
        cups.waitForJobs();
        printed &= MessageBox::TakeShown().isEmpty() && window.Printing().PrintedSheetCount == Books * SheetsPerBook
                   && CompletedJobs(cups) == before + Books;
        if (run > 0)
            handed.push_back(ms);
    }

    // The same run into one PDF file.
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintGuide", "1");
    std::vector<double> exported;
    const QString pdf = home.path() + "/run.pdf";
    for (int run = 0; run <= Runs; ++run) {
        QFile::remove(pdf);
        PdfSaveDialog::queueAnswer(pdf);
        frmPrintSheet::queueScript([](frmPrintSheet &dialog) {
            dialog.findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        });
        QElapsedTimer timer;
        timer.start();
        window.Printing().mnuPrint();
        const double ms = timer.nsecsElapsed() / 1e6;
        printed &= MessageBox::TakeShown().isEmpty() && QFile::exists(pdf);
        if (run > 0)
            exported.push_back(ms);
    }

    // The office's own export, in a warm process of its own, in this run.
    OfficeProcess office;
    std::vector<double> converted;
    bool convertedAll = true;
    for (int run = 0; run <= Runs && convertedAll; ++run) {
        const double ms = ExportInOffice(office, books, home.path() + "/converted");
        convertedAll = ms > 0;
        if (run > 0)
            converted.push_back(ms);
    }

    BenchReport report;
    const QString what = QStringLiteral("print %1 books of %2 sheets, one job per book, to the test queue, vs the "
                                        "office's own export of the same books (in-process)")
                             .arg(Books)
                             .arg(SheetsPerBook);
    if (!printed || !convertedAll || handed.empty() || converted.empty()) {
        report.Failed(what, QStringLiteral("printed: %1, exported by the office: %2").arg(printed).arg(convertedAll));
        return report.ExitCode();
    }
    const double peer = BenchReport::Median(converted);
    report.Faster(what, BenchReport::Median(handed), peer, 1 / Budget);
    report.Faster(QStringLiteral("the same run into one PDF file, vs the same"), BenchReport::Median(exported), peer,
                  1 / Budget);
    return report.ExitCode();
}
