#pragma once

// ZipArchive: the entries of a ZIP file held in memory, read with limits that
// any file, however hostile, stays within: the number of entries, each
// entry's inflated size and compression ratio, and the sizes of all together.
// Entries must lie inside the file without overlapping, their local and
// central names must agree, names must be safe relative paths, unique
// ignoring case. ZIP64 records and data descriptors are read.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace quirn {

class ZipArchive
{
public:
    static constexpr int kMostEntries = 100000;
    static constexpr qint64 kLargestEntry = qint64(512) << 20;
    static constexpr qint64 kMostInflated = qint64(2) << 30;
    // Real parts seldom compress beyond 100:1; this much only for the large.
    static constexpr qint64 kMostRatio = 500;
    static constexpr qint64 kRatioCheckedFrom = qint64(4) << 20;

    struct Entry
    {
        QString name;
        quint16 versionMadeBy = 0;
        quint16 flags = 0;
        quint16 method = 0;
        quint32 crc = 0;
        quint64 compressedSize = 0;
        quint64 size = 0;
        qint64 localOffset = 0; // local header
        qint64 dataOffset = 0;  // compressed data
        qint64 end = 0;         // past the data and its descriptor
        qint64 centralOffset = 0; // central record
        qint64 centralLength = 0;
        bool zip64 = false;     // central record with a ZIP64 extra field
    };

    // The archive in `bytes`; `reason` says why not.
    static std::optional<ZipArchive> read(const QByteArray &bytes, QString *reason);

    const QByteArray &bytes() const { return m_bytes; }
    const QList<Entry> &entries() const { return m_entries; }
    // Position of the entry named `name` (ignoring ASCII case), or -1.
    int find(const QString &name) const;
    // The entry's content, checked against its size and CRC.
    bool inflate(int index, QByteArray *out, QString *reason) const;
    // The archive's comment, as written.
    QByteArray comment() const { return m_comment; }

private:
    bool readCentral(qint64 offset, qint64 size, quint64 count, QString *reason);
    bool locateData(Entry &entry, QString *reason) const;

    QByteArray m_bytes;
    QList<Entry> m_entries;
    QHash<QString, int> m_byFoldedName;
    QByteArray m_comment;
};

} // namespace quirn
