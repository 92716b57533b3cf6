#include "BookFile.h"
#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "MessageBox.h"
#include "OfficeTestEnvironment.h"
#include "TestBooks.h"
#include "cExcel.h"
#include "frmPageSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using quirn::PageSetupFacts;

// Capturing a sheet's page setup through the dialog and applying it to other
// sheets through the gateway, on real books with a real office process.
class tst_cExcelPageSetup : public QObject
{
    Q_OBJECT

private:
    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    std::unique_ptr<cExcel> m_excel;

    QString copyOf(const QString &fixture)
    {
        return TestBooks::Copy(m_work.path(), fixture);
    }

    ExcelWorkbook &book() { return m_excel->xlApp->ActiveWorkbook(); }
    PageSetupFacts setupOf(const QString &sheet) { return book().pageSetup(sheet); }

    template <typename T>
    static T *control(QWidget &dialog, const char *name)
    {
        return dialog.findChild<T *>(QLatin1String(name));
    }

    // What a user sets in the dialog: ten properties away from Excel's defaults.
    static bool chooseSetup(frmPageSetup &dialog)
    {
        control<QRadioButton>(dialog, "optLandscape")->setChecked(true);
        control<QSpinBox>(dialog, "txtZoom")->setValue(70);
        auto *paper = control<QComboBox>(dialog, "cboPaperSize");
        paper->setCurrentIndex(paper->findData(8));
        control<QLineEdit>(dialog, "txtCenterHeader")->setText(QStringLiteral("&A"));
        control<QLineEdit>(dialog, "txtRightFooter")->setText(QStringLiteral("&P / &N"));
        control<QLineEdit>(dialog, "txtFirstPageNumber")->setText(QStringLiteral("7"));
        control<QCheckBox>(dialog, "chkCenterHorizontally")->setChecked(true);
        control<QCheckBox>(dialog, "chkDraft")->setChecked(true);
        control<QCheckBox>(dialog, "chkBlackAndWhite")->setChecked(true);
        if (auto *grid = control<QCheckBox>(dialog, "chkPrintGridlines"))
            grid->setChecked(true);
        if (auto *area = control<QLineEdit>(dialog, "txtPrintArea"))
            area->setText(QStringLiteral("$A$1:$C$12"));
        return true;
    }

    static void verifyChosen(const PageSetupFacts &s, bool chart)
    {
        QCOMPARE(s.orientation, 2);
        QCOMPARE(s.zoom, 70);
        QVERIFY(!s.fitToPage);
        QCOMPARE(s.paperSize, 8);
        QCOMPARE(s.centerHeader, QStringLiteral("&A"));
        QCOMPARE(s.rightFooter, QStringLiteral("&P / &N"));
        QCOMPARE(s.firstPageNumber, 7);
        QVERIFY(s.centerHorizontally);
        QVERIFY(s.draft);
        QVERIFY(s.blackAndWhite);
        if (!chart) {
            QVERIFY(s.printGridlines);
            QCOMPARE(s.printArea, QStringLiteral("$A$1:$C$12"));
        }
    }

    QString lastMessage()
    {
        const QList<MessageBox::Shown> shown = MessageBox::TakeShown();
        return shown.isEmpty() ? QString() : shown.last().text;
    }

private slots:
    void initTestCase()
    {
        MessageBox::SetTestMode(true);
        frmPageSetup::setScripted(true);
        m_excel = std::make_unique<cExcel>();
    }

    void cleanupTestCase() { m_excel.reset(); }

    void init()
    {
        MessageBox::TakeShown();
        frmPageSetup::resetScript();
    }

    void captureAndApplyAcrossWorksheets()
    {
        const QString path = copyOf(QStringLiteral("print_titles_rows_cols.xls"));
        m_excel->OpenExcel(path);
        const PageSetupFacts sheet3Before = setupOf(QStringLiteral("Sheet3"));
        frmPageSetup::queueScript(chooseSetup);
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QStringLiteral("print_titles_rows_cols.xls"),
                                                  QStringLiteral("Sheet1")),
                 -1);
        verifyChosen(setupOf(QStringLiteral("Sheet1")), false);

        m_excel->PageSetUp(QStringLiteral("Sheet2"));
        m_excel->SetActiveSheetPropaty(QStringLiteral("Sheet4"));
        QCOMPARE(lastMessage(), QString());
        verifyChosen(setupOf(QStringLiteral("Sheet2")), false);
        verifyChosen(setupOf(QStringLiteral("Sheet4")), false);
        // Titles are copied too: Sheet1 has none, so the targets lose theirs.
        QCOMPARE(setupOf(QStringLiteral("Sheet2")).printTitleRows, setupOf(QStringLiteral("Sheet1")).printTitleRows);
        QCOMPARE(setupOf(QStringLiteral("Sheet3")), sheet3Before);

        // Cancel writes nothing and keeps the earlier capture.
        frmPageSetup::queueScript([](frmPageSetup &dialog) {
            control<QSpinBox>(dialog, "txtZoom")->setValue(200);
            return false;
        });
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), QStringLiteral("Sheet3")), 0);
        QCOMPARE(setupOf(QStringLiteral("Sheet3")), sheet3Before);
        m_excel->SetActiveSheetPropaty(QStringLiteral("Sheet3"));
        verifyChosen(setupOf(QStringLiteral("Sheet3")), false);

        // Saved and read again by a separate reader: every property survives.
        QCOMPARE(m_excel->SaveExcel(path), 0);
        quirn::BookFile reread;
        QVERIFY(!reread.open(path));
        for (int i = 0; i < 4; ++i)
            verifyChosen(reread.pageSetup(i), false);
        QCOMPARE(reread.pageSetup(1).printQuality, reread.pageSetup(0).printQuality);
    }

    void everyFieldOfTheDialogSurvivesSaveAndReload()
    {
        const QString path = copyOf(QStringLiteral("page_setup_fit_print_area.xls"));
        m_excel->OpenExcel(path);
        PageSetupFacts chosen;
        frmPageSetup::queueScript([&chosen](frmPageSetup &dialog) {
            chooseSetup(dialog);
            control<QRadioButton>(dialog, "optFitToPages")->setChecked(true);
            control<QSpinBox>(dialog, "txtFitToPagesWide")->setValue(2);
            control<QSpinBox>(dialog, "txtFitToPagesTall")->setValue(0);
            auto *quality = control<QComboBox>(dialog, "cboPrintQuality");
            quality->setCurrentIndex(quality->findText(QStringLiteral("300 dpi")));
            const char *margins[] = {"txtTopMargin", "txtBottomMargin", "txtLeftMargin",
                                     "txtRightMargin", "txtHeaderMargin", "txtFooterMargin"};
            for (int i = 0; i < 6; ++i)
                control<QDoubleSpinBox>(dialog, margins[i])->setValue(1.0 + i * 0.3);
            control<QCheckBox>(dialog, "chkCenterVertically")->setChecked(true);
            control<QLineEdit>(dialog, "txtLeftHeader")->setText(QStringLiteral("&D &T"));
            control<QLineEdit>(dialog, "txtLeftFooter")->setText(QStringLiteral("&F"));
            control<QLineEdit>(dialog, "txtCenterFooter")->setText(QStringLiteral("見積 && 請求"));
            control<QLineEdit>(dialog, "txtPrintTitleRows")->setText(QStringLiteral("$1:$2"));
            control<QLineEdit>(dialog, "txtPrintTitleColumns")->setText(QStringLiteral("$A:$A"));
            control<QCheckBox>(dialog, "chkPrintHeadings")->setChecked(true);
            auto *comments = control<QComboBox>(dialog, "cboPrintComments");
            comments->setCurrentIndex(comments->findData(16));
            control<QRadioButton>(dialog, "optOverThenDown")->setChecked(true);
            chosen = dialog.setup();
            return true;
        });
        const QString sheet = m_excel->GetSheetName(1);
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), sheet), -1);
        QCOMPARE(m_excel->SaveExcel(path), 0);

        quirn::BookFile reread;
        QVERIFY(!reread.open(path));
        PageSetupFacts saved = reread.pageSetup(0);
        for (auto margin : {&PageSetupFacts::topMargin, &PageSetupFacts::bottomMargin,
                            &PageSetupFacts::leftMargin, &PageSetupFacts::rightMargin,
                            &PageSetupFacts::headerMargin, &PageSetupFacts::footerMargin}) {
            QVERIFY(qAbs(saved.*margin - chosen.*margin) < 0.001);
            saved.*margin = chosen.*margin;
        }
        QCOMPARE(saved.printQuality, (QList<int>{300, 300}));
        QCOMPARE(saved, chosen);

        // The office still reads and renders the saved book.
        m_excel->OpenExcel(path);
        QVERIFY(m_excel->GetPageOFSheet(sheet) >= 1);
    }

    void equalSetupWritesNothing()
    {
        const QString path = copyOf(QStringLiteral("fit_to_pages_spaces.xls"));
        m_excel->OpenExcel(path);
        frmPageSetup::queueScript([](frmPageSetup &) { return true; }); // OK, nothing changed
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), QStringLiteral("Page 1")), -1);
        QVERIFY(book().Saved());
        m_excel->SetActiveSheetPropaty(QStringLiteral("Page 1"));
        QVERIFY(book().Saved());

        // Page 3 differs in its fit and its vertical print quality; Page 2 in
        // margins, centring, paper and scaling: both end up as Page 1.
        const PageSetupFacts model = setupOf(QStringLiteral("Page 1"));
        QVERIFY(!(setupOf(QStringLiteral("Page 3")) == model));
        m_excel->SetActiveSheetPropaty(QStringLiteral("Page 3"));
        m_excel->SetActiveSheetPropaty(QStringLiteral("Page 2"));
        QCOMPARE(setupOf(QStringLiteral("Page 3")), model);
        PageSetupFacts page2 = setupOf(QStringLiteral("Page 2"));
        QCOMPARE(page2.zoom, 100); // Excel reads Zoom False: the percentage stays
        page2.zoom = model.zoom;
        QCOMPARE(page2, model);
        QVERIFY(!book().Saved());
    }

    void chartAndWorksheetShareTheCommonPropertiesOnly()
    {
        const QString path = copyOf(QStringLiteral("chartsheet_data_chart.xls"));
        m_excel->OpenExcel(path);
        frmPageSetup::queueScript([](frmPageSetup &dialog) {
            chooseSetup(dialog);
            control<QRadioButton>(dialog, "optFitToPages")->setChecked(true); // Zoom False
            control<QSpinBox>(dialog, "txtFitToPagesWide")->setValue(1);
            control<QSpinBox>(dialog, "txtFitToPagesTall")->setValue(1);
            return true;
        });
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), QStringLiteral("Data")), -1);
        const PageSetupFacts chartBefore = setupOf(QStringLiteral("Chart1"));
        m_excel->SetActiveSheetPropaty(QStringLiteral("Chart1"));
        QCOMPARE(lastMessage(), QString());
        const PageSetupFacts chart = setupOf(QStringLiteral("Chart1"));
        QCOMPARE(chart.orientation, 2);
        QCOMPARE(chart.centerHeader, QStringLiteral("&A"));
        QVERIFY(chart.draft && chart.blackAndWhite);
        QVERIFY(!chart.fitToPage); // Zoom False does not reach a chart sheet
        QCOMPARE(chart.zoom, chartBefore.zoom);
        QCOMPARE(chart.printGridlines, chartBefore.printGridlines);

        // A dialog cancelled on the chart sheet leaves the worksheet capture
        // applying as one.
        frmPageSetup::queueScript([](frmPageSetup &) { return false; });
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), QStringLiteral("Chart1")), 0);
        m_excel->SetActiveSheetPropaty(QStringLiteral("Data"));
        QVERIFY(setupOf(QStringLiteral("Data")).fitToPage);
        QVERIFY(setupOf(QStringLiteral("Data")).printGridlines);

        // The other way: a chart sheet's setup leaves a worksheet's print
        // area, titles and worksheet group alone.
        frmPageSetup::queueScript([](frmPageSetup &dialog) {
            control<QRadioButton>(dialog, "optPortrait")->setChecked(true);
            control<QLineEdit>(dialog, "txtCenterHeader")->setText(QStringLiteral("&F"));
            return true;
        });
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), QStringLiteral("Chart1")), -1);
        m_excel->SetActiveSheetPropaty(QStringLiteral("Data"));
        const PageSetupFacts data = setupOf(QStringLiteral("Data"));
        QCOMPARE(data.orientation, 1);
        QCOMPARE(data.centerHeader, QStringLiteral("&F"));
        QCOMPARE(data.printArea, QStringLiteral("$A$1:$C$12"));
        QVERIFY(data.printGridlines);
        QCOMPARE(data.zoom, chartBefore.zoom); // the chart's zoom replaces the fit
        QVERIFY(!data.fitToPage);

        // Saved, the chart sheet is still a chart sheet with its setup, and the
        // office still opens the book.
        QCOMPARE(m_excel->SaveExcel(path), 0);
        quirn::BookFile reread;
        QVERIFY(!reread.open(path));
        QCOMPARE(reread.sheet(1).kind, quirn::SheetKind::Chart);
        QCOMPARE(reread.pageSetup(1).centerHeader, QStringLiteral("&F"));
        m_excel->OpenExcel(path);
        QCOMPARE(m_excel->GetSheetCount(), qint16(2));
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Data")) >= 1);
    }

    void sheetThatCannotBeSetUpGetsTheMessage()
    {
        m_excel->OpenExcel(copyOf(QStringLiteral("hidden_third_sheet.xls")));
        frmPageSetup::queueScript([](frmPageSetup &) { return true; });
        QCOMPARE(m_excel->DspExcelPageSetupDialog(QString(), QString()), -1);
        const QStringList names{m_excel->GetSheetName(1), m_excel->GetSheetName(2), m_excel->GetSheetName(3)};
        m_excel->SetActiveSheetPropaty(names[2]); // hidden: it cannot be selected
        QCOMPARE(lastMessage(), QStringLiteral("ｼｰﾄ \"") + names[2] + QStringLiteral("\"のﾍﾟｰｼﾞ設定はできませんでした。"));
        m_excel->PageSetUp(QStringLiteral("NoSuchSheet"));
        const QList<MessageBox::Shown> shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("ｼｰﾄ \"NoSuchSheet\"のﾍﾟｰｼﾞ設定はできませんでした。"));
        QCOMPARE(shown[0].style, 0x30u);
        QVERIFY_THROWS_EXCEPTION(ExcelError, m_excel->DspExcelPageSetupDialog(QString(), names[2]));
    }

    void nothingCapturedWritesNothing()
    {
        cExcel fresh;
        const QString path = copyOf(QStringLiteral("print_titles_rows_cols.xls"));
        fresh.OpenExcel(path);
        fresh.SetActiveSheetPropaty(QStringLiteral("Sheet1"));
        QCOMPARE(lastMessage(), QStringLiteral("ｼｰﾄ \"Sheet1\"のﾍﾟｰｼﾞ設定はできませんでした。"));
        QVERIFY(fresh.xlApp->ActiveWorkbook().Saved());
    }
};

QTEST_MAIN(tst_cExcelPageSetup)
#include "tst_cExcelPageSetup.moc"
