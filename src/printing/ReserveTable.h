#pragma once

#include <QList>
#include <QString>

// One sheet ever reserved for printing in a book.
struct ReserveSheetEntry
{
    QString Name;
    bool Reserved = false;
};

// The reservations of one book. An entry not in use has an empty path.
struct ReserveBookEntry
{
    QString Path;
    bool Reserved = false;
    QList<ReserveSheetEntry> Sheets = QList<ReserveSheetEntry>(1);
};

// The print reservation table: per book path, the sheets reserved for a later
// print run. It lives in memory only. Paths and names compare exactly.
class ReserveTable
{
public:
    ReserveTable() { Reset(); }

    // One empty entry.
    void Reset();
    // Path empty, not reserved, the sheet list back to one empty element; the
    // entry stays in the table.
    void Blank(int index);

    // The first entry for the path whatever its flag, or -1.
    int FindReserveBook(const QString &path) const;
    // The first entry for the path whose flag is set, or -1.
    int FindActiveReserveBook(const QString &path) const;
    // The first sheet of the list with that name, or -1.
    static int FindReserveSheet(const QList<ReserveSheetEntry> &sheets, const QString &name);
    // Entries whose flag is set and that hold at least one reserved sheet.
    int CountReservedBooks() const;
    // Whether the sheet is reserved in the book's active entry (the mark).
    bool IsSheetReserved(const QString &path, const QString &name) const;

    QList<ReserveBookEntry> Entries;
};
