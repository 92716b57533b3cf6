#pragma once

#include <QByteArray>
#include <QList>

#include <utility>

namespace quirn {

// A sheet's substream written anew, record by record, with some of its
// records left out. The sheet's INDEX records hold absolute positions of
// records behind them: in the copy they move up past what was left out.
class SubstreamCopy
{
public:
    // `base` is the stream offset the original's INDEX pointers are
    // relative to.
    SubstreamCopy(qint64 base, qsizetype sizeHint) : m_base(base) { m_bytes.reserve(sizeHint); }

    // Appends a whole record (header included) at its depth in the substream.
    void append(const QByteArray &record, int depth);
    // Leaves out the original's record at `offset`, `size` bytes with its header.
    void leaveOut(qsizetype offset, qsizetype size) { m_leftOut.append({offset, size}); }
    // Appends bytes that are no record (what followed the last one).
    void appendBytes(const QByteArray &bytes) { m_bytes.append(bytes); }

    // The copy, its INDEX pointers moved.
    QByteArray take();

private:
    qint64 m_base;
    QByteArray m_bytes;
    QList<std::pair<qsizetype, qsizetype>> m_leftOut; // (offset in the original, size)
    QList<qsizetype> m_indexRecords;                  // the sheet's INDEX records in the copy
};

} // namespace quirn
