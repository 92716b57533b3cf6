#include "SheetDuplicate.h"

#include "BiffText.h"
#include "BookFileMessages.h"
#include "DrawingMerge.h"
#include "FormulaTokens.h"
#include "NameRecord.h"
#include "RecordCursor.h"
#include "SubstreamCopy.h"
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
    int drawings = 0, others = 0;
    RecordCursor cursor(body);
    while (cursor.next()) {
        const SubstreamRecord &r = cursor.record();
        if (r.type == rtBof && r.depth > 1) {
            ++others; // an embedded chart
        } else if (r.type == rtMsoDrawing) {
            ++drawings;
            drawing = body.mid(r.dataAt(), r.length);
        } else if (r.type == rtObj || r.type == rtNote || r.type == rtTextObject) {
            ++others;
        }
    }
    return drawings == 1 && others == 0 && DrawingMerge::holdsNoShape(drawing);
}

// The sheet's substream ready to be a copy: not selected, without its code
// name; false when the sheet holds records a plain copy cannot carry. `base`
// is the offset the substream's INDEX pointers are relative to.
bool prepareCopy(const QByteArray &body, qint64 base, bool hasVbaProject, QByteArray *copy)
{
    const bool emptyDrawing = holdsOnlyAnEmptyDrawing(body);
    SubstreamCopy out(base, body.size());
    RecordCursor cursor(body);
    while (cursor.next()) {
        const SubstreamRecord &r = cursor.record();
        if (r.type == rtSxView || (r.type == rtMsoDrawing && !emptyDrawing))
            return false;
        if (r.depth == 1 && (r.type == rtMsoDrawing || r.type == rtMsoDrawingSelection || r.type == rtCodeName)) {
            if (r.type == rtCodeName && hasVbaProject)
                return false;
            out.leaveOut(r.offset, 4 + r.length);
            continue;
        }
        QByteArray record = body.mid(r.offset, 4 + r.length);
        if (r.type == rtWindow2 && r.depth == 1 && r.length >= 2)
            put16(record, 4, u16(record, 4) & ~(kWindowSelected | kWindowActive));
        out.append(record, r.depth);
    }
    out.appendBytes(body.mid(cursor.end()));
    *copy = out.take();
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
    Record entry = m_book.m_globals.at(m_book.boundSheetSlots().at(tab));
    entry.data = entry.data.left(6) + writeShortString(name);
    if (!m_book.addSheets(globals, {entry}, {{copy, source.originalOffset, true, false}}, before)) {
        *error = BookFileMessages::unsupported(QStringLiteral("これ以上シートを追加"));
        return false;
    }
    return true;
}


} // namespace quirn
