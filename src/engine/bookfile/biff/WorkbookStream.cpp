#include "WorkbookStream.h"

#include "BiffText.h"
#include "BookFileMessages.h"
#include "FormulaTokens.h"
#include "NameRecord.h"
#include "PrintNames.h"
#include "RecordCursor.h"
#include "SheetDuplicate.h"
#include "SheetSubstream.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace quirn {

using namespace biff;

namespace {

constexpr quint16 kRefError = 0xFFFF;

// End of the substream starting at `start` (after its matching EOF), or -1.
qsizetype substreamEnd(const QByteArray &stream, qsizetype start)
{
    RecordCursor cursor(stream, start);
    if (!cursor.next() || cursor.type() != rtBof)
        return -1;
    return cursor.walkToEnd() ? cursor.end() : -1;
}

// Calls fn(data, rgceOffset, cce) for every formula of a substream whose
// name tokens refer to the book's NAME table.
template<typename Fn>
bool forEachFormula(QByteArray &body, Fn fn)
{
    RecordCursor cursor(body);
    while (cursor.next()) {
        const SubstreamRecord &r = cursor.record();
        QByteArray data = body.mid(r.dataAt(), r.length);
        bool changed = false;
        auto visit = [&](qsizetype lengthAt, qsizetype rgceAt) {
            if (data.size() < rgceAt)
                return true;
            changed = true;
            return fn(data, rgceAt, int(qMin<qsizetype>(u16(data, lengthAt), data.size() - rgceAt)));
        };
        bool ok = true;
        switch (r.type) {
        case rtFormula: ok = visit(20, 22); break;
        case rtArray: ok = visit(12, 14); break;
        case rtSharedFormula: ok = visit(8, 10); break;
        case rtChartSeriesRef: ok = visit(6, 8); break;
        default: break;
        }
        if (!ok)
            return false;
        if (changed)
            body.replace(r.dataAt(), r.length, data);
    }
    return true;
}

} // namespace

std::optional<WorkbookStream> WorkbookStream::parse(const QByteArray &stream, BookFileError *error)
{
    quint16 type = 0, length = 0;
    if (!recordAt(stream, 0, &type, &length) || type != rtBof || length < 4) {
        *error = BookFileMessages::notAWorkbook();
        return std::nullopt;
    }
    if (u16(stream, 4) != kBiff8Version) {
        *error = BookFileMessages::oldFormat();
        return std::nullopt;
    }
    if (u16(stream, 6) != kBofDtGlobals) {
        *error = BookFileMessages::damaged();
        return std::nullopt;
    }

    WorkbookStream wb;
    qsizetype pos = 0;
    bool sawEof = false;
    while (!sawEof && recordAt(stream, pos, &type, &length)) {
        if (pos + 4 + length > stream.size())
            break;
        if (type == rtSst)
            wb.m_originalSstOffset = pos;
        wb.m_globals.append({type, stream.mid(pos + 4, length)});
        pos += 4 + length;
        sawEof = type == rtEof;
    }
    if (!sawEof) {
        *error = BookFileMessages::damaged();
        return std::nullopt;
    }
    const qsizetype globalsEnd = pos;

    // Substreams in physical order, with the gaps between them kept as they are.
    struct Span { qsizetype start, end; int tab; };
    QList<Span> spans;
    const QList<int> sheetSlots = wb.boundSheetSlots();
    if (sheetSlots.size() > kMostSheets) {
        *error = BookFileMessages::tooManySheets(int(sheetSlots.size()));
        return std::nullopt;
    }
    for (int tab = 0; tab < sheetSlots.size(); ++tab) {
        const QByteArray &d = wb.m_globals.at(sheetSlots[tab]).data;
        const qsizetype start = d.size() >= 8 ? qsizetype(u32(d, 0)) : -1;
        if (start < globalsEnd) {
            *error = BookFileMessages::damaged();
            return std::nullopt;
        }
        spans.append({start, -1, tab});
    }
    // Each substream is walked once, in file order, so that sheets pointing
    // into one another cost no more than the stream is long.
    std::sort(spans.begin(), spans.end(), [](const Span &a, const Span &b) { return a.start < b.start; });
    for (int i = 0; i < spans.size(); ++i) {
        if (i > 0 && spans[i].start < spans[i - 1].end) { // overlapping or shared substreams
            *error = BookFileMessages::damaged();
            return std::nullopt;
        }
        spans[i].end = substreamEnd(stream, spans[i].start);
        if (spans[i].end < 0) {
            *error = BookFileMessages::damaged();
            return std::nullopt;
        }
    }
    wb.m_tabBody = QList<int>(sheetSlots.size(), -1);
    qsizetype cursor = globalsEnd;
    for (const Span &s : spans) {
        if (s.start < cursor) { // overlapping or shared substreams
            *error = BookFileMessages::damaged();
            return std::nullopt;
        }
        if (s.start > cursor)
            wb.m_bodies.append({stream.mid(cursor, s.start - cursor), cursor, false, false});
        wb.m_tabBody[s.tab] = int(wb.m_bodies.size());
        wb.m_bodies.append({stream.mid(s.start, s.end - s.start), s.start, true, false});
        cursor = s.end;
    }
    if (cursor < stream.size())
        wb.m_bodies.append({stream.mid(cursor), cursor, false, false});
    return wb;
}

QList<int> WorkbookStream::boundSheetSlots() const
{
    QList<int> out;
    for (int i = 0; i < m_globals.size(); ++i)
        if (m_globals[i].type == rtBoundSheet)
            out.append(i);
    return out;
}

int WorkbookStream::recordIndex(quint16 type) const
{
    for (int i = 0; i < m_globals.size(); ++i)
        if (m_globals[i].type == type)
            return i;
    return -1;
}

QString WorkbookStream::sheetName(int tab) const
{
    return readShortString(m_globals.at(boundSheetSlots().at(tab)).data, 6);
}

int WorkbookStream::sheetType(int tab) const
{
    const QByteArray &d = m_globals.at(boundSheetSlots().at(tab)).data;
    return d.size() > 5 ? quint8(d.at(5)) : 0;
}

SheetVisibility WorkbookStream::visibility(int tab) const
{
    const QByteArray &d = m_globals.at(boundSheetSlots().at(tab)).data;
    const int state = d.size() > 4 ? quint8(d.at(4)) & 0x03 : 0;
    return state == 2 ? SheetVisibility::VeryHidden : state == 1 ? SheetVisibility::Hidden : SheetVisibility::Visible;
}

const QByteArray &WorkbookStream::substream(int tab) const
{
    return m_bodies.at(m_tabBody.at(tab)).bytes;
}

SheetFacts WorkbookStream::sheetFacts(int tab) const
{
    SheetFacts f = SheetSubstream(substream(tab)).facts(sheetType(tab));
    f.name = sheetName(tab);
    f.visibility = visibility(tab);
    fillPrintNames(tab, &f.pageSetup);
    return f;
}

QList<SheetFacts> WorkbookStream::allSheetFacts() const
{
    // The sheets' entries and built-in names are gathered in one pass over the
    // globals, so that the whole list costs what the book is long.
    const QList<int> sheetSlots = boundSheetSlots();
    QHash<int, QList<int>> namesOfTab;
    for (int i = 0; i < m_globals.size(); ++i) {
        if (m_globals[i].type != rtName)
            continue;
        const NameRecord n = NameRecord::parse(m_globals[i].data);
        if (n.builtin && n.itab > 0 && n.itab <= sheetSlots.size())
            namesOfTab[n.itab - 1].append(i);
    }
    QList<SheetFacts> out;
    out.reserve(sheetSlots.size());
    for (int tab = 0; tab < sheetSlots.size(); ++tab) {
        const QByteArray &entry = m_globals.at(sheetSlots[tab]).data;
        SheetFacts f = SheetSubstream(substream(tab)).facts(entry.size() > 5 ? quint8(entry.at(5)) : 0);
        f.name = readShortString(entry, 6);
        const int state = entry.size() > 4 ? quint8(entry.at(4)) & 0x03 : 0;
        f.visibility = state == 2 ? SheetVisibility::VeryHidden
                     : state == 1 ? SheetVisibility::Hidden : SheetVisibility::Visible;
        for (int i : namesOfTab.value(tab))
            PrintNames::read(m_globals[i].data, &f.pageSetup);
        out.append(f);
    }
    return out;
}

void WorkbookStream::fillPrintNames(int tab, PageSetupFacts *setup) const
{
    for (const Record &r : m_globals) {
        if (r.type != rtName)
            continue;
        const NameRecord n = NameRecord::parse(r.data);
        if (n.builtin && n.itab == tab + 1)
            PrintNames::read(r.data, setup);
    }
}

bool WorkbookStream::structureProtected() const
{
    const int i = recordIndex(rtProtect);
    return i >= 0 && u16(m_globals[i].data, 0) != 0;
}

bool WorkbookStream::windowsProtected() const
{
    const int i = recordIndex(rtWindowProtect);
    return i >= 0 && u16(m_globals[i].data, 0) != 0;
}

bool WorkbookStream::hasFilePass() const
{
    return recordIndex(rtFilePass) >= 0;
}

QByteArray WorkbookStream::filePassPayload() const
{
    const int i = recordIndex(rtFilePass);
    return i >= 0 ? m_globals[i].data : QByteArray();
}

void WorkbookStream::renameSheet(int tab, const QString &name)
{
    const QString oldName = sheetName(tab);
    QByteArray &d = m_globals[boundSheetSlots().at(tab)].data;
    d = d.left(6) + writeShortString(name);
    // Pivot caches name their source sheet; the names follow.
    for (Record &r : m_globals)
        if (r.type == 0x0051)
            SheetSubstream::renamePivotSourceSheet(r.data, oldName, name);
    for (Body &body : m_bodies)
        if (body.isSheet && !body.removed)
            body.bytes = SheetSubstream(body.bytes).withPivotSourceRenamed(oldName, name, body.originalOffset);
}

void WorkbookStream::setVisibility(int tab, SheetVisibility visibility)
{
    QByteArray &d = m_globals[boundSheetSlots().at(tab)].data;
    d[4] = char((quint8(d.at(4)) & ~0x03) | int(visibility));
    if (visibility != SheetVisibility::Visible)
        makeActiveSheetVisible();
}

int WorkbookStream::selfSupBook() const
{
    int index = 0;
    for (const Record &r : m_globals) {
        if (r.type != rtSupBook)
            continue;
        if (r.data.size() >= 4 && u16(r.data, 2) == kSelfSupBookMarker)
            return index;
        ++index;
    }
    return -1;
}

void WorkbookStream::remapSheetIndexes(const QList<int> &newTabOfOld)
{
    const int oldCount = int(newTabOfOld.size());
    const int self = selfSupBook();
    for (Record &r : m_globals) {
        QByteArray &d = r.data;
        if (r.type == rtExternSheet) {
            const int n = u16(d, 0);
            for (int i = 0; i < n && 2 + 6 * i + 6 <= d.size(); ++i) {
                const int o = 2 + 6 * i;
                const int first = u16(d, o + 2), last = u16(d, o + 4);
                if (int(u16(d, o)) != self || first >= oldCount || last >= oldCount || first > last)
                    continue; // #REF!, workbook level or another book
                // The sheets of the range that remain, in their new order.
                int newFirst = -1, newLast = -1;
                for (int t = first; t <= last; ++t) {
                    const int nt = newTabOfOld[t];
                    if (nt < 0)
                        continue;
                    newFirst = newFirst < 0 ? nt : qMin(newFirst, nt);
                    newLast = qMax(newLast, nt);
                }
                if (first != last && newTabOfOld[first] >= 0 && newTabOfOld[last] >= 0) {
                    // A 3-D range keeps its end sheets wherever they went.
                    newFirst = qMin(newTabOfOld[first], newTabOfOld[last]);
                    newLast = qMax(newTabOfOld[first], newTabOfOld[last]);
                }
                put16(d, o + 2, newFirst < 0 ? kRefError : quint16(newFirst));
                put16(d, o + 4, newFirst < 0 ? kRefError : quint16(newLast));
            }
        } else if (r.type == rtName && d.size() >= 10) {
            const int itab = u16(d, 8);
            if (itab > 0 && itab <= oldCount && newTabOfOld[itab - 1] >= 0)
                put16(d, 8, quint16(newTabOfOld[itab - 1] + 1));
        } else if (r.type == rtWindow1 && d.size() >= 18) {
            const int cur = u16(d, 10), first = u16(d, 12);
            const int newCur = cur < oldCount ? newTabOfOld[cur] : -1;
            const int newFirst = first < oldCount ? newTabOfOld[first] : -1;
            put16(d, 10, quint16(qMax(newCur, 0)));
            put16(d, 12, quint16(qMax(0, qMin(newFirst, qMax(newCur, 0)))));
            if (newCur < 0)
                put16(d, 14, 1);
        } else if (r.type == rtTabId && d.size() == 2 * oldCount) {
            QByteArray ids(2 * oldCount, '\0');
            int kept = 0;
            for (int t = 0; t < oldCount; ++t) {
                if (newTabOfOld[t] < 0)
                    continue;
                put16(ids, 2 * newTabOfOld[t], u16(d, 2 * t));
                ++kept;
            }
            d = ids.left(2 * kept);
        } else if (r.type == rtSupBook && d.size() >= 4 && u16(d, 2) == kSelfSupBookMarker) {
            put16(d, 0, quint16(std::count_if(newTabOfOld.begin(), newTabOfOld.end(), [](int t) { return t >= 0; })));
        }
    }
}

void WorkbookStream::reorderSheets(const QList<int> &order)
{
    const QList<int> sheetSlots = boundSheetSlots();
    QList<Record> records;
    for (int slot : sheetSlots)
        records.append(m_globals[slot]);
    QList<int> newTabOfOld(order.size());
    QList<int> tabBody(order.size());
    for (int newTab = 0; newTab < order.size(); ++newTab) {
        m_globals[sheetSlots[newTab]] = records[order[newTab]];
        newTabOfOld[order[newTab]] = newTab;
        tabBody[newTab] = m_tabBody[order[newTab]];
    }
    m_tabBody = tabBody;
    remapSheetIndexes(newTabOfOld);
}

bool WorkbookStream::addSheets(QList<Record> globals, const QList<Record> &entries, const QList<Body> &bodies,
                               int before)
{
    const int count = sheetCount();
    const int added = int(entries.size());
    int lastEntry = -1;
    for (int i = 0; i < globals.size(); ++i) {
        const Record &r = globals[i];
        if (r.type == rtBoundSheet)
            lastEntry = i;
        else if (r.type == rtTabId && r.data.size() == 2 * count && r.data.size() + 2 * added > kMaxRecordData)
            return false;
    }
    if (lastEntry < 0) {
        // A book without sheets (another program's, or a damaged one): the
        // entries go where Excel writes them, ahead of the link table, the
        // names, the shared strings and the end of the globals.
        const QSet<quint16> following{rtSupBook, rtExternSheet, rtName, rtMsoDrawingGroup, rtSst, rtExtSst, rtEof};
        lastEntry = 0; // after the BOF at worst
        while (lastEntry + 1 < globals.size() && !following.contains(globals[lastEntry + 1].type))
            ++lastEntry;
    }
    for (int g = 0; g < added; ++g)
        globals.insert(lastEntry + 1 + g, entries[g]);
    for (Record &r : globals) {
        if (r.type == rtTabId && r.data.size() == 2 * count) {
            quint16 next = 0;
            for (int t = 0; t < count; ++t)
                next = qMax(next, u16(r.data, 2 * t));
            for (int g = 0; g < added; ++g)
                r.data += le16(quint16(next + 1 + g));
        } else if (r.type == rtSupBook && r.data.size() >= 4 && u16(r.data, 2) == kSelfSupBookMarker) {
            put16(r.data, 0, quint16(count + added));
        }
    }
    m_globals = globals;

    int at = int(m_bodies.size());
    if (!m_bodies.isEmpty() && !m_bodies.last().isSheet)
        at = int(m_bodies.size()) - 1; // trailing bytes stay last
    for (int &b : m_tabBody)
        if (b >= at)
            b += added;
    for (int g = 0; g < added; ++g) {
        m_bodies.insert(at + g, bodies[g]);
        m_tabBody.append(at + g);
    }

    QList<int> order;
    before = qBound(0, before, count);
    for (int t = 0; t < count; ++t) {
        if (t == before)
            for (int g = 0; g < added; ++g)
                order.append(count + g);
        order.append(t);
    }
    if (before >= count)
        for (int g = 0; g < added; ++g)
            order.append(count + g);
    reorderSheets(order);
    return true;
}

bool WorkbookStream::deleteSheets(const QList<int> &tabs, BookFileError *error)
{
    const int count = sheetCount();
    const QSet<int> gone(tabs.begin(), tabs.end());
    QList<int> newTabOfOld(count, -1);
    for (int t = 0, next = 0; t < count; ++t)
        if (!gone.contains(t))
            newTabOfOld[t] = next++;

    // Names scoped to a deleted sheet go; the others are renumbered wherever
    // a formula refers to them. All of it is prepared before anything changes.
    QList<int> nameRecords;
    for (int i = 0; i < m_globals.size(); ++i)
        if (m_globals[i].type == rtName)
            nameRecords.append(i);
    QSet<int> removedNames;
    for (int i : nameRecords) {
        const int itab = NameRecord::parse(m_globals[i].data).itab;
        if (itab > 0 && gone.contains(itab - 1))
            removedNames.insert(i);
    }
    QList<Record> globals = m_globals;
    QList<Body> bodies = m_bodies;
    if (!renumberNamesWithout(removedNames, gone, &globals, &bodies)) {
        *error = BookFileMessages::unsupported(QStringLiteral("名前の参照を更新できないため、シートを削除"));
        return false;
    }

    const QList<int> sheetSlots = boundSheetSlots();
    QList<int> dropped(removedNames.begin(), removedNames.end());
    for (int t : gone)
        dropped.append(sheetSlots[t]);
    std::sort(dropped.begin(), dropped.end(), std::greater<int>());
    for (int i : dropped)
        globals.removeAt(i);
    QList<int> tabBody;
    for (int t = 0; t < count; ++t) {
        if (gone.contains(t))
            bodies[m_tabBody[t]].removed = true;
        else
            tabBody.append(m_tabBody[t]);
    }
    m_globals = globals;
    m_bodies = bodies;
    m_tabBody = tabBody;
    remapSheetIndexes(newTabOfOld);
    makeActiveSheetVisible();
    return true;
}

bool WorkbookStream::renumberNamesWithout(const QSet<int> &removedRecords, const QSet<int> &skippedTabs,
                                          QList<Record> *globals, QList<Body> *bodies) const
{
    if (removedRecords.isEmpty())
        return true;
    QList<int> nameRecords;
    QList<int> newNameIndex;
    int kept = 0;
    for (int i = 0; i < globals->size(); ++i) {
        if ((*globals)[i].type != rtName)
            continue;
        nameRecords.append(i);
        newNameIndex.append(removedRecords.contains(i) ? 0 : ++kept);
    }
    for (int i : nameRecords) {
        if (removedRecords.contains(i))
            continue;
        QByteArray &data = (*globals)[i].data;
        const NameRecord n = NameRecord::parse(data);
        if (n.rgceAt + n.cce > data.size() || !FormulaTokens::renumberNames(data, n.rgceAt, n.cce, newNameIndex))
            return false;
    }
    auto renumber = [&newNameIndex](QByteArray &data, qsizetype at, int length) {
        return FormulaTokens::renumberNames(data, at, length, newNameIndex);
    };
    for (int t = 0; t < sheetCount(); ++t)
        if (!skippedTabs.contains(t) && !forEachFormula((*bodies)[m_tabBody[t]].bytes, renumber))
            return false;
    return true;
}

bool WorkbookStream::isWindowSelected(int tab) const
{
    const QByteArray &body = m_bodies[m_tabBody[tab]].bytes;
    RecordCursor cursor(body);
    while (cursor.next()) {
        const SubstreamRecord &r = cursor.record();
        if (r.type == rtWindow2 && r.depth == 1 && r.length >= 2)
            return u16(body, r.dataAt()) & kWindowSelected;
    }
    return true; // nothing to select
}

void WorkbookStream::setWindowSelected(int tab, bool selected)
{
    QByteArray &body = m_bodies[m_tabBody[tab]].bytes;
    RecordCursor cursor(body);
    while (cursor.next()) {
        const SubstreamRecord &r = cursor.record();
        if (r.type != rtWindow2 || r.depth != 1 || r.length < 2)
            continue;
        const quint16 flags = u16(body, r.dataAt());
        put16(body, r.dataAt(), selected ? (flags | kWindowSelected | kWindowActive)
                                         : (flags & ~(kWindowSelected | kWindowActive)));
    }
}

void WorkbookStream::makeActiveSheetVisible()
{
    const int w = recordIndex(rtWindow1);
    if (w < 0 || m_globals[w].data.size() < 18 || sheetCount() == 0)
        return;
    QByteArray &d = m_globals[w].data;
    const int cur = u16(d, 10);
    const bool selectedGroup = u16(d, 14) > 1;
    if (cur < sheetCount() && visibility(cur) == SheetVisibility::Visible && !selectedGroup && isWindowSelected(cur))
        return;
    int chosen = -1;
    for (int t = qMin(cur, sheetCount() - 1); t < sheetCount() && chosen < 0; ++t)
        if (visibility(t) == SheetVisibility::Visible)
            chosen = t;
    for (int t = qMin(cur, sheetCount() - 1); t >= 0 && chosen < 0; --t)
        if (visibility(t) == SheetVisibility::Visible)
            chosen = t;
    if (chosen < 0)
        return;
    for (int t = 0; t < sheetCount(); ++t)
        setWindowSelected(t, t == chosen);
    put16(d, 10, quint16(chosen));
    put16(d, 12, quint16(qMin<int>(u16(d, 12), chosen)));
    put16(d, 14, 1);
}

void WorkbookStream::setPageSetup(int tab, const PageSetupFacts &setup)
{
    Body &body = m_bodies[m_tabBody[tab]];
    body.bytes = SheetSubstream(body.bytes).withPageSetup(setup, body.originalOffset);
}

QByteArray WorkbookStream::serialize() const
{
    QList<Record> globals = m_globals;
    qint64 globalsSize = 0;
    qint64 sstOffset = -1;
    for (const Record &r : globals) {
        if (r.type == rtSst && sstOffset < 0)
            sstOffset = globalsSize;
        globalsSize += 4 + r.data.size();
    }
    QList<qint64> newOffset(m_bodies.size(), -1);
    qint64 p = globalsSize;
    for (int i = 0; i < m_bodies.size(); ++i) {
        if (m_bodies[i].removed)
            continue;
        newOffset[i] = p;
        p += m_bodies[i].bytes.size();
    }
    const QList<int> sheetSlots = boundSheetSlots();
    for (int tab = 0; tab < sheetSlots.size(); ++tab)
        put32(globals[sheetSlots[tab]].data, 0, quint32(newOffset[m_tabBody[tab]]));
    const qint64 sstDelta = (sstOffset >= 0 && m_originalSstOffset >= 0) ? sstOffset - m_originalSstOffset : 0;
    if (sstDelta != 0) {
        for (Record &r : globals) {
            if (r.type != rtExtSst)
                continue;
            for (qsizetype o = 2; o + 8 <= r.data.size(); o += 8)
                put32(r.data, o, quint32(qint64(u32(r.data, o)) + sstDelta));
        }
    }

    QByteArray out;
    out.reserve(p);
    for (const Record &r : globals)
        out += biff::serialize(r);
    for (int i = 0; i < m_bodies.size(); ++i) {
        const Body &b = m_bodies[i];
        if (b.removed)
            continue;
        const qint64 delta = newOffset[i] - b.originalOffset;
        if (!b.isSheet || delta == 0) {
            out += b.bytes;
            continue;
        }
        // INDEX holds absolute positions (DEFCOLWIDTH, DBCELLs) of its own substream.
        QByteArray bytes = b.bytes;
        RecordCursor cursor(bytes);
        while (cursor.next()) {
            const SubstreamRecord &r = cursor.record();
            if (r.type != rtIndex || r.depth != 1 || r.length < 16)
                continue;
            const qsizetype at = r.dataAt();
            if (u32(bytes, at + 12) != 0)
                put32(bytes, at + 12, quint32(qint64(u32(bytes, at + 12)) + delta));
            for (qsizetype q = at + 16; q + 4 <= r.end(); q += 4)
                put32(bytes, q, quint32(qint64(u32(bytes, q)) + delta));
        }
        out += bytes;
    }
    return out;
}

bool WorkbookStream::duplicateSheet(int tab, const QString &name, int before, bool hasVbaProject, BookFileError *error)
{
    return SheetDuplicate(*this).make(tab, name, before, hasVbaProject, error);
}

bool WorkbookStream::setPrintNames(int tab, const QString &area, const QString &titleRows,
                                   const QString &titleColumns, BookFileError *error)
{
    return PrintNames(*this).write(tab, area, titleRows, titleColumns, error);
}


} // namespace quirn
