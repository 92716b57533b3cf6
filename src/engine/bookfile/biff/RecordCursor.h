#pragma once

#include "BiffRecord.h"

#include <QByteArray>
#include <QList>

namespace quirn::biff {

// One record of a substream: where it lies and how deep it is nested
// (1: the sheet itself, more: a chart embedded in it).
struct SubstreamRecord
{
    qsizetype offset = 0;
    quint16 type = 0;
    quint16 length = 0;
    int depth = 0;

    qsizetype dataAt() const { return offset + 4; }
    qsizetype end() const { return offset + 4 + length; }
};

// Walks a substream's whole records from its BOF (at `start`) to the EOF that closes it.
// A BOF is at the depth it opens, an EOF at the depth it closes. The walk
// stops early at a record that runs past the bytes.
class RecordCursor
{
public:
    explicit RecordCursor(const QByteArray &bytes, qsizetype start = 0) : m_bytes(bytes), m_end(start) {}

    // Moves to the next record; false when there is none.
    bool next()
    {
        quint16 type = 0, length = 0;
        if (m_closed || !recordAt(m_bytes, m_end, &type, &length) || m_end + 4 + length > m_bytes.size())
            return false;
        if (type == rtBof)
            ++m_level;
        m_record = {m_end, type, length, m_level};
        m_end += 4 + length;
        if (type == rtEof && --m_level <= 0)
            m_closed = true;
        return true;
    }

    // Walks on to where the walk ends; true when that is the substream's end.
    bool walkToEnd()
    {
        while (next()) {
        }
        return m_closed;
    }

    const SubstreamRecord &record() const { return m_record; }
    quint16 type() const { return m_record.type; }
    int depth() const { return m_record.depth; }
    // Offset just past the last record walked.
    qsizetype end() const { return m_end; }
    // Whether the walk met the EOF that closes the substream.
    bool closed() const { return m_closed; }

    static QList<SubstreamRecord> all(const QByteArray &substream)
    {
        QList<SubstreamRecord> out;
        RecordCursor cursor(substream);
        while (cursor.next())
            out.append(cursor.record());
        return out;
    }

private:
    const QByteArray &m_bytes;
    SubstreamRecord m_record;
    qsizetype m_end = 0;
    int m_level = 0;
    bool m_closed = false;
};

} // namespace quirn::biff
