#include "DrawingMerge.h"

#include <QSet>

namespace quirn {

using namespace biff;

namespace {

constexpr quint16 kDggContainer = 0xF000;
constexpr quint16 kBStoreContainer = 0xF001;
constexpr quint16 kDgContainer = 0xF002;
constexpr quint16 kDgg = 0xF006;
constexpr quint16 kBse = 0xF007;
constexpr quint16 kDg = 0xF008;
constexpr quint16 kSp = 0xF00A;
constexpr quint16 kOpt = 0xF00B;
constexpr quint16 kTertiaryOpt = 0xF122;
constexpr quint16 kConnectorRule = 0xF012;
constexpr quint16 kArcRule = 0xF014;
constexpr quint16 kCalloutRule = 0xF017;
constexpr quint32 kShapesPerCluster = 1024;
constexpr quint32 kLastShapeId = 0x03FFD7FF;
constexpr int kLastDrawingId = 0xFFE;

struct Header
{
    quint16 verInstance;
    quint16 type;
    quint32 length;
    bool isContainer() const { return (verInstance & 0x000F) == 0x000F; }
    quint16 instance() const { return verInstance >> 4; }
};

bool headerAt(const QByteArray &d, qsizetype p, qsizetype end, Header *h)
{
    if (p + 8 > end)
        return false;
    *h = {u16(d, p), u16(d, p + 2), u32(d, p + 4)};
    return p + 8 + qsizetype(h->length) <= end || h->isContainer();
}

// Property ids holding a picture of the store (1-based) or a shape id.
bool isPictureProperty(quint16 id)
{
    switch (id) {
    case 0x0104: case 0x0186: case 0x01C0: case 0x0145: case 0x0192: case 0x01CB:
        return true;
    default:
        return false;
    }
}

bool isShapeProperty(quint16 id)
{
    return id == 0x0301 || id == 0x0303 || id == 0x0304;
}

} // namespace

QByteArray DrawingMerge::joinedGroup(const QList<Record> &globals)
{
    QByteArray out;
    for (int i = 0; i < globals.size(); ++i) {
        if (globals[i].type != rtMsoDrawingGroup)
            continue;
        out += globals[i].data;
        for (int k = i + 1; k < globals.size() && globals[k].type == rtContinue; ++k)
            out += globals[k].data;
        break;
    }
    return out;
}

bool DrawingMerge::readGroup(const QByteArray &g, quint32 *spidMax, QList<std::pair<quint32, quint32>> *clusters,
                             quint32 *shapes, quint32 *drawings, QList<QByteArray> *blips, QByteArray *others) const
{
    Header top;
    if (!headerAt(g, 0, g.size(), &top) || top.type != kDggContainer || 8 + qsizetype(top.length) > g.size())
        return false;
    const qsizetype end = 8 + qsizetype(top.length);
    bool sawDgg = false;
    for (qsizetype p = 8; p < end;) {
        Header h;
        if (!headerAt(g, p, end, &h) || p + 8 + qsizetype(h.length) > end)
            return false;
        const qsizetype body = p + 8, next = body + qsizetype(h.length);
        if (h.type == kDgg && h.length >= 16) {
            sawDgg = true;
            *spidMax = u32(g, body);
            *shapes = u32(g, body + 8);
            *drawings = u32(g, body + 12);
            for (qsizetype c = body + 16; c + 8 <= next; c += 8)
                clusters->append({u32(g, c), u32(g, c + 4)});
        } else if (h.type == kBStoreContainer) {
            for (qsizetype b = body; b < next;) {
                Header e;
                if (!headerAt(g, b, next, &e) || e.type != kBse || b + 8 + qsizetype(e.length) > next)
                    return false;
                blips->append(g.mid(b, 8 + qsizetype(e.length)));
                b += 8 + qsizetype(e.length);
            }
        } else {
            others->append(g.mid(p, next - p));
        }
        p = next;
    }
    return sawDgg;
}

DrawingMerge::DrawingMerge(const QList<Record> &target, const QList<Record> &source)
{
    const QByteArray targetGroup = joinedGroup(target);
    m_targetHadGroup = !targetGroup.isEmpty();
    if (m_targetHadGroup) {
        m_targetValid = readGroup(targetGroup, &m_spidMax, &m_clusters, &m_shapes, &m_drawings, &m_blips,
                                  &m_otherGroupRecords);
    } else {
        m_targetValid = true;
        m_spidMax = kShapesPerCluster;
    }
    quint32 spidMax = 0, shapes = 0, drawings = 0;
    QByteArray others;
    m_sourceValid = readGroup(joinedGroup(source), &spidMax, &m_sourceClusters, &shapes, &drawings, &m_sourceBlips,
                              &others);
}

int DrawingMerge::blip(int sourceIndex)
{
    const auto memo = m_blipMemo.constFind(sourceIndex);
    if (memo != m_blipMemo.constEnd()) {
        QByteArray &bse = m_blips[*memo - 1];
        put32(bse, 8 + 24, u32(bse, 8 + 24) + 1);
        return *memo;
    }
    if (sourceIndex < 1 || sourceIndex > m_sourceBlips.size())
        return -1;
    QByteArray bse = m_sourceBlips[sourceIndex - 1];
    if (bse.size() < 8 + 36)
        return -1;
    const quint8 nameLength = quint8(bse.at(8 + 33));
    if (bse.size() <= 8 + 36 + nameLength)
        return -1; // the picture lies outside the drawing group
    // A picture the target has already (the same digest) is shared.
    int index = -1;
    for (int i = 0; i < m_blips.size() && index < 0; ++i)
        if (m_blips[i].mid(8 + 2, 16) == bse.mid(8 + 2, 16) && m_blips[i].size() == bse.size())
            index = i + 1;
    if (index < 0) {
        put32(bse, 8 + 24, 0);
        m_blips.append(bse);
        index = int(m_blips.size());
    }
    QByteArray &kept = m_blips[index - 1];
    put32(kept, 8 + 24, u32(kept, 8 + 24) + 1);
    m_blipMemo.insert(sourceIndex, index);
    return index;
}

bool DrawingMerge::carry(QByteArray &d)
{
    if (!m_targetValid || !m_sourceValid)
        return false;
    // Every record of the drawing, containers opened, with its place.
    struct Atom { qsizetype at; Header h; };
    QList<Atom> atoms;
    QList<qsizetype> ends{d.size()};
    for (qsizetype p = 0; p < d.size();) {
        while (!ends.isEmpty() && p >= ends.last())
            ends.removeLast();
        Header h;
        const qsizetype limit = ends.isEmpty() ? d.size() : ends.last();
        if (!headerAt(d, p, limit, &h))
            return false;
        atoms.append({p, h});
        if (h.isContainer()) {
            ends.append(qMin<qsizetype>(p + 8 + h.length, limit));
            p += 8;
        } else {
            p += 8 + h.length;
        }
    }

    // New clusters for the source's clusters the drawing uses, in the order met.
    QHash<quint32, quint32> clusterOf;
    auto shapeId = [&](quint32 spid) -> qint64 {
        const quint32 cluster = spid / kShapesPerCluster;
        if (!clusterOf.contains(cluster))
            return -1;
        return qint64(clusterOf[cluster]) * kShapesPerCluster + spid % kShapesPerCluster;
    };
    int drawingId = 0;
    for (const auto &[dgid, next] : m_clusters)
        drawingId = qMax(drawingId, int(dgid));
    ++drawingId;
    if (drawingId > kLastDrawingId)
        return false;
    QList<std::pair<quint32, quint32>> newClusters;
    for (const Atom &a : atoms) {
        if (a.h.type != kSp || a.h.length < 8)
            continue;
        const quint32 cluster = u32(d, a.at + 8) / kShapesPerCluster;
        if (clusterOf.contains(cluster) || cluster == 0)
            continue;
        const quint32 fresh = quint32(m_clusters.size() + newClusters.size() + 1);
        clusterOf.insert(cluster, fresh);
        const quint32 used = cluster - 1 < quint32(m_sourceClusters.size()) ? m_sourceClusters[cluster - 1].second
                                                                            : kShapesPerCluster;
        newClusters.append({quint32(drawingId), used});
    }
    if (newClusters.isEmpty() || qint64(m_clusters.size() + newClusters.size() + 1) * kShapesPerCluster > kLastShapeId)
        return false;

    QList<std::pair<qsizetype, quint32>> edits;
    quint32 shapesHere = 0;
    for (const Atom &a : atoms) {
        const qsizetype body = a.at + 8;
        switch (a.h.type) {
        case kDg: {
            if (a.h.length < 8)
                return false;
            put16(d, a.at, quint16((a.h.verInstance & 0x000F) | (drawingId << 4)));
            shapesHere = u32(d, body);
            const qint64 last = shapeId(u32(d, body + 4));
            if (last < 0)
                return false;
            edits.append({body + 4, quint32(last)});
            break;
        }
        case kSp: {
            const qint64 id = shapeId(u32(d, body));
            if (id < 0)
                return false;
            edits.append({body, quint32(id)});
            break;
        }
        case kConnectorRule:
            for (int k = 1; k <= 3; ++k) {
                const quint32 old = u32(d, body + 4 * k);
                const qint64 id = old == 0 ? 0 : shapeId(old);
                if (id < 0)
                    return false;
                edits.append({body + 4 * k, quint32(id)});
            }
            break;
        case kArcRule:
        case kCalloutRule: {
            const qint64 id = shapeId(u32(d, body + 4));
            if (id < 0)
                return false;
            edits.append({body + 4, quint32(id)});
            break;
        }
        case kOpt:
        case kTertiaryOpt:
            for (int k = 0; k < a.h.instance() && body + 6 * k + 6 <= body + qsizetype(a.h.length); ++k) {
                const quint16 opid = u16(d, body + 6 * k);
                const quint16 id = opid & 0x3FFF;
                const quint32 value = u32(d, body + 6 * k + 2);
                if (isPictureProperty(id) && (opid & 0x4000) && value != 0) {
                    const int mapped = blip(int(value));
                    if (mapped < 0)
                        return false;
                    edits.append({body + 6 * k + 2, quint32(mapped)});
                } else if (isShapeProperty(id) && value != 0) {
                    const qint64 mapped = shapeId(value);
                    if (mapped < 0)
                        return false;
                    edits.append({body + 6 * k + 2, quint32(mapped)});
                }
            }
            break;
        default:
            break;
        }
    }
    for (const auto &[at, value] : edits)
        put32(d, at, value);
    m_clusters += newClusters;
    m_shapes += shapesHere;
    ++m_drawings;
    m_spidMax = qMax<quint32>(m_spidMax, quint32(m_clusters.size() + 1) * kShapesPerCluster);
    m_changed = true;
    return true;
}

void DrawingMerge::insertInto(QList<Record> &globals) const
{
    if (!m_changed)
        return;
    QByteArray dgg(16, '\0');
    put32(dgg, 0, m_spidMax);
    put32(dgg, 4, quint32(m_clusters.size() + 1));
    put32(dgg, 8, m_shapes);
    put32(dgg, 12, m_drawings);
    for (const auto &[dgid, next] : m_clusters) {
        QByteArray c(8, '\0');
        put32(c, 0, dgid);
        put32(c, 4, next);
        dgg += c;
    }
    auto header = [](quint16 verInstance, quint16 type, qsizetype length) {
        QByteArray h(8, '\0');
        put16(h, 0, verInstance);
        put16(h, 2, type);
        put32(h, 4, quint32(length));
        return h;
    };
    QByteArray children = header(0x0000, kDgg, dgg.size()) + dgg;
    if (!m_blips.isEmpty()) {
        const QByteArray store = m_blips.join();
        children += header(quint16(0x000F | (m_blips.size() << 4)), kBStoreContainer, store.size()) + store;
    }
    children += m_otherGroupRecords;
    const QByteArray group = header(0x000F, kDggContainer, children.size()) + children;

    QList<Record> records;
    for (qsizetype at = 0; at < group.size(); at += kMaxRecordData)
        records.append({at == 0 ? rtMsoDrawingGroup : rtContinue, group.mid(at, kMaxRecordData)});
    int first = -1, end = -1;
    for (int i = 0; i < globals.size() && first < 0; ++i) {
        if (globals[i].type == rtMsoDrawingGroup) {
            first = i;
            end = i + 1;
            while (end < globals.size() && globals[end].type == rtContinue)
                ++end;
        }
    }
    if (first < 0) {
        // The group goes ahead of the shared strings, after the names.
        for (int i = 0; i < globals.size() && first < 0; ++i)
            if (globals[i].type == rtSst || globals[i].type == rtExtSst || globals[i].type == rtEof)
                first = end = i;
    }
    globals.remove(first, end - first);
    for (int k = 0; k < records.size(); ++k)
        globals.insert(first + k, records[k]);
}

bool DrawingMerge::holdsNoShape(const QByteArray &drawing)
{
    if (drawing.size() < 8 || u16(drawing, 2) != kDgContainer)
        return false;
    // The drawing container's records: the drawing record counts the shapes.
    for (qsizetype p = 8; p + 8 <= drawing.size();) {
        const quint16 recordType = u16(drawing, p + 2);
        const quint32 recordLength = u32(drawing, p + 4);
        if (recordType == kDg)
            return recordLength >= 8 && p + 16 <= drawing.size() && u32(drawing, p + 8) <= 1;
        p += 8 + qsizetype(recordLength);
    }
    return false;
}

} // namespace quirn
