#pragma once

// ZipSplice: writes a ZIP archive again with some entries' contents
// replaced, copying every other entry as it stands: local header, compressed
// data and data descriptor byte for byte, and its central record with only
// its offset changed. Entries keep their order; the archive comment stays.

#include "ZipArchive.h"

#include <QHash>

namespace quirn {

struct ZipSplice
{
    // `replaced` maps entry names (as the archive spells them) to their new contents.
    static bool write(const ZipArchive &zip, const QHash<QString, QByteArray> &replaced, const QString &path,
                      QString *reason);
    // The bytes written, for writing to memory.
    static QByteArray spliced(const ZipArchive &zip, const QHash<QString, QByteArray> &replaced);
};

} // namespace quirn
