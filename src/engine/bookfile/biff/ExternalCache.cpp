#include "ExternalCache.h"

#include <QMap>

#include <cstring>

namespace quirn {

using namespace biff;

namespace {

constexpr int kMaxCachedCells = 65536;

QByteArray number(double v)
{
    return QByteArray(1, '\x01') + leF64(v);
}

QByteArray flag(char kind, quint8 value)
{
    QByteArray out(9, '\0');
    out[0] = kind;
    out[1] = char(value);
    return out;
}

// An XLUnicodeString of `count` characters stored at `at`, as a cached string.
QByteArray text(const QByteArray &data, qsizetype at, int count, bool wide)
{
    const qsizetype size = qsizetype(count) * (wide ? 2 : 1);
    if (at + size > data.size())
        return {};
    return QByteArray(1, '\x02') + le16(quint16(count)) + char(wide ? 1 : 0) + data.mid(at, size);
}

double rkValue(quint32 rk)
{
    double v = 0;
    if (rk & 0x02) {
        v = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&v, &bits, 8);
    }
    return (rk & 0x01) ? v / 100 : v;
}

} // namespace

QList<Record> ExternalCache::records(int itab, const QByteArray &sheet, const SharedStrings &strings,
                                     const QList<Area> &areas)
{
    auto wanted = [&areas](int row, int column) {
        for (const Area &a : areas)
            if (row >= a.firstRow && row <= a.lastRow && column >= a.firstColumn && column <= a.lastColumn)
                return true;
        return false;
    };
    // Cached values by (row, column), in that order.
    QMap<std::pair<int, int>, QByteArray> values;
    auto keep = [&](int row, int column, const QByteArray &value) {
        if (!value.isEmpty() && values.size() < kMaxCachedCells && wanted(row, column))
            values.insert({row, column}, value);
    };
    qsizetype pos = 0;
    int depth = 0;
    quint16 type = 0, length = 0;
    std::pair<int, int> pendingString{-1, -1};
    while (recordAt(sheet, pos, &type, &length) && pos + 4 + length <= sheet.size()) {
        const QByteArray d = sheet.mid(pos + 4, length);
        pos += 4 + length;
        if (type == rtBof) {
            ++depth;
            continue;
        }
        if (type == rtEof && --depth <= 0)
            break;
        if (depth != 1)
            continue;
        const int row = u16(d, 0), column = u16(d, 2);
        switch (type) {
        case 0x0203: // NUMBER
            keep(row, column, number(f64(d, 6)));
            break;
        case 0x027E: // RK
            keep(row, column, number(rkValue(u32(d, 6))));
            break;
        case 0x00BD: // MULRK
            for (qsizetype i = 0; 4 + 6 * i + 6 <= d.size() - 2; ++i)
                keep(row, column + int(i), number(rkValue(u32(d, 4 + 6 * i + 2))));
            break;
        case 0x0205: // BOOLERR
            keep(row, column, flag(d.size() > 7 && d.at(7) ? '\x10' : '\x04', d.size() > 6 ? quint8(d.at(6)) : 0));
            break;
        case 0x00FD: { // LABELSST
            const quint32 isst = u32(d, 6);
            if (isst < quint32(strings.count())) {
                const SharedStrings::Entry &e = strings.at(int(isst));
                const int count = int(e.chars.size() / (e.wide ? 2 : 1));
                keep(row, column, text(e.chars, 0, count, e.wide));
            }
            break;
        }
        case 0x0204: // LABEL
            if (d.size() >= 9)
                keep(row, column, text(d, 9, u16(d, 6), quint8(d.at(8)) & 1));
            break;
        case 0x0006: // FORMULA: its last result
            if (d.size() >= 14 && u16(d, 12) == 0xFFFF) {
                const quint8 kind = quint8(d.at(6));
                if (kind == 0)
                    pendingString = {row, column}; // the STRING record that follows
                else if (kind == 1 || kind == 2)
                    keep(row, column, flag(kind == 1 ? '\x04' : '\x10', quint8(d.at(8))));
                else if (kind == 3)
                    keep(row, column, QByteArray("\x02\x00\x00\x00", 4));
            } else if (d.size() >= 14) {
                keep(row, column, number(f64(d, 6)));
            }
            continue;
        case 0x0207: // STRING
            if (pendingString.first >= 0 && d.size() >= 3)
                keep(pendingString.first, pendingString.second, text(d, 3, u16(d, 0), quint8(d.at(2)) & 1));
            break;
        default:
            break;
        }
        pendingString = {-1, -1};
    }

    // One CRN a run of neighbouring cells of a row.
    QList<Record> crns;
    for (auto it = values.cbegin(); it != values.cend();) {
        const int row = it.key().first, first = it.key().second;
        int last = first;
        QByteArray cells = it.value();
        ++it;
        while (it != values.cend() && it.key().first == row && it.key().second == last + 1
               && cells.size() + it.value().size() + 4 <= kMaxRecordData) {
            cells += it.value();
            last = it.key().second;
            ++it;
        }
        QByteArray crn(4, '\0');
        crn[0] = char(last);
        crn[1] = char(first);
        put16(crn, 2, quint16(row));
        crns.append({rtCrn, crn + cells});
    }
    QList<Record> out{{rtXct, le16(quint16(crns.size())) + le16(quint16(itab))}};
    return out + crns;
}

} // namespace quirn
