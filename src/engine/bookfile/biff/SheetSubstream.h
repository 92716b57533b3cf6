#pragma once

#include "SheetFacts.h"

#include <QByteArray>

namespace quirn {

// Reads and edits one sheet's substream (from its BOF to its matching EOF).
class SheetSubstream
{
public:
    explicit SheetSubstream(const QByteArray &bytes) : m_bytes(bytes) {}

    // Facts of the sheet; `boundSheetType` is the sheet directory's type byte.
    // Print area and titles are not part of the substream and stay empty.
    SheetFacts facts(int boundSheetType) const;

    // The substream with the page setup records written from `setup` (print
    // area and titles excepted). `base` is the stream offset the substream's
    // own absolute pointers (INDEX) are relative to.
    QByteArray withPageSetup(const PageSetupFacts &setup, qint64 base) const;

    // Points a pivot cache source (a DCONREF record's data) on sheet
    // `oldName` of this book at `newName`; false when it is another source.
    static bool renamePivotSourceSheet(QByteArray &dconref, const QString &oldName, const QString &newName);

    // The substream with the pivot table sources on sheet `oldName` of this
    // book pointing at `newName`.
    QByteArray withPivotSourceRenamed(const QString &oldName, const QString &newName, qint64 base) const;

private:
    QByteArray m_bytes;
};

} // namespace quirn
