#include "ZipSplice.h"

#include "LittleEndian.h"

#include <QFile>

#include <zlib.h>

#include <algorithm>

namespace quirn {

namespace {

QByteArray deflated(const QByteArray &content)
{
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&z, uLong(content.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(content.constData()));
    z.avail_in = uInt(content.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(qsizetype(z.total_out));
    deflateEnd(&z);
    return out;
}

struct Written
{
    qint64 offset = 0;
    bool replaced = false;
    quint32 crc = 0;
    quint64 compressedSize = 0;
    quint64 size = 0;
};

} // namespace

QByteArray ZipSplice::spliced(const ZipArchive &zip, const QHash<QString, QByteArray> &replaced)
{
    const QByteArray &in = zip.bytes();
    const QList<ZipArchive::Entry> &entries = zip.entries();
    QList<int> physical(entries.size());
    for (int i = 0; i < entries.size(); ++i)
        physical[i] = i;
    std::sort(physical.begin(), physical.end(),
              [&](int a, int b) { return entries[a].localOffset < entries[b].localOffset; });

    QByteArray out;
    out.reserve(in.size() + 4096);
    QList<Written> written(entries.size());
    for (int i : physical) {
        const ZipArchive::Entry &e = entries[i];
        Written &w = written[i];
        w.offset = out.size();
        const auto content = replaced.constFind(e.name);
        if (content == replaced.constEnd()) {
            out.append(in.constData() + e.localOffset, e.end - e.localOffset);
            continue;
        }
        // A fresh local header with the sizes known, so no descriptor.
        const QByteArray data = deflated(*content);
        w.replaced = true;
        w.crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(content->constData()), uInt(content->size())));
        w.compressedSize = quint64(data.size());
        w.size = quint64(content->size());
        const QByteArray name = e.name.toUtf8();
        append32(out, 0x04034b50);
        append16(out, std::max<quint16>(u16(in, e.localOffset + 4), 20));
        append16(out, e.flags & ~0x0008);
        append16(out, 8);
        append16(out, u16(in, e.localOffset + 10)); // time
        append16(out, u16(in, e.localOffset + 12)); // date
        append32(out, w.crc);
        append32(out, quint32(w.compressedSize));
        append32(out, quint32(w.size));
        append16(out, quint32(name.size()));
        append16(out, 0);
        out.append(name);
        out.append(data);
    }

    const qint64 centralOffset = out.size();
    for (int i = 0; i < entries.size(); ++i) {
        const ZipArchive::Entry &e = entries[i];
        const Written &w = written[i];
        const qsizetype start = out.size();
        if (!w.replaced) {
            out.append(in.constData() + e.centralOffset, e.centralLength);
            if (u16(in, e.centralOffset + 42) == 0xffff && u16(in, e.centralOffset + 44) == 0xffff) {
                // The offset lives in the ZIP64 extra, after any sizes that overflowed.
                const qint64 nameLength = u16(in, e.centralOffset + 28);
                const qint64 extraEnd = e.centralOffset + 46 + nameLength + u16(in, e.centralOffset + 30);
                for (qint64 x = e.centralOffset + 46 + nameLength; x + 4 <= extraEnd; x += 4 + u16(in, x + 2)) {
                    if (u16(in, x) != 0x0001)
                        continue;
                    qint64 field = x + 4;
                    field += 8 * (u16(in, e.centralOffset + 24) == 0xffff && u16(in, e.centralOffset + 26) == 0xffff);
                    field += 8 * (u16(in, e.centralOffset + 20) == 0xffff && u16(in, e.centralOffset + 22) == 0xffff);
                    const qsizetype at = start + (field - e.centralOffset);
                    put32(out, at, quint32(w.offset));
                    put32(out, at + 4, quint32(quint64(w.offset) >> 32));
                }
            } else {
                put32(out, start + 42, quint32(w.offset));
            }
            continue;
        }
        const QByteArray name = e.name.toUtf8();
        const qint64 commentLength = u16(in, e.centralOffset + 32);
        append32(out, 0x02014b50);
        append16(out, e.versionMadeBy);
        append16(out, std::max<quint16>(u16(in, e.centralOffset + 6), 20));
        append16(out, e.flags & ~0x0008);
        append16(out, 8);
        append16(out, u16(in, e.centralOffset + 12));
        append16(out, u16(in, e.centralOffset + 14));
        append32(out, w.crc);
        append32(out, quint32(w.compressedSize));
        append32(out, quint32(w.size));
        append16(out, quint32(name.size()));
        append16(out, 0);
        append16(out, quint32(commentLength));
        append16(out, 0); // disk
        append16(out, u16(in, e.centralOffset + 36));
        out.append(in.mid(e.centralOffset + 38, 4)); // external attributes
        append32(out, quint32(w.offset));
        out.append(name);
        out.append(in.mid(e.centralOffset + e.centralLength - commentLength, commentLength));
    }
    const qint64 centralSize = out.size() - centralOffset;
    const qint64 count = entries.size();
    if (count > 0xfffe || centralOffset > 0xfffffffe) {
        const qint64 record = out.size();
        append32(out, 0x06064b50);
        append64(out, 44);
        append16(out, 45);
        append16(out, 45);
        append32(out, 0);
        append32(out, 0);
        append64(out, quint64(count));
        append64(out, quint64(count));
        append64(out, quint64(centralSize));
        append64(out, quint64(centralOffset));
        append32(out, 0x07064b50);
        append32(out, 0);
        append64(out, quint64(record));
        append32(out, 1);
    }
    append32(out, 0x06054b50);
    append16(out, 0);
    append16(out, 0);
    append16(out, quint32(std::min<qint64>(count, 0xffff)));
    append16(out, quint32(std::min<qint64>(count, 0xffff)));
    append32(out, quint32(std::min<qint64>(centralSize, 0xffffffff)));
    append32(out, quint32(std::min<qint64>(centralOffset, 0xffffffff)));
    append16(out, quint32(zip.comment().size()));
    out.append(zip.comment());
    return out;
}

bool ZipSplice::write(const ZipArchive &zip, const QHash<QString, QByteArray> &replaced, const QString &path,
                      QString *reason)
{
    const QByteArray bytes = replaced.isEmpty() ? zip.bytes() : spliced(zip, replaced);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace quirn
