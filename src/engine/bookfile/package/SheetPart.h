#pragma once

// SheetPart: the facts one sheet part of a package book holds: protection,
// Excel's last cell (from the cells themselves, as `dimension` may be stale
// or missing), manual page breaks and the page setup.

#include "SheetFacts.h"

#include <QByteArray>
#include <QString>

namespace quirn {

struct SheetPart
{
    // Fills `facts` from the part; false with `reason` when it is no well-formed XML.
    static bool read(const QByteArray &xml, SheetFacts *facts, QString *drawingId, QString *reason);
    // "AB12" as column 28, row 12 (1-based); false when it is no cell reference.
    static bool parseCell(QStringView ref, int *column, int *row);
};

} // namespace quirn
