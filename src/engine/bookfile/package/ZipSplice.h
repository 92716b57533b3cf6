#pragma once

// ZipSplice: writes a ZIP archive again with some entries' contents
// replaced, some left out and some added, copying every other entry as it
// stands: local header, compressed data and data descriptor byte for byte,
// and its central record with only its offset changed. Entries keep their
// order, added ones come last; the archive comment stays.

#include "ZipArchive.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace quirn {

struct ZipChanges
{
    // Entry names (as the archive spells them, or as added) to their new contents.
    QHash<QString, QByteArray> contents;
    // Entries new to the archive, in the order they are written; their contents are in `contents`.
    QStringList added;
    // Entries of the archive left out.
    QSet<QString> removed;

    bool isEmpty() const { return contents.isEmpty() && removed.isEmpty(); }
};

// Contents deflated by an earlier write, by entry name, so that writing a
// book again does not deflate again the parts that did not change since.
struct ZipDeflated
{
    QByteArray content;
    QByteArray data;
    quint32 crc = 0;
};
using ZipDeflateCache = QHash<QString, ZipDeflated>;

struct ZipSplice
{
    static bool write(const ZipArchive &zip, const ZipChanges &changes, const QString &path, QString *reason,
                      ZipDeflateCache *cache = nullptr);
    // The bytes written, for writing to memory.
    static QByteArray spliced(const ZipArchive &zip, const ZipChanges &changes, ZipDeflateCache *cache = nullptr);
};

} // namespace quirn
