// The gateway on books that push its limits, and saves that could hurt: a
// new book saved without a folder, books closed after their save failed, an
// office copy lost with its process. Against a real office process and real
// books.

#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "FlatDocument.h"
#include "OfficeDocument.h"
#include "HostileBooks.h"
#include "MessageBox.h"
#include "OfficeProcess.h"
#include "OfficeTestEnvironment.h"
#include "BookFile.h"
#include "CompoundFile.h"
#include "GatewaySheets.h"
#include "TestBooks.h"
#include "TestTool.h"
#include "cExcel.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

class tst_cExcelSafety : public QObject
{
    Q_OBJECT

private:
    OfficeTestEnvironment m_environment;
    QTemporaryDir m_work;
    std::unique_ptr<cExcel> m_excel;

    QString copyOf(const QString &fixture, const QString &as = QString())
    {
        return TestBooks::Copy(m_work.path(), fixture, as);
    }

    // Every stream of the book's VBA project, by path.
    static QHash<QString, QByteArray> vbaStreams(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const auto container = quirn::CompoundFile::open(file.readAll());
        QHash<QString, QByteArray> streams;
        for (const QString &stream : container ? container->streamPaths() : QStringList()) {
            if (!stream.startsWith(QStringLiteral("_VBA_PROJECT_CUR/")))
                continue;
            QByteArray bytes;
            container->readStream(stream, &bytes);
            streams.insert(stream, bytes);
        }
        return streams;
    }

private slots:
    void initTestCase()
    {
        MessageBox::SetTestMode(true);
        m_excel = std::make_unique<cExcel>();
    }

    void cleanupTestCase() { m_excel.reset(); }

    void init() { MessageBox::TakeShown(); }

    void sheetCountsStayWithinWhatTheGatewayCounts()
    {
        const QString most = m_work.filePath(QStringLiteral("most.xls"));
        QVERIFY(HostileBooks::writeBook(most, 32767));
        m_excel->CloseExcel();
        m_excel->OpenBook(most);
        QCOMPARE(m_excel->GetSheetCount(), qint16(32767));
        QCOMPARE(m_excel->GetSheetName(32767), QStringLiteral("S32767"));
        QCOMPARE(m_excel->GetSheetAttribute(QStringLiteral("most.xls"), QStringLiteral("S32767")), 1);
        QCOMPARE(m_excel->GetSheetNo(QStringLiteral("S30000")), qint16(30000));

        const QString tooMany = m_work.filePath(QStringLiteral("too many.xls"));
        QVERIFY(HostileBooks::writeBook(tooMany, 40000));
        m_excel->CloseExcel();
        try {
            m_excel->OpenBook(tooMany);
            QFAIL("a book of 40,000 sheets was opened");
        } catch (const ExcelError &error) {
            QVERIFY2(error.description().contains(QStringLiteral("40000")), qPrintable(error.description()));
        }
        m_excel->CloseExcel();
        m_excel->OpenExcel(tooMany);
        QCOMPARE(m_excel->GetSheetCount(), qint16(-1));
    }

    void aNewBookIsNeverSavedUnderItsCaption()
    {
        const QString folder = m_work.filePath(QStringLiteral("working folder"));
        QDir().mkpath(folder);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder);
        m_excel->OpenExcel(copyOf(QStringLiteral("vba_module1.xls")));
        const QString caption = m_excel->AddNewBook(1).toString();
        QVERIFY(!caption.isEmpty());
        QVERIFY(m_excel->SaveExcel(QStringLiteral("vba_module1.xls")) != 0);
        QVERIFY2(m_excel->LastSaveError().contains(QStringLiteral("名前を付けて保存")),
                 qPrintable(m_excel->LastSaveError()));
        QVERIFY(m_excel->SaveBook(caption) != 0);
        QCOMPARE(m_excel->CloseExcel(QStringLiteral("vba_module1.xls")) != 0, true);
        QDir::setCurrent(previous);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList());
        m_excel->CloseExcel();
    }

    void closingKeepsBooksWhoseSaveFailed()
    {
        const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        m_excel->OpenExcel(path);
        QCOMPARE(m_excel->RenameSheet(QStringLiteral("Sheet1"), QStringLiteral("One")), QString());
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0444), 0);
        QVERIFY(m_excel->CloseExcel(path) != 0);
        QVERIFY(m_excel->LastSaveError().contains(QStringLiteral("読み取り専用")));
        QVERIFY(m_excel->ExcelStatus());
        QCOMPARE(m_excel->GetSheetName(1), QStringLiteral("One"));

        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0600), 0);
        QCOMPARE(m_excel->CloseExcel(path), 0);
        QVERIFY(!m_excel->ExcelStatus());
        m_excel->OpenExcel(path);
        QCOMPARE(m_excel->GetSheetName(1), QStringLiteral("One"));
        m_excel->CloseExcel();
    }

    void aBookWhoseOfficeCopyDiedIsLoadedAgain()
    {
        const QString first = copyOf(QStringLiteral("hidden_third_sheet.xls"));
        const QString second = copyOf(QStringLiteral("vba_module1.xls"));
        m_excel->OpenExcel(QStringList{first, second});
        m_excel->BookActive(QStringLiteral("hidden_third_sheet.xls"));
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet1")) >= 1);

        ::kill(-pid_t(m_excel->xlApp->office().processGroup()), SIGKILL);
        QTRY_VERIFY2_WITH_TIMEOUT(!m_excel->xlApp->officeAnswers(), "the killed office still answers", 60000);
        // Another book starts a new office ...
        m_excel->BookActive(QStringLiteral("vba_module1.xls"));
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet1")) >= 1);
        // ... and the first book's copy, gone with the old one, is loaded again.
        m_excel->BookActive(QStringLiteral("hidden_third_sheet.xls"));
        QVERIFY(m_excel->GetPageOFSheet(QStringLiteral("Sheet2")) >= 1);
        QCOMPARE(MessageBox::TakeShown().size(), 0);
        m_excel->CloseExcel();
    }

    // The office's copy of a book never runs its code, yet a save through
    // the office writes the VBA project back as it was.
    void anOfficeSaveKeepsTheVbaProjectAsItWas()
    {
        const QString target = copyOf(QStringLiteral("vba_std_and_class_modules.xls"));
        // A sheet with a pivot table: only the office carries it.
        const QString source = copyOf(QStringLiteral("pivot_cache_extra_sheet.xls"));
        const QString saved = m_work.filePath(QStringLiteral("vba saved.xls"));
        const QHash<QString, QByteArray> before = vbaStreams(target);
        QVERIFY(before.size() > 3);
        m_excel->OpenExcel(QStringList{target, source});
        const QStringList targetSheets = [&] {
            m_excel->BookActive(QStringLiteral("vba_std_and_class_modules.xls"));
            return GatewaySheetNames(*m_excel);
        }();
        m_excel->CopySheet(QStringLiteral("pivot_cache_extra_sheet.xls"), {"Pivot"},
                           QStringLiteral("vba_std_and_class_modules.xls"), targetSheets.first());
        m_excel->BookActive(QStringLiteral("vba_std_and_class_modules.xls"));
        QCOMPARE(GatewaySheetNames(*m_excel).size(), targetSheets.size() + 1);
        m_excel->AllowLossySave(QStringLiteral("vba_std_and_class_modules.xls"));
        QCOMPARE(m_excel->SaveBook(saved), 0);
        QCOMPARE(vbaStreams(saved), before);
        m_excel->CloseExcel();
    }

    // Agreeing to a loss covers what was named then, not what a later import adds.
    void anAgreementCoversOnlyTheLossesNamed()
    {
        const QString target = copyOf(QStringLiteral("chartsheet_data_chart.xls"));
        m_excel->OpenExcel(QStringList{target, copyOf(QStringLiteral("pivot_cache_extra_sheet.xls")),
                                       copyOf(QStringLiteral("protected_sheet_print_titles.xls"))});
        const QString book = QStringLiteral("chartsheet_data_chart.xls");
        m_excel->CopySheet(QStringLiteral("pivot_cache_extra_sheet.xls"), {"Pivot"}, book, QStringLiteral("Chart1"));
        const QStringList agreed = m_excel->SaveLosses(book);
        QVERIFY(!agreed.isEmpty());
        m_excel->AllowLossySave(book);
        m_excel->CopySheet(QStringLiteral("protected_sheet_print_titles.xls"), {"customer"}, book, QStringLiteral("Chart1"));
        const QStringList now = m_excel->SaveLosses(book);
        QVERIFY(now.size() > agreed.size());
        m_excel->BookActive(book);
        QVERIFY(m_excel->SaveBook(target) != 0);
        const auto added = std::find_if(now.cbegin(), now.cend(), [&](const QString &loss) { return !agreed.contains(loss); });
        QVERIFY(added != now.cend());
        QVERIFY2(m_excel->LastSaveError().contains(*added), qPrintable(m_excel->LastSaveError()));
        m_excel->AllowLossySave(book);
        QCOMPARE(m_excel->SaveBook(target), 0);
        m_excel->CloseExcel();
    }

    // A move through the office that the source cannot complete (its last
    // visible sheet) is refused whole: never a copy that calls itself a move.
    void aMoveIsCheckedOnBothSides()
    {
        const QString source = copyOf(QStringLiteral("embedded_chart_on_sheet2.xls"));
        m_excel->OpenExcel(QStringList{source, copyOf(QStringLiteral("hidden_third_sheet.xls")),
                                       copyOf(QStringLiteral("pivot_cache_extra_sheet.xls"))});
        const QString from = QStringLiteral("embedded_chart_on_sheet2.xls");
        const QString into = QStringLiteral("hidden_third_sheet.xls");
        // The target is the office's now: whatever comes into it comes through the office.
        m_excel->CopySheet(QStringLiteral("pivot_cache_extra_sheet.xls"), {"Pivot"}, into, QStringLiteral("Sheet4"));
        m_excel->BookActive(from);
        for (const char *sheet : {"Sheet1", "Sheet3"})
            m_excel->SetSheetAttribute(from, QString::fromLatin1(sheet), 0);
        m_excel->MoveSheet(from, {"Sheet2"}, into, QStringLiteral("Sheet4"));
        QVERIFY(!m_excel->LastTransferError().isEmpty());
        m_excel->BookActive(from);
        QCOMPARE(m_excel->GetSheetCount(), qint16(3));
        m_excel->BookActive(into);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet1", "Sheet2", "Sheet3", "Sheet4", "Pivot"}));

        // A move that can be made is made on both sides, the target saved first.
        m_excel->SetSheetAttribute(from, QStringLiteral("Sheet1"), 1);
        m_excel->MoveSheet(from, {"Sheet2"}, into, QStringLiteral("Sheet4"));
        QCOMPARE(m_excel->LastTransferError(), QString());
        m_excel->BookActive(into);
        QCOMPARE(GatewaySheetNames(*m_excel).at(4), QStringLiteral("Sheet2 (2)"));
        m_excel->BookActive(from);
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Sheet1", "Sheet3"}));
        QVERIFY(m_excel->xlApp->Workbook(into).savesBeforeItsSources());
        m_excel->CloseExcel();
    }

    // A move the office would make cannot keep the references the source's
    // other sheets hold to the moved sheet: it is refused, both books kept.
    void anOfficeMoveKeepsTheSourcesFormulas()
    {
        QTemporaryDir made;
        QFile flat(made.filePath(QStringLiteral("referring.fods")));
        QVERIFY(flat.open(QIODevice::WriteOnly));
        flat.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
                   "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                   "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                   "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.2\" "
                   "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body><office:spreadsheet>"
                   "<table:table table:name=\"Data\"><table:table-row><table:table-cell office:value-type=\"float\" "
                   "office:value=\"7\"/></table:table-row></table:table><table:table table:name=\"Sum\"><table:table-row>"
                   "<table:table-cell table:formula=\"of:=[$Data.A1]*2\"/></table:table-row></table:table>"
                   "</office:spreadsheet></office:body></office:document>\n");
        flat.close();
        QVERIFY(TestTool::Convert(QStringLiteral("xls:MS Excel 97"), {flat.fileName()}, made.path(),
                                  made.filePath(QStringLiteral("profile"))));
        const QString source = TestBooks::CopyFile(made.filePath(QStringLiteral("referring.xls")),
                                                   m_work.filePath(QStringLiteral("referring.xls")));
        const QString target = copyOf(QStringLiteral("chartsheet_data_chart.xls"));
        m_excel->OpenExcel(QStringList{target, copyOf(QStringLiteral("pivot_cache_extra_sheet.xls")), source});
        // The target is the office's now: whatever comes into it comes through the office.
        m_excel->CopySheet(QStringLiteral("pivot_cache_extra_sheet.xls"), {"Pivot"},
                           QStringLiteral("chartsheet_data_chart.xls"), QStringLiteral("Chart1"));
        m_excel->MoveSheet(QStringLiteral("referring.xls"), {"Data"}, QStringLiteral("chartsheet_data_chart.xls"),
                           QStringLiteral("Chart1"));
        QVERIFY2(m_excel->LastTransferError().contains(QStringLiteral("#REF!")), qPrintable(m_excel->LastTransferError()));
        m_excel->BookActive(QStringLiteral("referring.xls"));
        QCOMPARE(GatewaySheetNames(*m_excel), (QStringList{"Data", "Sum"}));
        m_excel->BookActive(QStringLiteral("chartsheet_data_chart.xls"));
        QCOMPARE(m_excel->GetSheetCount(), qint16(3));
        m_excel->CloseExcel();
    }

    // Sheets the office copies together refer to each other, not back to the
    // source; links to other books stay links.
    void sheetsCopiedTogetherThroughTheOfficeStayTogether()
    {
        const QString other = FlatDocument::Books(m_work.path(), {{"other", "<table:table table:name=\"Rates\"><table:table-row>"
            "<table:table-cell office:value-type=\"float\" office:value=\"3\"/></table:table-row></table:table>"}}).value(0);
        QVERIFY(!other.isEmpty());
        const QByteArray link = "'" + QUrl::fromLocalFile(other).toString().toUtf8() + "'#$Rates.A1";
        const QString source = FlatDocument::Books(m_work.path(), {{"group",
            "<table:table table:name=\"Data\"><table:table-row><table:table-cell office:value-type=\"float\" office:value=\"7\"/>"
            "</table:table-row></table:table><table:table table:name=\"Sum\"><table:table-row>"
            "<table:table-cell table:formula=\"of:=[$Data.A1]*2\"/><table:table-cell table:formula=\"of:=[$Rest.A1]+1\"/>"
            "<table:table-cell table:formula=\"of:=[" + link + "]*5\"/></table:table-row></table:table>"
            "<table:table table:name=\"Rest\"><table:table-row><table:table-cell office:value-type=\"float\" office:value=\"4\"/>"
            "</table:table-row></table:table>"}}).value(0);
        QVERIFY(!source.isEmpty());
        const QString target = copyOf(QStringLiteral("chartsheet_data_chart.xls"));
        m_excel->OpenExcel(QStringList{target, copyOf(QStringLiteral("pivot_cache_extra_sheet.xls")), source});
        m_excel->CopySheet(QStringLiteral("pivot_cache_extra_sheet.xls"), {"Pivot"},
                           QStringLiteral("chartsheet_data_chart.xls"), QStringLiteral("Chart1"));
        m_excel->CopySheet(QStringLiteral("group.xls"), {"Data", "Sum"}, QStringLiteral("chartsheet_data_chart.xls"),
                           QStringLiteral("Chart1"));
        QCOMPARE(m_excel->LastTransferError(), QString());
        // "Data" is the target's own: the copy of the source's is "Data (2)".
        const QList<QStringList> sum = m_excel->xlApp->Workbook(QStringLiteral("chartsheet_data_chart.xls"))
                                           .currentDocument().formulas(QStringLiteral("Sum"), 100);
        QCOMPARE(sum.value(0).value(0), QStringLiteral("=$'Data (2)'.A1*2"));
        QVERIFY2(sum.value(0).value(1).endsWith(QStringLiteral("/group.xls'#$Rest.A1+1")), qPrintable(sum.value(0).value(1)));
        // The link to the other book did not survive the office's copy: the save names it.
        const QStringList losses = m_excel->SaveLosses(QStringLiteral("chartsheet_data_chart.xls"));
        QVERIFY2(losses.contains(QStringLiteral("シート \"Sum\" の 1 個のセルの数式または値 (C1 など。参照やリンクが失われます)")),
                 qPrintable(losses.join(u'|')));
        QVERIFY(!losses.join(u'|').contains(QStringLiteral("Data (2)")));
        m_excel->CloseExcel();
    }
};

QTEST_MAIN(tst_cExcelSafety)
#include "tst_cExcelSafety.moc"
