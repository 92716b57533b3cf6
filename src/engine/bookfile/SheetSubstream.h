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

private:
    QByteArray m_bytes;
};

} // namespace quirn
