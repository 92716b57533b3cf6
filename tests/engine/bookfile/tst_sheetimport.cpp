// Sheets copied and moved from one real book into another through the
// records: checked record by record against both originals, by this reader,
// by the separate reader of the records and by LibreOffice.

#include "BiffRecord.h"
#include "BookCombine.h"
#include "BookFile.h"
#include "BookRecords.h"
#include "FlatDocument.h"
#include "NameRecord.h"
#include "RecordOracle.h"
#include "TestBooks.h"
#include "TestTool.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace quirn;
using namespace quirn::biff;

namespace {

// Globals records that an import may add to or change; every other record
// of the target stays as it was, in order.
const QSet<quint16> kImportRecords{
    rtBoundSheet, rtTabId, rtSst, 0x003C /*CONTINUE*/, rtExtSst, 0x0031 /*FONT*/, 0x041E /*FORMAT*/,
    0x00E0 /*XF*/, 0x0293 /*STYLE*/, rtName, rtSupBook, rtExternSheet, 0x0023 /*EXTERNNAME*/, rtWindow1,
    0x0059 /*XCT*/, 0x005A /*CRN*/, 0x087C /*XFCRC*/,
};

QList<QByteArray> untouchedGlobals(const BookRecords &book)
{
    QList<QByteArray> out;
    for (const Record &r : book.globals)
        if (!kImportRecords.contains(r.type))
            out.append(serialize(r));
    return out;
}

// Record types of a substream, the ones an import leaves out removed.
QList<quint16> recordTypes(const QByteArray &body)
{
    QList<quint16> out;
    qsizetype pos = 0;
    quint16 type = 0, length = 0;
    while (recordAt(body, pos, &type, &length) && pos + 4 + length <= body.size()) {
        if (type != 0x00EC && type != 0x00ED && type != 0x01BA)
            out.append(type);
        pos += 4 + length;
    }
    return out;
}

// Sheet names of each EXTERNSHEET entry: "A" or "A:B" in the own book,
// "[file]A" in another, "#REF" when gone.
QStringList entryNames(const QString &path)
{
    const BookRecords book = BookRecords::load(path);
    QList<QList<QString>> books;
    QList<QString> bookFiles;
    for (const Record &r : book.globals) {
        if (r.type != rtSupBook)
            continue;
        QList<QString> sheets;
        if (u16(r.data, 2) == 0x0401) {
            sheets = book.sheetNames;
            bookFiles << QString();
        } else {
            const int cch = u16(r.data, 2);
            const bool wide = quint8(r.data.at(4)) & 1;
            QString file;
            for (int i = 0; i < cch; ++i)
                file += wide ? QChar(u16(r.data, 5 + 2 * i)) : QChar(quint8(r.data.at(5 + i)));
            bookFiles << file.mid(1).replace(QChar(3), QLatin1Char('/')).replace(QChar(4), QLatin1String("../"));
            qsizetype at = 5 + qsizetype(cch) * (wide ? 2 : 1);
            for (int s = 0; s < u16(r.data, 0); ++s) {
                const int n = u16(r.data, at);
                const bool w = quint8(r.data.at(at + 2)) & 1;
                QString name;
                for (int i = 0; i < n; ++i)
                    name += w ? QChar(u16(r.data, at + 3 + 2 * i)) : QChar(quint8(r.data.at(at + 3 + i)));
                sheets << name;
                at += 3 + qsizetype(n) * (w ? 2 : 1);
            }
        }
        books << sheets;
    }
    QStringList out;
    for (const Record &r : book.globals) {
        if (r.type != rtExternSheet)
            continue;
        for (int i = 0, n = u16(r.data, 0); i < n; ++i) {
            const int sb = u16(r.data, 2 + 6 * i), first = u16(r.data, 4 + 6 * i), last = u16(r.data, 6 + 6 * i);
            const QList<QString> sheets = books.value(sb);
            auto nameOf = [&sheets](int t) { return t < sheets.size() ? sheets[t] : QStringLiteral("#REF"); };
            const QString prefix = bookFiles.value(sb).isEmpty() ? QString() : QLatin1Char('[') + bookFiles[sb] + QLatin1Char(']');
            if (first >= 0xFFFE)
                out << prefix + QStringLiteral("book");
            else
                out << prefix + (first == last ? nameOf(first) : nameOf(first) + QLatin1Char(':') + nameOf(last));
        }
    }
    return out;
}

QByteArray numberRow(std::initializer_list<int> values)
{
    QByteArray row = "<table:table-row>";
    for (int v : values)
        row += "<table:table-cell table:style-name=\"bold\" office:value-type=\"float\" office:value=\"" + QByteArray::number(v) + "\"/>";
    return row + "</table:table-row>";
}

QByteArray textCell(const QByteArray &text)
{
    return "<table:table-cell office:value-type=\"string\"><text:p>" + text + "</text:p></table:table-cell>";
}

QByteArray formulaCell(const QByteArray &formula)
{
    return "<table:table-cell table:formula=\"of:=" + formula + "\"/>";
}

// Two books as LibreOffice writes them: sheets referring to each other, a
// name, formats and strings; the target holds a sheet named like one of the source's.
const QByteArray kSourceTables =
    "<table:table table:name=\"Prices\">" + numberRow({120, 80, 45}) + "<table:table-row>" + textCell("単価")
    + "</table:table-row></table:table>"
    "<table:table table:name=\"Totals\"><table:table-row>" + formulaCell("SUM([$Prices.A1:.A3])")
    + formulaCell("[$Prices.A2]*Rate") + textCell("合計") + "</table:table-row></table:table>"
    "<table:table table:name=\"Other\"><table:table-row>" + formulaCell("[$Totals.A1]+1") + formulaCell("Rate*2")
    + "</table:table-row></table:table>"
    "<table:named-expressions><table:named-range table:name=\"Rate\" table:base-cell-address=\"$Prices.$A$1\" "
    "table:cell-range-address=\"$Prices.$C$1\"/></table:named-expressions>";
const QByteArray kTargetTables =
    "<table:table table:name=\"Prices\"><table:table-row>" + textCell("合計") + textCell("既存")
    + "</table:table-row></table:table><table:table table:name=\"Sheet2\"><table:table-row>"
    + formulaCell("[$Prices.A1]&amp;&quot;!&quot;") + "</table:table-row></table:table>";

// The book's workbook-level names as written.
QStringList globalNames(const QString &path)
{
    QStringList names;
    for (const Record &r : BookRecords::load(path).globals)
        if (r.type == rtName && NameRecord::parse(r.data).itab == 0 && !NameRecord::text(r.data).isEmpty())
            names << NameRecord::text(r.data);
    return names;
}

// Drawing ids and shape ids of every sheet's drawing layer.
struct DrawingIds
{
    QList<int> drawings;
    QList<quint32> shapes;
};

DrawingIds drawingIds(const BookRecords &book)
{
    DrawingIds ids;
    for (const QString &name : book.sheetNames) {
        const QByteArray body = book.substreams.value(name);
        QByteArray joined;
        qsizetype pos = 0;
        int depth = 0;
        quint16 type = 0, length = 0;
        while (recordAt(body, pos, &type, &length) && pos + 4 + length <= body.size()) {
            depth += type == rtBof ? 1 : type == rtEof ? -1 : 0;
            if (type == 0x00EC && depth == 1)
                joined += body.mid(pos + 4, length);
            pos += 4 + length;
        }
        QList<qsizetype> ends;
        for (qsizetype p = 0; p + 8 <= joined.size();) {
            const quint16 ver = u16(joined, p), t = u16(joined, p + 2);
            const quint32 len = u32(joined, p + 4);
            if (t == 0xF008)
                ids.drawings << (ver >> 4);
            if (t == 0xF00A)
                ids.shapes << u32(joined, p + 8);
            p += (ver & 0xF) == 0xF ? 8 : 8 + qsizetype(len);
        }
    }
    return ids;
}

struct Converted
{
    QString original; // a book and sheet the copy must read like
    QString originalSheet;
    QString saved;
    QString savedSheet;
};

} // namespace

class TestSheetImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void copiesSheetsBetweenRealBooks_data();
    void copiesSheetsBetweenRealBooks();
    void referencesFollowTheGroup();
    void takenNamesGetExcelsName();
    void namesBothBooksDefineAreSettled();
    void movedSheetsLeaveTheSource();
    void referencesToMovedSheetsFollowThem();
    void encryptedBooksKeepTheirPasswords();
    void drawingsGetIdsOfTheirOwn();
    void refusesWhatTheRecordsCannotCarry();
    void carriesDocumentModules_data();
    void carriesDocumentModules();
    void movedSheetsTakeTheirModules();
    void combinesBooksInOnePass();
    void libreOfficeReadsTheCopiesAsTheOriginals();

private:
    QString copyOf(const QString &path, const QString &name = QString());
    QString madeByLibreOffice(const QString &name, const QByteArray &tables);

    QTemporaryDir m_dir;
    int m_copies = 0;
    QList<Converted> m_converted;
};

void TestSheetImport::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestSheetImport::copyOf(const QString &path, const QString &name)
{
    return TestBooks::CopyFile(path, m_dir.filePath(name.isEmpty() ? QStringLiteral("b%1_%2").arg(++m_copies).arg(QFileInfo(path).fileName())
                                                                    : name));
}

// A book LibreOffice writes from the given tables of a flat document.
QString TestSheetImport::madeByLibreOffice(const QString &name, const QByteArray &tables)
{
    QTemporaryDir made;
    const QStringList paths = FlatDocument::Books(made.path(), {{name, tables}});
    return paths.isEmpty() ? QString() : copyOf(paths.first(), name + QStringLiteral(".xls"));
}

void TestSheetImport::copiesSheetsBetweenRealBooks_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("sheets");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("before");
    QTest::addColumn<bool>("steadyValues"); // no random numbers that change at each reading
    QTest::newRow("hidden sheet, into Japanese names")
        << "hidden_third_sheet.xls" << QStringList{"#2", "#3"} << "japanese_sheet_names.xls" << 1 << true;
    QTest::newRow("hashes in names, into a book with print titles")
        << "hash_in_sheet_names.xls" << QStringList{"#3", "#2"} << "protected_sheet_print_titles.xls" << 2 << true;
    QTest::newRow("print titles and fit, into a book with the same names")
        << "page_setup_fit_print_area.xls" << QStringList{"#1"} << "print_titles_rows_cols.xls" << 0 << true;
    QTest::newRow("very hidden, to the end")
        << "visible_hidden_veryhidden.xls" << QStringList{"#2", "#3"} << "header_ampersand.xls" << -1 << true;
    QTest::newRow("merged areas and breaks")
        << "last_cell_merged_block.xls" << QStringList{"#1"} << "page_breaks_manual.xls" << -1 << true;
    QTest::newRow("chart sheet with its data")
        << "chartsheet_data_chart.xls" << QStringList{"#1", "#2"} << "header_ampersand.xls" << 1 << false;
    QTest::newRow("chart sheet alone, its data linked")
        << "chartsheets_mixed_embedded_lost.xls" << QStringList{"#3"} << "page_breaks_manual.xls" << 0 << true;
    QTest::newRow("66 sheets, ampersands")
        << "sheets_66_ampersand.xls" << QStringList{"#1", "#40", "#66"} << "apostrophe_sheet_name.xls" << 1 << true;
}

void TestSheetImport::copiesSheetsBetweenRealBooks()
{
    QFETCH(QString, source);
    QFETCH(QStringList, sheets);
    QFETCH(QString, target);
    QFETCH(int, before);
    QFETCH(bool, steadyValues);
    const QString sourcePath = copyOf(TestBooks::Fixture(source));
    const QString targetPath = copyOf(TestBooks::Fixture(target));
    const QByteArray sourceBytes = TestBooks::Bytes(sourcePath);
    const BookRecords targetBefore = BookRecords::load(targetPath);
    const BookRecords sourceRecords = BookRecords::load(sourcePath);

    BookFile from, into;
    QVERIFY(!from.open(sourcePath));
    QVERIFY(!into.open(targetPath));
    QList<int> indexes;
    for (const QString &s : sheets)
        indexes << s.mid(1).toInt() - 1;
    const QList<SheetFacts> targetFacts = into.sheets();
    if (before < 0)
        before = into.sheetCount();
    QStringList names;
    const BookFileError error = into.importSheets(from, indexes, before, &names);
    QVERIFY2(!error, qPrintable(error.message));
    QCOMPARE(names.size(), indexes.size());
    QVERIFY(into.isModified());
    QVERIFY(!from.isModified());
    QVERIFY(!into.save());
    QCOMPARE(TestBooks::Bytes(sourcePath), sourceBytes);

    BookFile again;
    QVERIFY(!again.open(targetPath));
    QCOMPARE(again.sheetCount(), targetFacts.size() + indexes.size());
    for (int g = 0; g < indexes.size(); ++g) {
        // The group lands in place, each copy with its source's facts.
        const SheetFacts copy = again.sheet(before + g);
        SheetFacts expected = from.sheet(indexes[g]);
        QCOMPARE(copy.name, names[g]);
        QCOMPARE(copy.kind, expected.kind);
        QCOMPARE(copy.visibility, expected.visibility);
        QCOMPARE(copy.contentsProtected, expected.contentsProtected);
        QCOMPARE(copy.lastRow, expected.lastRow);
        QCOMPARE(copy.lastColumn, expected.lastColumn);
        QCOMPARE(copy.rowBreaks, expected.rowBreaks);
        QVERIFY(copy.pageSetup == expected.pageSetup);
        if (steadyValues)
            m_converted.append({sourcePath, expected.name, targetPath, copy.name});
    }
    // The target's own sheets and every record the import has no business with stay.
    // (A target's VBA project gains the copies' modules: carriesDocumentModules.)
    const BookRecords after = BookRecords::load(targetPath);
    const auto withoutProject = [](QHash<QString, QByteArray> streams) {
        streams.removeIf([](const auto &stream) { return stream.key().startsWith(QLatin1String("_VBA_PROJECT_CUR/")); });
        return streams;
    };
    QCOMPARE(withoutProject(after.otherStreams), withoutProject(targetBefore.otherStreams));
    QCOMPARE(untouchedGlobals(after), untouchedGlobals(targetBefore));
    for (int t = 0; t < targetFacts.size(); ++t) {
        const QString name = targetFacts[t].name;
        QCOMPARE(again.sheet(t < before ? t : t + int(indexes.size())).name, name);
        QVERIFY(after.substreams.value(name) == targetBefore.substreams.value(name));
        QVERIFY(again.sheet(t < before ? t : t + int(indexes.size())).pageSetup == targetFacts[t].pageSetup);
        m_converted.append({targetPath.chopped(4) + QStringLiteral("_before.xls"), name, targetPath, name});
    }
    QFile::copy(TestBooks::Fixture(target), targetPath.chopped(4) + QStringLiteral("_before.xls"));
    // Excel's count of the cell formats stays right, or it drops the extended ones.
    int xfs = 0;
    for (const Record &r : after.globals)
        xfs += r.type == 0x00E0;
    for (const Record &r : after.globals)
        if (r.type == 0x087C)
            QCOMPARE(int(u16(r.data, 14)), xfs);
    for (int g = 0; g < indexes.size(); ++g)
        QCOMPARE(recordTypes(after.substreams.value(names[g])),
                 recordTypes(sourceRecords.substreams.value(from.sheet(indexes[g]).name)));

    const QJsonArray scanned = RecordOracle::Scan(targetPath).value(QStringLiteral("sheets")).toArray();
    QCOMPARE(scanned.size(), again.sheetCount());
    for (int t = 0; t < again.sheetCount(); ++t) {
        QCOMPARE(scanned[t].toObject().value(QStringLiteral("name")).toString(), again.sheet(t).name);
        QCOMPARE(scanned[t].toObject().value(QStringLiteral("hsState")).toInt(), int(again.sheet(t).visibility));
    }
}

void TestSheetImport::referencesFollowTheGroup()
{
    const QString source = madeByLibreOffice(QStringLiteral("source"), kSourceTables);
    const QString target = madeByLibreOffice(QStringLiteral("target"), kTargetTables);
    QVERIFY(QFile::exists(source) && QFile::exists(target));
    const QStringList targetEntries = entryNames(target);

    // Prices and Totals together: the totals add up the copied prices.
    BookFile from, into;
    QVERIFY(!from.open(source));
    QVERIFY(!into.open(target));
    QStringList names;
    QVERIFY(!into.importSheets(from, {0, 1}, 1, &names));
    QCOMPARE(names, QStringList({QStringLiteral("Prices (2)"), QStringLiteral("Totals")}));
    QVERIFY(!into.save());
    QStringList entries = entryNames(target);
    QCOMPARE(entries.mid(0, targetEntries.size()), targetEntries);
    QVERIFY2(entries.contains(QStringLiteral("Prices (2)")), qPrintable(entries.join(QLatin1Char(','))));
    QVERIFY(!entries.join(QLatin1Char(',')).contains(QLatin1Char('[')));
    m_converted.append({source, QStringLiteral("Prices"), target, QStringLiteral("Prices (2)")});
    m_converted.append({source, QStringLiteral("Totals"), target, QStringLiteral("Totals")});

    // Other alone: its references to the totals and the name's to the
    // prices become links to the source book, beside the target.
    const QString second = madeByLibreOffice(QStringLiteral("second"), kTargetTables);
    BookFile other;
    QVERIFY(!other.open(second));
    QVERIFY(!other.importSheets(from, {2}, other.sheetCount()));
    QVERIFY(!other.save());
    entries = entryNames(second);
    QVERIFY2(entries.contains(QStringLiteral("[source.xls]Totals")), qPrintable(entries.join(QLatin1Char(','))));
    QVERIFY2(entries.contains(QStringLiteral("[source.xls]Prices")), qPrintable(entries.join(QLatin1Char(','))));
    // The values the links refer to come along, so the copy reads as the original.
    m_converted.append({source, QStringLiteral("Other"), second, QStringLiteral("Other")});
}

void TestSheetImport::takenNamesGetExcelsName()
{
    const QString path = copyOf(TestBooks::Fixture(QStringLiteral("page_breaks_manual.xls")));
    BookFile book, from;
    QVERIFY(!book.open(path));
    QVERIFY(!from.open(TestBooks::Fixture(QStringLiteral("fit_to_pages_spaces.xls"))));
    QCOMPARE(book.freeSheetName(QStringLiteral("Fresh")), QStringLiteral("Fresh"));
    const QString taken = book.sheet(0).name;
    QCOMPARE(book.freeSheetName(taken.toUpper()), taken.toUpper() + QStringLiteral(" (2)"));
    QCOMPARE(book.freeSheetName(taken, {taken + QStringLiteral(" (2)")}), taken + QStringLiteral(" (3)"));
    const QString longest(31, QLatin1Char('x'));
    QCOMPARE(book.freeSheetName(longest), longest);
    // Cut by characters: a pair of UTF-16 units is never split.
    const QString wide = QString(26, QLatin1Char('x')) + QString::fromUtf8("\xF0\xA0\xAE\xB7") + QStringLiteral("yyy");
    QCOMPARE(book.freeSheetName(wide, {wide}), QString(26, QLatin1Char('x')) + QStringLiteral(" (2)"));

    // A sheet is listed once; brought twice, the copies take the next numbers,
    // counting on from a name that has one already.
    QVERIFY(book.importSheets(from, {0, 0}, 0));
    const QString name = from.sheet(0).name;
    const QString first = book.freeSheetName(name);
    QStringList names;
    QVERIFY(!book.importSheets(from, {0}, 0, &names));
    QCOMPARE(names.first(), first);
    QVERIFY(!book.importSheets(from, {0}, 0, &names));
    QCOMPARE(names.first(), name + (first == name ? QStringLiteral(" (2)") : QStringLiteral(" (3)")));
}

void TestSheetImport::namesBothBooksDefineAreSettled()
{
    const QString source = madeByLibreOffice(QStringLiteral("named"), FlatDocument::NamedSource);
    BookFile from;
    QVERIFY(!from.open(source));
    const QString targetBook = madeByLibreOffice(QStringLiteral("naming"), FlatDocument::NamedTarget);
    const QByteArray targetBytes = TestBooks::Bytes(targetBook);
    struct Case
    {
        QString answer; // to the question about "Rate"
        QStringList names;
        bool fails;
    };
    const QList<Case> cases{
        {QString(), {"Rate", "Same", "Spot"}, false},          // the target's "Rate" holds
        {QStringLiteral("Rate_src"), {"Rate", "Same", "Rate_src", "Spot"}, false},
        {QStringLiteral("A1"), {}, true},                         // a cell's address
        {QStringLiteral("same"), {}, true},                       // taken
    };
    for (const Case &c : cases) {
        const QString target = copyOf(targetBook, QStringLiteral("naming_%1.xls").arg(++m_copies));
        BookFile into;
        QVERIFY(!into.open(target));
        QStringList asked;
        into.setNameConflictResolver([&](const QString &name, const QString &free) {
            asked << name;
            if (free != QStringLiteral("Rate_2"))
                asked << free;
            return c.answer;
        });
        const BookFileError error = into.importSheets(from, {0, 1}, 1);
        QCOMPARE(asked, QStringList{QStringLiteral("Rate")}); // "Same" says the same in both
        QCOMPARE(into.lastNameConflicts().size(), 1);
        QCOMPARE(into.lastNameConflicts().first().second, c.answer);
        if (c.fails) {
            QCOMPARE(error.code, BookFileError::Code::InvalidName);
            QVERIFY(error.message.contains(c.answer));
            QCOMPARE(into.sheetCount(), 1);
            QVERIFY(!into.isModified());
            continue;
        }
        QVERIFY2(!error, qPrintable(error.message));
        QVERIFY(!into.save());
        QCOMPARE(globalNames(target), c.names);
        // "Spot" came with Data and refers to its copy, not back to the source.
        QVERIFY(!entryNames(target).join(QLatin1Char(',')).contains(QLatin1Char('[')));
        // Renamed, the copy computes as the original did.
        if (!c.answer.isEmpty())
            m_converted.append({source, QStringLiteral("Calc"), target, QStringLiteral("Calc")});
    }
    QCOMPARE(TestBooks::Bytes(targetBook), targetBytes);
}

void TestSheetImport::movedSheetsLeaveTheSource()
{
    const QString source = copyOf(TestBooks::Fixture(QStringLiteral("hidden_third_sheet.xls")));
    const QString target = copyOf(TestBooks::Fixture(QStringLiteral("page_margins_named_spaces.xls")));
    const QByteArray targetBytes = TestBooks::Bytes(target);
    BookFile from, into;
    QVERIFY(!from.open(source));
    QVERIFY(!into.open(target));
    const QList<SheetFacts> sourceFacts = from.sheets();
    QList<int> visible, all;
    for (int t = 0; t < from.sheetCount(); ++t) {
        all << t;
        if (from.sheet(t).visibility == SheetVisibility::Visible)
            visible << t;
    }
    // Excel's rule: the source keeps a visible sheet; a refusal changes neither book.
    const BookFileError refused = into.moveSheetsFrom(from, visible, 0);
    QCOMPARE(refused.code, BookFileError::Code::NoVisibleSheet);
    QVERIFY(!into.isModified() && !from.isModified());
    QCOMPARE(into.sheetCount(), BookFile().sheetCount() + 5);

    QVERIFY(!into.moveSheetsFrom(from, {1, 2}, 1));
    QVERIFY(into.isModified() && from.isModified());
    QCOMPARE(from.sheetCount(), sourceFacts.size() - 2);
    QCOMPARE(into.sheet(1).name, sourceFacts[1].name);
    QCOMPARE(into.sheet(2).name, sourceFacts[2].name);
    QCOMPARE(into.sheet(2).visibility, sourceFacts[2].visibility);
    QCOMPARE(TestBooks::Bytes(target), targetBytes); // nothing written until saved
    QVERIFY(!into.save());
    QVERIFY(!from.save());
    BookFile target2, source2;
    QVERIFY(!target2.open(target));
    QVERIFY(!source2.open(source));
    QCOMPARE(target2.indexOf(sourceFacts[1].name), 1);
    QCOMPARE(source2.indexOf(sourceFacts[1].name), -1);
    QCOMPARE(source2.sheetCount(), sourceFacts.size() - 2);
    m_converted.append({TestBooks::Fixture(QStringLiteral("hidden_third_sheet.xls")), sourceFacts[1].name, target, sourceFacts[1].name});
    m_converted.append({TestBooks::Fixture(QStringLiteral("hidden_third_sheet.xls")), sourceFacts[0].name, source, sourceFacts[0].name});
}

void TestSheetImport::referencesToMovedSheetsFollowThem()
{
    // Prices leave the source: the totals left behind refer to them in the
    // target, and keep their values.
    const QString source = madeByLibreOffice(QStringLiteral("moving"), kSourceTables);
    const QString target = madeByLibreOffice(QStringLiteral("receiving"), kTargetTables);
    const QString original = copyOf(source, QStringLiteral("moving_before.xls"));
    BookFile from, into;
    QVERIFY(!from.open(source));
    QVERIFY(!into.open(target));
    // What deleting sheets without this would break: Prices (a formula and
    // a name), Totals (a formula); nothing refers to Other.
    QVERIFY(from.sheetsReferredTo({0}));
    QVERIFY(from.sheetsReferredTo({1}));
    QVERIFY(!from.sheetsReferredTo({2}));
    QVERIFY(!into.moveSheetsFrom(from, {0}, into.sheetCount()));
    QVERIFY(!into.save());
    QVERIFY(!from.save());
    const QStringList entries = entryNames(source);
    QVERIFY2(entries.contains(QStringLiteral("[receiving.xls]Prices (2)")), qPrintable(entries.join(QLatin1Char(','))));
    QVERIFY(!entries.contains(QStringLiteral("#REF")));
    m_converted.append({original, QStringLiteral("Totals"), source, QStringLiteral("Totals")});
    m_converted.append({original, QStringLiteral("Prices"), target, QStringLiteral("Prices (2)")});
}

void TestSheetImport::encryptedBooksKeepTheirPasswords()
{
    // An encrypted source is read with its password; an encrypted target is
    // saved encrypted as it was.
    const QString target = copyOf(TestBooks::Fixture(QStringLiteral("encrypted_rc4_password.xls")));
    BookFile into, from;
    QVERIFY(!into.open(target, QStringLiteral("password")));
    QVERIFY(!from.open(TestBooks::Fixture(QStringLiteral("encrypted_cryptoapi_freedom.xls")), QStringLiteral("freedom")));
    const int count = into.sheetCount();
    QVERIFY(!into.importSheets(from, {0}, count));
    QVERIFY(!into.save());
    BookFile again;
    QCOMPARE(again.open(target).code, BookFileError::Code::PasswordRequired);
    QVERIFY(!again.open(target, QStringLiteral("password")));
    QCOMPARE(again.encryptionName(), into.encryptionName());
    QCOMPARE(again.sheetCount(), count + 1);
    QCOMPARE(again.sheet(count).lastRow, from.sheet(0).lastRow);

    // And a plain target takes the sheets of an encrypted book in plain.
    const QString plain = copyOf(TestBooks::Fixture(QStringLiteral("header_ampersand.xls")));
    BookFile open;
    QVERIFY(!open.open(plain));
    QVERIFY(!open.importSheets(from, {0}, 0));
    QVERIFY(!open.save());
    QVERIFY(!again.open(plain));
    QVERIFY(!again.isEncrypted());
}

void TestSheetImport::drawingsGetIdsOfTheirOwn()
{
    // Sheets with charts on them, into a book with a chart of its own and
    // into one without any drawing.
    for (const QString &target : {QStringLiteral("embedded_chart_on_sheet2.xls"), QStringLiteral("header_ampersand.xls")}) {
        const QString path = copyOf(TestBooks::Fixture(target));
        const BookRecords before = BookRecords::load(path);
        BookFile from, into;
        QVERIFY(!from.open(TestBooks::Fixture(QStringLiteral("embedded_charts_six.xls"))));
        QVERIFY(!into.open(path));
        QVERIFY(into.importRefusal(from, 0).isEmpty());
        QStringList names;
        const BookFileError e = into.importSheets(from, {0, 1, 2}, into.sheetCount(), &names);
        QVERIFY2(!e, qPrintable(e.message));
        QVERIFY(!into.save());
        BookFile again;
        QVERIFY(!again.open(path));
        for (int g = 0; g < 3; ++g)
            QCOMPARE(again.sheet(again.indexOf(names[g])).embeddedCharts, from.sheet(g).embeddedCharts);
        const BookRecords after = BookRecords::load(path);
        for (const QString &name : before.sheetNames)
            QVERIFY(after.substreams.value(name) == before.substreams.value(name));
        // Every drawing and every shape has an id no other has.
        const DrawingIds ids = drawingIds(after);
        QCOMPARE(QSet<int>(ids.drawings.begin(), ids.drawings.end()).size(), ids.drawings.size());
        QCOMPARE(QSet<quint32>(ids.shapes.begin(), ids.shapes.end()).size(), ids.shapes.size());
        QVERIFY(ids.drawings.size() >= 3);
        QCOMPARE(RecordOracle::Scan(path).value(QStringLiteral("sheets")).toArray().size(), again.sheetCount());
        for (int g = 0; g < 3; ++g)
            m_converted.append({TestBooks::Fixture(QStringLiteral("embedded_charts_six.xls")), from.sheet(g).name, path, names[g]});
    }
}

void TestSheetImport::refusesWhatTheRecordsCannotCarry()
{
    struct Case { const char *file; int sheet; };
    const QList<Case> cases{
        {"xlm_macro_autoopen.xls", 1},             // an Excel 4 macro sheet
        {"kinds_ws_chart_xlm_dialog_vba.xls", 3},  // a dialog sheet
        {"pivot_cache_extra_sheet.xls", 0},        // a pivot table
    };
    const QString target = copyOf(TestBooks::Fixture(QStringLiteral("header_ampersand.xls")));
    BookFile into;
    QVERIFY(!into.open(target));
    for (const Case &c : cases) {
        BookFile from;
        QVERIFY(!from.open(TestBooks::Fixture(QString::fromLatin1(c.file))));
        QVERIFY(!into.importRefusal(from, c.sheet).isEmpty());
        // One sheet the records cannot carry keeps the whole group out.
        QList<int> group{c.sheet};
        if (from.sheetCount() > 1)
            group.prepend(c.sheet == 0 ? 1 : 0);
        const BookFileError e = into.importSheets(from, group, 0);
        QCOMPARE(e.code, BookFileError::Code::Unsupported);
        QVERIFY(!e.message.isEmpty());
        QVERIFY(!into.isModified());
    }
    // Excel's rules: a target or source whose structure is protected takes
    // or gives no sheet; a damaged book is no source.
    BookFile protectedBook, plain;
    QVERIFY(!protectedBook.open(TestBooks::Fixture(QStringLiteral("wb_protected_structure_xxx.xls"))));
    QVERIFY(!plain.open(TestBooks::Fixture(QStringLiteral("header_ampersand.xls"))));
    QCOMPARE(protectedBook.importSheets(plain, {0}, 0).code, BookFileError::Code::StructureProtected);
    QCOMPARE(into.importSheets(protectedBook, {0}, 0).code, BookFileError::Code::StructureProtected);
    BookFile damaged;
    QVERIFY(damaged.open(TestBooks::Fixture(QStringLiteral("corrupt_fuzz_msat.xls"))));
    QVERIFY(into.importSheets(damaged, {0}, 0));
    QVERIFY(into.importSheets(plain, {0}, into.sheetCount() + 1));
    QVERIFY(!into.isModified());
    QCOMPARE(TestBooks::Bytes(target), TestBooks::Bytes(TestBooks::Fixture(QStringLiteral("header_ampersand.xls"))));
}

// The modules of the project the separate reader finds: name -> source
// (attribute lines left out).
QHash<QString, QString> oracleModules(const QJsonObject &scan)
{
    QHash<QString, QString> modules;
    for (const QJsonValue &m : scan.value(QStringLiteral("vba")).toObject().value(QStringLiteral("modules")).toArray())
        modules.insert(m.toObject().value(QStringLiteral("name")).toString(), m.toObject().value(QStringLiteral("source")).toString());
    return modules;
}

void TestSheetImport::carriesDocumentModules_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("module");     // the copy's module in the target, none when empty
    QTest::addColumn<QString>("sourceModule"); // whose text it holds
    QTest::addColumn<int>("controls");          // bytes of ActiveX controls' data the target gains
    QTest::addColumn<QStringList>("calls");     // the source's procedures the result names
    QTest::newRow("empty module into a book without a project")
        << "vba_module1.xls" << 1 << "header_ampersand.xls" << "" << "" << 0 << QStringList();
    QTest::newRow("empty module into a macro book")
        << "hidden_veryhidden_vba_docs.xls" << 1 << "vba_german_modul1.xls" << "Sheet2" << "Sheet2" << 0 << QStringList();
    QTest::newRow("code into a macro book whose module names clash")
        << "protected_sheet_print_titles.xls" << 0 << "vba_module1.xls" << "Sheet4" << "Sheet1" << 0 << QStringList();
    QTest::newRow("sheet of a plain book into a macro book")
        << "header_ampersand.xls" << 0 << "hidden_veryhidden_vba_docs.xls" << "Sheet5" << "" << 0 << QStringList();
    QTest::newRow("code into a book without a project")
        << "protected_sheet_print_titles.xls" << 0 << "page_breaks_manual.xls" << "Sheet1" << "Sheet1" << 0
        << QStringList();
    QTest::newRow("ActiveX button whose code calls the source's standard modules")
        << "hidden_and_protected_sheets.xls" << 0 << "vba_module1.xls" << "Sheet4" << "Sheet1" << 88
        << QStringList{"FindHighestWorksheet", "UnprotectSheet", "GetTableCol", "FindRow", "GrowOrShrinkRange",
                       "GetRangeFromIdentifiers", "MergeRows"};
}

// The copy's module joins the target's project with the source's text; the
// project's other modules keep theirs, and its compiled state is dropped.
void TestSheetImport::carriesDocumentModules()
{
    QFETCH(QString, source);
    QFETCH(int, sheet);
    QFETCH(QString, target);
    QFETCH(QString, module);
    QFETCH(QString, sourceModule);
    QFETCH(int, controls);
    QFETCH(QStringList, calls);
    const QString into = copyOf(TestBooks::Fixture(target));
    const QJsonObject before = RecordOracle::Scan(into);
    BookFile from, book;
    QVERIFY(!from.open(TestBooks::Fixture(source)));
    QVERIFY(!book.open(into));
    QVERIFY2(book.importRefusal(from, sheet).isEmpty(), qPrintable(book.importRefusal(from, sheet)));
    QStringList names;
    const BookFileError e = book.importSheets(from, {sheet}, book.sheetCount(), &names);
    QVERIFY2(!e, qPrintable(e.message));
    QVERIFY(!book.save());
    m_converted.append({TestBooks::Fixture(source), from.sheet(sheet).name, into, names[0]});
    const QList<VbaProcedureUse> uses = book.lastProcedureUses();
    QCOMPARE(uses.isEmpty() ? QStringList() : uses.first().procedures, calls);

    const QJsonObject after = RecordOracle::Scan(into);
    const auto controlBytes = [](const QJsonObject &scan) {
        return scan.value(QStringLiteral("cfb")).toObject().value(QStringLiteral("Ctls")).toObject().value(QStringLiteral("size")).toInt();
    };
    QCOMPARE(controlBytes(after) - controlBytes(before), controls);
    if (controls > 0) {
        // LibreOffice finds the control in the copy, under its name and caption.
        QTemporaryDir work;
        QVERIFY(TestTool::Convert(QStringLiteral("fods"), {into}, work.path(), work.filePath(QStringLiteral("profile"))));
        const QByteArray flat = TestBooks::Bytes(work.filePath(QFileInfo(into).completeBaseName() + QStringLiteral(".fods")));
        QCOMPARE(flat.count("<form:button "), 1);
        QVERIFY(flat.contains("form:name=\"CommandButton1\""));
        QVERIFY(flat.contains("form:label=\"Add a material worksheet\""));
    }
    const QJsonArray sheets = after.value(QStringLiteral("sheets")).toArray();
    QCOMPARE(sheets.last().toObject().value(QStringLiteral("codename")).toString(), module);
    const QHash<QString, QString> was = oracleModules(before), is = oracleModules(after);
    if (module.isEmpty()) {
        QCOMPARE(is, was);
        return;
    }
    // A book without a project gets one with a module for itself and for
    // each of its sheets, every sheet naming its own.
    QCOMPARE(is.size(), was.isEmpty() ? sheets.size() + 1 : was.size() + 1);
    for (auto it = was.cbegin(); it != was.cend(); ++it)
        QCOMPARE(is.value(it.key()), it.value());
    const QString text = sourceModule.isEmpty()
        ? QString() : oracleModules(RecordOracle::Scan(TestBooks::Fixture(source))).value(sourceModule);
    QCOMPARE(is.value(module), text);
    for (const QJsonValue &sheetScan : sheets)
        QVERIFY(is.contains(sheetScan.toObject().value(QStringLiteral("codename")).toString()));
    const QJsonObject vba = after.value(QStringLiteral("vba")).toObject();
    QCOMPARE(vba.value(QStringLiteral("compiled_version")).toInt(), 0xFFFF);
    for (const QString &stream : vba.value(QStringLiteral("streams")).toObject().keys())
        QVERIFY2(!stream.contains(QStringLiteral("__SRP_")), qPrintable(stream));
    // A project made new is the source's: its name, code page and protection (lock, password).
    if (was.isEmpty()) {
        const QJsonObject model = RecordOracle::Scan(TestBooks::Fixture(source)).value(QStringLiteral("vba")).toObject();
        for (const char *key : {"project_name", "codepage", "cmg", "dpb"})
            QCOMPARE(vba.value(QLatin1String(key)), model.value(QLatin1String(key)));
    }
    // This program's own reader agrees, kinds included.
    BookFile again;
    QVERIFY(!again.open(into));
    QVERIFY(!again.vbaProjectError());
    QCOMPARE(again.vbaModules().size(), is.size());
    for (const VbaModuleFacts &m : again.vbaModules())
        QVERIFY(m.name != module || m.kind == 100);
}

// A move takes the sheet's module out of the source's project, which keeps
// every other module as it was.
void TestSheetImport::movedSheetsTakeTheirModules()
{
    const QString sourcePath = copyOf(TestBooks::Fixture(QStringLiteral("protected_sheet_print_titles.xls")));
    const QString targetPath = copyOf(TestBooks::Fixture(QStringLiteral("vba_module1.xls")));
    const QHash<QString, QString> sourceBefore = oracleModules(RecordOracle::Scan(sourcePath));
    BookFile from, into;
    QVERIFY(!from.open(sourcePath));
    QVERIFY(!into.open(targetPath));
    QVERIFY(!into.moveSheetsFrom(from, {0}, into.sheetCount()));
    QVERIFY(!into.save());
    QVERIFY(!from.save());
    QHash<QString, QString> expected = sourceBefore;
    expected.remove(QStringLiteral("Sheet1"));
    const QJsonObject scan = RecordOracle::Scan(sourcePath);
    QCOMPARE(oracleModules(scan), expected);
    for (const QString &stream : scan.value(QStringLiteral("vba")).toObject().value(QStringLiteral("streams")).toObject().keys())
        QVERIFY2(!stream.endsWith(QStringLiteral("/VBA/Sheet1")), qPrintable(stream));
    QVERIFY(oracleModules(RecordOracle::Scan(targetPath)).values().contains(sourceBefore.value(QStringLiteral("Sheet1"))));
    BookFile again;
    QVERIFY(!again.open(sourcePath));
    QVERIFY(!again.vbaProjectError());
    QCOMPARE(again.vbaModules().size(), expected.size());
}

void TestSheetImport::combinesBooksInOnePass()
{
    const QString fresh = m_dir.filePath(QStringLiteral("combined.xls"));
    const QList<BookCombine::Source> sources{
        {TestBooks::Fixture(QStringLiteral("hidden_third_sheet.xls")), {}, {}},
        {TestBooks::Fixture(QStringLiteral("kinds_ws_chart_xlm_dialog_vba.xls")), {}, {}},
        {m_dir.filePath(QStringLiteral("missing.xls")), {}, {}},
        {TestBooks::Fixture(QStringLiteral("japanese_sheet_names.xls")), {QStringLiteral("日本語のみ"), QStringLiteral("nowhere")}, {}},
        {TestBooks::Fixture(QStringLiteral("page_breaks_manual.xls")), {}, {}},
    };
    BookCombine::Result result;
    const BookFileError error = BookCombine::run(fresh, sources, &result);
    QVERIFY2(!error, qPrintable(error.message));
    QCOMPARE(result.copied, QStringList({"Sheet1", "Sheet2", "Sheet3", "Sheet4", "Sheet1 (2)", "Chart1", "日本語のみ",
                                         "Sheet1 (3)", "Sheet2 (2)", "Sheet3 (2)"}));
    // What could not come is listed, the Excel 4 macro sheet among it.
    QCOMPARE(result.skipped.size(), 2 + 1 + 1);
    QVERIFY(result.skipped.filter(QStringLiteral("Macro1")).first().contains(QStringLiteral("マクロ")));
    QVERIFY(!result.skipped.filter(QStringLiteral("missing.xls")).isEmpty());
    QVERIFY(!result.skipped.filter(QStringLiteral("nowhere")).isEmpty());
    BookFile book;
    QVERIFY(!book.open(fresh));
    QStringList names;
    for (const SheetFacts &f : book.sheets())
        names << f.name;
    QCOMPARE(names, result.copied);
    QCOMPARE(book.sheet(2).visibility, SheetVisibility::Hidden);
    QCOMPARE(RecordOracle::Scan(fresh).value(QStringLiteral("sheets")).toArray().size(), names.size());
    m_converted.append({TestBooks::Fixture(QStringLiteral("japanese_sheet_names.xls")), QStringLiteral("日本語のみ"), fresh,
                        QStringLiteral("日本語のみ")});
    m_converted.append({TestBooks::Fixture(QStringLiteral("page_breaks_manual.xls")), QStringLiteral("Sheet3"), fresh,
                        QStringLiteral("Sheet3 (2)")});

    // Into a book that is there: its sheets stay as they were.
    const QString existing = copyOf(TestBooks::Fixture(QStringLiteral("header_ampersand.xls")));
    const BookRecords before = BookRecords::load(existing);
    QVERIFY(!BookCombine::run(existing, {sources[0]}, &result));
    const BookRecords after = BookRecords::load(existing);
    QCOMPARE(after.sheetNames.size(), before.sheetNames.size() + 4);
    for (const QString &name : before.sheetNames)
        QVERIFY(after.substreams.value(name) == before.substreams.value(name));

    // Nothing to copy: an error, and no book made.
    const QString none = m_dir.filePath(QStringLiteral("none.xls"));
    QVERIFY(BookCombine::run(none, {{sources[1].path, {QStringLiteral("Dialog1")}, {}}}, &result));
    QVERIFY(!QFile::exists(none));
    QVERIFY(result.nothingToCopy);

    // Sheets the records cannot carry are left for the office, each with its
    // place. Diverted, the save leaves the target alone, and the copies take
    // the names they have once the office's sheets stand in between.
    const QString untouched = m_dir.filePath(QStringLiteral("untouched.xls"));
    const QString diverted = m_dir.filePath(QStringLiteral("diverted.xls"));
    // A book Excel 5.0/95 wrote is the office's to read: all its sheets are left, each saying why.
    const BookCombine::Source excel95{TestBooks::Fixture(QStringLiteral("biff5_visibility.xls")), {}, {}};
    QVERIFY(!BookCombine::run(untouched, {sources[0], sources[1], sources[2], sources[4], excel95}, &result, QString(),
                              diverted));
    QVERIFY(!QFile::exists(untouched));
    QCOMPARE(result.unreadable, QList<int>({2}));
    QVERIFY(result.failed.isEmpty());
    QStringList left;
    for (const BookCombine::Left &sheet : result.left)
        left << QStringLiteral("%1 %2 %3").arg(sheet.source).arg(sheet.sheet).arg(sheet.position);
    QCOMPARE(left, QStringList({"1 Dialog1 6", "4 Visible 9", "4 Hidden 9", "4 VeryHidden 9"}));
    QCOMPARE(result.bySource[4].refusedWhy, QStringList(3, QStringLiteral("Excel 5.0/95 形式のブックのシート")));
    QVERIFY(!result.bySource[1].refusedWhy.value(0).isEmpty());
    QCOMPARE(result.copied, QStringList({"Sheet1", "Sheet2", "Sheet3", "Sheet4", "Sheet1 (2)", "Chart1", "Sheet1 (3)",
                                         "Sheet2 (2)", "Sheet3 (2)"}));
    QVERIFY(!book.open(diverted));
    names.clear();
    for (const SheetFacts &f : book.sheets())
        names << f.name;
    QCOMPARE(names, result.copied);
}

void TestSheetImport::libreOfficeReadsTheCopiesAsTheOriginals()
{
    // One office run converts every book involved, one CSV file per sheet;
    // each copy reads as its original did.
    QVERIFY(!m_converted.isEmpty());
    QTemporaryDir work;
    const QString outDir = work.filePath(QStringLiteral("out"));
    QStringList inputs;
    QHash<QString, QString> stem;
    for (const Converted &c : m_converted) {
        for (const QString &book : {c.original, c.saved}) {
            if (stem.contains(book))
                continue;
            const QString in = work.filePath(QStringLiteral("f%1.xls").arg(stem.size()));
            QVERIFY(QFile::copy(book, in));
            stem.insert(book, QFileInfo(in).completeBaseName());
            inputs << in;
        }
    }
    QVERIFY(TestTool::Convert(QLatin1String(TestTool::EverySheetAsCsv), inputs, outDir,
                              work.filePath(QStringLiteral("profile"))));
    const QDir results(outDir);
    for (const Converted &c : m_converted) {
        const QString copy = results.filePath(stem[c.saved] + QLatin1Char('-') + c.savedSheet + QStringLiteral(".csv"));
        const QString original = results.filePath(stem[c.original] + QLatin1Char('-') + c.originalSheet + QStringLiteral(".csv"));
        QVERIFY2(QFile::exists(copy), qPrintable(c.saved + QLatin1Char(' ') + c.savedSheet));
        QVERIFY2(TestBooks::Bytes(copy) == TestBooks::Bytes(original), qPrintable(c.saved + QLatin1Char(' ') + c.savedSheet));
    }
}

QTEST_GUILESS_MAIN(TestSheetImport)
#include "tst_sheetimport.moc"
