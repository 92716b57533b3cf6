#include "CellFormatMap.h"

#include "BiffText.h"

#include <algorithm>
#include <array>

namespace quirn {

using namespace biff;

namespace {

constexpr quint16 rtFont = 0x0031;
constexpr quint16 rtFormat = 0x041E;
constexpr quint16 rtXf = 0x00E0;
constexpr quint16 rtStyle = 0x0293;
constexpr int kFirstCustomFormat = 164;
constexpr int kLastFormat = 382;
constexpr int kMaxFonts = 510;
constexpr int kMaxXfs = 4050;
constexpr int kXfSize = 20;
constexpr quint16 kStyleXf = 0x0004;
constexpr int kNoParent = 0x0FFF;

// Font indexes skip 4: 0-3 are the first four records, 5 on the others.
int fontRecord(int index) { return index < 4 ? index : index - 1; }
int fontIndex(int record) { return record < 4 ? record : record + 1; }

constexpr quint16 rtXfChecksum = 0x087C;

// The checksum Excel keeps of the cell formats (XFCRC), by which it tells
// whether another program changed them behind its extended formats.
quint32 xfChecksum(const QList<Record> &globals, int *count)
{
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 v = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                v = (v & 0x80000000u) ? (v << 1) ^ 0xAFu : v << 1;
            t[i] = v;
        }
        return t;
    }();
    quint32 crc = 0;
    *count = 0;
    for (const Record &r : globals) {
        if (r.type != rtXf)
            continue;
        ++*count;
        for (char c : r.data)
            crc = (crc << 8) ^ table[((crc >> 24) ^ quint8(c)) & 0xFF];
    }
    return crc;
}

int lastOf(const QList<Record> &globals, quint16 type)
{
    for (qsizetype i = globals.size() - 1; i >= 0; --i)
        if (globals[i].type == type)
            return int(i);
    return -1;
}

} // namespace

CellFormatMap::Table CellFormatMap::read(const QList<Record> &globals)
{
    Table t;
    for (const Record &r : globals) {
        if (r.type == rtFont)
            t.fonts.append(r.data);
        else if (r.type == rtFormat && r.data.size() >= 5)
            t.formats.insert(u16(r.data, 0), readString(r.data, 2));
        else if (r.type == rtXf)
            t.xfs.append(r.data);
        else if (r.type == rtStyle && r.data.size() >= 4) {
            const int xf = u16(r.data, 0) & 0x0FFF;
            const QByteArray key = styleKey(r.data);
            t.styleOfXf.insert(xf, key);
            if (!t.xfOfStyle.contains(key))
                t.xfOfStyle.insert(key, xf);
        }
    }
    return t;
}

QByteArray CellFormatMap::styleKey(const QByteArray &style)
{
    if (u16(style, 0) & 0x8000) // built-in: its number and outline level
        return QByteArray("B") + style.mid(2, 2);
    return QByteArray("U") + readString(style, 2).toLower().toUtf8();
}

CellFormatMap::CellFormatMap(const QList<Record> &target, const QList<Record> &source)
    : m_target(read(target))
    , m_source(read(source))
{
    for (int i = 0; i < m_target.fonts.size(); ++i)
        if (!m_targetFont.contains(m_target.fonts[i]))
            m_targetFont.insert(m_target.fonts[i], fontIndex(i));
    for (auto it = m_target.formats.cbegin(); it != m_target.formats.cend(); ++it) {
        if (!m_targetFormat.contains(it.value()) || it.key() < m_targetFormat.value(it.value()))
            m_targetFormat.insert(it.value(), it.key());
        m_nextFormat = qMax(m_nextFormat, it.key() + 1);
    }
    for (int i = 0; i < m_target.xfs.size(); ++i) {
        const QByteArray &xf = m_target.xfs[i];
        if (!(u16(xf, 4) & kStyleXf) && !m_targetCellXf.contains(xf))
            m_targetCellXf.insert(xf, i);
    }
    for (const Record &r : source)
        if (r.type == rtStyle)
            m_sourceStyles.append(r);
}

int CellFormatMap::font(int sourceFont)
{
    const auto memo = m_fontMemo.constFind(sourceFont);
    if (memo != m_fontMemo.constEnd())
        return *memo;
    const int record = fontRecord(sourceFont);
    if (sourceFont == 4 || record < 0 || record >= m_source.fonts.size())
        return -1;
    const QByteArray &data = m_source.fonts[record];
    int index = m_targetFont.value(data, -1);
    if (index < 0) {
        const int records = int(m_target.fonts.size() + m_newFonts.size());
        if (records >= kMaxFonts)
            return -1;
        m_newFonts.append(data);
        index = fontIndex(records);
        m_targetFont.insert(data, index);
    }
    m_fontMemo.insert(sourceFont, index);
    return index;
}

int CellFormatMap::format(int sourceFormat)
{
    if (sourceFormat < kFirstCustomFormat && !m_source.formats.contains(sourceFormat))
        return sourceFormat; // built in, the same in every book
    const auto memo = m_formatMemo.constFind(sourceFormat);
    if (memo != m_formatMemo.constEnd())
        return *memo;
    const auto code = m_source.formats.constFind(sourceFormat);
    if (code == m_source.formats.constEnd())
        return sourceFormat < kFirstCustomFormat ? sourceFormat : -1;
    int id = m_targetFormat.value(*code, -1);
    if (id < 0 && sourceFormat < kFirstCustomFormat && !m_target.formats.contains(sourceFormat))
        id = sourceFormat; // a built-in format the target leaves to its locale
    if (id < 0) {
        if (m_nextFormat > kLastFormat)
            return -1;
        id = m_nextFormat++;
        m_newFormats.append({rtFormat, le16(quint16(id)) + writeString(*code)});
        m_targetFormat.insert(*code, id);
    }
    m_formatMemo.insert(sourceFormat, id);
    return id;
}

int CellFormatMap::xf(int sourceXf)
{
    const auto memo = m_xfMemo.constFind(sourceXf);
    if (memo != m_xfMemo.constEnd())
        return *memo;
    if (sourceXf < 0 || sourceXf >= m_source.xfs.size() || m_source.xfs[sourceXf].size() < kXfSize)
        return -1;
    QByteArray data = m_source.xfs[sourceXf];
    const bool isStyle = u16(data, 4) & kStyleXf;
    const int fontAt = font(u16(data, 0)), formatAt = format(u16(data, 2));
    if (fontAt < 0 || formatAt < 0)
        return -1;
    put16(data, 0, quint16(fontAt));
    put16(data, 2, quint16(formatAt));
    const int total = int(m_target.xfs.size() + m_newXfs.size());

    if (isStyle) {
        // A style the target has by name keeps the target's definition.
        const QByteArray key = m_source.styleOfXf.value(sourceXf);
        if (!key.isEmpty() && m_target.xfOfStyle.contains(key)) {
            const int index = m_target.xfOfStyle.value(key);
            m_xfMemo.insert(sourceXf, index);
            return index;
        }
        if (key.isEmpty() && sourceXf < m_target.xfs.size() && sourceXf < 16) {
            m_xfMemo.insert(sourceXf, sourceXf); // an outline style of every book
            return sourceXf;
        }
        if (total >= kMaxXfs)
            return -1;
        m_newXfs.append(data);
        m_xfMemo.insert(sourceXf, total);
        for (const Record &style : m_sourceStyles) {
            if ((u16(style.data, 0) & 0x0FFF) != sourceXf)
                continue;
            QByteArray copy = style.data;
            put16(copy, 0, quint16((u16(copy, 0) & 0xF000) | total));
            m_newStyles.append(copy);
            m_target.xfOfStyle.insert(key, total);
            break;
        }
        return total;
    }

    const int parent = u16(data, 4) >> 4;
    if (parent != kNoParent) {
        // A cell format's parent is a style: another cell format there (a
        // damaged book, maybe a loop of them) is not carried.
        if (parent >= m_source.xfs.size() || m_source.xfs[parent].size() < kXfSize
            || !(u16(m_source.xfs[parent], 4) & kStyleXf))
            return -1;
        const int mapped = xf(parent);
        if (mapped < 0)
            return -1;
        put16(data, 4, quint16((u16(data, 4) & 0x000F) | (mapped << 4)));
    }
    int index = m_targetCellXf.value(data, -1);
    if (index < 0) {
        const int count = int(m_target.xfs.size() + m_newXfs.size());
        if (count >= kMaxXfs)
            return -1;
        m_newXfs.append(data);
        index = count;
        m_targetCellXf.insert(data, index);
    }
    m_xfMemo.insert(sourceXf, index);
    return index;
}

void CellFormatMap::insertInto(QList<Record> &globals) const
{
    // Each kind goes after the last record of its kind, the later kinds first
    // so that the earlier positions stay where they were found; a kind the
    // book lacks goes right after the BOF, never ahead of it.
    auto insertAfter = [&globals](int at, const QList<Record> &records) {
        for (int k = 0; k < records.size(); ++k)
            globals.insert(std::max(at, 0) + 1 + k, records[k]);
    };
    auto asRecords = [](quint16 type, const QList<QByteArray> &data) {
        QList<Record> out;
        for (const QByteArray &d : data)
            out.append({type, d});
        return out;
    };
    insertAfter(lastOf(globals, rtStyle) >= 0 ? lastOf(globals, rtStyle) : lastOf(globals, rtXf),
                asRecords(rtStyle, m_newStyles));
    // The checksum of the cell formats follows them when it was Excel's own.
    int before = 0, after = 0;
    const quint32 oldChecksum = xfChecksum(globals, &before);
    insertAfter(lastOf(globals, rtXf), asRecords(rtXf, m_newXfs));
    const quint32 newChecksum = xfChecksum(globals, &after);
    for (Record &r : globals) {
        if (r.type == rtXfChecksum && r.data.size() >= 20 && u16(r.data, 14) == before && u32(r.data, 16) == oldChecksum) {
            put16(r.data, 14, quint16(after));
            put32(r.data, 16, newChecksum);
        }
    }
    const int lastFormat = lastOf(globals, rtFormat);
    if (!m_newFormats.isEmpty()) {
        int at = lastFormat;
        if (at < 0) { // formats come before the cell formats
            for (int i = 0; i < globals.size() && at < 0; ++i)
                if (globals[i].type == rtXf)
                    at = i - 1;
        }
        insertAfter(at, m_newFormats);
    }
    insertAfter(lastOf(globals, rtFont), asRecords(rtFont, m_newFonts));
}

} // namespace quirn
