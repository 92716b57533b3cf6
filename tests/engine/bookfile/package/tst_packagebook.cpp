// Package books (.xlsx and its kin) read through the book file: the real
// books of the fixture set against the facts two other readers found in
// them, and hostile packages refused with a clear error.

#include "BookFile.h"
#include "FormulaRefs.h"
#include "PackageZips.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace quirn;
using namespace quirn::test;

namespace {

const QString kFixtures = QStringLiteral(QUIRN_SOURCE_DIR "/tests/data/real-xlsx");

QJsonArray manifestFiles()
{
    QFile file(kFixtures + QStringLiteral("/manifest.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("files")).toArray();
}

SheetKind kindNamed(const QString &kind)
{
    if (kind == QLatin1String("chartsheet"))
        return SheetKind::Chart;
    if (kind == QLatin1String("dialogsheet"))
        return SheetKind::DialogSheet;
    if (kind.startsWith(QLatin1String("xl")))
        return SheetKind::MacroSheet;
    return SheetKind::Worksheet;
}

SheetVisibility visibilityNamed(const QString &state)
{
    return state == QLatin1String("hidden")       ? SheetVisibility::Hidden
        : state == QLatin1String("veryHidden") ? SheetVisibility::VeryHidden
                                               : SheetVisibility::Visible;
}

BookFileError openBytes(const QByteArray &bytes, BookFile *book)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return BookFileError::make(BookFileError::Code::NotReadable, path);
    file.write(bytes);
    file.close();
    return book->open(path);
}

// The facts of sheets in a comparable form.
QStringList summaries(const QList<SheetFacts> &sheets)
{
    QStringList out;
    for (const SheetFacts &f : sheets)
        out << QStringLiteral("%1 kind %2 state %3 protected %4 last %5,%6 charts %7 area %8 titles %9 %10")
                   .arg(f.name)
                   .arg(int(f.kind))
                   .arg(int(f.visibility))
                   .arg(f.contentsProtected)
                   .arg(f.lastRow)
                   .arg(f.lastColumn)
                   .arg(f.embeddedCharts)
                   .arg(f.pageSetup.printArea, f.pageSetup.printTitleRows, f.pageSetup.printTitleColumns);
    return out;
}

// What the independent reader of tests/tools makes of a book, or of two.
QJsonDocument pythonReader(const QStringList &arguments)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 QStringList{QStringLiteral(QUIRN_SOURCE_DIR "/tests/tools/xlsx_facts.py")} + arguments);
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput());
}

// Each sheet-local name with the name of its sheet, as the reader sees them.
QStringList localNames(const QJsonObject &facts)
{
    QStringList names;
    const QJsonArray sheets = facts[QStringLiteral("sheets")].toArray();
    for (const QJsonValue &n : facts[QStringLiteral("names")].toArray()) {
        const QJsonValue local = n[QStringLiteral("localSheetId")];
        if (!local.isNull())
            names << n[QStringLiteral("name")].toString() + QLatin1Char('@')
                    + sheets[local.toString().toInt()][QStringLiteral("name")].toString();
    }
    names.sort();
    return names;
}

// The bytes of one entry of a book, as the independent reader reads them.
QByteArray entryOf(const QString &book, const QString &name)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))"),
                  book, name});
    python.waitForFinished();
    return python.readAllStandardOutput();
}

// Whether the part spells one of the names, its apostrophes as a part may write them.
bool spellsAny(const QByteArray &part, const QStringList &names)
{
    for (const QString &name : names)
        for (const char *apostrophe : {"'", "''", "&apos;", "&apos;&apos;"})
            if (part.contains(name.toUtf8().replace("'", apostrophe)))
                return true;
    return false;
}

QStringList strings(const QJsonValue &list)
{
    QStringList out;
    for (const QJsonValue &v : list.toArray())
        out << v.toString();
    return out;
}

// Every formula and name text of the book, as the independent reader sees them.
QStringList formulasOf(const QJsonObject &facts)
{
    QStringList formulas;
    for (const QJsonValue &s : facts[QStringLiteral("sheets")].toArray())
        formulas << strings(s[QStringLiteral("formulas")]);
    for (const QJsonValue &n : facts[QStringLiteral("names")].toArray())
        formulas << n[QStringLiteral("text")].toString();
    return formulas;
}

// The package after an edit is as sound as before: no relationship to a
// missing part, no content type for one, no part without a type, and
// nothing left that no relationship reaches.
void checkSound(const QJsonObject &before, const QJsonObject &after)
{
    for (const char *fault : {"dangling", "stale", "untyped", "unreachable"}) {
        const QStringList was = strings(before[QLatin1String(fault)]);
        for (const QString &part : strings(after[QLatin1String(fault)]))
            QVERIFY2(was.contains(part), qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(fault), part)));
    }
}

// The document's titles list each kind of sheet in tab order (Excel leaves
// very hidden ones out), and names only on sheets there are.
void checkTitles(const QJsonObject &facts)
{
    const QStringList titles = strings(facts[QStringLiteral("titles")]);
    if (titles.isEmpty())
        return;
    QHash<QString, QStringList> byKind;
    for (const QJsonValue &s : facts[QStringLiteral("sheets")].toArray())
        byKind[s[QStringLiteral("kind")].toString()] << s[QStringLiteral("name")].toString();
    QStringList sheets;
    for (QStringList names : byKind) {
        sheets << names;
        QStringList listed = titles;
        listed.removeIf([&](const QString &t) { return !names.contains(t); });
        names.removeIf([&](const QString &n) { return !titles.contains(n); });
        QCOMPARE(listed, names);
    }
    for (const QString &t : titles) {
        const QString on = t.left(t.lastIndexOf(QLatin1Char('!'))).remove(QLatin1Char('\'')); // quotes aside
        QVERIFY2(sheets.contains(t) || !t.contains(QLatin1Char('!')) || sheets.contains(on)
                     || std::any_of(sheets.begin(), sheets.end(), [&](const QString &s) { return QString(s).remove(QLatin1Char('\'')) == on; }),
                 qPrintable(t));
    }
}

} // namespace

class TestPackageBook : public QObject
{
    Q_OBJECT

private slots:
    void listsAsTheManifestSays_data();
    void listsAsTheManifestSays();
    void readsFactsOfItsOwnParts();
    void refusesHostilePackages_data();
    void refusesHostilePackages();
    void editsChangeOnlyTheirParts_data();
    void editsChangeOnlyTheirParts();
    void renameRewritesReferences_data();
    void renameRewritesReferences();
    void renameFollowsEveryReference_data();
    void renameFollowsEveryReference();
    void deleteTakesWhatOnlyItsSheetsUsed_data();
    void deleteTakesWhatOnlyItsSheetsUsed();
    void copyTakesItsPartsAlong_data();
    void copyTakesItsPartsAlong();
    void pageSetupIsWrittenInPlace_data();
    void pageSetupIsWrittenInPlace();
    void officeReadsTheSameValues();
};

void TestPackageBook::listsAsTheManifestSays_data()
{
    QTest::addColumn<QJsonObject>("entry");
    const QJsonArray files = manifestFiles();
    QVERIFY(files.size() >= 40);
    for (const QJsonValue &f : files)
        QTest::newRow(qPrintable(f[QStringLiteral("file")].toString())) << f.toObject();
}

void TestPackageBook::listsAsTheManifestSays()
{
    QFETCH(QJsonObject, entry);
    const QJsonObject zipFacts = entry[QStringLiteral("reader1_zip_xml")].toObject();
    const QJsonObject office = entry[QStringLiteral("reader2_libreoffice")].toObject();
    BookFile book;
    const BookFileError error = book.open(kFixtures + QLatin1Char('/') + entry[QStringLiteral("file")].toString());
    if (zipFacts[QStringLiteral("container")].toString() == QLatin1String("CFB")) {
        QVERIFY(error.isError());
        QVERIFY(!error.message.isEmpty());
        return;
    }
    QVERIFY2(!error, qPrintable(error.message));
    const QJsonArray sheets = zipFacts[QStringLiteral("sheets")].toArray();
    const QJsonArray officeSheets = office[QStringLiteral("sheets")].toArray();
    QCOMPARE(book.sheetCount(), sheets.size());
    for (int i = 0; i < sheets.size(); ++i) {
        const QJsonObject expected = sheets[i].toObject();
        const SheetFacts facts = book.sheet(i);
        QCOMPARE(facts.name, expected[QStringLiteral("name")].toString());
        QCOMPARE(facts.kind, kindNamed(expected[QStringLiteral("kind")].toString()));
        QCOMPARE(facts.visibility, visibilityNamed(expected[QStringLiteral("state")].toString()));
        const QJsonValue protection = expected[QStringLiteral("sheet_protection")];
        QCOMPARE(facts.contentsProtected, protection.isObject() && protection[QStringLiteral("sheet")].toBool());
        QVERIFY(facts.kind == SheetKind::Chart || (facts.lastRow >= 1 && facts.lastColumn >= 1));
        // The office's own reading of print ranges and charts, for the sheets it reads as we do.
        if (i < officeSheets.size() && facts.kind == SheetKind::Worksheet) {
            const QJsonObject seen = officeSheets[i].toObject();
            QCOMPARE(!facts.pageSetup.printArea.isEmpty(), seen[QStringLiteral("print_areas")].toInt() > 0);
            QCOMPARE(!facts.pageSetup.printTitleRows.isEmpty(), seen[QStringLiteral("title_rows")].toBool());
            QCOMPARE(!facts.pageSetup.printTitleColumns.isEmpty(), seen[QStringLiteral("title_cols")].toBool());
            QCOMPARE(facts.embeddedCharts, seen[QStringLiteral("charts")].toInt());
        }
    }
    const QJsonValue protection = zipFacts[QStringLiteral("workbook_protection")];
    QCOMPARE(book.structureProtected(), protection.isObject() && protection[QStringLiteral("lockStructure")].toBool());
    QCOMPARE(book.hasVbaProject(), zipFacts[QStringLiteral("vba")].toBool());
    QVERIFY2(!book.vbaProjectError(), qPrintable(book.vbaProjectError().message));
    QCOMPARE(!book.vbaModules().isEmpty(), book.hasVbaProject());
}

void TestPackageBook::readsFactsOfItsOwnParts()
{
    // Cells that leave out their place, a stale dimension, a merged area at
    // the end, breaks and a page setup in inches.
    const QByteArray sheet =
        "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<x:dimension ref=\"A1\"/><x:sheetData><x:row><x:c/><x:c/></x:row><x:row r=\"7\"><x:c r=\"C7\"/><x:c/></x:row></x:sheetData>"
        "<x:mergeCells><x:mergeCell ref=\"D7:F9\"/></x:mergeCells>"
        "<x:printOptions gridLines=\"1\" horizontalCentered=\"true\"/>"
        "<x:pageMargins left=\"1\" right=\"0.5\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
        "<x:pageSetup paperSize=\"8\" orientation=\"landscape\" scale=\"80\" useFirstPageNumber=\"1\" firstPageNumber=\"3\"/>"
        "<x:headerFooter><x:oddHeader>&amp;LLeft&amp;CPage &amp;P</x:oddHeader></x:headerFooter>"
        "<x:rowBreaks count=\"1\"><x:brk id=\"10\" max=\"16383\" man=\"1\"/></x:rowBreaks>"
        "<x:sheetProtection sheet=\"1\"/></x:worksheet>";
    const QByteArray names =
        "<definedNames><definedName name=\"_xlnm.Print_Titles\" localSheetId=\"1\">'It''s, here'!$A:$B,'It''s, here'!$1:$2</definedName>"
        "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">Data!$A$1:$C$7</definedName></definedNames>"
        "<workbookProtection lockStructure=\"1\"/>";
    BookFile book;
    QCOMPARE(openBytes(makeZip(bookParts({QStringLiteral("Data"), QStringLiteral("It's, here")}, names, sheet)), &book).message,
             QString());
    const SheetFacts facts = book.sheet(0);
    QCOMPARE(std::pair(facts.lastRow, facts.lastColumn), std::pair(9, 6));
    QCOMPARE(facts.rowBreaks, QList<int>{10});
    QVERIFY(facts.contentsProtected);
    PageSetupFacts expected;
    expected.hasPrinterSettings = true;
    expected.paperSize = 8;
    expected.orientation = 2;
    expected.zoom = 80;
    expected.firstPageNumber = 3;
    expected.printGridlines = true;
    expected.centerHorizontally = true;
    expected.leftMargin = 72;
    expected.rightMargin = 36;
    expected.topMargin = expected.bottomMargin = 54;
    expected.headerMargin = expected.footerMargin = 0.3 * 72;
    expected.leftHeader = QStringLiteral("Left");
    expected.centerHeader = QStringLiteral("Page &P");
    expected.printArea = QStringLiteral("$A$1:$C$7");
    QCOMPARE(facts.pageSetup, expected);
    QCOMPARE(book.sheet(1).pageSetup.printTitleColumns, QStringLiteral("$A:$B"));
    QCOMPARE(book.sheet(1).pageSetup.printTitleRows, QStringLiteral("$1:$2"));
    QVERIFY(book.structureProtected());
    QCOMPARE(book.renameSheet(0, QStringLiteral("New")).code, BookFileError::Code::StructureProtected);
    // A new book is an .xls book, never one under a package book's name.
    BookFile made;
    QCOMPARE(made.createNew(QStringLiteral("/tmp/new.XLSX")).code, BookFileError::Code::Unsupported);
    QVERIFY(!made.isOpen());
    // A package book is told by its content, whatever its name.
    BookFile misnamed;
    QCOMPARE(misnamed.open(QStringLiteral(QUIRN_FIXTURES_DIR "/xlsx_renamed_any_sheets.xls")).message, QString());
    QVERIFY(misnamed.sheetCount() > 0);
}

void TestPackageBook::refusesHostilePackages_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<BookFileError::Code>("code");
    using C = BookFileError::Code;
    const QStringList one{QStringLiteral("Sheet1")};
    auto with = [&](const std::function<void(QList<ZipPart> &)> &change) {
        QList<ZipPart> parts = bookParts(one);
        change(parts);
        return makeZip(parts);
    };
    auto part = [](QList<ZipPart> &parts, const QString &name) -> ZipPart & {
        for (ZipPart &p : parts)
            if (p.name == name)
                return p;
        return parts.first();
    };
    const QString workbook = QStringLiteral("xl/workbook.xml");

    QTest::newRow("honest, with descriptors") << with([&](auto &p) { for (auto &x : p) x.descriptor = true; }) << C::None;
    QTest::newRow("truncated") << makeBook(one).left(200) << C::Damaged;
    QTest::newRow("lying size") << with([&](auto &p) { part(p, workbook).declaredSize = 40; }) << C::Damaged;
    QTest::newRow("bomb") << with([&](auto &p) {
        part(p, workbook).content += QByteArray(64 << 20, ' ');
    }) << C::Damaged;
    QTest::newRow("names differ") << with([&](auto &p) { part(p, workbook).localName = QStringLiteral("xl/other.xml"); })
                                  << C::Damaged;
    QTest::newRow("names differ in case only") << with([&](auto &p) {
        p.append({QStringLiteral("XL/Workbook.xml"), "x"});
    }) << C::Damaged;
    for (const char *unsafe : {"../evil.xml", "/abs.xml", "xl\\back.xml", "xl//twice.xml"})
        QTest::newRow(unsafe) << with([&](auto &p) { p.append({QString::fromLatin1(unsafe), "x"}); }) << C::Damaged;
    QTest::newRow("doctype") << with([&](auto &p) {
        part(p, workbook).content.replace("<workbook", "<!DOCTYPE w [<!ENTITY a \"aaaa\">]><workbook");
    }) << C::Damaged;
    QTest::newRow("utf-16") << with([&](auto &p) {
        ZipPart &w = part(p, workbook);
        const QString text = QString::fromUtf8(w.content).replace(QStringLiteral("UTF-8"), QStringLiteral("UTF-16"));
        w.content = QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    }) << C::Damaged;
    QTest::newRow("sheet part missing") << with([&](auto &p) { p.removeLast(); }) << C::Damaged;
    QTest::newRow("no workbook relationship") << with([&](auto &p) {
        part(p, QStringLiteral("_rels/.rels")).content.replace("officeDocument\"", "other\"");
    }) << C::NotAWorkbook;
    QTest::newRow("a document, not a book") << with([&](auto &p) {
        part(p, QStringLiteral("[Content_Types].xml")).content.replace("spreadsheetml.sheet.main", "wordprocessingml.document.main");
    }) << C::NotAWorkbook;
    QTest::newRow("malformed workbook") << with([&](auto &p) { part(p, workbook).content.chop(3); }) << C::Damaged;
    QList<ZipPart> many = bookParts(one);
    for (int i = 0; i < 100001; ++i)
        many.append({QStringLiteral("e/%1").arg(i), QByteArray(), false});
    QTest::newRow("too many entries") << makeZip(many) << C::Damaged;
}

void TestPackageBook::refusesHostilePackages()
{
    QFETCH(QByteArray, bytes);
    QFETCH(BookFileError::Code, code);
    BookFile book;
    const BookFileError error = openBytes(bytes, &book);
    QCOMPARE(error.code, code);
    QCOMPARE(book.isOpen(), code == BookFileError::Code::None);
    if (error)
        QVERIFY(!error.message.isEmpty());
}

enum class Edit { Hide, VeryHide, Show, Reverse };

void TestPackageBook::editsChangeOnlyTheirParts_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<int>("sheet");
    QTest::newRow("hide the active sheet") << "print_titles_defined_names_mac.xlsx" << Edit::Hide << 0;
    QTest::newRow("very hide, descriptors") << "libreoffice_local_names_hidden.xlsx" << Edit::VeryHide << 1;
    QTest::newRow("show a very hidden sheet, strict") << "strict_hidden_veryhidden.xlsx" << Edit::Show << 2;
    QTest::newRow("show a hidden chart book") << "hidden_veryhidden_chartsheet.xlsx" << Edit::Show << 1;
    QTest::newRow("reverse, local names") << "apostrophe_local_names.xlsx" << Edit::Reverse << 0;
    QTest::newRow("reverse, macros") << "libreoffice_vba_7_sheets.xlsm" << Edit::Reverse << 0;
    QTest::newRow("reverse, print names, prefixed") << "print_titles_defined_names_mac.xlsx" << Edit::Reverse << 0;
    QTest::newRow("reverse, template") << "template_vba_chartsheets.xltm" << Edit::Reverse << 0;
}

void TestPackageBook::editsChangeOnlyTheirParts()
{
    QFETCH(QString, file);
    QFETCH(Edit, edit);
    QFETCH(int, sheet);
    QTemporaryDir dir;
    const QString original = kFixtures + QLatin1Char('/') + file;
    const QString saved = dir.filePath(file);
    BookFile book;
    QCOMPARE(book.open(original).message, QString());
    QList<SheetFacts> expected = book.sheets();
    QStringList parts{QStringLiteral("xl/workbook.xml")};
    BookFileError error;
    switch (edit) {
    case Edit::Hide:
    case Edit::VeryHide:
        expected[sheet].visibility = edit == Edit::Hide ? SheetVisibility::Hidden : SheetVisibility::VeryHidden;
        error = book.setSheetVisibility(sheet, expected[sheet].visibility);
        parts << QStringLiteral("a sheet's view");
        break;
    case Edit::Show:
        expected[sheet].visibility = SheetVisibility::Visible;
        error = book.setSheetVisibility(sheet, SheetVisibility::Visible);
        break;
    case Edit::Reverse: {
        parts << QStringLiteral("docProps/app.xml");
        QList<int> order;
        for (int i = book.sheetCount() - 1; i >= 0; --i)
            order << i;
        std::reverse(expected.begin(), expected.end());
        error = book.moveSheets(order, 0);
        break;
    }
    }
    QCOMPARE(error.message, QString());
    QCOMPARE(book.saveCopy(saved).message, QString());

    BookFile again;
    QCOMPARE(again.open(saved).message, QString());
    QCOMPARE(summaries(again.sheets()), summaries(expected));
    QCOMPARE(again.vbaModules().size(), book.vbaModules().size());

    // Hiding may also change the selection in the views of two sheets.
    int views = parts.count(QStringLiteral("a sheet's view")) * 2;
    const QJsonArray changed = pythonReader({QStringLiteral("--changed"), original, saved}).array();
    QVERIFY(!changed.isEmpty());
    for (const QJsonValue &name : changed) {
        const bool sheetPart = name.toString().contains(QLatin1String("sheets/"));
        QVERIFY2(parts.contains(name.toString()) || (sheetPart && views-- > 0), qPrintable(name.toString()));
    }
    const QJsonObject before = pythonReader({original}).object(), after = pythonReader({saved}).object();
    QCOMPARE(localNames(after), localNames(before));
    const QJsonArray sheets = after[QStringLiteral("sheets")].toArray();
    QCOMPARE(sheets.size(), expected.size());
    for (int i = 0; i < sheets.size(); ++i) {
        QCOMPARE(sheets[i][QStringLiteral("name")].toString(), expected[i].name);
        QCOMPARE(visibilityNamed(sheets[i][QStringLiteral("state")].toString()), expected[i].visibility);
    }
    const int active = after[QStringLiteral("activeTab")].toInt();
    QCOMPARE(expected[active].visibility, SheetVisibility::Visible);
    checkTitles(after);
}

void TestPackageBook::renameRewritesReferences_data()
{
    QTest::addColumn<QString>("formula");
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bare to quoted") << "SUM(Data!A1,data!B2)+Other!A1" << "Data" << "My Data"
                                    << "SUM('My Data'!A1,'My Data'!B2)+Other!A1";
    QTest::newRow("quoted with apostrophe") << "'It''s'!$A$1:$B$2" << "It's" << "Plain" << "Plain!$A$1:$B$2";
    QTest::newRow("3-D ends") << "SUM(Jan:Mar!C1)+SUM(Feb:Jan!C1)" << "Jan" << "1 Jan" << "SUM('1 Jan:Mar'!C1)+SUM('Feb:1 Jan'!C1)";
    QTest::newRow("other books and literals kept") << "[1]Data!A1&\"Data!A1\"&'[2]Data'!A1&Data!A1" << "Data" << "Daten"
                                                   << "[1]Data!A1&\"Data!A1\"&'[2]Data'!A1&Daten!A1";
    QTest::newRow("names like cells or values quoted") << "Data!A1+Data!B1+Data!C1" << "Data" << "AB12"
                                                       << "'AB12'!A1+'AB12'!B1+'AB12'!C1";
    QTest::newRow("R1C1 and TRUE quoted") << "Data!A1&x!A1" << "Data" << "R1C1" << "'R1C1'!A1&x!A1";
    QTest::newRow("structured and functions untouched") << "SUM(Table1[[#This Row],['Data]])+DataSum(Data!A1)" << "Data"
                                                         << "Neu" << "SUM(Table1[[#This Row],['Data]])+DataSum(Neu!A1)";
    QTest::newRow("non-Latin") << "\u4E00\u89A7!A1" << "\u4E00\u89A7" << "\u8868" << "\u8868!A1";
}

void TestPackageBook::renameRewritesReferences()
{
    QFETCH(QString, formula);
    QFETCH(QString, oldName);
    QFETCH(QString, newName);
    QFETCH(QString, expected);
    QCOMPARE(FormulaRefs::renameSheet(formula, oldName, newName), expected);
}

void TestPackageBook::renameFollowsEveryReference_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QStringList>("expected"); // formulas or names the renamed book holds
    QTest::newRow("3-D") << "formula_3d_four_sheets.xlsx" << 3 << "Ende 4"
                         << QStringList{"SUM(Sheet1!C1,Sheet2!C1,Sheet3!C1,'Ende 4'!C1)", "SUM('Sheet1:Ende 4'!C1)"};
    QTest::newRow("conditional formats, x14") << "cf_cross_sheet_x14_10_sheets.xlsx" << 9 << "Werte"
                                              << QStringList{"Werte!$A1"};
    QTest::newRow("validations, x14, names") << "dv_cross_sheet_x14.xlsx" << 1 << "1 Modell"
                                             << QStringList{"'1 Modell'!A5", "'1 Modell'!A6"};
    QTest::newRow("another book's sheet kept") << "libreoffice_external_link.xlsx" << 0 << "Data"
                                               << QStringList{"[1]Sheet1!A1"};
    QTest::newRow("apostrophes, print titles, chart") << "apostrophe_name_print_titles_chart.xlsx" << 0 << "Blatt's"
                                                      << QStringList{"'Blatt''s'!$1:$2"};
}

void TestPackageBook::renameFollowsEveryReference()
{
    QFETCH(QString, file);
    QFETCH(int, sheet);
    QFETCH(QString, newName);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString original = kFixtures + QLatin1Char('/') + file;
    const QString saved = dir.filePath(file);
    BookFile book;
    QCOMPARE(book.open(original).message, QString());
    const QString oldName = book.sheet(sheet).name;
    QCOMPARE(book.renameSheet(sheet, newName).message, QString());
    QCOMPARE(book.saveCopy(saved).message, QString());
    BookFile again;
    QCOMPARE(again.open(saved).message, QString());
    QCOMPARE(again.sheet(sheet).name, newName);

    const QJsonObject after = pythonReader({saved}).object();
    QStringList formulas;
    for (const QJsonValue &s : after[QStringLiteral("sheets")].toArray())
        for (const QJsonValue &f : s[QStringLiteral("formulas")].toArray())
            formulas << f.toString();
    for (const QJsonValue &n : after[QStringLiteral("names")].toArray())
        formulas << n[QStringLiteral("text")].toString();
    for (const QString &e : expected)
        QVERIFY2(formulas.contains(e), qPrintable(e + QStringLiteral(" not in ") + formulas.join(QLatin1Char(' '))));
    // Nothing of this book names the old sheet any more.
    const QString stale = FormulaRefs::quoted(oldName) + QLatin1Char('!');
    for (const QString &f : formulas)
        QVERIFY2(!f.contains(stale) || f.contains(QLatin1Char('[')), qPrintable(f));
    // Only parts that referred to the sheet changed.
    for (const QJsonValue &name : pythonReader({QStringLiteral("--changed"), original, saved}).array())
        QVERIFY2(spellsAny(entryOf(original, name.toString()), {oldName}), qPrintable(name.toString()));
}

void TestPackageBook::deleteTakesWhatOnlyItsSheetsUsed_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("gone");
    QTest::addColumn<QStringList>("expected"); // formulas or names the book then holds
    QTest::newRow("3-D end, calculation chain") << "formula_3d_four_sheets.xlsx" << QList<int>{3}
        << QStringList{"SUM(Sheet1!C1,Sheet2!C1,Sheet3!C1,#REF!C1)", "SUM(Sheet1:Sheet3!C1)"};
    QTest::newRow("3-D inside and start") << "formula_3d_four_sheets.xlsx" << QList<int>{1, 2}
        << QStringList{"SUM(Sheet1!C1,#REF!C1,#REF!C1,Sheet4!C1)", "SUM(Sheet1:Sheet4!C1)"};
    QTest::newRow("local names renumbered") << "libreoffice_local_names_hidden.xlsx" << QList<int>{0, 2}
        << QStringList{"#REF!$A$1:$B$1", "Sheet3!$A$1:$B$1"};
    QTest::newRow("pivot table, table, printer settings, titles") << "pivots_tables_28_sheets.xlsx" << QList<int>{8, 3}
        << QStringList{"Input!$B$5"};
    QTest::newRow("chart sheet") << "hidden_veryhidden_chartsheet.xlsx" << QList<int>{2} << QStringList{};
    QTest::newRow("hidden, strict") << "strict_hidden_veryhidden.xlsx" << QList<int>{1} << QStringList{};
    QTest::newRow("the active and first sheets, print names") << "print_areas_14_sheets_mac.xlsx" << QList<int>{12, 3}
                                                              << QStringList{};
}

void TestPackageBook::deleteTakesWhatOnlyItsSheetsUsed()
{
    QFETCH(QString, file);
    QFETCH(QList<int>, gone);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString original = kFixtures + QLatin1Char('/') + file;
    const QString saved = dir.filePath(file);
    BookFile book;
    QCOMPARE(book.open(original).message, QString());
    QList<SheetFacts> left = book.sheets();
    QStringList goneNames;
    for (int i = int(left.size()) - 1; i >= 0; --i)
        if (gone.contains(i))
            goneNames << left.takeAt(i).name;
    QCOMPARE(book.deleteSheets(gone).message, QString());
    QCOMPARE(summaries(book.sheets()), summaries(left));
    QCOMPARE(book.saveCopy(saved).message, QString());
    BookFile again;
    QCOMPARE(again.open(saved).message, QString());
    QCOMPARE(summaries(again.sheets()), summaries(left));

    const QJsonObject before = pythonReader({original}).object(), after = pythonReader({saved}).object();
    checkSound(before, after);
    const QStringList formulas = formulasOf(after);
    for (const QString &e : expected)
        QVERIFY2(formulas.contains(e), qPrintable(e + QStringLiteral(" not in ") + formulas.join(QLatin1Char(' '))));
    // The names of the sheets left stay on them; the deleted sheets' go.
    QStringList localBefore = localNames(before);
    localBefore.removeIf([&](const QString &n) { return goneNames.contains(n.section(QLatin1Char('@'), 1)); });
    QCOMPARE(localNames(after), localBefore);
    checkTitles(after);
    QCOMPARE(left[after[QStringLiteral("activeTab")].toInt()].visibility, SheetVisibility::Visible);

    // Parts changed: those gone, the book's lists, and parts that referred to the sheets.
    const QStringList lists{"[Content_Types].xml", "xl/workbook.xml", "xl/_rels/workbook.xml.rels", "docProps/app.xml",
                            "xl/calcChain.xml"};
    int views = 1; // the sheet that became active may be selected
    for (const QJsonValue &changed : pythonReader({QStringLiteral("--changed"), original, saved}).array()) {
        const QString name = changed.toString();
        if (lists.contains(name) || entryOf(saved, name).isEmpty())
            continue;
        const bool refers = spellsAny(entryOf(original, name), goneNames);
        QVERIFY2(refers || (name.contains(QLatin1String("sheets/")) && views-- > 0), qPrintable(name));
    }
}

void TestPackageBook::copyTakesItsPartsAlong_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<int>("before");
    QTest::addColumn<QStringList>("expected"); // formulas or names, or "part|bytes" the copy holds; "refused"
    QTest::newRow("chart, print titles, apostrophe") << "apostrophe_name_print_titles_chart.xlsx" << 0 << 1
        << QStringList{"'Sheet''1 (2)'!$1:$2", "'Sheet''1'!$1:$2", "xl/charts/chart2.xml|'Sheet''1 (2)'!$A$1:$A$5"};
    QTest::newRow("table, absolute targets") << "openpyxl_table_absolute_paths.xlsx" << 0 << 0
        << QStringList{"xl/tables/table2.xml|displayName=\"Table1_2\" ref=\"A1:B5\"", "xl/tables/table2.xml|id=\"2\""};
    QTest::newRow("local names, first") << "libreoffice_local_names_hidden.xlsx" << 1 << 0
        << QStringList{"'Sheet1 (2)'!$A$1:$B$1", "Sheet1!$A$1:$B$1"};
    QTest::newRow("tables, printer settings, properties") << "pivots_tables_28_sheets.xlsx" << 4 << 2
        << QStringList{"xl/tables/table15.xml|displayName=\"LiabilityBuildup2\""};
    QTest::newRow("chart sheet") << "hidden_veryhidden_chartsheet.xlsx" << 2 << 3 << QStringList{};
    QTest::newRow("pivot table refused") << "pivots_tables_28_sheets.xlsx" << 1 << 0 << QStringList{"refused"};
}

void TestPackageBook::copyTakesItsPartsAlong()
{
    QFETCH(QString, file);
    QFETCH(int, sheet);
    QFETCH(int, before);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString original = kFixtures + QLatin1Char('/') + file;
    const QString saved = dir.filePath(file);
    BookFile book;
    QCOMPARE(book.open(original).message, QString());
    const QList<SheetFacts> facts = book.sheets();
    const QString name = book.freeSheetName(facts[sheet].name);
    const BookFileError error = book.duplicateSheet(sheet, name, before);
    if (expected == QStringList{"refused"}) {
        QCOMPARE(error.code, BookFileError::Code::Unsupported);
        QCOMPARE(summaries(book.sheets()), summaries(facts));
        return;
    }
    QCOMPARE(error.message, QString());
    QList<SheetFacts> withCopy = facts;
    withCopy.insert(before, facts[sheet]);
    withCopy[before].name = name;
    QCOMPARE(book.saveCopy(saved).message, QString());
    BookFile again;
    QCOMPARE(again.open(saved).message, QString());
    QCOMPARE(summaries(again.sheets()), summaries(withCopy));

    const QJsonObject beforeFacts = pythonReader({original}).object(), after = pythonReader({saved}).object();
    checkSound(beforeFacts, after);
    checkTitles(after);
    const QStringList formulas = formulasOf(after);
    for (const QString &e : expected) {
        const QString part = e.section(QLatin1Char('|'), 0, 0), text = e.section(QLatin1Char('|'), 1);
        QVERIFY2(text.isEmpty() ? formulas.contains(e) : entryOf(saved, part).contains(text.toUtf8()), qPrintable(e));
    }
    // The sheet's own names come along for the copy.
    QStringList local = localNames(beforeFacts);
    for (const QString &n : localNames(beforeFacts))
        if (n.section(QLatin1Char('@'), 1) == facts[sheet].name)
            local << n.section(QLatin1Char('@'), 0, 0) + QLatin1Char('@') + name;
    local.sort();
    QCOMPARE(localNames(after), local);
    // Of the parts there were, only the book's lists changed.
    const QStringList lists{"[Content_Types].xml", "xl/workbook.xml", "xl/_rels/workbook.xml.rels", "docProps/app.xml"};
    for (const QJsonValue &changed : pythonReader({QStringLiteral("--changed"), original, saved}).array())
        QVERIFY2(lists.contains(changed.toString()) || entryOf(original, changed.toString()).isEmpty(),
                 qPrintable(changed.toString()));
}

enum class Setup { Everything, FitAndNoArea, ChartSheet, Defaults };

void TestPackageBook::pageSetupIsWrittenInPlace_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<Setup>("setup");
    QTest::newRow("everything, on a part with none") << "inline_no_dimension_10_sheets.xlsx" << 0 << Setup::Everything;
    QTest::newRow("everything, prefixed part") << "x_prefix_no_row_numbers.xlsx" << 0 << Setup::Everything;
    QTest::newRow("fit to pages, print area cleared") << "print_titles_defined_names_mac.xlsx" << 1 << Setup::FitAndNoArea;
    QTest::newRow("chart sheet") << "hidden_veryhidden_chartsheet.xlsx" << 2 << Setup::ChartSheet;
    QTest::newRow("back to defaults, titles cleared") << "apostrophe_name_print_titles_chart.xlsx" << 0 << Setup::Defaults;
}

void TestPackageBook::pageSetupIsWrittenInPlace()
{
    QFETCH(QString, file);
    QFETCH(int, sheet);
    QFETCH(Setup, setup);
    QTemporaryDir dir;
    const QString original = kFixtures + QLatin1Char('/') + file;
    const QString saved = dir.filePath(file);
    BookFile book;
    QCOMPARE(book.open(original).message, QString());
    PageSetupFacts ps = book.pageSetup(sheet);
    switch (setup) {
    case Setup::Everything:
        ps.paperSize = 8;
        ps.orientation = 2;
        ps.zoom = 80;
        ps.firstPageNumber = 3;
        ps.order = 2;
        ps.blackAndWhite = ps.draft = true;
        ps.printComments = 1;
        ps.leftMargin = 36;
        ps.topMargin = 50.4;
        ps.leftHeader = QStringLiteral("&D <&P>");
        ps.centerFooter = QStringLiteral("Seite &P von &N");
        ps.centerHorizontally = ps.printGridlines = ps.printHeadings = true;
        ps.printArea = QStringLiteral("$A$1:$C$9,$E$2");
        ps.printTitleRows = QStringLiteral("$1:$2");
        break;
    case Setup::FitAndNoArea:
        ps.fitToPage = true;
        ps.fitToPagesTall = 0;
        ps.printArea.clear();
        ps.printTitleColumns = QStringLiteral("$A:$B");
        break;
    case Setup::ChartSheet:
        ps.orientation = 1;
        ps.paperSize = 11;
        ps.bottomMargin = 90;
        ps.rightFooter = QStringLiteral("&F");
        break;
    case Setup::Defaults:
        ps = PageSetupFacts();
        break;
    }
    QCOMPARE(book.setPageSetup(sheet, ps).message, QString());
    QCOMPARE(book.saveCopy(saved).message, QString());
    BookFile again;
    QCOMPARE(again.open(saved).message, QString());
    PageSetupFacts read = again.pageSetup(sheet);
    read.hasPrinterSettings = ps.hasPrinterSettings;
    QCOMPARE(read, ps);
    QCOMPARE(summaries(again.sheets()).mid(sheet + 1), summaries(book.sheets()).mid(sheet + 1));

    // Only the sheet's part and, for its print names, the workbook change;
    // the part's elements stay in the schema's order.
    const QJsonObject after = pythonReader({saved}).object();
    const QString part = after[QStringLiteral("sheets")][sheet][QStringLiteral("part")].toString();
    for (const QJsonValue &changed : pythonReader({QStringLiteral("--changed"), original, saved}).array())
        QVERIFY2(changed.toString() == part || changed.toString() == QLatin1String("xl/workbook.xml"),
                 qPrintable(changed.toString()));
    const QStringList order{"sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetProtection",
                            "autoFilter", "mergeCells", "conditionalFormatting", "dataValidations", "hyperlinks",
                            "printOptions", "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks",
                            "drawing", "legacyDrawing", "tableParts", "extLst"};
    qsizetype last = -1;
    for (const QString &child : strings(after[QStringLiteral("sheets")][sheet][QStringLiteral("children")])) {
        const qsizetype at = order.indexOf(child);
        QVERIFY2(at < 0 || at >= last, qPrintable(child));
        last = std::max(last, at);
    }
}

// Every sheet of each book as LibreOffice reads its values, by book and
// sheet name ("book.xlsx/Sheet1"), from one run of the office over all of them.
QHash<QString, QByteArray> officeValues(const QStringList &books, const QString &work)
{
    QProcess office;
    office.setProcessChannelMode(QProcess::MergedChannels);
    office.start(QStringLiteral("soffice"),
                 QStringList{QStringLiteral("-env:UserInstallation=file://") + work + QStringLiteral("/profile"),
                             QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                             QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1"),
                             QStringLiteral("--outdir"), work + QStringLiteral("/csv")}
                     + books);
    office.waitForFinished(600000);
    QHash<QString, QByteArray> values;
    for (const QFileInfo &csv : QDir(work + QStringLiteral("/csv")).entryInfoList(QDir::Files)) {
        QFile file(csv.filePath());
        file.open(QIODevice::ReadOnly);
        for (const QString &book : books) {
            const QString base = QFileInfo(book).completeBaseName() + QLatin1Char('-');
            if (csv.fileName().startsWith(base))
                values.insert(QFileInfo(book).fileName() + QLatin1Char('/') + csv.completeBaseName().mid(base.size()),
                              file.readAll());
        }
    }
    return values;
}

void TestPackageBook::officeReadsTheSameValues()
{
    // Each edit, and for each sheet of its result the original sheet whose values it must show.
    struct Case
    {
        QString file;
        std::function<BookFileError(BookFile &)> edit;
        QStringList from;
    };
    const QList<Case> cases{
        {"print_titles_defined_names_mac.xlsx", [](BookFile &b) { return b.renameSheet(0, QStringLiteral("Blatt 1")); },
         {"Sheet1", "Sheet2", "Sheet3"}},
        {"formula_3d_four_sheets.xlsx", [](BookFile &b) { return b.deleteSheets({1}); }, {"Sheet1", "Sheet3", "Sheet4"}},
        {"apostrophe_name_print_titles_chart.xlsx",
         [](BookFile &b) { return b.duplicateSheet(0, QStringLiteral("Sheet'1 (2)"), 0); }, {"Sheet'1", "Sheet'1"}},
        {"libreoffice_local_names_hidden.xlsx", [](BookFile &b) { return b.moveSheets({5, 4, 3, 2, 1, 0}, 0); },
         {"Sheet6", "Sheet4", "Sheet3", "Sheet2", "Sheet1", "Sheet0"}},
        {"inline_no_dimension_10_sheets.xlsx", [](BookFile &b) {
             PageSetupFacts setup = b.pageSetup(0);
             setup.orientation = 2;
             setup.centerFooter = QStringLiteral("&P");
             return b.setPageSetup(0, setup);
         }, {}},
    };
    QTemporaryDir dir;
    QStringList books;
    QList<QStringList> names;
    for (const Case &c : cases) {
        const QString original = kFixtures + QLatin1Char('/') + c.file;
        const QString edited = dir.filePath(QStringLiteral("edited_") + c.file);
        BookFile book;
        QCOMPARE(book.open(original).message, QString());
        QCOMPARE(c.edit(book).message, QString());
        QCOMPARE(book.saveCopy(edited).message, QString());
        QStringList sheets;
        for (const SheetFacts &f : book.sheets())
            sheets << f.name;
        names << sheets;
        books << original << edited;
    }
    const QHash<QString, QByteArray> values = officeValues(books, dir.path());
    QVERIFY2(!values.isEmpty(), "LibreOffice read none of the books");
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const QStringList &sheets = names[i];
        for (qsizetype s = 0; s < sheets.size(); ++s) {
            const QString from = cases[i].from.isEmpty() ? sheets[s] : cases[i].from[s];
            const QString key = QStringLiteral("edited_") + cases[i].file + QLatin1Char('/') + sheets[s];
            const QString originalKey = cases[i].file + QLatin1Char('/') + from;
            QVERIFY2(values.contains(key) && values.contains(originalKey), qPrintable(key));
            QCOMPARE(values.value(key), values.value(originalKey));
        }
    }
}

QTEST_GUILESS_MAIN(TestPackageBook)
#include "tst_packagebook.moc"
