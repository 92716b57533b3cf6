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
    deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
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

// A fresh local header for `content` deflated into `data`, the sizes known
// so without a descriptor; `like` is the local header whose version, flags
// and time it keeps, or null for an entry new to the archive.
void putLocal(QByteArray &out, const QByteArray &name, const Written &w, const QByteArray &in, const ZipArchive::Entry *like,
              quint16 time, quint16 date)
{
    append32(out, 0x04034b50);
    append16(out, like ? std::max<quint16>(u16(in, like->localOffset + 4), 20) : 20);
    append16(out, like ? like->flags & ~0x0008 : 0x0800);
    append16(out, 8);
    append16(out, like ? u16(in, like->localOffset + 10) : time);
    append16(out, like ? u16(in, like->localOffset + 12) : date);
    append32(out, w.crc);
    append32(out, quint32(w.compressedSize));
    append32(out, quint32(w.size));
    append16(out, quint32(name.size()));
    append16(out, 0);
    out.append(name);
}

// `content` deflated, or taken from `cache` when the same bytes were
// deflated for an earlier write (a shared buffer is never changed in place).
Written deflateInto(QByteArray &out, const QString &name, const QByteArray &content, QByteArray *data,
                    ZipDeflateCache *cache)
{
    Written w;
    w.offset = out.size();
    w.replaced = true;
    const auto kept = cache ? cache->constFind(name) : ZipDeflateCache::const_iterator();
    if (cache && kept != cache->constEnd() && kept->content.constData() == content.constData()
        && kept->content.size() == content.size()) {
        *data = kept->data;
        w.crc = kept->crc;
    } else {
        *data = deflated(content);
        w.crc = quint32(crc32(0, reinterpret_cast<const Bytef *>(content.constData()), uInt(content.size())));
        if (cache)
            cache->insert(name, {content, *data, w.crc});
    }
    w.compressedSize = quint64(data->size());
    w.size = quint64(content.size());
    return w;
}

void putCentral(QByteArray &out, const QByteArray &name, const Written &w, const QByteArray &in,
                const ZipArchive::Entry *like, quint16 time, quint16 date)
{
    const qint64 commentLength = like ? u16(in, like->centralOffset + 32) : 0;
    append32(out, 0x02014b50);
    append16(out, like ? like->versionMadeBy : 20);
    append16(out, like ? std::max<quint16>(u16(in, like->centralOffset + 6), 20) : 20);
    append16(out, like ? like->flags & ~0x0008 : 0x0800);
    append16(out, 8);
    append16(out, like ? u16(in, like->centralOffset + 12) : time);
    append16(out, like ? u16(in, like->centralOffset + 14) : date);
    append32(out, w.crc);
    append32(out, quint32(w.compressedSize));
    append32(out, quint32(w.size));
    append16(out, quint32(name.size()));
    append16(out, 0);
    append16(out, quint32(commentLength));
    append16(out, 0); // disk
    append16(out, like ? u16(in, like->centralOffset + 36) : 0);
    if (like)
        out.append(in.mid(like->centralOffset + 38, 4)); // external attributes
    else
        append32(out, 0);
    append32(out, quint32(w.offset));
    out.append(name);
    if (like)
        out.append(in.mid(like->centralOffset + like->centralLength - commentLength, commentLength));
}

} // namespace

QByteArray ZipSplice::spliced(const ZipArchive &zip, const ZipChanges &changes, ZipDeflateCache *cache)
{
    const QByteArray &in = zip.bytes();
    const QList<ZipArchive::Entry> &entries = zip.entries();
    QList<int> physical(entries.size());
    for (int i = 0; i < entries.size(); ++i)
        physical[i] = i;
    std::sort(physical.begin(), physical.end(),
              [&](int a, int b) { return entries[a].localOffset < entries[b].localOffset; });
    // New entries take the time of the newest entry of the archive.
    quint16 time = 0, date = 0x21; // 1980-01-01
    for (const ZipArchive::Entry &e : entries) {
        const quint16 d = u16(in, e.centralOffset + 14), t = u16(in, e.centralOffset + 12);
        if (d > date || (d == date && t > time)) {
            date = d;
            time = t;
        }
    }

    QByteArray out;
    out.reserve(in.size() + 4096);
    QList<Written> written(entries.size());
    QByteArray data;
    for (int i : physical) {
        const ZipArchive::Entry &e = entries[i];
        if (changes.removed.contains(e.name))
            continue;
        const auto content = changes.contents.constFind(e.name);
        if (content == changes.contents.constEnd()) {
            written[i].offset = out.size();
            out.append(in.constData() + e.localOffset, e.end - e.localOffset);
            continue;
        }
        written[i] = deflateInto(out, e.name, *content, &data, cache);
        putLocal(out, e.name.toUtf8(), written[i], in, &e, time, date);
        out.append(data);
    }
    QList<Written> added;
    for (const QString &name : changes.added) {
        added.append(deflateInto(out, name, changes.contents.value(name), &data, cache));
        putLocal(out, name.toUtf8(), added.last(), in, nullptr, time, date);
        out.append(data);
    }

    const qint64 centralOffset = out.size();
    qint64 count = 0;
    for (int i = 0; i < entries.size(); ++i) {
        const ZipArchive::Entry &e = entries[i];
        const Written &w = written[i];
        if (changes.removed.contains(e.name))
            continue;
        ++count;
        const qsizetype start = out.size();
        if (w.replaced) {
            putCentral(out, e.name.toUtf8(), w, in, &e, time, date);
            continue;
        }
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
    }
    for (qsizetype a = 0; a < added.size(); ++a, ++count)
        putCentral(out, changes.added[a].toUtf8(), added[a], in, nullptr, time, date);
    const qint64 centralSize = out.size() - centralOffset;
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

bool ZipSplice::write(const ZipArchive &zip, const ZipChanges &changes, const QString &path, QString *reason,
                      ZipDeflateCache *cache)
{
    const QByteArray bytes = changes.isEmpty() ? zip.bytes() : spliced(zip, changes, cache);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace quirn
