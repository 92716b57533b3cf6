#include "BookFile.h"
#include "BookSaveDialog.h"
#include "CupsTestQueue.h"
#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "MessageBox.h"
#include "OfficeTestEnvironment.h"
#include "SheetPrintJob.h"
#include "TestBooks.h"
#include "TestTool.h"
#include "cExcel.h"
#include "frmPageSetup.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Printing, preview and the save dialogs of the gateway, with a real office
// and a CUPS server of the test's own whose queue writes each job to a PDF.
// Every page carries its sheet's name in the header, so the printed text
// tells which sheets were printed.
class tst_cExcelPrint : public QObject
{
    Q_OBJECT

private:
    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    std::unique_ptr<CupsTestQueue> m_cups;
    std::unique_ptr<cExcel> m_excel;
    QString m_book;

    QString copyOf(const QString &fixture)
    {
        return TestBooks::Copy(m_work.path(), fixture);
    }

    // The pages of a printed job, each page's text.
    QStringList printedPages()
    {
        const QByteArray pdf = m_cups->takeOutput();
        if (pdf.isEmpty())
            return {};
        const QString path = m_work.filePath(QStringLiteral("printed.pdf"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(pdf);
        file.close();
        QStringList pages = QString::fromUtf8(TestTool::Output(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")}))
                                .split(QLatin1Char('\f'));
        pages.removeLast(); // after the last form feed
        return pages;
    }

    // Which sheet each page belongs to, from its header.
    static QStringList sheetsOf(const QStringList &pages)
    {
        static const QRegularExpression header(QStringLiteral("\\[([^\\]]+)\\]"));
        QStringList sheets;
        for (const QString &page : pages)
            sheets << header.match(page).captured(1);
        return sheets;
    }

    static QString pageSize(const QString &pdf)
    {
        static const QRegularExpression size(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+)"));
        const QRegularExpressionMatch m = size.match(QString::fromUtf8(TestTool::Output(QStringLiteral("pdfinfo"), {pdf})));
        return m.captured(1).toDouble() > m.captured(2).toDouble() ? QStringLiteral("landscape")
                                                                   : QStringLiteral("portrait");
    }

private slots:
    void initTestCase()
    {
        MessageBox::SetTestMode(true);
        frmPageSetup::setScripted(true);
        BookSaveDialog::setScripted(true);
        SheetPrintJob::setPreviewRecorded(true);
        m_cups = std::make_unique<CupsTestQueue>();
        QVERIFY(m_cups->isRunning());
        QCOMPARE(SheetPrintJob::defaultPrinter(), QLatin1String(CupsTestQueue::QueueName));
        m_excel = std::make_unique<cExcel>();

        // Worksheets and chart sheets; Sheet1 prints several pages.
        m_book = copyOf(QStringLiteral("chartsheets_mixed_embedded_lost.xls"));
        m_excel->OpenExcel(m_book);
        frmPageSetup::queueScript([](frmPageSetup &dialog) {
            dialog.findChild<QLineEdit *>(QStringLiteral("txtCenterHeader"))->setText(QStringLiteral("[&A]"));
            dialog.findChild<QLineEdit *>(QStringLiteral("txtCenterFooter"))->setText(QStringLiteral("&P/&N"));
            return true;
        });
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), QStringLiteral("Sheet1")), -1);
        for (qint16 i = 2; i <= m_excel->GetSheetCount(); ++i)
            m_excel->PageSetUp(m_excel->GetSheetName(i));
        QCOMPARE(MessageBox::TakeShown().size(), 0);
    }

    void cleanupTestCase()
    {
        for (const QString &preview : SheetPrintJob::recordedPreviews())
            QFile::remove(preview);
        m_excel.reset();
        m_cups.reset();
    }

    void listedSheetsPrintAsOneJobInTheirCurrentState()
    {
        QCOMPARE(m_excel->GetPageOFSheet(QStringLiteral("Sheet1")), 3);
        QCOMPARE(m_excel->GetPageOFSheet(QStringLiteral("Pareto")), 3);
        const int jobs = m_cups->completedJobs();
        m_excel->PrintExcelSheet({QStringLiteral("Sheet1"), QStringLiteral("Chart1"), QStringLiteral("Pareto")});
        const QStringList pages = printedPages();
        QCOMPARE(m_cups->completedJobs(), jobs + 1);
        QCOMPARE(sheetsOf(pages), (QStringList{QStringLiteral("Sheet1"), QStringLiteral("Sheet1"),
                                               QStringLiteral("Sheet1"), QStringLiteral("Chart1"),
                                               QStringLiteral("Pareto"), QStringLiteral("Pareto"),
                                               QStringLiteral("Pareto")}));
        QVERIFY(pages[3].contains(QStringLiteral("Development Release Root Cause")));

        m_excel->PrintExcelSheet({QStringLiteral("Pareto")});
        QCOMPARE(sheetsOf(printedPages()), QStringList(3, QStringLiteral("Pareto")));
    }

    void copiesAndPageRange()
    {
        const int jobs = m_cups->completedJobs();
        m_excel->PrintExcelSheet({QStringLiteral("Sheet1"), QStringLiteral("Pareto")}, 2, 3, 4);
        QCOMPARE(sheetsOf(printedPages()),
                 (QStringList{QStringLiteral("Sheet1"), QStringLiteral("Pareto"),
                              QStringLiteral("Sheet1"), QStringLiteral("Pareto")}));
        QCOMPARE(m_cups->completedJobs(), jobs + 1);

        // An empty first page means from the start; sheets print in the book's order.
        m_excel->PrintExcelSheet({QStringLiteral("Pareto"), QStringLiteral("Sheet1")}, QVariant(),
                                 QString(), 4);
        QCOMPARE(sheetsOf(printedPages()), (QStringList{QStringLiteral("Sheet1"), QStringLiteral("Sheet1"),
                                                        QStringLiteral("Sheet1"), QStringLiteral("Pareto")}));

        // A range beyond the last page prints nothing, and says nothing.
        m_excel->PrintExcelSheet({QStringLiteral("Chart1")}, 1, 5, 6);
        QCOMPARE(m_cups->completedJobs(), jobs + 2);
        QVERIFY_THROWS_EXCEPTION(ExcelError, m_excel->PrintExcelSheet({QStringLiteral("Sheet2")}, 0));
    }

    void blackAndWhiteAndDraftAreAskedOfThePrinter()
    {
        m_cups->useColourPrinter(true);
        m_excel->PrintExcelSheet({QStringLiteral("Sheet2")});
        m_cups->waitForJobs();
        QByteArray attributes = m_cups->lastJobAttributes();
        QVERIFY(attributes.contains("print-color-mode"));
        QVERIFY(!attributes.contains("monochrome"));

        // Both sheets ask for black and white and draft.
        frmPageSetup::queueScript([](frmPageSetup &dialog) {
            dialog.findChild<QCheckBox *>(QStringLiteral("chkBlackAndWhite"))->setChecked(true);
            dialog.findChild<QCheckBox *>(QStringLiteral("chkDraft"))->setChecked(true);
            return true;
        });
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), QStringLiteral("Sheet2")), -1);
        m_excel->PageSetUp(QStringLiteral("Chart2"));
        m_excel->PrintExcelSheet({QStringLiteral("Sheet2"), QStringLiteral("Chart2")});
        m_cups->waitForJobs();
        attributes = m_cups->lastJobAttributes();
        m_cups->useColourPrinter(false);
        QVERIFY(attributes.contains("monochrome"));
        QVERIFY(attributes.contains("print-quality"));
    }

    void savedSetupPrintsThroughTheOffice()
    {
        frmPageSetup::queueScript([](frmPageSetup &dialog) {
            dialog.findChild<QRadioButton *>(QStringLiteral("optLandscape"))->setChecked(true);
            return true;
        });
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), QStringLiteral("Pareto")), -1);
        QCOMPARE(m_excel->SaveExcel(m_book), 0);
        m_excel->CloseExcel();
        m_excel->OpenExcel(m_book);
        m_excel->PrintExcelSheet({QStringLiteral("Pareto")});
        const QStringList pages = printedPages();
        QVERIFY(!pages.isEmpty());
        QCOMPARE(sheetsOf(pages), QStringList(pages.size(), QStringLiteral("Pareto")));
        // The queue fits pages to its paper; what the office rendered is landscape.
        m_excel->PreviewExcelSheet({QStringLiteral("Pareto")});
        const QString preview = SheetPrintJob::recordedPreviews().last();
        QCOMPARE(pageSize(preview), QStringLiteral("landscape"));
        QFile::remove(preview);
    }

    void hiddenOrMissingSheetsAreRefused()
    {
        const int jobs = m_cups->completedJobs();
        QVERIFY_THROWS_EXCEPTION(ExcelError, m_excel->PrintExcelSheet({QStringLiteral("Nowhere")}));
        m_excel->SetSheetAttribute(QStringLiteral("chartsheets_mixed_embedded_lost.xls"), QStringLiteral("Sheet2"), 0);
        QVERIFY_THROWS_EXCEPTION(ExcelError, m_excel->PrintExcelSheet({QStringLiteral("Sheet1"), QStringLiteral("Sheet2")}));
        m_excel->SetSheetAttribute(QStringLiteral("chartsheets_mixed_embedded_lost.xls"), QStringLiteral("Sheet2"), 1);
        QCOMPARE(m_cups->completedJobs(), jobs);
    }

    void withoutPrinterThePrintFails()
    {
        m_cups->removeQueue();
        QCOMPARE(SheetPrintJob::defaultPrinter(), QString());
        try {
            m_excel->PrintExcelSheet({QStringLiteral("Sheet1")});
            QFAIL("printing without a printer reported success");
        } catch (const ExcelError &error) {
            QCOMPARE(error.description(),
                     QStringLiteral("通常使うプリンタが設定されていないため、印刷できません。プリンタを設定してから、もう一度印刷してください。"));
        }
        m_cups->addQueue();

        // No print server at all.
        const QByteArray server = qgetenv("CUPS_SERVER");
        qputenv("CUPS_SERVER", QFile::encodeName(m_work.filePath(QStringLiteral("no-server.sock"))));
        QVERIFY_THROWS_EXCEPTION(ExcelError, m_excel->PrintExcelSheet({QStringLiteral("Sheet1")}));
        qputenv("CUPS_SERVER", server);
        QVERIFY(!QFile::exists(m_cups->outputFile()));
    }

    void previewShowsTheSheetsAsTheyPrint()
    {
        m_excel->PreviewExcelSheet({QStringLiteral("Sheet1"), QStringLiteral("Chart1")});
        const QString pdf = SheetPrintJob::recordedPreviews().last();
        QCOMPARE(SheetPrintJob::pdfPageCount(pdf), 4);
        QFile::remove(pdf);
    }

    void saveAsDialogSavesUnderTheChosenName()
    {
        const QString target = m_work.filePath(QStringLiteral("コピー先"));
        BookSaveDialog::resetScript();
        BookSaveDialog::queueAnswer(QString()); // Cancel
        QCOMPARE(m_excel->DspExcelSaveAsDialog(m_book, QStringLiteral("chartsheets_mixed_embedded_lost.xls")), 0);
        BookSaveDialog::queueAnswer(target);
        QCOMPARE(m_excel->DspExcelSaveAsDialog(m_book, QStringLiteral("chartsheets_mixed_embedded_lost.xls")), 0);
        const QList<BookSaveDialog::Shown> shown = BookSaveDialog::shownDialogs();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].title, QStringLiteral("名前を付けて保存"));
        QCOMPARE(shown[0].proposedPath, m_book);
        QVERIFY(QFile::exists(target + QStringLiteral(".xls")));
        quirn::BookFile saved;
        QVERIFY(!saved.open(target + QStringLiteral(".xls")));
        QCOMPARE(saved.sheetCount(), 9);
    }

    void newBookDialogCreatesABlankBookWhereChosen()
    {
        BookSaveDialog::resetScript();
        QCOMPARE(m_excel->DspExcelNewBookDialog(QStringLiteral("chartsheets_mixed_embedded_lost.xls")), QString());
        const QString target = m_work.filePath(QStringLiteral("新しいブック.xls"));
        BookSaveDialog::queueAnswer(target);
        QCOMPARE(m_excel->DspExcelNewBookDialog(QStringLiteral("chartsheets_mixed_embedded_lost.xls")),
                 QStringLiteral("新しいブック.xls"));
        QCOMPARE(m_excel->NewBookPath(), target);
        QCOMPARE(BookSaveDialog::shownDialogs().first().title, QStringLiteral("新規作成"));
        QCOMPARE(m_excel->xlApp->ActiveWorkbook().FullName(), target);
        quirn::BookFile created;
        QVERIFY(!created.open(target));
        QVERIFY(created.sheetCount() >= 1);
    }
};

QTEST_MAIN(tst_cExcelPrint)
#include "tst_cExcelPrint.moc"
