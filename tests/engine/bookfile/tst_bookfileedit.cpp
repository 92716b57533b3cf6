// Structural edits of real books, saved and compared record by record with
// the original, then read back by this reader, by a separate reader of the
// records (when it is installed) and by LibreOffice.

#include "BiffRecord.h"
#include "BookFile.h"
#include "BookRecords.h"
#include "RecordOracle.h"
#include "TestBooks.h"
#include "TestTool.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace quirn;
using namespace quirn::biff;

namespace {

// Sheet names of each XTI entry of the own book ("A" or "A:B", "#REF" when gone).
QStringList externSheetNames(const BookRecords &book)
{
    QStringList out;
    int self = -1, supbooks = 0;
    for (const Record &r : book.globals) {
        if (r.type == rtSupBook) {
            if (u16(r.data, 2) == 0x0401)
                self = supbooks;
            ++supbooks;
        }
    }
    for (const Record &r : book.globals) {
        if (r.type != rtExternSheet)
            continue;
        for (int i = 0, n = u16(r.data, 0); i < n; ++i) {
            const int sb = u16(r.data, 2 + 6 * i), first = u16(r.data, 4 + 6 * i), last = u16(r.data, 6 + 6 * i);
            auto nameOf = [&book](int t) {
                return t < book.sheetNames.size() ? book.sheetNames[t] : QStringLiteral("#REF");
            };
            if (sb != self)
                out << QStringLiteral("other book");
            else if (first == 0xFFFE)
                out << QStringLiteral("workbook");
            else {
                QStringList ends{nameOf(first), nameOf(last)};
                ends.sort(); // a 3-D range keeps its end sheets, in either order
                out << ends.join(QLatin1Char(':'));
            }
        }
    }
    return out;
}

struct SavedBook
{
    QString original;
    QString saved;
    QHash<QString, QString> oldNameOf; // saved sheet name -> original sheet name
};

} // namespace

class TestBookFileEdit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void renameChangesOnlyTheSheetDirectory_data();
    void renameChangesOnlyTheSheetDirectory();
    void renameCarriesPivotSourcesAlong();
    void hideAndShowKeepAVisibleActiveSheet();
    void moveCarriesEverySheetIndexAlong_data();
    void moveCarriesEverySheetIndexAlong();
    void deleteTurnsReferencesIntoErrors();
    void deleteRefusesWhatItCannotFollow();
    void deletingTheActiveSheetSelectsAnother();
    void duplicateCopiesTheSheetWithItsNames();
    void editsABookLibreOfficeMade();
    void excelRulesComeFirst();
    void encryptedBooksStayEncrypted_data();
    void encryptedBooksStayEncrypted();
    void pageSetupWritesOnlyItsRecords();
    void pageSetupFieldsReadBackBySeparateReader();
    void printAreaAndTitlesAreNames();
    void pageSetupOfAChartSheet();
    void failedSavesLeaveTheBookAsItWas();
    void killedSaveLeavesAWholeBook();
    void libreOfficeReadsEverySavedBook();

private:
    QString copyOf(const QString &fixtureName);
    void keepForLibreOffice(const QString &original, const QString &saved, const QHash<QString, QString> &oldNameOf);

    QTemporaryDir m_dir;
    int m_copies = 0;
    QList<SavedBook> m_saved;
};

void TestBookFileEdit::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestBookFileEdit::copyOf(const QString &fixtureName)
{
    return TestBooks::Copy(m_dir.path(), fixtureName, QStringLiteral("b%1_%2").arg(++m_copies).arg(fixtureName));
}

void TestBookFileEdit::keepForLibreOffice(const QString &original, const QString &saved,
                                          const QHash<QString, QString> &oldNameOf)
{
    m_saved.append({original, saved, oldNameOf});
}

void TestBookFileEdit::renameChangesOnlyTheSheetDirectory_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QString>("newName");
    QTest::newRow("every kind, VBA") << "kinds_ws_chart_xlm_dialog_vba.xls" << 1 << QStringLiteral("グラフ&Chart");
    QTest::newRow("Japanese") << "japanese_sheet_names.xls" << 1 << QStringLiteral("ｼｰﾄ名 変更");
    QTest::newRow("big, hidden and protected") << "hidden_and_protected_sheets.xls" << 4 << QStringLiteral("Assembled (old)");
    QTest::newRow("66 sheets, print titles") << "sheets_66_ampersand.xls" << 65 << QStringLiteral("Last & least");
    QTest::newRow("case only") << "header_ampersand.xls" << 0 << QStringLiteral("SHEET1");
}

void TestBookFileEdit::renameChangesOnlyTheSheetDirectory()
{
    QFETCH(QString, file);
    QFETCH(int, sheet);
    QFETCH(QString, newName);
    const QString path = copyOf(file);
    const BookRecords before = BookRecords::load(path);
    BookFile book;
    QVERIFY(!book.open(path));
    const QList<SheetFacts> factsBefore = book.sheets();
    const QString oldName = factsBefore[sheet].name;
    QVERIFY(!book.renameSheet(sheet, newName));
    QVERIFY(book.isModified());
    QVERIFY(!book.save());
    QVERIFY(!book.isModified());

    const BookRecords after = BookRecords::load(path);
    QVERIFY(after.error.isEmpty());
    QCOMPARE(after.otherStreams, before.otherStreams);
    QCOMPARE(after.differingGlobals(before), QList<quint16>{rtBoundSheet});
    QHash<QString, QString> oldNameOf;
    for (const QString &name : after.sheetNames)
        oldNameOf.insert(name, name == newName ? oldName : name);
    for (const QString &name : after.sheetNames)
        QCOMPARE(after.substreams.value(name), before.substreams.value(oldNameOf[name]));

    BookFile again;
    QVERIFY(!again.open(path));
    QList<SheetFacts> expected = factsBefore;
    expected[sheet].name = newName;
    QCOMPARE(again.sheetCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(again.sheet(i).name, expected[i].name);
        QCOMPARE(again.sheet(i).visibility, expected[i].visibility);
        QCOMPARE(again.sheet(i).kind, expected[i].kind);
        QVERIFY(again.sheet(i).pageSetup == expected[i].pageSetup);
    }
    QCOMPARE(again.vbaModules().size(), book.vbaModules().size());
    if (RecordOracle::Available()) {
        const QJsonArray sheets = RecordOracle::Scan(path).value(QStringLiteral("sheets")).toArray();
        QCOMPARE(sheets.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(sheets[i].toObject().value(QStringLiteral("name")).toString(), expected[i].name);
            QCOMPARE(sheets[i].toObject().value(QStringLiteral("hsState")).toInt(), int(expected[i].visibility));
        }
    }
    keepForLibreOffice(TestBooks::Fixture(file), path, oldNameOf);
}

void TestBookFileEdit::renameCarriesPivotSourcesAlong()
{
    // The pivot table's source is a sheet "Data" the book lacks: once the
    // sheet is named so, renaming it again takes the source along.
    const QString path = copyOf(QStringLiteral("pivot_cache_extra_sheet.xls"));
    BookFile book;
    QVERIFY(!book.open(path));
    QVERIFY(!book.renameSheet(0, QStringLiteral("Data")));
    QVERIFY(!book.save());
    const BookRecords named = BookRecords::load(path);
    QVERIFY(!book.renameSheet(0, QStringLiteral("Source sheet")));
    QVERIFY(!book.save());
    const BookRecords renamed = BookRecords::load(path);
    QCOMPARE(renamed.differingGlobals(named), QList<quint16>({0x0051, rtBoundSheet}));
    auto sourceOf = [](const BookRecords &b) {
        for (const Record &r : b.globals)
            if (r.type == 0x0051)
                return r.data;
        return QByteArray();
    };
    QCOMPARE(sourceOf(named).mid(6), QByteArray("\x05\x00\x00\x02" "Data\x00", 9));
    QCOMPARE(sourceOf(renamed).mid(6), QByteArray("\x0D\x00\x00\x02" "Source sheet\x00", 17));
    BookFile again;
    QVERIFY(!again.open(path));
    QCOMPARE(again.sheet(0).name, QStringLiteral("Source sheet"));
    keepForLibreOffice(TestBooks::Fixture(QStringLiteral("pivot_cache_extra_sheet.xls")), path, {{"Source sheet", "Pivot"}});
}

void TestBookFileEdit::hideAndShowKeepAVisibleActiveSheet()
{
    const QString path = copyOf(QStringLiteral("visible_hidden_veryhidden.xls"));
    BookFile book;
    QVERIFY(!book.open(path));
    QCOMPARE(book.sheet(2).visibility, SheetVisibility::VeryHidden);

    // The only visible sheet stays visible.
    QCOMPARE(book.setSheetVisibility(0, SheetVisibility::Hidden).code, BookFileError::Code::NoVisibleSheet);
    QCOMPARE(book.setSheetVisibility(0, SheetVisibility::VeryHidden).code, BookFileError::Code::NoVisibleSheet);
    QVERIFY(!book.isModified());
    // Hiding a very hidden sheet leaves it very hidden.
    QVERIFY(!book.setSheetVisibility(2, SheetVisibility::Hidden));
    QCOMPARE(book.sheet(2).visibility, SheetVisibility::VeryHidden);
    QVERIFY(!book.isModified());

    QVERIFY(!book.setSheetVisibility(2, SheetVisibility::Visible));
    QVERIFY(!book.setSheetVisibility(0, SheetVisibility::VeryHidden));
    QVERIFY(!book.save());

    BookFile again;
    QVERIFY(!again.open(path));
    QCOMPARE(again.sheet(0).visibility, SheetVisibility::VeryHidden);
    QCOMPARE(again.sheet(1).visibility, SheetVisibility::Hidden);
    QCOMPARE(again.sheet(2).visibility, SheetVisibility::Visible);

    // The sheet shown on opening is the visible one, and it alone is selected.
    const BookRecords after = BookRecords::load(path);
    for (const Record &r : after.globals)
        if (r.type == rtWindow1)
            QCOMPARE(int(u16(r.data, 10)), 2);
    for (int t = 0; t < 3; ++t) {
        const QByteArray &body = after.substreams.value(after.sheetNames[t]);
        qsizetype pos = 0;
        quint16 type = 0, length = 0;
        while (recordAt(body, pos, &type, &length) && type != rtWindow2)
            pos += 4 + length;
        QVERIFY(type == rtWindow2);
        QCOMPARE(bool(u16(body, pos + 4) & 0x0200), t == 2);
    }
    const BookRecords before = BookRecords::load(TestBooks::Fixture(QStringLiteral("visible_hidden_veryhidden.xls")));
    QCOMPARE(after.otherStreams, before.otherStreams);
    for (quint16 type : after.differingGlobals(before))
        QVERIFY(type == rtBoundSheet || type == rtWindow1);
    keepForLibreOffice(TestBooks::Fixture(QStringLiteral("visible_hidden_veryhidden.xls")), path, {});
}

void TestBookFileEdit::moveCarriesEverySheetIndexAlong_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("moving");
    QTest::addColumn<int>("before");
    QTest::newRow("local names, 3-D range end") << "apostrophe_sheet_name.xls" << QList<int>{0} << 4;
    QTest::newRow("two to the front") << "apostrophe_sheet_name.xls" << QList<int>{3, 2} << 0;
    QTest::newRow("last of 66 first") << "sheets_66_ampersand.xls" << QList<int>{65} << 0;
    QTest::newRow("print areas and titles") << "page_setup_fit_print_area.xls" << QList<int>{1} << 0;
    QTest::newRow("chart across sheets") << "embedded_chart_cross_sheet.xls" << QList<int>{0} << 2;
    QTest::newRow("VBA document modules") << "hidden_veryhidden_vba_docs.xls" << QList<int>{3} << 1;
}

void TestBookFileEdit::moveCarriesEverySheetIndexAlong()
{
    QFETCH(QString, file);
    QFETCH(QList<int>, moving);
    QFETCH(int, before);
    const QString path = copyOf(file);
    const BookRecords recordsBefore = BookRecords::load(path);
    BookFile book;
    QVERIFY(!book.open(path));
    const QList<SheetFacts> factsBefore = book.sheets();
    QVERIFY(!book.moveSheets(moving, before));
    QVERIFY(!book.save());

    BookFile again;
    QVERIFY(!again.open(path));
    QCOMPARE(again.sheetCount(), factsBefore.size());
    for (const SheetFacts &s : factsBefore) {
        const int at = again.indexOf(s.name);
        QVERIFY(at >= 0);
        QVERIFY(again.sheet(at).pageSetup == s.pageSetup); // print areas and titles follow their sheet
        QCOMPARE(again.sheet(at).visibility, s.visibility);
    }
    for (int k = 0; k < moving.size(); ++k)
        QCOMPARE(again.sheet(again.indexOf(factsBefore[moving[k]].name)).name, factsBefore[moving[k]].name);

    const BookRecords after = BookRecords::load(path);
    QCOMPARE(after.otherStreams, recordsBefore.otherStreams);
    QCOMPARE(externSheetNames(after), externSheetNames(recordsBefore));
    for (const QString &name : after.sheetNames)
        QCOMPARE(after.substreams.value(name), recordsBefore.substreams.value(name));
    for (quint16 type : after.differingGlobals(recordsBefore))
        QVERIFY2(QList<quint16>({rtBoundSheet, rtExternSheet, rtName, rtWindow1, rtTabId}).contains(type),
                 qPrintable(QString::number(type, 16)));

    if (RecordOracle::Available()) {
        // Every name keeps its scope sheet and its formula's sheets.
        auto names = [](const QJsonObject &scan) {
            QStringList out;
            for (const QJsonValue &v : scan.value(QStringLiteral("workbook")).toObject().value(QStringLiteral("names")).toArray()) {
                const QJsonObject n = v.toObject();
                QString formula = n.value(QStringLiteral("formula")).toString();
                static const QRegularExpression range(QStringLiteral("'([^':]+):([^':]+)'"));
                auto m = range.match(formula);
                if (m.hasMatch()) {
                    QStringList ends{m.captured(1), m.captured(2)};
                    ends.sort();
                    formula.replace(m.capturedStart(), m.capturedLength(), ends.join(QLatin1Char(':')));
                }
                out << n.value(QStringLiteral("name")).toString() + QLatin1Char('@')
                           + n.value(QStringLiteral("sheet")).toString() + QLatin1Char('=') + formula;
            }
            out.sort();
            return out;
        };
        QCOMPARE(names(RecordOracle::Scan(path)), names(RecordOracle::Scan(TestBooks::Fixture(file))));
    }
    QHash<QString, QString> same;
    for (const QString &name : after.sheetNames)
        same.insert(name, name);
    keepForLibreOffice(TestBooks::Fixture(file), path, same);
}

void TestBookFileEdit::deleteTurnsReferencesIntoErrors()
{
    // Sheet 3 of 66 goes with its print titles; the other sheets' titles stay.
    const QString path = copyOf(QStringLiteral("sheets_66_ampersand.xls"));
    BookFile book;
    QVERIFY(!book.open(path));
    const QList<SheetFacts> factsBefore = book.sheets();
    QVERIFY(!book.deleteSheets({2, 40}));
    QVERIFY(!book.save());
    BookFile again;
    QVERIFY(!again.open(path));
    QCOMPARE(again.sheetCount(), 64);
    QCOMPARE(again.indexOf(factsBefore[2].name), -1);
    QCOMPARE(again.indexOf(factsBefore[40].name), -1);
    for (int i = 0, j = 0; i < factsBefore.size(); ++i) {
        if (i == 2 || i == 40)
            continue;
        QCOMPARE(again.sheet(j).name, factsBefore[i].name);
        QVERIFY(again.sheet(j).pageSetup == factsBefore[i].pageSetup);
        ++j;
    }
    const BookRecords before = BookRecords::load(TestBooks::Fixture(QStringLiteral("sheets_66_ampersand.xls")));
    const BookRecords after = BookRecords::load(path);
    QCOMPARE(after.otherStreams, before.otherStreams);
    for (const QString &name : after.sheetNames)
        QCOMPARE(after.substreams.value(name), before.substreams.value(name));
    // References to a deleted sheet read #REF!; the others still name their sheet.
    const QStringList xtiBefore = externSheetNames(before), xtiAfter = externSheetNames(after);
    QCOMPARE(xtiAfter.size(), xtiBefore.size());
    for (int i = 0; i < xtiBefore.size(); ++i) {
        const QString gone2 = factsBefore[2].name + QLatin1Char(':') + factsBefore[2].name;
        const QString gone40 = factsBefore[40].name + QLatin1Char(':') + factsBefore[40].name;
        if (xtiBefore[i] == gone2 || xtiBefore[i] == gone40)
            QCOMPARE(xtiAfter[i], QStringLiteral("#REF:#REF"));
        else
            QCOMPARE(xtiAfter[i], xtiBefore[i]);
    }
    if (RecordOracle::Available()) {
        const QJsonObject scan = RecordOracle::Scan(path);
        QCOMPARE(scan.value(QStringLiteral("sheets")).toArray().size(), 64);
        QCOMPARE(scan.value(QStringLiteral("workbook")).toObject().value(QStringLiteral("names")).toArray().size(),
                 RecordOracle::Scan(TestBooks::Fixture(QStringLiteral("sheets_66_ampersand.xls")))
                         .value(QStringLiteral("workbook")).toObject().value(QStringLiteral("names")).toArray().size() - 2);
    }
    QHash<QString, QString> same;
    for (const QString &name : after.sheetNames)
        same.insert(name, name);
    keepForLibreOffice(TestBooks::Fixture(QStringLiteral("sheets_66_ampersand.xls")), path, same);
}

void TestBookFileEdit::deleteRefusesWhatItCannotFollow()
{
    // A global name refers to the local names of sheets 1 to 3: deleting one
    // of them would leave a dangling name, so nothing is deleted.
    const QString path = copyOf(QStringLiteral("apostrophe_sheet_name.xls"));
    BookFile book;
    QVERIFY(!book.open(path));
    const BookFileError e = book.deleteSheets({0});
    QCOMPARE(e.code, BookFileError::Code::Unsupported);
    QVERIFY(!e.message.isEmpty());
    QCOMPARE(book.sheetCount(), 4);
    QVERIFY(!book.isModified());
    // The last sheet has no such names and goes.
    QVERIFY(!book.deleteSheets({3}));
    QVERIFY(!book.save());
    BookFile again;
    QVERIFY(!again.open(path));
    QCOMPARE(again.sheetCount(), 3);
    QCOMPARE(again.pageSetup(2).printArea, QStringLiteral("$A$1:$N$4"));
    // Sheet1's formula on the deleted sheet now reads #REF!, as in Excel.
    keepForLibreOffice(TestBooks::Fixture(QStringLiteral("apostrophe_sheet_name.xls")), path,
                       {{"Sheet2", "Sheet2"}, {"Sheet3", "Sheet3"}});
}

void TestBookFileEdit::duplicateCopiesTheSheetWithItsNames()
{
    const QString path = copyOf(QStringLiteral("page_setup_fit_print_area.xls"));
    const BookRecords before = BookRecords::load(path);
    BookFile book;
    QVERIFY(!book.open(path));
    const SheetFacts source = book.sheet(1);
    QVERIFY(!source.pageSetup.printArea.isEmpty() && !source.pageSetup.printTitleRows.isEmpty());
    QCOMPARE(book.duplicateSheet(1, QStringLiteral("format(print)"), 0).code, BookFileError::Code::DuplicateSheetName);
    QVERIFY(!book.duplicateSheet(1, QStringLiteral("Format(Print) (2)"), 0));
    QVERIFY(!book.save());

    BookFile again;
    QVERIFY(!again.open(path));
    QCOMPARE(again.sheetCount(), 3);
    QCOMPARE(again.sheet(0).name, QStringLiteral("Format(Print) (2)"));
    QVERIFY(again.sheet(0).pageSetup == source.pageSetup);
    QVERIFY(again.sheet(2).pageSetup == source.pageSetup);
    QCOMPARE(again.sheet(0).lastRow, source.lastRow);
    const BookRecords after = BookRecords::load(path);
    QCOMPARE(after.otherStreams, before.otherStreams);
    QCOMPARE(after.substreams.value(QStringLiteral("Format(Print)")), before.substreams.value(QStringLiteral("Format(Print)")));
    QCOMPARE(after.substreams.value(QStringLiteral("Format(Print) (2)")).size(),
             before.substreams.value(QStringLiteral("Format(Print)")).size());
    keepForLibreOffice(TestBooks::Fixture(QStringLiteral("page_setup_fit_print_area.xls")), path,
                       {{"Format(Print) (2)", "Format(Print)"}, {"Format(Print)", "Format(Print)"}, {"Format", "Format"}});

    // A hidden sheet's copy is hidden.
    const QString hiddenPath = copyOf(QStringLiteral("hidden_third_sheet.xls"));
    BookFile hidden;
    QVERIFY(!hidden.open(hiddenPath));
    QCOMPARE(hidden.sheet(2).visibility, SheetVisibility::Hidden);
    QVERIFY(!hidden.duplicateSheet(2, QStringLiteral("Sheet3 (2)"), hidden.sheetCount()));
    QVERIFY(!hidden.save());
    BookFile hiddenAgain;
    QVERIFY(!hiddenAgain.open(hiddenPath));
    QCOMPARE(hiddenAgain.sheet(hiddenAgain.sheetCount() - 1).visibility, SheetVisibility::Hidden);
    keepForLibreOffice(TestBooks::Fixture(QStringLiteral("hidden_third_sheet.xls")), hiddenPath, {{"Sheet3 (2)", "Sheet3"}});

    // What a copy of the records alone cannot carry is refused.
    BookFile chart, vba;
    QVERIFY(!chart.open(TestBooks::Fixture(QStringLiteral("embedded_chart_on_sheet2.xls"))));
    QCOMPARE(chart.duplicateSheet(1, QStringLiteral("copy"), 0).code, BookFileError::Code::Unsupported);
    QVERIFY(!vba.open(TestBooks::Fixture(QStringLiteral("vba_document_module_only.xls"))));
    QCOMPARE(vba.duplicateSheet(0, QStringLiteral("copy"), 0).code, BookFileError::Code::Unsupported);
    QCOMPARE(vba.sheetCount(), 3);
    QVERIFY(!chart.isModified() && !vba.isModified());
}

void TestBookFileEdit::editsABookLibreOfficeMade()
{
    // A book LibreOffice writes: formulas on another sheet, a hidden sheet.
    const QByteArray cell = "<table:table-cell office:value-type=\"float\" office:value=\"%1\"/>";
    QByteArray prices = "<table:table table:name=\"Prices\">";
    for (int v : {120, 80, 45})
        prices += "<table:table-row>" + QByteArray(cell).replace("%1", QByteArray::number(v)) + "</table:table-row>";
    prices += "</table:table>";
    const QByteArray fods =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
        "xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\" office:version=\"1.2\" "
        "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:automatic-styles>"
        "<style:style style:name=\"hid\" style:family=\"table\"><style:table-properties table:display=\"false\"/></style:style>"
        "</office:automatic-styles><office:body><office:spreadsheet>" + prices +
        "<table:table table:name=\"Totals\"><table:table-row><table:table-cell table:formula=\"of:=SUM([$Prices.A1:.A3])\" "
        "office:value-type=\"float\" office:value=\"245\"/><table:table-cell table:formula=\"of:=[$Prices.A2]*2\" "
        "office:value-type=\"float\" office:value=\"160\"/></table:table-row></table:table>"
        "<table:table table:name=\"Hidden\" table:style-name=\"hid\"><table:table-row>" + QByteArray(cell).replace("%1", "7") +
        "</table:table-row></table:table><table:table table:name=\"Notes\"><table:table-row>"
        "<table:table-cell office:value-type=\"string\"><text:p>メモ</text:p></table:table-cell></table:table-row></table:table>"
        "</office:spreadsheet></office:body></office:document>\n";
    QTemporaryDir made;
    QFile f(made.filePath(QStringLiteral("made.fods")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(fods);
    f.close();
    QVERIFY(TestTool::Convert(QStringLiteral("xls:MS Excel 97"), {f.fileName()}, made.path(),
                              made.filePath(QStringLiteral("profile"))));
    const QString original = m_dir.filePath(QStringLiteral("made.xls"));
    QVERIFY(QFile::copy(made.filePath(QStringLiteral("made.xls")), original));
    const QString path = m_dir.filePath(QStringLiteral("made_edited.xls"));
    QVERIFY(QFile::copy(original, path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    BookFile book;
    QVERIFY(!book.open(path));
    QCOMPARE(book.sheetCount(), 4);
    QCOMPARE(book.sheet(2).visibility, SheetVisibility::Hidden);
    QVERIFY(!book.moveSheets({1}, 4));
    QVERIFY(!book.renameSheet(0, QStringLiteral("単価")));
    QVERIFY(!book.deleteSheets({book.indexOf(QStringLiteral("Notes"))}));
    // Its sheets carry an empty drawing layer, which a copy leaves out.
    QVERIFY(!book.duplicateSheet(0, QStringLiteral("単価 (2)"), 3));
    QVERIFY(!book.save());
    BookFile again;
    QVERIFY(!again.open(path));
    QStringList order;
    for (const SheetFacts &s : again.sheets())
        order << s.name;
    QCOMPARE(order, QStringList({QStringLiteral("単価"), QStringLiteral("Hidden"), QStringLiteral("Totals"),
                                 QStringLiteral("単価 (2)")}));
    QCOMPARE(again.sheet(1).visibility, SheetVisibility::Hidden);
    // The totals' references still name the renamed, moved sheet of prices.
    QStringList references = externSheetNames(BookRecords::load(original));
    references.replaceInStrings(QStringLiteral("Prices"), QStringLiteral("単価"));
    QCOMPARE(externSheetNames(BookRecords::load(path)), references);
    QVERIFY(references.contains(QStringLiteral("単価:単価")));
    keepForLibreOffice(original, path, {{"単価", "Prices"}, {"Hidden", "Hidden"}, {"Totals", "Totals"}, {"単価 (2)", "Prices"}});
}

void TestBookFileEdit::deletingTheActiveSheetSelectsAnother()
{
    const QString path = copyOf(QStringLiteral("hidden_third_sheet.xls"));
    auto activeTab = [](const BookRecords &b) {
        for (const Record &r : b.globals)
            if (r.type == rtWindow1)
                return int(u16(r.data, 10));
        return -1;
    };
    auto selected = [](const BookRecords &b, int tab) {
        const QByteArray &body = b.substreams.value(b.sheetNames[tab]);
        qsizetype pos = 0;
        quint16 type = 0, length = 0;
        while (recordAt(body, pos, &type, &length) && type != rtWindow2)
            pos += 4 + length;
        return type == rtWindow2 && (u16(body, pos + 4) & 0x0200);
    };
    const int active = activeTab(BookRecords::load(path));
    QVERIFY(active >= 0);
    BookFile book;
    QVERIFY(!book.open(path));
    QVERIFY(!book.deleteSheets({active}));
    QVERIFY(!book.save());
    const BookRecords after = BookRecords::load(path);
    const int now = activeTab(after);
    QVERIFY(now >= 0 && now < after.sheetNames.size());
    BookFile again;
    QVERIFY(!again.open(path));
    QCOMPARE(again.sheet(now).visibility, SheetVisibility::Visible);
    for (int t = 0; t < after.sheetNames.size(); ++t)
        QCOMPARE(selected(after, t), t == now);
}

void TestBookFileEdit::excelRulesComeFirst()
{
    const QString path = copyOf(QStringLiteral("hash_in_sheet_names.xls"));
    const QByteArray original = TestBooks::Bytes(path);
    BookFile book;
    QVERIFY(!book.open(path));
    for (const QString &bad : {QString(), QStringLiteral("a[1]"), QStringLiteral("a:b"), QStringLiteral("a*"),
                               QStringLiteral("a?"), QStringLiteral("a/b"), QStringLiteral("a\\b"),
                               QStringLiteral("'quoted"), QStringLiteral("quoted'"), QString(32, QLatin1Char('x'))}) {
        const BookFileError e = book.renameSheet(0, bad);
        QCOMPARE(e.code, BookFileError::Code::InvalidSheetName);
        QVERIFY(e.message.startsWith(QStringLiteral("シート名が正しくありません。")));
    }
    QCOMPARE(book.renameSheet(0, QStringLiteral("data sheet #2")).code, BookFileError::Code::DuplicateSheetName);
    QCOMPARE(book.renameSheet(5, QStringLiteral("x")).code, BookFileError::Code::NoSuchSheet);
    QVERIFY(!book.renameSheet(0, QString(31, QLatin1Char('x'))));
    QVERIFY(!book.renameSheet(0, QStringLiteral("It's fine")));
    QCOMPARE(book.deleteSheets({0, 1, 2}).code, BookFileError::Code::NoVisibleSheet);
    QCOMPARE(book.sheetCount(), 3);
    QVERIFY(BookFile::isValidSheetName(QStringLiteral("日本語のシート名")));
    // Nothing reached the disk without a save.
    QCOMPARE(TestBooks::Bytes(path), original);

    // A book whose structure is protected refuses every structural edit.
    const QString locked = copyOf(QStringLiteral("wb_protected_structure_xxx.xls"));
    BookFile protectedBook;
    QVERIFY(!protectedBook.open(locked));
    QVERIFY(protectedBook.structureProtected());
    using C = BookFileError::Code;
    QCOMPARE(protectedBook.renameSheet(0, QStringLiteral("x")).code, C::StructureProtected);
    QCOMPARE(protectedBook.setSheetVisibility(0, SheetVisibility::Hidden).code, C::StructureProtected);
    QCOMPARE(protectedBook.moveSheets({0}, 1).code, C::StructureProtected);
    QCOMPARE(protectedBook.deleteSheets({0}).code, C::StructureProtected);
    QVERIFY(!protectedBook.isModified());
}

void TestBookFileEdit::encryptedBooksStayEncrypted_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("password");
    QTest::newRow("RC4") << "encrypted_rc4_password.xls" << "password";
    QTest::newRow("RC4 CryptoAPI") << "encrypted_cryptoapi_freedom.xls" << "freedom";
}

void TestBookFileEdit::encryptedBooksStayEncrypted()
{
    QFETCH(QString, file);
    QFETCH(QString, password);
    const QString path = copyOf(file);
    const BookRecords before = BookRecords::load(path, password);
    QVERIFY(before.error.isEmpty());
    BookFile book;
    QVERIFY(!book.open(path, password));
    const QString scheme = book.encryptionName();
    QVERIFY(!book.renameSheet(0, QStringLiteral("暗号化されたまま")));
    QVERIFY(!book.save());

    BookFile again;
    QCOMPARE(again.open(path).code, BookFileError::Code::PasswordRequired);
    QVERIFY(!again.open(path, password));
    QCOMPARE(again.encryptionName(), scheme);
    QCOMPARE(again.sheet(0).name, QStringLiteral("暗号化されたまま"));

    const BookRecords after = BookRecords::load(path, password);
    QVERIFY(after.error.isEmpty());
    QCOMPARE(after.otherStreams, before.otherStreams);
    QCOMPARE(after.differingGlobals(before), QList<quint16>{rtBoundSheet});
    for (int t = 1; t < after.sheetNames.size(); ++t)
        QCOMPARE(after.substreams.value(after.sheetNames[t]), before.substreams.value(after.sheetNames[t]));
}

void TestBookFileEdit::pageSetupWritesOnlyItsRecords()
{
    // A book encrypted with the default password (its structure is protected)
    // takes a page setup and stays as it was otherwise.
    for (const QString &file : {QStringLiteral("header_ampersand.xls"), QStringLiteral("wb_protected_default_password.xls"),
                                QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls")}) {
        const QString path = copyOf(file);
        const BookRecords before = BookRecords::load(path);
        BookFile book;
        QVERIFY(!book.open(path));
        const bool encrypted = book.isEncrypted();
        PageSetupFacts ps = book.pageSetup(0);
        ps.hasPrinterSettings = true;
        ps.paperSize = 8; // A3
        ps.orientation = 2;
        ps.zoom = 85;
        ps.leftMargin = 36;
        ps.rightMargin = 28.35;
        ps.topMargin = 50;
        ps.bottomMargin = 60;
        ps.headerMargin = 20;
        ps.footerMargin = 22;
        ps.leftHeader = QStringLiteral("&D");
        ps.centerHeader = QStringLiteral("見積 && 請求");
        ps.rightHeader = QString();
        ps.centerFooter = QStringLiteral("&P / &N");
        ps.centerHorizontally = true;
        ps.printGridlines = true;
        ps.printHeadings = true;
        ps.firstPageNumber = 3;
        ps.order = 2;
        ps.blackAndWhite = true;
        ps.printComments = 1;
        QVERIFY(!book.setPageSetup(0, ps));
        QVERIFY(!book.save());

        BookFile again;
        QVERIFY(!again.open(path));
        QCOMPARE(again.isEncrypted(), encrypted);
        const PageSetupFacts got = again.pageSetup(0);
        QCOMPARE(got.paperSize, 8);
        QCOMPARE(got.orientation, 2);
        QCOMPARE(got.zoom, 85);
        QCOMPARE(got.leftMargin, 36.0);
        QCOMPARE(got.rightMargin, 28.35);
        QCOMPARE(got.headerMargin, 20.0);
        QCOMPARE(got.centerHeader, QStringLiteral("見積 && 請求"));
        QCOMPARE(got.leftHeader, QStringLiteral("&D"));
        QCOMPARE(got.centerFooter, QStringLiteral("&P / &N"));
        QVERIFY(got.centerHorizontally && got.printGridlines && got.printHeadings && got.blackAndWhite);
        QCOMPARE(got.firstPageNumber, 3);
        QCOMPARE(got.order, 2);
        QCOMPARE(got.printComments, 1);
        for (int t = 1; t < again.sheetCount(); ++t)
            QVERIFY(again.sheet(t).pageSetup == book.sheet(t).pageSetup);

        const BookRecords after = BookRecords::load(path);
        QCOMPARE(after.otherStreams, before.otherStreams);
        QCOMPARE(after.differingGlobals(before), QList<quint16>{});
        for (int t = 1; t < after.sheetNames.size(); ++t)
            QCOMPARE(after.substreams.value(after.sheetNames[t]), before.substreams.value(after.sheetNames[t]));
        if (!encrypted) {
            QHash<QString, QString> same;
            for (const QString &name : after.sheetNames)
                same.insert(name, name);
            keepForLibreOffice(TestBooks::Fixture(file), path, same);
        }
    }
}

void TestBookFileEdit::pageSetupFieldsReadBackBySeparateReader()
{
    if (!RecordOracle::Available())
        return;
    // Each field set, then each back to Excel's default, on a sheet with a
    // printer set up, one without any, and one that had many fields set.
    using Expected = QList<std::pair<QString, QJsonValue>>;
    const struct
    {
        const char *what;
        std::function<void(PageSetupFacts &)> edit;
        Expected read;
    } states[] = {
        {"set",
         [](PageSetupFacts &ps) {
             ps.hasPrinterSettings = true;
             ps.draft = ps.blackAndWhite = true;
             ps.order = 2;
             ps.firstPageNumber = 3;
             ps.centerHorizontally = ps.centerVertically = true;
             ps.printGridlines = ps.printHeadings = true;
             ps.printComments = 16;
             ps.fitToPage = false;
             ps.zoom = 85;
             ps.printQuality = {300, 300};
         },
         {{"setup.draft", true}, {"setup.black_white", true}, {"setup.left_to_right", true},
          {"setup.use_page_start", true}, {"setup.page_start", 3}, {"hcenter", true}, {"vcenter", true},
          {"printgridlines", true}, {"printheaders", true}, {"setup.notes", true}, {"setup.notes_at_end", false},
          {"fit_to_page", false}, {"setup.scale", 85}, {"setup.no_printer_settings", false}, {"setup.res", 300},
          {"setup.vres", 300}}},
        {"cleared",
         [](PageSetupFacts &ps) {
             ps.draft = ps.blackAndWhite = false;
             ps.order = 1;
             ps.firstPageNumber = -4105;
             ps.centerHorizontally = ps.centerVertically = false;
             ps.printGridlines = ps.printHeadings = false;
             ps.printComments = 1;
             ps.fitToPage = true;
             ps.fitToPagesWide = 2;
             ps.fitToPagesTall = 3;
             ps.printQuality = {600, 600};
         },
         {{"setup.draft", false}, {"setup.black_white", false}, {"setup.left_to_right", false},
          {"setup.use_page_start", false}, {"hcenter", false}, {"vcenter", false}, {"printgridlines", false},
          {"printheaders", false}, {"setup.notes", true}, {"setup.notes_at_end", true}, {"fit_to_page", true},
          {"setup.fit_width", 2}, {"setup.fit_height", 3}, {"setup.res", 600}, {"setup.vres", 600}}},
    };
    for (const QString &file : {QStringLiteral("header_ampersand.xls"), QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls"),
                                QStringLiteral("page_setup_fit_print_area.xls")}) {
        const QString path = copyOf(file);
        for (const auto &state : states) {
            BookFile book;
            QVERIFY(!book.open(path));
            PageSetupFacts ps = book.pageSetup(0);
            state.edit(ps);
            QVERIFY(!book.setPageSetup(0, ps));
            QVERIFY(!book.save());
            const QJsonObject sheet = RecordOracle::Scan(path).value(QStringLiteral("sheets")).toArray().at(0).toObject();
            for (const auto &[field, want] : state.read) {
                const QJsonValue got = field.startsWith(QStringLiteral("setup."))
                                           ? sheet.value(QStringLiteral("setup")).toObject().value(field.mid(6))
                                           : sheet.value(field);
                QVERIFY2(got == want, qPrintable(QStringLiteral("%1, %2: %3 is %4").arg(file, QLatin1String(state.what), field,
                                                                                      QString::fromUtf8(QJsonDocument(QJsonArray{got}).toJson(QJsonDocument::Compact)))));
            }
        }
    }
}

void TestBookFileEdit::printAreaAndTitlesAreNames()
{
    // A book without any name gets its first ones, with the entries they need.
    const QString plain = copyOf(QStringLiteral("header_ampersand.xls"));
    BookFile book;
    QVERIFY(!book.open(plain));
    PageSetupFacts ps = book.pageSetup(1);
    ps.printArea = QStringLiteral("$A$1:$C$10");
    ps.printTitleRows = QStringLiteral("$1:$2");
    ps.printTitleColumns = QStringLiteral("$A:$A");
    QVERIFY(!book.setPageSetup(1, ps));
    ps.printArea = QStringLiteral("A1:B;");
    QCOMPARE(book.setPageSetup(1, ps).code, BookFileError::Code::InvalidReference);
    QVERIFY(!book.save());
    BookFile again;
    QVERIFY(!again.open(plain));
    QCOMPARE(again.pageSetup(1).printArea, QStringLiteral("$A$1:$C$10"));
    QCOMPARE(again.pageSetup(1).printTitleRows, QStringLiteral("$1:$2"));
    QCOMPARE(again.pageSetup(1).printTitleColumns, QStringLiteral("$A:$A"));
    QVERIFY(again.pageSetup(0).printArea.isEmpty());
    // A sheet moved in front keeps its names.
    QVERIFY(!again.moveSheets({1}, 0));
    QCOMPARE(again.pageSetup(0).printArea, QStringLiteral("$A$1:$C$10"));
    QVERIFY(!again.save());
    if (RecordOracle::Available()) {
        QStringList names;
        for (const QJsonValue &v : RecordOracle::Scan(plain).value(QStringLiteral("workbook")).toObject().value(QStringLiteral("names")).toArray())
            names << v.toObject().value(QStringLiteral("name")).toString() + QLatin1Char('@')
                         + v.toObject().value(QStringLiteral("sheet")).toString() + QLatin1Char('=')
                         + v.toObject().value(QStringLiteral("formula")).toString();
        QCOMPARE(names, QStringList({QStringLiteral("Print_Area@Sheet2='Sheet2'!$A$1:$C$10"),
                                     QStringLiteral("Print_Titles@Sheet2='Sheet2'!$A$1:$A$65536'Sheet2'!$A$1:$IV$2,")}));
    }
    keepForLibreOffice(TestBooks::Fixture(QStringLiteral("header_ampersand.xls")), plain,
                       {{"Sheet1", "Sheet1"}, {"Sheet2", "Sheet2"}, {"Sheet3", "Sheet3"}});

    // Names already there are rewritten in place, or go when cleared.
    const QString named = copyOf(QStringLiteral("page_setup_fit_print_area.xls"));
    BookFile second;
    QVERIFY(!second.open(named));
    PageSetupFacts first = second.pageSetup(0);
    first.printArea = QStringLiteral("$B$2:$D$5,$F$1:$G$3");
    QVERIFY(!second.setPageSetup(0, first));
    PageSetupFacts other = second.pageSetup(1);
    other.printTitleRows.clear();
    other.printTitleColumns.clear();
    QVERIFY(!second.setPageSetup(1, other));
    QVERIFY(!second.save());
    BookFile secondAgain;
    QVERIFY(!secondAgain.open(named));
    QCOMPARE(secondAgain.pageSetup(0).printArea, QStringLiteral("$B$2:$D$5,$F$1:$G$3"));
    QVERIFY(secondAgain.pageSetup(1).printTitleRows.isEmpty());
    QCOMPARE(secondAgain.pageSetup(1).printArea, second.pageSetup(1).printArea);
    keepForLibreOffice(TestBooks::Fixture(QStringLiteral("page_setup_fit_print_area.xls")), named,
                       {{"Format", "Format"}, {"Format(Print)", "Format(Print)"}});
}

void TestBookFileEdit::pageSetupOfAChartSheet()
{
    const QString path = copyOf(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls"));
    BookFile book;
    QVERIFY(!book.open(path));
    QCOMPARE(book.sheet(1).kind, SheetKind::Chart);
    PageSetupFacts ps = book.pageSetup(1);
    ps.leftMargin = 40;
    ps.centerFooter = QStringLiteral("&A");
    ps.printArea = QStringLiteral("$A$1:$B$2"); // a chart has none
    ps.printGridlines = true;                   // nor gridlines
    QVERIFY(!book.setPageSetup(1, ps));
    QVERIFY(!book.save());
    BookFile again;
    QVERIFY(!again.open(path));
    QCOMPARE(again.pageSetup(1).leftMargin, 40.0);
    QCOMPARE(again.pageSetup(1).centerFooter, QStringLiteral("&A"));
    QVERIFY(again.pageSetup(1).printArea.isEmpty());
    const QByteArray chart = BookRecords::load(path).substreams.value(QStringLiteral("Chart1"));
    qsizetype pos = 0;
    quint16 type = 0, length = 0;
    while (recordAt(chart, pos, &type, &length)) {
        QVERIFY(type != rtPrintGridlines && type != rtPrintHeaders);
        pos += 4 + length;
    }
    keepForLibreOffice(TestBooks::Fixture(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls")), path,
                       {{"Sheet1", "Sheet1"}, {"Macro1", "Macro1"}});
}

void TestBookFileEdit::failedSavesLeaveTheBookAsItWas()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xls"));
    QVERIFY(QFile::copy(TestBooks::Fixture(QStringLiteral("header_ampersand.xls")), path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    const QByteArray original = TestBooks::Bytes(path);
    BookFile book;
    QVERIFY(!book.open(path));
    QVERIFY(!book.renameSheet(0, QStringLiteral("Renamed")));

    // Into a folder that does not exist.
    BookFileError e = book.saveAs(dir.filePath(QStringLiteral("no/such/folder/book.xls")));
    QCOMPARE(e.code, BookFileError::Code::SaveFailed);
    QVERIFY(!e.message.isEmpty());
    // Over a book the user may not write (the superuser may write any).
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    if (::geteuid() != 0) {
        e = book.save();
        QCOMPARE(e.code, BookFileError::Code::SaveFailed);
    }
    QCOMPARE(TestBooks::Bytes(path), original);
    QVERIFY(book.isModified());

    // Writable again: saved, permissions kept, nothing left beside it.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    QVERIFY(!book.save());
    QCOMPARE(QFile::permissions(path), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                           | QFileDevice::ReadUser | QFileDevice::WriteUser);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("book.xls")});
    BookFile again;
    QVERIFY(!again.open(path));
    QCOMPARE(again.sheet(0).name, QStringLiteral("Renamed"));

    // Saved through a symbolic link, the book it points to changes; the link stays.
    const QString link = dir.filePath(QStringLiteral("link.xls"));
    QVERIFY(QFile::link(path, link));
    BookFile linked;
    QVERIFY(!linked.open(link));
    QVERIFY(!linked.renameSheet(0, QStringLiteral("Through the link")));
    QVERIFY(!linked.save());
    QVERIFY(QFileInfo(link).isSymLink());
    QVERIFY(!again.open(path));
    QCOMPARE(again.sheet(0).name, QStringLiteral("Through the link"));
}

void TestBookFileEdit::killedSaveLeavesAWholeBook()
{
    // A save killed at different moments: the book on disk is always either
    // the original or the saved one, never a half-written file.
    const QByteArray original = TestBooks::Bytes(TestBooks::Fixture(QStringLiteral("hidden_and_protected_sheets.xls")));
    for (int round = 0; round < 8; ++round) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.xls"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(original);
        out.close();
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            BookFile book;
            if (book.open(path) || book.renameSheet(0, QStringLiteral("Saved")))
                ::_exit(2);
            const char go = 'g';
            if (::write(ready[1], &go, 1) != 1)
                ::_exit(3);
            ::_exit(book.save() ? 1 : 0);
        }
        // Only the child writes: a child that ends before it is ready ends the read.
        ::close(ready[1]);
        char go = 0;
        const ssize_t got = ::read(ready[0], &go, 1);
        ::close(ready[0]);
        if (got != 1)
            ::waitpid(child, nullptr, 0);
        QVERIFY2(got == 1, "the saving process ended before it was ready to save");
        ::usleep(useconds_t(round * 3000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        BookFile book;
        const BookFileError e = book.open(path);
        QVERIFY2(!e, qPrintable(e.message));
        if (book.sheet(0).name != QLatin1String("Saved"))
            QCOMPARE(TestBooks::Bytes(path), original);
    }
}

void TestBookFileEdit::libreOfficeReadsEverySavedBook()
{
    // One office run converts every saved book and its original, one CSV
    // file per sheet; each sheet of a saved book reads as it did before.
    QVERIFY(!m_saved.isEmpty());
    QTemporaryDir work;
    const QString in = work.filePath(QStringLiteral("in")), outDir = work.filePath(QStringLiteral("out"));
    QDir().mkpath(in);
    QStringList inputs;
    for (int i = 0; i < m_saved.size(); ++i) {
        const QString o = QStringLiteral("%1/o%2.xls").arg(in).arg(i), s = QStringLiteral("%1/s%2.xls").arg(in).arg(i);
        QVERIFY(QFile::copy(m_saved[i].original, o));
        QVERIFY(QFile::copy(m_saved[i].saved, s));
        inputs << o << s;
    }
    QVERIFY(TestTool::Convert(QLatin1String(TestTool::EverySheetAsCsv), inputs, outDir,
                              work.filePath(QStringLiteral("profile"))));

    const QDir results(outDir);
    for (int i = 0; i < m_saved.size(); ++i) {
        const SavedBook &b = m_saved[i];
        const QStringList savedSheets = results.entryList({QStringLiteral("s%1-*.csv").arg(i)});
        QVERIFY2(!savedSheets.isEmpty(), qPrintable(b.saved));
        BookFile book;
        QVERIFY(!book.open(b.saved));
        // LibreOffice read the records, not a text fallback: every sheet is there by name.
        QCOMPARE(savedSheets.size(), book.sheetCount());
        for (const SheetFacts &s : book.sheets()) {
            const QString csv = QStringLiteral("s%1-%2.csv").arg(i).arg(s.name);
            QVERIFY2(results.exists(csv), qPrintable(b.saved + QLatin1Char(' ') + s.name));
            if (!b.oldNameOf.contains(s.name))
                continue;
            const QString before = QStringLiteral("o%1-%2.csv").arg(i).arg(b.oldNameOf[s.name]);
            QVERIFY2(TestBooks::Bytes(results.filePath(csv)) == TestBooks::Bytes(results.filePath(before)),
                     qPrintable(b.saved + QLatin1Char(' ') + s.name));
        }
    }
}

QTEST_GUILESS_MAIN(TestBookFileEdit)
#include "tst_bookfileedit.moc"
