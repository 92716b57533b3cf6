#include "ReserveTable.h"

#include <algorithm>

void ReserveTable::Reset()
{
    Entries = QList<ReserveBookEntry>(1);
}

void ReserveTable::Blank(int index)
{
    if (index < 0 || index >= Entries.size())
        return;
    Entries[index] = ReserveBookEntry();
}

int ReserveTable::FindReserveBook(const QString &path) const
{
    for (int i = 0; i < Entries.size(); ++i) {
        if (Entries.at(i).Path == path)
            return i;
    }
    return -1;
}

int ReserveTable::FindActiveReserveBook(const QString &path) const
{
    for (int i = 0; i < Entries.size(); ++i) {
        if (Entries.at(i).Path == path && Entries.at(i).Reserved)
            return i;
    }
    return -1;
}

int ReserveTable::FindReserveSheet(const QList<ReserveSheetEntry> &sheets, const QString &name)
{
    for (int i = 0; i < sheets.size(); ++i) {
        if (sheets.at(i).Name == name)
            return i;
    }
    return -1;
}

int ReserveTable::CountReservedBooks() const
{
    return static_cast<int>(std::count_if(Entries.cbegin(), Entries.cend(), [](const ReserveBookEntry &book) {
        return book.Reserved && std::any_of(book.Sheets.cbegin(), book.Sheets.cend(),
                                            [](const ReserveSheetEntry &sheet) { return sheet.Reserved; });
    }));
}

bool ReserveTable::IsSheetReserved(const QString &path, const QString &name) const
{
    const int book = FindActiveReserveBook(path);
    if (book < 0)
        return false;
    const int sheet = FindReserveSheet(Entries.at(book).Sheets, name);
    return sheet >= 0 && Entries.at(book).Sheets.at(sheet).Reserved;
}
