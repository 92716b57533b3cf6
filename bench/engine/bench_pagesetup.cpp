// Benchmark of the page setup apply: one captured setup with ten properties
// that differ from the targets, applied to the other 99 sheets of a 100-sheet
// book. Prints the median time per sheet over all repetitions against its
// budget (see BenchReport.h for the output and the exit status).
//
//   bench_pagesetup [REPETITIONS]

#include "BenchReport.h"
#include "BookFile.h"
#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "MessageBox.h"
#include "cExcel.h"
#include "frmPageSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

namespace {

// A book of 100 copies of a small worksheet, all with the same page setup.
QString makeBook(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("hundred.xls"));
    QFile::copy(BenchFixtures::Path(QStringLiteral("print_titles_rows_cols.xls")), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    quirn::BookFile book;
    if (book.open(path))
        return QString();
    while (book.sheetCount() > 1)
        book.deleteSheets({book.sheetCount() - 1});
    for (int i = 2; i <= 100; ++i) {
        if (book.duplicateSheet(0, QStringLiteral("Sheet%1").arg(i, 3, 10, QLatin1Char('0')), book.sheetCount()))
            return QString();
    }
    return book.save() ? QString() : path;
}

// Ten properties away from the book's setup.
bool chooseTen(frmPageSetup &dialog)
{
    auto line = [&dialog](const char *name) { return dialog.findChild<QLineEdit *>(QLatin1String(name)); };
    auto box = [&dialog](const char *name) { return dialog.findChild<QCheckBox *>(QLatin1String(name)); };
    dialog.findChild<QRadioButton *>(QStringLiteral("optLandscape"))->setChecked(true);
    dialog.findChild<QSpinBox *>(QStringLiteral("txtZoom"))->setValue(75);
    auto *paper = dialog.findChild<QComboBox *>(QStringLiteral("cboPaperSize"));
    paper->setCurrentIndex(paper->findData(8));
    line("txtCenterHeader")->setText(QStringLiteral("&A"));
    line("txtRightFooter")->setText(QStringLiteral("&P / &N"));
    line("txtFirstPageNumber")->setText(QStringLiteral("3"));
    box("chkCenterHorizontally")->setChecked(true);
    box("chkDraft")->setChecked(true);
    box("chkBlackAndWhite")->setChecked(true);
    box("chkPrintGridlines")->setChecked(true);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    MessageBox::SetTestMode(true);
    frmPageSetup::setScripted(true);
    BenchReport report;
    const QString what = QStringLiteral("apply a captured setup (10 differing properties) to 99 sheets of a "
                                        "100-sheet book, per sheet (%1 runs)")
                             .arg(repetitions);

    QTemporaryDir dir;
    const QString path = makeBook(dir);
    if (path.isEmpty()) {
        report.Failed(what, QStringLiteral("could not make the 100-sheet book"));
        return report.ExitCode();
    }

    cExcel excel;
    std::vector<double> perSheet;
    std::vector<double> perBatch;
    for (int r = 0; r < repetitions; ++r) {
        excel.OpenExcel(path); // the book as saved: earlier applies are dropped
        frmPageSetup::queueScript(chooseTen);
        if (excel.DspExcelPageSetupDialog(QStringLiteral("hundred.xls"), QStringLiteral("Sheet1")) != -1) {
            report.Failed(what, QStringLiteral("the capture failed"));
            return report.ExitCode();
        }
        QElapsedTimer batch;
        batch.start();
        for (int i = 2; i <= 100; ++i) {
            QElapsedTimer one;
            one.start();
            excel.SetActiveSheetPropaty(QStringLiteral("Sheet%1").arg(i, 3, 10, QLatin1Char('0')));
            perSheet.push_back(one.nsecsElapsed() / 1e6);
        }
        perBatch.push_back(batch.nsecsElapsed() / 1e6 / 99);
    }
    const quirn::PageSetupFacts last = excel.xlApp->ActiveWorkbook().pageSetup(QStringLiteral("Sheet100"));
    if (!MessageBox::TakeShown().isEmpty() || last.orientation != 2 || !last.draft) {
        report.Failed(what, QStringLiteral("a sheet refused the setup"));
        return report.ExitCode();
    }
    report.Within(what, BenchReport::Median(perSheet), 5);
    report.Within(QStringLiteral("the same, each run's mean per sheet"), BenchReport::Median(perBatch), 5);
    return report.ExitCode();
}
