#include "SubstreamCopy.h"

#include "BiffRecord.h"

namespace quirn {

using namespace biff;

namespace {

constexpr qsizetype kIndexPointers = 12; // where an INDEX record's positions start

} // namespace

void SubstreamCopy::append(const QByteArray &record, int depth)
{
    if (depth == 1 && u16(record, 0) == rtIndex)
        m_indexRecords.append(m_bytes.size());
    m_bytes.append(record);
}

QByteArray SubstreamCopy::take()
{
    for (qsizetype at : std::as_const(m_indexRecords)) {
        const quint16 size = u16(m_bytes, at + 2);
        for (qsizetype q = at + 4 + kIndexPointers; q + 4 <= at + 4 + size; q += 4) {
            const qint64 pointer = u32(m_bytes, q);
            if (pointer == 0)
                continue;
            qint64 shift = 0;
            for (const auto &[offset, bytes] : std::as_const(m_leftOut))
                if (offset < pointer - m_base)
                    shift += bytes;
            put32(m_bytes, q, quint32(pointer - shift));
        }
    }
    return std::move(m_bytes);
}

} // namespace quirn
