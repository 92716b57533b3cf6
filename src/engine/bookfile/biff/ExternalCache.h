#pragma once

#include "BiffRecord.h"
#include "SharedStrings.h"

#include <QByteArray>
#include <QList>

namespace quirn {

// The values a book keeps of the cells it refers to in another book (XCT
// and CRN records after that book's SUPBOOK), so that its formulas show and
// recalculate the right results without the other book at hand.
class ExternalCache
{
public:
    struct Area
    {
        int firstRow, lastRow, firstColumn, lastColumn;
    };

    // The XCT and CRN records for the sheet `itab` of the linked book, whose
    // substream is `sheet` and shared strings `strings`, holding the values
    // of its cells inside `areas`. Empty cells are left out.
    static QList<biff::Record> records(int itab, const QByteArray &sheet, const SharedStrings &strings,
                                       const QList<Area> &areas);
};

} // namespace quirn
