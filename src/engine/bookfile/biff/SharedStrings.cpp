#include "SharedStrings.h"

namespace quirn {

using namespace biff;

namespace {

constexpr quint8 kWide = 0x01;
constexpr quint8 kPhonetic = 0x04;
constexpr quint8 kRich = 0x08;

// Reads across the SST and its CONTINUE records; characters split over a
// record boundary carry a fresh option byte there.
class Reader
{
public:
    explicit Reader(const QList<Record> &records) : m_records(records) {}

    bool atEnd() const { return m_record >= m_records.size(); }

    bool bytes(qsizetype n, QByteArray *out)
    {
        while (n > 0) {
            if (!settle())
                return false;
            const QByteArray &d = m_records[m_record].data;
            const qsizetype take = qMin(n, d.size() - m_pos);
            out->append(d.constData() + m_pos, take);
            m_pos += take;
            n -= take;
        }
        return true;
    }

    bool characters(int count, bool wide, QByteArray *out, bool *storedWide)
    {
        // Characters are kept as the first part stores them; a part in the
        // other width is converted.
        *storedWide = wide;
        if (count > 0 && m_record < m_records.size() && m_pos >= m_records[m_record].data.size()) {
            // Characters that start a record carry their own option byte.
            if (!nextRecord() || m_pos >= m_records[m_record].data.size())
                return false;
            wide = quint8(m_records[m_record].data.at(m_pos++)) & kWide;
            *storedWide = wide;
        }
        while (count > 0) {
            if (!settle())
                return false;
            const QByteArray &d = m_records[m_record].data;
            const int width = wide ? 2 : 1;
            const int fit = int(qMin<qsizetype>(count, (d.size() - m_pos) / width));
            if (fit == 0)
                return false;
            const QByteArray part = d.mid(m_pos, qsizetype(fit) * width);
            m_pos += qsizetype(fit) * width;
            count -= fit;
            if (wide == *storedWide) {
                out->append(part);
            } else if (*storedWide) { // 8-bit part of a wide string
                for (char c : part) {
                    out->append(c);
                    out->append('\0');
                }
            } else { // a wide part after 8-bit ones: the whole string goes wide
                QByteArray widened;
                for (char c : *out) {
                    widened.append(c);
                    widened.append('\0');
                }
                *out = widened + part;
                *storedWide = true;
            }
            if (count > 0) {
                // The next record starts with the option byte of the rest.
                if (!nextRecord() || m_pos >= m_records[m_record].data.size())
                    return false;
                wide = quint8(m_records[m_record].data.at(m_pos++)) & kWide;
            }
        }
        return true;
    }

private:
    bool settle()
    {
        while (m_record < m_records.size() && m_pos >= m_records[m_record].data.size())
            if (!nextRecord())
                return false;
        return m_record < m_records.size();
    }
    bool nextRecord()
    {
        ++m_record;
        m_pos = 0;
        return m_record < m_records.size();
    }

    const QList<Record> &m_records;
    int m_record = 0;
    qsizetype m_pos = 8; // past cstTotal and cstUnique
};

// Lays strings out in an SST record and as many CONTINUEs as they need.
class Writer
{
public:
    void header(const QByteArray &bytes, int minimumFollowing)
    {
        if (room() < bytes.size() + minimumFollowing)
            next();
        m_current += bytes;
    }
    void characters(const QByteArray &chars, bool wide)
    {
        const int width = wide ? 2 : 1;
        qsizetype done = 0;
        while (done < chars.size()) {
            const qsizetype fit = (room() / width) * width;
            if (fit == 0) {
                next();
                m_current += char(wide ? kWide : 0);
                continue;
            }
            const qsizetype take = qMin(fit, chars.size() - done);
            m_current += chars.mid(done, take);
            done += take;
        }
    }
    void plain(const QByteArray &bytes, int unit)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const qsizetype fit = (room() / unit) * unit;
            if (fit == 0) {
                next();
                continue;
            }
            const qsizetype take = qMin(fit, bytes.size() - done);
            m_current += bytes.mid(done, take);
            done += take;
        }
    }
    // Position of the next byte: record number and offset in its data.
    std::pair<int, qsizetype> position() const { return {int(m_done.size()), m_current.size()}; }
    QList<QByteArray> finish()
    {
        m_done.append(m_current);
        m_current.clear();
        return m_done;
    }

private:
    qsizetype room() const { return kMaxRecordData - m_current.size(); }
    void next()
    {
        m_done.append(m_current);
        m_current.clear();
    }

    QList<QByteArray> m_done;
    QByteArray m_current;
};

} // namespace

bool SharedStrings::read(const QList<Record> &records)
{
    m_entries.clear();
    m_index.clear();
    if (records.isEmpty() || records.first().data.size() < 8)
        return false;
    m_total = u32(records.first().data, 0);
    const quint32 unique = u32(records.first().data, 4);
    Reader reader(records);
    for (quint32 i = 0; i < unique; ++i) {
        QByteArray head;
        if (!reader.bytes(3, &head))
            return false;
        const int count = u16(head, 0);
        const quint8 flags = quint8(head.at(2));
        QByteArray extra;
        int runs = 0;
        qsizetype phonetic = 0;
        if ((flags & kRich) && reader.bytes(2, &extra))
            runs = u16(extra, 0);
        extra.clear();
        if ((flags & kPhonetic) && reader.bytes(4, &extra))
            phonetic = u32(extra, 0);
        Entry e;
        if (!reader.characters(count, flags & kWide, &e.chars, &e.wide)
            || !reader.bytes(qsizetype(runs) * 4, &e.runs) || !reader.bytes(phonetic, &e.phonetic))
            return false;
        const QByteArray k = key(e);
        if (!m_index.contains(k))
            m_index.insert(k, int(m_entries.size()));
        m_entries.append(e);
    }
    return true;
}

QByteArray SharedStrings::key(const Entry &e)
{
    // Equal text compares equal whatever width it was stored in.
    QByteArray text = e.chars;
    if (!e.wide) {
        text.clear();
        for (char c : e.chars) {
            text.append(c);
            text.append('\0');
        }
    }
    return text + '\x01' + e.runs + '\x02' + e.phonetic;
}

int SharedStrings::add(const Entry &entry)
{
    const QByteArray k = key(entry);
    const auto found = m_index.constFind(k);
    if (found != m_index.constEnd())
        return *found;
    const int index = int(m_entries.size());
    m_entries.append(entry);
    m_index.insert(k, index);
    return index;
}

QList<Record> SharedStrings::records(qint64 sstOffset, Record *extSst) const
{
    Writer w;
    QByteArray counts(8, '\0');
    put32(counts, 0, m_total);
    put32(counts, 4, quint32(m_entries.size()));
    w.header(counts, 0);
    const int perBucket = qMax(8, int(m_entries.size()) / 128 + 1);
    QList<std::pair<int, qsizetype>> bucketStarts;
    for (int i = 0; i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        const int width = e.wide ? 2 : 1;
        const int count = int(e.chars.size() / width);
        QByteArray head = le16(quint16(count));
        quint8 flags = e.wide ? kWide : 0;
        if (!e.runs.isEmpty())
            flags |= kRich;
        if (!e.phonetic.isEmpty())
            flags |= kPhonetic;
        head += char(flags);
        if (!e.runs.isEmpty())
            head += le16(quint16(e.runs.size() / 4));
        if (!e.phonetic.isEmpty()) {
            QByteArray size(4, '\0');
            put32(size, 0, quint32(e.phonetic.size()));
            head += size;
        }
        // The header and the first character stay together.
        w.header(head, count > 0 ? width : 0);
        if (i % perBucket == 0) {
            auto at = w.position();
            at.second -= head.size();
            bucketStarts.append(at);
        }
        w.characters(e.chars, e.wide);
        w.plain(e.runs, 4);
        w.plain(e.phonetic, 1);
    }
    const QList<QByteArray> parts = w.finish();
    QList<Record> out;
    QList<qint64> recordOffsets;
    qint64 offset = sstOffset;
    for (int i = 0; i < parts.size(); ++i) {
        out.append({i == 0 ? rtSst : rtContinue, parts[i]});
        recordOffsets.append(offset);
        offset += 4 + parts[i].size();
    }
    QByteArray ext = le16(quint16(perBucket));
    for (const auto &[record, at] : bucketStarts) {
        QByteArray info(8, '\0');
        put32(info, 0, quint32(recordOffsets[record] + 4 + at));
        put16(info, 4, quint16(4 + at));
        ext += info;
    }
    *extSst = {rtExtSst, ext};
    return out;
}

} // namespace quirn
