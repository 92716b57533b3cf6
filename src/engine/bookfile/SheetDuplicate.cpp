#include "SheetDuplicate.h"

#include "BiffText.h"
#include "BookFileMessages.h"
#include "FormulaTokens.h"
#include "NameRecord.h"
#include "WorkbookStream.h"

namespace quirn {

using namespace biff;

namespace {

constexpr quint16 rtSxView = 0x00B0;

// Whether the sheet's drawing layer has no shape besides the group that
// every drawing has (as LibreOffice writes for any sheet): one MSODRAWING
// record, no objects, notes or text boxes, and a drawing of at most one shape.
bool holdsOnlyAnEmptyDrawing(const QByteArray &body)
{
    QByteArray drawing;
    int drawings = 0, others = 0, depth = 0;
    qsizetype pos = 0;
    quint16 type = 0, length = 0;
    while (recordAt(body, pos, &type, &length) && pos + 4 + length <= body.size()) {
        if (type == rtBof && ++depth > 1)
            ++others; // an embedded chart
        else if (type == rtEof)
            --depth;
        else if (type == rtMsoDrawing) {
            ++drawings;
            drawing = body.mid(pos + 4, length);
        } else if (type == 0x005D || type == 0x001C || type == 0x01B6) // OBJ, NOTE, TXO
            ++others;
        pos += 4 + length;
    }
    if (drawings != 1 || others != 0 || drawing.size() < 8 || u16(drawing, 2) != 0xF002)
        return false;
    // The drawing container's records: the drawing record counts the shapes.
    for (qsizetype p = 8; p + 8 <= drawing.size();) {
        const quint16 recordType = u16(drawing, p + 2);
        const quint32 recordLength = u32(drawing, p + 4);
        if (recordType == 0xF008)
            return recordLength >= 8 && p + 16 <= drawing.size() && u32(drawing, p + 8) <= 1;
        p += 8 + qsizetype(recordLength);
    }
    return false;
}

// The sheet's substream ready to be a copy: not selected, without its code
// name; false when the sheet holds records a plain copy cannot carry. `base`
// is the offset the substream's INDEX pointers are relative to.
bool prepareCopy(const QByteArray &body, qint64 base, bool hasVbaProject, QByteArray *copy)
{
    copy->clear();
    const bool emptyDrawing = holdsOnlyAnEmptyDrawing(body);
    QList<std::pair<qsizetype, qsizetype>> removed; // (offset in body, size)
    QList<qsizetype> indexRecords;
    qsizetype pos = 0;
    int depth = 0;
    quint16 type = 0, length = 0;
    while (recordAt(body, pos, &type, &length) && pos + 4 + length <= body.size()) {
        QByteArray record = body.mid(pos, 4 + length);
        if (type == rtBof)
            ++depth;
        else if (type == rtEof)
            --depth;
        if (type == rtSxView || (type == rtMsoDrawing && !emptyDrawing))
            return false;
        if ((type == rtMsoDrawing || type == rtMsoDrawingSelection) && depth == 1) {
            removed.append({pos, 4 + length});
            pos += 4 + length;
            continue;
        }
        if (type == rtCodeName && depth == 1) {
            if (hasVbaProject)
                return false;
            removed.append({pos, 4 + length});
            pos += 4 + length;
            continue;
        }
        if (type == rtWindow2 && depth == 1 && length >= 2)
            put16(record, 4, u16(record, 4) & ~(kWindowSelected | kWindowActive));
        if (type == rtIndex && depth == 1)
            indexRecords.append(copy->size());
        copy->append(record);
        pos += 4 + length;
    }
    copy->append(body.mid(pos));
    // Records after a removed one moved up: so do INDEX pointers to them.
    for (qsizetype at : indexRecords) {
        const quint16 size = u16(*copy, at + 2);
        for (qsizetype q = at + 4 + 12; q + 4 <= at + 4 + size; q += 4) {
            const qint64 pointer = u32(*copy, q);
            if (pointer == 0)
                continue;
            qint64 shift = 0;
            for (const auto &[offset, bytes] : removed)
                if (offset < pointer - base)
                    shift += bytes;
            put32(*copy, q, quint32(pointer - shift));
        }
    }
    return true;
}

} // namespace

bool SheetDuplicate::make(int tab, const QString &name, int before, bool hasVbaProject, BookFileError *error)
{
    const auto refuse = [error]() {
        *error = BookFileMessages::unsupported(QStringLiteral("図形、グラフ、ピボットテーブルやマクロのあるシートを複製"));
        return false;
    };
    const int count = m_book.sheetCount();
    const WorkbookStream::Body &source = m_book.m_bodies[m_book.m_tabBody[tab]];
    QByteArray copy;
    if (!prepareCopy(source.bytes, source.originalOffset, hasVbaProject, &copy))
        return refuse();

    QList<Record> globals = m_book.m_globals;
    // The copy's own sheet entry, for names that refer to the sheet itself.
    const int self = m_book.selfSupBook();
    int sourceEntry = -1, copyEntry = -1, externIndex = -1;
    for (int i = 0; i < globals.size(); ++i) {
        if (globals[i].type != rtExternSheet)
            continue;
        externIndex = i;
        const QByteArray &d = globals[i].data;
        for (int x = 0, n = u16(d, 0); x < n && 2 + 6 * x + 6 <= d.size(); ++x)
            if (int(u16(d, 2 + 6 * x)) == self && u16(d, 4 + 6 * x) == tab && u16(d, 6 + 6 * x) == tab && sourceEntry < 0)
                sourceEntry = x;
    }

    // Names scoped to the sheet get a twin scoped to the copy, after the
    // last name so that no index into the name table moves.
    QList<Record> twins;
    int lastName = -1;
    for (int i = 0; i < globals.size(); ++i) {
        if (globals[i].type != rtName)
            continue;
        lastName = i;
        const NameRecord n = NameRecord::parse(globals[i].data);
        if (n.itab != tab + 1)
            continue;
        Record twin = globals[i];
        put16(twin.data, 8, quint16(count + 1));
        if (sourceEntry >= 0) {
            if (copyEntry < 0) {
                QByteArray &d = globals[externIndex].data;
                copyEntry = u16(d, 0);
                if (d.size() + 6 > kMaxRecordData || copyEntry != (d.size() - 2) / 6)
                    return refuse();
                d += le16(quint16(self)) + le16(quint16(count)) + le16(quint16(count));
                put16(d, 0, quint16(copyEntry + 1));
            }
            if (n.rgceAt + n.cce > twin.data.size()
                || !FormulaTokens::replaceSheetEntry(twin.data, n.rgceAt, n.cce, sourceEntry, copyEntry))
                return refuse();
        }
        twins.append(twin);
    }
    if (!twins.isEmpty()) {
        for (int k = 0; k < twins.size(); ++k)
            globals.insert(lastName + 1 + k, twins[k]);
    }

    // The new directory entry goes last in tab order, then moves into place.
    QList<int> sheetSlots;
    for (int i = 0; i < globals.size(); ++i)
        if (globals[i].type == rtBoundSheet)
            sheetSlots.append(i);
    Record entry = globals[sheetSlots[tab]];
    entry.data = entry.data.left(6) + writeShortString(name);
    globals.insert(sheetSlots.last() + 1, entry);
    for (const Record &r : globals)
        if (r.type == rtTabId && r.data.size() == 2 * count && r.data.size() + 2 > kMaxRecordData) {
            *error = BookFileMessages::unsupported(QStringLiteral("これ以上シートを追加"));
            return false;
        }
    for (Record &r : globals) {
        if (r.type == rtTabId && r.data.size() == 2 * count) {
            quint16 next = 0;
            for (int t = 0; t < count; ++t)
                next = qMax(next, u16(r.data, 2 * t));
            r.data += le16(quint16(next + 1));
        } else if (r.type == rtSupBook && r.data.size() >= 4 && u16(r.data, 2) == kSelfSupBookMarker) {
            put16(r.data, 0, quint16(count + 1));
        }
    }

    m_book.m_globals = globals;
    int at = int(m_book.m_bodies.size());
    if (!m_book.m_bodies.isEmpty() && !m_book.m_bodies.last().isSheet)
        at = int(m_book.m_bodies.size()) - 1; // keep trailing bytes last
    for (int &b : m_book.m_tabBody)
        if (b >= at)
            ++b;
    m_book.m_bodies.insert(at, {copy, source.originalOffset, true, false});
    m_book.m_tabBody.append(at);

    QList<int> order;
    for (int t = 0; t < count; ++t) {
        if (t == before)
            order.append(count);
        order.append(t);
    }
    if (before >= count)
        order.append(count);
    m_book.reorderSheets(order);
    return true;
}


} // namespace quirn
