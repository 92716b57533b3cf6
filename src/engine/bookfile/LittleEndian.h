#pragma once

#include <QByteArray>
#include <QtGlobal>

// Little-endian integers in byte buffers, as every format the book file
// reads stores them (BIFF records, compound files, ZIP headers, VBA
// streams). Reads outside the buffer give 0 and writes outside it do
// nothing, so a hostile length can never reach past the data.

namespace quirn {

inline quint16 u16(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at > b.size() - 2)
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData()) + at;
    return quint16(p[0] | (p[1] << 8));
}

inline quint32 u32(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at > b.size() - 4)
        return 0;
    const auto *p = reinterpret_cast<const uchar *>(b.constData()) + at;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

inline quint64 u64(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at > b.size() - 8)
        return 0;
    return u32(b, at) | (quint64(u32(b, at + 4)) << 32);
}

inline void put16(QByteArray &b, qsizetype at, quint16 v)
{
    if (at < 0 || at > b.size() - 2)
        return;
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

inline void put32(QByteArray &b, qsizetype at, quint32 v)
{
    if (at < 0 || at > b.size() - 4)
        return;
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

inline void append16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xFF)).append(char(v >> 8));
}

inline void append32(QByteArray &b, quint32 v)
{
    append16(b, quint16(v & 0xFFFF));
    append16(b, quint16(v >> 16));
}

inline void append64(QByteArray &b, quint64 v)
{
    append32(b, quint32(v));
    append32(b, quint32(v >> 32));
}

} // namespace quirn
