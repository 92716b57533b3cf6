#pragma once

#include "BiffRecord.h"

#include <QByteArray>
#include <QHash>
#include <QList>

namespace quirn {

// The book's shared string table (SST and its CONTINUE records) as a list of
// strings, each kept with its rich text runs and phonetic data, and written
// back as Excel lays it out, with the EXTSST index that goes with it.
class SharedStrings
{
public:
    struct Entry
    {
        QByteArray chars;   // as stored: 8-bit or UTF-16LE
        bool wide = false;
        QByteArray runs;    // 4 bytes a run: character, font index
        QByteArray phonetic;
    };

    // Reads the table from `records` (the SST followed by its CONTINUEs);
    // false for a table that does not add up.
    bool read(const QList<biff::Record> &records);

    int count() const { return int(m_entries.size()); }
    const Entry &at(int index) const { return m_entries.at(index); }
    quint32 totalReferences() const { return m_total; }

    // The index of an equal string, appended when the table has none.
    int add(const Entry &entry);
    void addReferences(quint32 count) { m_total += count; }

    // The SST and CONTINUE records, and the EXTSST whose stream offsets count
    // from `sstOffset`, the position of the SST record in the stream.
    QList<biff::Record> records(qint64 sstOffset, biff::Record *extSst) const;

private:
    static QByteArray key(const Entry &entry);

    QList<Entry> m_entries;
    QHash<QByteArray, int> m_index;
    quint32 m_total = 0;
};

} // namespace quirn
