#include "ReserveTable.h"

#include <QTest>

class tst_ReserveTable : public QObject
{
    Q_OBJECT

private slots:
    void emptyTableFindsNothing();
    void releasedSheetsKeepTheEntryButDoNotCount();
    void pathsDifferingInCaseAreDifferentEntries();
    void blankedEntryStaysAndIsFoundNoMore();
};

namespace {

ReserveBookEntry Book(const QString &path, bool reserved, QList<ReserveSheetEntry> sheets)
{
    ReserveBookEntry entry;
    entry.Path = path;
    entry.Reserved = reserved;
    entry.Sheets = sheets;
    return entry;
}

} // namespace

void tst_ReserveTable::emptyTableFindsNothing()
{
    ReserveTable table;
    QCOMPARE(table.Entries.size(), 1);
    QCOMPARE(table.CountReservedBooks(), 0);
    QCOMPARE(table.FindReserveBook("/b/a.xls"), -1);
    QCOMPARE(table.FindActiveReserveBook("/b/a.xls"), -1);
    QVERIFY(!table.IsSheetReserved("/b/a.xls", "Sheet1"));
    // The unused entry has an empty path: only an empty path finds it.
    QCOMPARE(table.FindReserveBook(QString()), 0);
    QCOMPARE(table.FindActiveReserveBook(QString()), -1);
}

void tst_ReserveTable::releasedSheetsKeepTheEntryButDoNotCount()
{
    ReserveTable table;
    table.Entries = {Book("/b/a.xls", true, {{"S1", false}, {"S2", false}}),
                     Book("/b/b.xls", true, {{"X", true}}),
                     Book("/b/c.xls", false, {{"Y", true}})};
    QCOMPARE(table.CountReservedBooks(), 1);
    QCOMPARE(table.FindActiveReserveBook("/b/a.xls"), 0);
    QCOMPARE(table.FindActiveReserveBook("/b/c.xls"), -1);
    QCOMPARE(table.FindReserveBook("/b/c.xls"), 2);
    QCOMPARE(ReserveTable::FindReserveSheet(table.Entries[0].Sheets, "S2"), 1);
    QCOMPARE(ReserveTable::FindReserveSheet(table.Entries[0].Sheets, "s2"), -1);
    QVERIFY(table.IsSheetReserved("/b/b.xls", "X"));
    QVERIFY(!table.IsSheetReserved("/b/a.xls", "S1"));
    QVERIFY(!table.IsSheetReserved("/b/c.xls", "Y"));
}

void tst_ReserveTable::pathsDifferingInCaseAreDifferentEntries()
{
    ReserveTable table;
    table.Entries = {Book("/b/A.xls", true, {{"S", true}}), Book("/b/a.xls", true, {{"S", true}})};
    QCOMPARE(table.FindReserveBook("/b/a.xls"), 1);
    QCOMPARE(table.FindActiveReserveBook("/b/A.xls"), 0);
    QCOMPARE(table.CountReservedBooks(), 2);
}

void tst_ReserveTable::blankedEntryStaysAndIsFoundNoMore()
{
    ReserveTable table;
    table.Entries = {Book("/b/a.xls", true, {{"S", true}}), Book("/b/b.xls", true, {{"T", true}})};
    table.Blank(0);
    QCOMPARE(table.Entries.size(), 2);
    QCOMPARE(table.FindReserveBook("/b/a.xls"), -1);
    QCOMPARE(table.Entries[0].Sheets.size(), 1);
    QVERIFY(table.Entries[0].Sheets[0].Name.isEmpty());
    QCOMPARE(table.CountReservedBooks(), 1);
    table.Reset();
    QCOMPARE(table.Entries.size(), 1);
    QCOMPARE(table.CountReservedBooks(), 0);
}

QTEST_GUILESS_MAIN(tst_ReserveTable)
#include "tst_reservetable.moc"
