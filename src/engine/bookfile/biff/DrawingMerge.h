#pragma once

#include "BiffRecord.h"

#include <QByteArray>
#include <QHash>
#include <QList>

namespace quirn {

// The drawing layers of sheets brought from another book: each gets a fresh
// drawing id and shape ids in new clusters of the target's drawing group,
// and the pictures it shows are added to the target's picture store (or
// shared with an equal one there). The target's own drawings keep every id.
class DrawingMerge
{
public:
    DrawingMerge(const QList<biff::Record> &target, const QList<biff::Record> &source);

    // Rewrites one sheet's drawing (its MSODRAWING records' data, joined) in
    // place, sizes unchanged; false when it holds what cannot be carried.
    bool carry(QByteArray &drawing);

    bool isEmpty() const { return !m_changed; }
    // Whether a sheet's drawing holds no shape besides the group every
    // drawing has (as LibreOffice writes for any sheet).
    static bool holdsNoShape(const QByteArray &drawing);
    // Writes the target's drawing group back into `globals`.
    void insertInto(QList<biff::Record> &globals) const;

private:
    struct Blip
    {
        QByteArray record; // the whole FBSE record, picture included
    };
    static QByteArray joinedGroup(const QList<biff::Record> &globals);
    bool readGroup(const QByteArray &group, quint32 *spidMax, QList<std::pair<quint32, quint32>> *clusters,
                   quint32 *shapes, quint32 *drawings, QList<QByteArray> *blips, QByteArray *others) const;
    int blip(int sourceIndex);

    bool m_targetValid = false, m_sourceValid = false, m_changed = false, m_targetHadGroup = false;
    quint32 m_spidMax = 0, m_shapes = 0, m_drawings = 0;
    QList<std::pair<quint32, quint32>> m_clusters; // (drawing id, next shape id)
    QList<QByteArray> m_blips;                     // FBSE records
    QByteArray m_otherGroupRecords;                // what the group holds besides
    QList<std::pair<quint32, quint32>> m_sourceClusters;
    QList<QByteArray> m_sourceBlips;
    QHash<int, int> m_blipMemo;
};

} // namespace quirn
