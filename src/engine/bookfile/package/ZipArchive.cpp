#include "ZipArchive.h"

#include "LittleEndian.h"

#include <zlib.h>

#include <algorithm>

namespace quirn {

namespace {

constexpr quint32 kLocalSignature = 0x04034b50;
constexpr quint32 kCentralSignature = 0x02014b50;
constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kZip64EndSignature = 0x06064b50;
constexpr quint32 kZip64LocatorSignature = 0x07064b50;
constexpr quint32 kDescriptorSignature = 0x08074b50;
constexpr qint64 kCentralFixed = 46;
constexpr qint64 kLocalFixed = 30;
constexpr qint64 kEndFixed = 22;

bool fits(const QByteArray &b, qint64 at, qint64 length)
{
    return at >= 0 && length >= 0 && at <= b.size() && length <= b.size() - at;
}

// A part name as a package may hold it: a relative path of non-empty
// segments, none of them "." or "..", without backslashes or control characters.
bool isSafeName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return false;
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    const QStringList segments = name.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QString &s = segments[i];
        // A folder entry ends in "/": its last segment is empty.
        if ((s.isEmpty() && i + 1 < segments.size()) || s == QLatin1String(".") || s == QLatin1String(".."))
            return false;
    }
    return true;
}

} // namespace

std::optional<ZipArchive> ZipArchive::read(const QByteArray &bytes, QString *reason)
{
    ZipArchive zip;
    zip.m_bytes = bytes;
    // The end record lies in the last 64 KiB and 22 bytes (its comment at most 64 KiB).
    const qint64 size = bytes.size();
    qint64 end = -1;
    for (qint64 at = size - kEndFixed; at >= 0 && at >= size - kEndFixed - 0xFFFF; --at) {
        if (u32(bytes, at) == kEndSignature && at + kEndFixed + u16(bytes, at + 20) <= size) {
            end = at;
            break;
        }
    }
    if (end < 0) {
        *reason = QStringLiteral("no end of central directory");
        return std::nullopt;
    }
    zip.m_comment = bytes.mid(end + kEndFixed, u16(bytes, end + 20));
    if (u16(bytes, end + 4) != 0 || u16(bytes, end + 6) != 0) {
        *reason = QStringLiteral("multi-disk archive");
        return std::nullopt;
    }
    quint64 count = u16(bytes, end + 10);
    quint64 centralSize = u32(bytes, end + 12);
    quint64 centralOffset = u32(bytes, end + 16);
    const qint64 locator = end - 20;
    if (locator >= 0 && u32(bytes, locator) == kZip64LocatorSignature) {
        const quint64 record = u64(bytes, locator + 8);
        if (record > quint64(locator) || !fits(bytes, qint64(record), 56)
            || u32(bytes, qint64(record)) != kZip64EndSignature) {
            *reason = QStringLiteral("bad ZIP64 end record");
            return std::nullopt;
        }
        count = u64(bytes, qint64(record) + 32);
        centralSize = u64(bytes, qint64(record) + 40);
        centralOffset = u64(bytes, qint64(record) + 48);
    }
    if (count > quint64(kMostEntries)) {
        *reason = QStringLiteral("too many entries");
        return std::nullopt;
    }
    if (centralOffset > quint64(size) || centralSize > quint64(size) - centralOffset) {
        *reason = QStringLiteral("central directory outside the file");
        return std::nullopt;
    }
    if (!zip.readCentral(qint64(centralOffset), qint64(centralSize), count, reason))
        return std::nullopt;
    // Each entry inflates to its declared size or fails, so this bounds the work of any pass over the parts.
    quint64 declared = 0;
    for (const Entry &e : zip.m_entries)
        declared += e.size;
    if (declared > quint64(kMostInflated)) {
        *reason = QStringLiteral("contents too large");
        return std::nullopt;
    }
    if (quint64(zip.m_entries.size()) % 0x10000 != count % 0x10000) {
        *reason = QStringLiteral("entry count differs from the directory");
        return std::nullopt;
    }

    // Entries lie before the central directory, one after the other, never overlapping.
    QList<const Entry *> physical;
    for (const Entry &e : zip.m_entries)
        physical.append(&e);
    std::sort(physical.begin(), physical.end(),
              [](const Entry *a, const Entry *b) { return a->localOffset < b->localOffset; });
    for (qsizetype i = 0; i < physical.size(); ++i) {
        const qint64 limit = i + 1 < physical.size() ? physical[i + 1]->localOffset : qint64(centralOffset);
        if (physical[i]->end > limit) {
            *reason = QStringLiteral("overlapping entries");
            return std::nullopt;
        }
    }
    return zip;
}

bool ZipArchive::readCentral(qint64 offset, qint64 size, quint64 count, QString *reason)
{
    qint64 at = offset;
    const qint64 limit = offset + size;
    // Records are read to the end of the directory: some writers let the
    // 16-bit count wrap past 65535 entries without ZIP64 records.
    m_entries.reserve(qsizetype(std::min<quint64>(count, kMostEntries)));
    while (at < limit) {
        if (m_entries.size() >= kMostEntries) {
            *reason = QStringLiteral("too many entries");
            return false;
        }
        if (at + kCentralFixed > limit || u32(m_bytes, at) != kCentralSignature) {
            *reason = QStringLiteral("bad central record");
            return false;
        }
        Entry e;
        e.versionMadeBy = u16(m_bytes, at + 4);
        e.flags = u16(m_bytes, at + 8);
        e.method = u16(m_bytes, at + 10);
        e.crc = u32(m_bytes, at + 16);
        e.compressedSize = u32(m_bytes, at + 20);
        e.size = u32(m_bytes, at + 24);
        const qint64 nameLength = u16(m_bytes, at + 28);
        const qint64 extraLength = u16(m_bytes, at + 30);
        const qint64 commentLength = u16(m_bytes, at + 32);
        e.localOffset = u32(m_bytes, at + 42);
        e.centralOffset = at;
        e.centralLength = kCentralFixed + nameLength + extraLength + commentLength;
        if (at + e.centralLength > limit) {
            *reason = QStringLiteral("bad central record");
            return false;
        }
        const QByteArray rawName = m_bytes.mid(at + kCentralFixed, nameLength);
        e.name = QString::fromUtf8(rawName);
        // ZIP64 extra: the sizes and offset that overflow their 32-bit fields, in this order.
        for (qint64 x = at + kCentralFixed + nameLength; x + 4 <= at + kCentralFixed + nameLength + extraLength;) {
            const quint16 id = u16(m_bytes, x);
            const qint64 length = u16(m_bytes, x + 2);
            if (x + 4 + length > at + kCentralFixed + nameLength + extraLength)
                break;
            if (id == 0x0001) {
                qint64 field = x + 4;
                auto take = [&](quint64 &value) {
                    if (value == 0xFFFFFFFF && field + 8 <= x + 4 + length) {
                        value = u64(m_bytes, field);
                        field += 8;
                    }
                };
                quint64 local = quint64(e.localOffset);
                take(e.size);
                take(e.compressedSize);
                take(local);
                e.localOffset = qint64(std::min<quint64>(local, quint64(m_bytes.size()) + 1));
                e.zip64 = true;
            }
            x += 4 + length;
        }
        if (!isSafeName(e.name)) {
            *reason = QStringLiteral("unsafe entry name");
            return false;
        }
        const QString folded = e.name.toLower();
        if (m_byFoldedName.contains(folded)) {
            *reason = QStringLiteral("duplicate entry name");
            return false;
        }
        if (!locateData(e, reason))
            return false;
        m_byFoldedName.insert(folded, int(m_entries.size()));
        m_entries.append(e);
        at += e.centralLength;
    }
    return true;
}

bool ZipArchive::locateData(Entry &e, QString *reason) const
{
    if (!fits(m_bytes, e.localOffset, kLocalFixed) || u32(m_bytes, e.localOffset) != kLocalSignature) {
        *reason = QStringLiteral("bad local header");
        return false;
    }
    const qint64 nameLength = u16(m_bytes, e.localOffset + 26);
    const qint64 extraLength = u16(m_bytes, e.localOffset + 28);
    if (!fits(m_bytes, e.localOffset + kLocalFixed, nameLength + extraLength)
        || QString::fromUtf8(m_bytes.mid(e.localOffset + kLocalFixed, nameLength)) != e.name) {
        *reason = QStringLiteral("local and central names differ");
        return false;
    }
    e.dataOffset = e.localOffset + kLocalFixed + nameLength + extraLength;
    if (e.compressedSize > quint64(m_bytes.size()) || !fits(m_bytes, e.dataOffset, qint64(e.compressedSize))) {
        *reason = QStringLiteral("entry data outside the file");
        return false;
    }
    e.end = e.dataOffset + qint64(e.compressedSize);
    if (e.flags & 0x0008) {
        // The descriptor: an optional signature, the CRC, then the sizes in 4
        // bytes each, or 8 when the entry is a ZIP64 one.
        qint64 at = e.end;
        if (fits(m_bytes, at, 8) && u32(m_bytes, at) == kDescriptorSignature && u32(m_bytes, at + 4) == e.crc)
            at += 4;
        bool wide = e.zip64;
        for (qint64 x = e.localOffset + kLocalFixed + nameLength; x + 4 <= e.dataOffset;) {
            wide = wide || u16(m_bytes, x) == 0x0001;
            x += 4 + u16(m_bytes, x + 2);
        }
        const qint64 length = wide ? 20 : 12;
        if (!fits(m_bytes, at, length) || u32(m_bytes, at) != e.crc) {
            *reason = QStringLiteral("bad data descriptor");
            return false;
        }
        e.end = at + length;
    }
    return true;
}

int ZipArchive::find(const QString &name) const
{
    return m_byFoldedName.value(name.toLower(), -1);
}

bool ZipArchive::inflate(int index, QByteArray *out, QString *reason) const
{
    const Entry &e = m_entries.at(index);
    if (e.flags & 0x0001) {
        *reason = QStringLiteral("encrypted entry");
        return false;
    }
    if (e.size > quint64(kLargestEntry)
        || (qint64(e.size) > kRatioCheckedFrom && e.size / std::max<quint64>(e.compressedSize, 1) > quint64(kMostRatio))) {
        *reason = QStringLiteral("entry too large");
        return false;
    }
    const char *data = m_bytes.constData() + e.dataOffset;
    if (e.method == 0) {
        if (e.compressedSize != e.size) {
            *reason = QStringLiteral("stored entry sizes differ");
            return false;
        }
        *out = QByteArray(data, qsizetype(e.size));
    } else if (e.method == 8) {
        // Inflates into exactly the declared size: more or less is a lie.
        out->resize(qsizetype(e.size));
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
            *reason = QStringLiteral("inflate failed");
            return false;
        }
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        z.avail_in = uInt(e.compressedSize);
        z.next_out = reinterpret_cast<Bytef *>(out->data());
        z.avail_out = uInt(e.size);
        int status = ::inflate(&z, Z_FINISH);
        if (status == Z_BUF_ERROR && z.avail_out == 0) {
            // Room for one more byte tells a stream that goes on from one that ends here.
            char extra = 0;
            z.next_out = reinterpret_cast<Bytef *>(&extra);
            z.avail_out = 1;
            status = ::inflate(&z, Z_FINISH);
            if (z.avail_out == 0)
                status = Z_DATA_ERROR;
        }
        inflateEnd(&z);
        if (status != Z_STREAM_END || z.total_out != e.size) {
            *reason = QStringLiteral("entry does not inflate to its size");
            return false;
        }
    } else {
        *reason = QStringLiteral("unknown compression method");
        return false;
    }
    if (crc32(0, reinterpret_cast<const Bytef *>(out->constData()), uInt(out->size())) != e.crc) {
        *reason = QStringLiteral("CRC mismatch");
        return false;
    }
    return true;
}

} // namespace quirn
