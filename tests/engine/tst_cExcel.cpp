#include "BookFile.h"
#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "MessageBox.h"
#include "OfficeProcess.h"
#include "OfficeTestEnvironment.h"
#include "GatewaySheets.h"
#include "TestBooks.h"
#include "cExcel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

namespace {

// Short watchdog limits for a case that hangs the office on purpose; the
// usual limits come back however the case ends. Loads and saves keep the
// time a fresh office, started in place of the hung one, needs on a busy
// machine.
class CallLimits
{
public:
    explicit CallLimits(OfficeProcess &office)
        : m_office(office)
    {
        m_office.setCallLimits(std::chrono::milliseconds(1500), std::chrono::seconds(20));
    }
    ~CallLimits() { m_office.setCallLimits(std::chrono::seconds(15), std::chrono::seconds(180)); }
    CallLimits(const CallLimits &) = delete;
    CallLimits &operator=(const CallLimits &) = delete;

private:
    OfficeProcess &m_office;
};

} // namespace

// The gateway against a real office process and real books: one cExcel (and
// so one office process) serves every case.
class tst_cExcel : public QObject
{
    Q_OBJECT

private:
    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    std::unique_ptr<cExcel> m_excel;

    // A private copy of a fixture, so that nothing touches the originals.
    QString copyOf(const QString &fixture, const QString &as = QString())
    {
        return TestBooks::Copy(m_work.path(), fixture, as);
    }

private slots:
    void initTestCase()
    {
        MessageBox::SetTestMode(true);
        m_excel = std::make_unique<cExcel>();
    }

    void cleanupTestCase() { m_excel.reset(); }

    void init() { MessageBox::TakeShown(); }

    void engineVersionComesFromAThrowAwayInstance()
    {
        cExcel throwAway;
        const QString version = throwAway.ExcelVer();
        QVERIFY2(!version.isEmpty(), "the engine could not be started");
        QVERIFY(version.at(0).isDigit());
    }

    void nothingOpenGivesFallbacks()
    {
        cExcel fresh;
        QCOMPARE(fresh.ExcelStatus(), false);
        QCOMPARE(fresh.GetSheetCount(), qint16(-1));
        QCOMPARE(fresh.GetSheetName(0), QString());
        QCOMPARE(fresh.GetSheetNo(QStringLiteral("Sheet1")), qint16(0));
        QCOMPARE(fresh.GetActiveWorkBookProtect(), qint16(-1));
        QVERIFY_THROWS_EXCEPTION(ExcelError, fresh.DeleteSheet(QStringLiteral("Sheet1")));
    }

    void attributeWordsAreExcels_data()
    {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("words");
        QTest::newRow("every kind") << "kinds_ws_chart_xlm_dialog_vba.xls"
                                    << QStringList{"Sheet1", "Chart1", "Macro1", "Dialog1"}
                                    << QList<int>{1, 5, 2, 16};
        QTest::newRow("very hidden") << "visible_hidden_veryhidden.xls"
                                     << QStringList{"Visible", "Hidden", "VeryHidden"}
                                     << QList<int>{1, 0, 0};
        QTest::newRow("hidden and protected")
            << "hidden_and_protected_sheets.xls"
            << QStringList{"Instructions", "RM1", "Enabling Macros", "Formulated", "Assembled",
                           "ListData", "BuildData"}
            << QList<int>{17, 17, 17, 16, 16, 0, 16};
        QTest::newRow("embedded chart") << "embedded_chart_on_sheet2.xls"
                                        << QStringList{} << QList<int>{};
        QTest::newRow("macro sheet beside a worksheet")
            << "xlm_macro_autoopen.xls" << QStringList{"MyWB", "Macro1"} << QList<int>{1, 2};
    }

    void attributeWordsAreExcels()
    {
        QFETCH(QString, book);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, words);
        m_excel->OpenExcel(copyOf(book));
        QVERIFY(m_excel->ExcelStatus());
        if (names.isEmpty()) { // every sheet with charts gets the chart bit
            const QStringList all = GatewaySheetNames(*m_excel);
            QVERIFY(all.size() >= 2);
            QCOMPARE(m_excel->GetSheetAttribute(book, all.at(1)) & 4, 4);
            return;
        }
        QCOMPARE(GatewaySheetNames(*m_excel), names);
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(m_excel->GetSheetAttribute(book, names.at(i)), words.at(i));
        // A sheet that is not there: only the protection step adds its bit.
        QCOMPARE(m_excel->GetSheetAttribute(book, QStringLiteral("nowhere")), 16);
        QVERIFY_THROWS_EXCEPTION(ExcelError,
                                 m_excel->GetSheetAttribute(QStringLiteral("other.xls"), names.at(0)));
    }

    void sheetLookupsCompareExactly()
    {
        m_excel->OpenExcel(copyOf(QStringLiteral("vba_module1.xls")));
        QCOMPARE(m_excel->GetSheetCount(), qint16(3));
        QCOMPARE(m_excel->GetSheetNo(QStringLiteral("Sheet2")), qint16(2));
        QCOMPARE(m_excel->GetSheetNo(QStringLiteral("sheet2")), qint16(0));
        QCOMPARE(m_excel->GetSheetName(4), QString());
        QCOMPARE(m_excel->GetActiveWorkBookProtect(), qint16(0));
    }

    void severalBooksOpenAndABadOneIsSkipped()
    {
        const QStringList paths{copyOf(QStringLiteral("vba_module1.xls")),
                                copyOf(QStringLiteral("zero_bytes.xls")),
                                copyOf(QStringLiteral("hidden_third_sheet.xls"))};
        m_excel->OpenExcel(paths);
        QCOMPARE(m_excel->xlApp->SheetsInNewWorkbook, 3);
        QCOMPARE(m_excel->xlApp->Workbooks().size(), 2);
        m_excel->BookActive(QStringLiteral("VBA_MODULE1.XLS")); // captions ignore case
        QCOMPARE(m_excel->GetSheetCount(), qint16(3));
        m_excel->BookActive(QStringLiteral("hidden_third_sheet.xls"));
        QCOMPARE(m_excel->GetSheetCount(), qint16(4));
        QVERIFY_THROWS_EXCEPTION(ExcelError, m_excel->BookActive(QStringLiteral("zero_bytes.xls")));
    }

    void badFilesAreErrorsAndTheGatewayStaysUsable_data()
    {
        QTest::addColumn<QString>("book");
        for (const char *name : {"zero_bytes.xls", "too_small_text.xls", "bmp_renamed.xls",
                                 "corrupt_fuzz_msat.xls", "truncated_simplemacro.xls",
                                 "encrypted_rc4_password.xls", "encrypted_cryptoapi_freedom.xls"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void badFilesAreErrorsAndTheGatewayStaysUsable()
    {
        QFETCH(QString, book);
        m_excel->CloseExcel();
        try {
            m_excel->OpenBook(copyOf(book));
            QFAIL("a file that is no readable workbook opened");
        } catch (const ExcelError &error) {
            QVERIFY(error.number() != 0);
            QVERIFY(!error.description().isEmpty());
        }
        m_excel->OpenBook(copyOf(QStringLiteral("vba_module1.xls")));
        QCOMPARE(m_excel->GetSheetCount(), qint16(3));
    }

    void otherFormatsOpenReadOnly()
    {
        m_excel->CloseExcel();
        const QString path = copyOf(QStringLiteral("biff5_visibility.xls"));
        const QByteArray before = TestBooks::Digest(path);
        m_excel->OpenBook(path);
        QVERIFY(m_excel->GetSheetCount() > 0);
        const QString first = m_excel->GetSheetName(1);
        QVERIFY(!m_excel->RenameSheet(first, QStringLiteral("Renamed")).isEmpty());
        QVERIFY(m_excel->SaveBook(path) != 0);
        QCOMPARE(TestBooks::Digest(path), before);
    }

    void protectedBooksReportProtection()
    {
        m_excel->OpenExcel(copyOf(QStringLiteral("wb_protected_default_password.xls")));
        QCOMPARE(m_excel->GetActiveWorkBookProtect(), qint16(1));
        QCOMPARE(m_excel->GetSheetCount(), qint16(3));
        QVERIFY(!m_excel->RenameSheet(m_excel->GetSheetName(2), QStringLiteral("x")).isEmpty());
    }

    void macroCheckListsCodeModulesOnly()
    {
        m_excel->OpenExcel(copyOf(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls")));
        QStringList modules;
        QList<int> types;
        QVERIFY(m_excel->CheckMacroObject(modules, types));
        QCOMPARE(modules, (QStringList{"Module1", "UserForm1", "Class1"}));
        QCOMPARE(types, (QList<int>{1, 3, 2}));

        m_excel->OpenExcel(copyOf(QStringLiteral("vba_document_module_only.xls")));
        QStringList untouched{"keep"};
        QList<int> untouchedTypes{7};
        QVERIFY(!m_excel->CheckMacroObject(untouched, untouchedTypes));
        QCOMPARE(untouched, QStringList{"keep"});
        QCOMPARE(untouchedTypes, QList<int>{7});
    }

    void renameFollowsExcelsRulesAndSavesInPlace()
    {
        const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        m_excel->OpenExcel(path);
        QVERIFY(!m_excel->RenameSheet(QStringLiteral("Sheet1"), QStringLiteral("a/b")).isEmpty());
        QVERIFY(!m_excel->RenameSheet(QStringLiteral("Sheet1"), QStringLiteral("SHEET2")).isEmpty());
        QVERIFY(!m_excel->RenameSheet(QStringLiteral("Sheet1"), QString(32, QLatin1Char('x'))).isEmpty());
        QVERIFY(!m_excel->RenameSheet(QStringLiteral("missing"), QStringLiteral("x")).isEmpty());
        QCOMPARE(m_excel->RenameSheet(QStringLiteral("Sheet1"), QStringLiteral("売上'23")), QString());
        QCOMPARE(m_excel->GetSheetName(1), QStringLiteral("売上'23"));
        QCOMPARE(m_excel->SaveBook(path), 0);
        m_excel->OpenExcel(path);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"売上'23", "Sheet2", "Sheet3", "Sheet4"}));
        QCOMPARE(m_excel->GetSheetAttribute(QStringLiteral("hidden_third_sheet.xls"),
                                            QStringLiteral("Sheet3")), 0);
    }

    void hidingFollowsOnlyTheVisibleBit()
    {
        const QString book = QStringLiteral("vba_module1.xls");
        m_excel->OpenExcel(copyOf(book));
        m_excel->SetSheetAttribute(book, QStringLiteral("Sheet1"), 16);
        QCOMPARE(m_excel->GetSheetAttribute(book, QStringLiteral("Sheet1")), 0);
        m_excel->SetSheetAttribute(book, QStringLiteral("Sheet2"), 0);
        QVERIFY_THROWS_EXCEPTION(ExcelError,
                                 m_excel->SetSheetAttribute(book, QStringLiteral("Sheet3"), 0));
        QCOMPARE(m_excel->GetSheetAttribute(book, QStringLiteral("Sheet3")), 1);
        m_excel->SetSheetAttribute(book, QStringLiteral("Sheet1"), 1);
        QCOMPARE(m_excel->GetSheetAttribute(book, QStringLiteral("Sheet1")), 1);
        QVERIFY_THROWS_EXCEPTION(ExcelError, m_excel->SelectedSheet(QStringLiteral("Sheet2")));
        m_excel->SelectedSheet(QStringLiteral("Sheet1"));
    }

    void lastCellIsTheMergedAreasCorner()
    {
        m_excel->OpenExcel(copyOf(QStringLiteral("last_cell_merged_block.xls")));
        qint32 row = -1, column = -1;
        m_excel->GetLastRowColOFSheet(m_excel->GetSheetName(1), row, column);
        QCOMPARE(row, 4);
        QCOMPARE(column, 4);
        m_excel->GetLastRowColOFSheet(QStringLiteral("missing"), row, column);
        QCOMPARE(row, 0);
        QCOMPARE(column, 0);
    }

    void pageCountsComeFromTheRenderer()
    {
        const QString book = QStringLiteral("hidden_third_sheet.xls");
        m_excel->OpenExcel(copyOf(book));
        QVariant row, column;
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet1"), &row, &column) >= 1);
        QVERIFY(row.toInt() >= 1);
        // A hidden sheet is counted and stays hidden.
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet3")) >= 1);
        QCOMPARE(m_excel->GetSheetAttribute(book, QStringLiteral("Sheet3")), 0);
        QCOMPARE(MessageBox::TakeShown().size(), 0);

        QCOMPARE(m_excel->GetPageOFSheet(QStringLiteral("missing")), 0);
        const QList<MessageBox::Shown> shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).text,
                 QStringLiteral("選択されているﾌﾞｯｸには、ｼｰﾄ missing は存在しません。"
                                " ｼｰﾄ名称を変更した場合には、１度保存して下さい。"));
        QCOMPARE(shown.at(0).style, 0x10u);
    }

    void pageCountsFollowUnsavedEdits()
    {
        m_excel->OpenExcel(copyOf(QStringLiteral("page_setup_fit_print_area.xls")));
        const QString first = m_excel->GetSheetName(1);
        const qint32 pages = m_excel->GetPageOFSheet(first);
        QVERIFY(pages >= 1);
        QCOMPARE(m_excel->RenameSheet(first, QStringLiteral("Renamed")), QString());
        QCOMPARE(m_excel->GetPageOFSheet(QStringLiteral("Renamed")), pages);
        QCOMPARE(MessageBox::TakeShown().size(), 0);
    }

    void movingWithinABookKeepsExcelsOrder()
    {
        const QString book = QStringLiteral("hidden_third_sheet.xls");
        m_excel->OpenExcel(copyOf(book));
        m_excel->MoveSheet(book, {"Sheet1", "Sheet2"}, book, QStringLiteral("Sheet4"), 0);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet3", "Sheet4", "Sheet1", "Sheet2"}));
        m_excel->MoveSheet(book, {"Sheet2"}, book, QStringLiteral("Sheet3"), 1);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet2", "Sheet3", "Sheet4", "Sheet1"}));
        // A failing move returns normally and changes nothing.
        m_excel->MoveSheet(book, {"nowhere"}, book, QStringLiteral("Sheet3"), 1);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet2", "Sheet3", "Sheet4", "Sheet1"}));
        QCOMPARE(m_excel->GetSheetAttribute(book, QStringLiteral("Sheet3")), 0);
    }

    void copiesWithinABookGetExcelsNamesAndStayHidden()
    {
        const QString book = QStringLiteral("hidden_third_sheet.xls");
        const QString path = copyOf(book);
        m_excel->OpenExcel(path);
        m_excel->CopySheet(book, {"Sheet3", "Sheet1"}, book, QStringLiteral("Sheet4"));
        QCOMPARE(GatewaySheetNames(*m_excel),
                 (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet4", "Sheet3 (2)", "Sheet1 (2)"}));
        QCOMPARE(m_excel->GetSheetAttribute(book, QStringLiteral("Sheet3 (2)")), 0);
        QCOMPARE(m_excel->GetSheetAttribute(book, QStringLiteral("Sheet1 (2)")), 1);
        QCOMPARE(m_excel->xlApp->ActiveWorkbook().officeSaveLosses(), QStringList());
        QCOMPARE(m_excel->SaveBook(path), 0);
        m_excel->OpenExcel(path);
        QCOMPARE(GatewaySheetNames(*m_excel).size(), 6);
        QCOMPARE(m_excel->GetSheetAttribute(book, QStringLiteral("Sheet3 (2)")), 0);
    }

    void sheetsCopiedBetweenBooksGoThroughTheRecords()
    {
        const QString target = copyOf(QStringLiteral("chartsheet_data_chart.xls"));
        const QString source = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        m_excel->OpenExcel(QStringList{target, source});
        m_excel->CopySheet(QStringLiteral("hidden_third_sheet.xls"), {"Sheet3"},
                           QStringLiteral("chartsheet_data_chart.xls"), QStringLiteral("Data"));
        m_excel->BookActive(QStringLiteral("chartsheet_data_chart.xls"));
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Data", "Sheet3", "Chart1"}));
        QCOMPARE(m_excel->GetSheetAttribute(QStringLiteral("chartsheet_data_chart.xls"),
                                            QStringLiteral("Sheet3")), 0);
        // The book's own records take the copy: its save loses nothing.
        QCOMPARE(m_excel->SaveLosses(QStringLiteral("chartsheet_data_chart.xls")), QStringList());
        QCOMPARE(m_excel->SaveBook(target), 0);
        m_excel->OpenExcel(target);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Data", "Sheet3", "Chart1"}));
        QCOMPARE(m_excel->GetSheetAttribute(QStringLiteral("chartsheet_data_chart.xls"),
                                            QStringLiteral("Chart1")), 5);
        QCOMPARE(m_excel->GetSheetAttribute(QStringLiteral("chartsheet_data_chart.xls"),
                                            QStringLiteral("Sheet3")), 0);
    }

    void sheetsMovedBetweenBooksAreSavedTargetFirst()
    {
        const QString target = copyOf(QStringLiteral("page_breaks_manual.xls"));
        const QString source = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        m_excel->OpenExcel(QStringList{source, target});
        m_excel->BookActive(QStringLiteral("page_breaks_manual.xls"));
        const QStringList targetSheets = GatewaySheetNames(*m_excel);
        m_excel->MoveSheet(QStringLiteral("hidden_third_sheet.xls"), {"Sheet2", "Sheet3"},
                           QStringLiteral("page_breaks_manual.xls"), targetSheets.first(), 1);
        QVERIFY(m_excel->xlApp->Workbook(QStringLiteral("page_breaks_manual.xls")).savesBeforeItsSources());
        QCOMPARE(m_excel->SaveExcel(QString()), 0);
        quirn::BookFile moved, left;
        QVERIFY(!moved.open(target));
        QVERIFY(!left.open(source));
        QCOMPARE(moved.sheetCount(), targetSheets.size() + 2);
        QCOMPARE(moved.sheet(0).name, QStringLiteral("Sheet2 (2)"));
        QCOMPARE(moved.sheet(1).name, QStringLiteral("Sheet3 (2)"));
        QCOMPARE(moved.sheet(1).visibility, quirn::SheetVisibility::Hidden);
        QCOMPARE(left.indexOf(QStringLiteral("Sheet2")), -1);
        QCOMPARE(left.indexOf(QStringLiteral("Sheet3")), -1);
        QCOMPARE(left.sheetCount(), 2);
        // All the visible sheets cannot leave their book.
        m_excel->OpenExcel(QStringList{source, target});
        m_excel->MoveSheet(QStringLiteral("hidden_third_sheet.xls"), {"Sheet1", "Sheet4"},
                           QStringLiteral("page_breaks_manual.xls"), targetSheets.first(), 1);
        m_excel->BookActive(QStringLiteral("hidden_third_sheet.xls"));
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet1", "Sheet4"}));
    }

    void sheetsTheRecordsCannotCarryNeedConsentToALossySave()
    {
        const QString target = copyOf(QStringLiteral("chartsheet_data_chart.xls"));
        const QString source = copyOf(QStringLiteral("pivot_cache_extra_sheet.xls"));
        m_excel->OpenExcel(QStringList{target, source});
        // A sheet with a pivot table is copied by the office.
        m_excel->CopySheet(QStringLiteral("pivot_cache_extra_sheet.xls"), {"Pivot"},
                           QStringLiteral("chartsheet_data_chart.xls"), QStringLiteral("Data"));
        m_excel->BookActive(QStringLiteral("chartsheet_data_chart.xls"));
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Data", "Pivot", "Chart1"}));

        const QByteArray before = TestBooks::Digest(target);
        const QStringList losses = m_excel->SaveLosses(QStringLiteral("chartsheet_data_chart.xls"));
        QVERIFY(!losses.isEmpty());
        QVERIFY(m_excel->SaveBook(target) != 0);
        QVERIFY(m_excel->LastSaveError().contains(losses.first()));
        QCOMPARE(TestBooks::Digest(target), before);

        m_excel->AllowLossySave(QStringLiteral("chartsheet_data_chart.xls"));
        QCOMPARE(m_excel->SaveBook(target), 0);
        m_excel->OpenExcel(target);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Data", "Pivot", "Chart1"}));
    }

    void anOfficeSaveKeepsHiddenAndVeryHiddenSheets()
    {
        const QString target = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
        const QString source = copyOf(QStringLiteral("vba_module1.xls"));
        m_excel->OpenExcel(QStringList{target, source});
        m_excel->CopySheet(QStringLiteral("vba_module1.xls"), {"Sheet2"},
                           QStringLiteral("visible_hidden_veryhidden.xls"), QStringLiteral("Visible"));
        // Very hidden is put right through the book's records after the save.
        QCOMPARE(m_excel->SaveLosses(QStringLiteral("visible_hidden_veryhidden.xls")), QStringList());
        m_excel->BookActive(QStringLiteral("visible_hidden_veryhidden.xls"));
        QCOMPARE(m_excel->SaveBook(target), 0);
        quirn::BookFile saved;
        QVERIFY(!saved.open(target));
        QStringList names;
        QList<quirn::SheetVisibility> states;
        for (const quirn::SheetFacts &facts : saved.sheets()) {
            names << facts.name;
            states << facts.visibility;
        }
        QCOMPARE(names, (QStringList{"Visible", "Sheet2", "Hidden", "VeryHidden"}));
        QCOMPARE(states, (QList<quirn::SheetVisibility>{quirn::SheetVisibility::Visible,
                                                         quirn::SheetVisibility::Visible,
                                                         quirn::SheetVisibility::Hidden,
                                                         quirn::SheetVisibility::VeryHidden}));
    }

    void sheetsCopiedIntoAMacroBookKeepItsProject()
    {
        const QString book = QStringLiteral("vba_module1.xls");
        const QString target = copyOf(book);
        const QString source = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        m_excel->OpenExcel(QStringList{target, source});
        m_excel->CopySheet(QStringLiteral("hidden_third_sheet.xls"), {"Sheet4"}, book,
                           QStringLiteral("Sheet1"));
        // Sheets with code modules of their own are copied by the office.
        m_excel->CopySheet(book, {"Sheet2"}, book, QStringLiteral("Sheet3"));
        // A clash with a sheet of the target is named as Excel names it.
        m_excel->CopySheet(QStringLiteral("hidden_third_sheet.xls"), {"Sheet1"}, book,
                           QStringLiteral("Sheet3"));
        m_excel->BookActive(book);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet1", "Sheet4", "Sheet2", "Sheet3", "Sheet1 (2)",
                                            "Sheet2 (2)"}));
        m_excel->DeleteSheet(QStringLiteral("Sheet1 (2)"));
        QCOMPARE(m_excel->SaveBook(target), 0);
        m_excel->OpenExcel(target);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet1", "Sheet4", "Sheet2", "Sheet3", "Sheet2 (2)"}));
        QStringList modules;
        QList<int> types;
        QVERIFY(m_excel->CheckMacroObject(modules, types));
        QCOMPARE(modules, QStringList{"Module1"});
    }

    void movingToNoBookMakesANewBook()
    {
        const QString book = QStringLiteral("vba_module1.xls");
        m_excel->OpenExcel(copyOf(book));
        m_excel->MoveSheet(book, {"Sheet2", "Sheet3"});
        QVERIFY(m_excel->xlApp->ActiveWorkbook().Name() != book);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet2", "Sheet3"}));
        m_excel->BookActive(book);
        QCOMPARE(GatewaySheetNames(*m_excel), QStringList{"Sheet1"});
        // The last sheet cannot leave its book.
        m_excel->MoveSheet(book, {"Sheet1"});
        QCOMPARE(GatewaySheetNames(*m_excel), QStringList{"Sheet1"});
    }

    void deletingFollowsExcelsRules()
    {
        const QString book = QStringLiteral("visible_hidden_veryhidden.xls");
        m_excel->OpenExcel(copyOf(book));
        QVERIFY_THROWS_EXCEPTION(ExcelError, m_excel->DeleteSheet(QStringLiteral("Visible")));
        m_excel->DeleteSheet(QStringLiteral("Hidden"));
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Visible", "VeryHidden"}));
        QVERIFY_THROWS_EXCEPTION(ExcelError, m_excel->DeleteSheet(QStringLiteral("missing")));
    }

    void aNewBookHasTheAskedSheets()
    {
        m_excel->OpenExcel(copyOf(QStringLiteral("vba_module1.xls")));
        const QString name = m_excel->AddNewBook(2).toString();
        QVERIFY(!name.isEmpty());
        QCOMPARE(m_excel->GetSheetCount(), qint16(2));
        const QString path = m_work.filePath(QStringLiteral("new book.xls"));
        QCOMPARE(m_excel->SaveBook(path), 0);
        QVERIFY(QFile::exists(path));
        m_excel->OpenExcel(path);
        QCOMPARE(m_excel->GetSheetCount(), qint16(2));
    }

    void theOfficeKilledBetweenTwoCallsIsRestarted()
    {
        const QString book = QStringLiteral("hidden_third_sheet.xls");
        m_excel->OpenExcel(copyOf(book));
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet1")) >= 1);
        const qint64 group = m_excel->xlApp->office().processGroup();
        QVERIFY(group > 0);
        ::kill(-pid_t(group), SIGKILL);
        QTRY_VERIFY2_WITH_TIMEOUT(!m_excel->xlApp->officeAnswers(), "the killed office still answers", 60000);
        QVERIFY(m_excel->ExcelStatus());
        m_excel->ReOpenExcel(copyOf(book));
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet1")) >= 1);
        QCOMPARE(MessageBox::TakeShown().size(), 0);
    }

    void handingOverNeedsADisplayAndKeepsUnsavedChanges()
    {
        const QString path = copyOf(QStringLiteral("vba_module1.xls"));
        m_excel->OpenExcel(path);
        QCOMPARE(m_excel->RenameSheet(QStringLiteral("Sheet1"), QStringLiteral("One")), QString());
        const QByteArray before = TestBooks::Digest(path);
        try {
            m_excel->xlApp->setVisible(true);
            QFAIL("a book was shown without a display");
        } catch (const ExcelError &error) {
            QVERIFY(error.description().contains(QStringLiteral("画面")));
        }
        // Refused before anything was done: the change is kept, unsaved.
        QCOMPARE(m_excel->GetSheetName(1), QStringLiteral("One"));
        QCOMPARE(TestBooks::Digest(path), before);
        QCOMPARE(m_excel->SaveBook(path), 0);
        // Tests run without a display: the user is told, nothing is shown.
        try {
            m_excel->xlApp->setVisible(true);
            QFAIL("a book was shown without a display");
        } catch (const ExcelError &error) {
            QVERIFY(error.description().contains(QStringLiteral("画面")));
        }
        QCOMPARE(m_excel->xlApp->Visible(), false);
        QCOMPARE(m_excel->GetSheetName(1), QStringLiteral("One"));
    }

    void aHungOfficeIsEndedAndTheNextCallWorks()
    {
        const QString book = QStringLiteral("hidden_third_sheet.xls");
        m_excel->OpenExcel(copyOf(book));
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet1")) >= 1);
        OfficeProcess &office = m_excel->xlApp->office();
        const CallLimits limits(office);
        const qint64 hung = office.processGroup();
        ::kill(-pid_t(hung), SIGSTOP);
        // Unsaved record edits are rendered by a new office; the hung one is ended.
        QCOMPARE(m_excel->RenameSheet(QStringLiteral("Sheet1"), QStringLiteral("One")), QString());
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("One")) >= 1);
        QVERIFY(office.processGroup() != hung);
        QTRY_VERIFY2_WITH_TIMEOUT(::kill(-pid_t(hung), 0) != 0, "the hung office was never ended", 60000);
        QCOMPARE(MessageBox::TakeShown().size(), 0);
    }

    void aSaveInAHungOfficeFailsAndKeepsTheOriginal()
    {
        const QString target = copyOf(QStringLiteral("vba_module1.xls"));
        const QString source = copyOf(QStringLiteral("pivot_cache_extra_sheet.xls"));
        m_excel->OpenExcel(QStringList{target, source});
        // A sheet with a pivot table: the office copies it, and saves the book.
        m_excel->CopySheet(QStringLiteral("pivot_cache_extra_sheet.xls"), {"Pivot"},
                           QStringLiteral("vba_module1.xls"), QStringLiteral("Sheet3"));
        m_excel->BookActive(QStringLiteral("vba_module1.xls"));
        QCOMPARE(GatewaySheetNames(*m_excel).size(), 4);
        const QByteArray before = TestBooks::Digest(target);
        OfficeProcess &office = m_excel->xlApp->office();
        {
            const CallLimits limits(office);
            ::kill(-pid_t(office.processGroup()), SIGSTOP);
            QVERIFY(m_excel->SaveBook(target) != 0);
        }
        QVERIFY(!m_excel->LastSaveError().isEmpty());
        QCOMPARE(TestBooks::Digest(target), before);
        // The book opens again as it was saved, and renders with a new office.
        m_excel->OpenExcel(target);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet1", "Sheet2", "Sheet3"}));
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet1")) >= 1);
        QCOMPARE(MessageBox::TakeShown().size(), 0);
    }

    void closingLeavesNoBookOpen()
    {
        const QString path = copyOf(QStringLiteral("vba_module1.xls"));
        m_excel->OpenExcel(path);
        QCOMPARE(m_excel->RenameSheet(QStringLiteral("Sheet1"), QStringLiteral("One")), QString());
        QCOMPARE(m_excel->CloseExcel(QStringLiteral("vba_module1.xls")), 0);
        QCOMPARE(m_excel->ExcelStatus(), false);
        QCOMPARE(m_excel->GetSheetCount(), qint16(-1));
        m_excel->ReOpenExcel(path);
        QCOMPARE(m_excel->GetSheetName(1), QStringLiteral("One"));
    }
};

QTEST_MAIN(tst_cExcel)
#include "tst_cExcel.moc"
