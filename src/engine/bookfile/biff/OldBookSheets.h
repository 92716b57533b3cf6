#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace quirn {

// The sheet list of a book Excel 5.0 or 95 wrote (BIFF5 records in a "Book"
// stream), which only the office reads: what a combine needs to hand its
// sheets to the office by name.
class OldBookSheets
{
public:
    // The BOUNDSHEET sheet types of BIFF5.
    enum class Type { Worksheet = 0, MacroSheet = 1, Chart = 2, VbaModule = 6 };
    struct Sheet
    {
        QString name;
        Type type = Type::Worksheet;
    };

    // The sheets of the book in `bytes` (the whole file), in tab order;
    // empty when it holds no BIFF5 book stream or its list cannot be read.
    static QList<Sheet> read(const QByteArray &bytes);
};

} // namespace quirn
