#include "ZipSplice.h"

#include <QFile>

#include <zlib.h>

#include <algorithm>

namespace quirn {

namespace {

void put16(QByteArray &out, quint32 v)
{
    out.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

void put64(QByteArray &out, quint64 v)
{
    put32(out, quint32(v));
    put32(out, quint32(v >> 32));
}

void patch32(QByteArray &out, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = char((v >> (8 * i)) & 0xff);
}

quint16 u16(const QByteArray &b, qint64 at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData()) + at;
    return quint16(p[0] | p[1] << 8);
}

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
        put32(out, 0x04034b50);
        put16(out, std::max<quint16>(u16(in, e.localOffset + 4), 20));
        put16(out, e.flags & ~0x0008);
        put16(out, 8);
        put16(out, u16(in, e.localOffset + 10)); // time
        put16(out, u16(in, e.localOffset + 12)); // date
        put32(out, w.crc);
        put32(out, quint32(w.compressedSize));
        put32(out, quint32(w.size));
        put16(out, quint32(name.size()));
        put16(out, 0);
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
                    patch32(out, at, quint32(w.offset));
                    patch32(out, at + 4, quint32(quint64(w.offset) >> 32));
                }
            } else {
                patch32(out, start + 42, quint32(w.offset));
            }
            continue;
        }
        const QByteArray name = e.name.toUtf8();
        const qint64 commentLength = u16(in, e.centralOffset + 32);
        put32(out, 0x02014b50);
        put16(out, e.versionMadeBy);
        put16(out, std::max<quint16>(u16(in, e.centralOffset + 6), 20));
        put16(out, e.flags & ~0x0008);
        put16(out, 8);
        put16(out, u16(in, e.centralOffset + 12));
        put16(out, u16(in, e.centralOffset + 14));
        put32(out, w.crc);
        put32(out, quint32(w.compressedSize));
        put32(out, quint32(w.size));
        put16(out, quint32(name.size()));
        put16(out, 0);
        put16(out, quint32(commentLength));
        put16(out, 0); // disk
        put16(out, u16(in, e.centralOffset + 36));
        out.append(in.mid(e.centralOffset + 38, 4)); // external attributes
        put32(out, quint32(w.offset));
        out.append(name);
        out.append(in.mid(e.centralOffset + e.centralLength - commentLength, commentLength));
    }
    const qint64 centralSize = out.size() - centralOffset;
    const qint64 count = entries.size();
    if (count > 0xfffe || centralOffset > 0xfffffffe) {
        const qint64 record = out.size();
        put32(out, 0x06064b50);
        put64(out, 44);
        put16(out, 45);
        put16(out, 45);
        put32(out, 0);
        put32(out, 0);
        put64(out, quint64(count));
        put64(out, quint64(count));
        put64(out, quint64(centralSize));
        put64(out, quint64(centralOffset));
        put32(out, 0x07064b50);
        put32(out, 0);
        put64(out, quint64(record));
        put32(out, 1);
    }
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint32(std::min<qint64>(count, 0xffff)));
    put16(out, quint32(std::min<qint64>(count, 0xffff)));
    put32(out, quint32(std::min<qint64>(centralSize, 0xffffffff)));
    put32(out, quint32(std::min<qint64>(centralOffset, 0xffffffff)));
    put16(out, quint32(zip.comment().size()));
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
