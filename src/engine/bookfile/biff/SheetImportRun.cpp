#include "SheetImportRun.h"

#include "BiffText.h"
#include "BookFileMessages.h"
#include "ControlObject.h"
#include "FormulaTokens.h"
#include "NameRecord.h"
#include "RecordCursor.h"
#include "SheetCodeName.h"
#include "SubstreamCopy.h"
#include "WorkbookStream.h"

#include <QMap>

#include <algorithm>

namespace quirn {

using namespace biff;

namespace {

constexpr quint16 rtCondFormat = 0x01B1;
constexpr quint16 rtValidation = 0x01BE;
constexpr quint16 rtLabelSst = 0x00FD;
constexpr quint16 rtMulBlank = 0x00BE;
constexpr quint16 rtMulRk = 0x00BD;
constexpr quint16 rtRow = 0x0208;
constexpr quint16 rtColInfo = 0x007D;
constexpr quint16 rtPhoneticInfo = 0x00EF;
constexpr quint16 rtChartFontIndex = 0x1026;   // FONTX
constexpr quint16 rtChartNumberFormat = 0x104E; // IFMT
constexpr quint16 rtChartFontBasis = 0x1060;    // FBI
constexpr int kLastSheetNumber = 0xFFFD; // above: #REF! and the whole book

// Records whose cell format (XF index) sits at offset 4.
bool isCell(quint16 type)
{
    switch (type) {
    case 0x0201: case 0x0203: case 0x027E: case 0x0205: case 0x0204: case 0x00D6:
    case rtLabelSst: case rtFormula:
        return true;
    default:
        return false;
    }
}

// Offset just past the XLUnicodeString at `at`, or -1.
qsizetype skipString(const QByteArray &d, qsizetype at)
{
    if (at + 3 > d.size())
        return -1;
    const qsizetype end = at + 3 + qsizetype(u16(d, at)) * ((quint8(d.at(at + 2)) & 1) ? 2 : 1);
    return end <= d.size() ? end : -1;
}

} // namespace

SheetImportRun::SheetImportRun(WorkbookStream &target, const SheetImport::Request &request, BookFileError *error)
    : m_target(target)
    , m_request(request)
    , m_source(*request.source)
    , m_error(error)
    , m_globals(target.m_globals)
    , m_links(m_globals, target.sheetCount())
    , m_formats(target.m_globals, request.source->m_globals)
    , m_drawings(target.m_globals, request.source->m_globals)
    , m_sourceBooks(LinkTable::books(request.source->m_globals))
    , m_sourceEntries(LinkTable::entries(request.source->m_globals))
{
    for (const Record &r : m_source.m_globals) {
        if (r.type != rtName)
            continue;
        m_sourceNames.append(r.data);
        if (NameRecord::parse(r.data).itab == 0)
            m_sourceGlobalNames.insert(NameRecord::key(r.data));
    }
    for (const Record &r : m_globals) {
        if (r.type != rtName)
            continue;
        ++m_targetNameCount;
        m_targetNames.append(r.data);
        if (NameRecord::parse(r.data).itab != 0)
            continue;
        const QByteArray key = NameRecord::key(r.data);
        if (!m_targetGlobalNames.contains(key))
            m_targetGlobalNames.insert(key, m_targetNameCount);
    }
    for (int g = 0; g < request.tabs.size(); ++g)
        m_groupPosition.insert(request.tabs[g], g);
}


bool SheetImportRun::fail(const QString &what)
{
    // A name the caller chose that cannot be used says so, whatever failed on its account.
    *m_error = m_nameRefused.isEmpty() ? BookFileMessages::unsupported(what)
                                       : BookFileMessages::invalidDefinedName(m_nameRefused);
    return false;
}

bool SheetImportRun::run()
{
    for (int tab : m_request.tabs) {
        const QString why = SheetImport::refusal(m_source, tab);
        if (!why.isEmpty())
            return fail(why + QStringLiteral("を別のブックへ移動またはコピー"));
    }
    if (!carryNamesOfGroup())
        return false;
    QList<QByteArray> bodies;
    for (int tab : m_request.tabs) {
        QByteArray body;
        if (!carrySheet(tab, &body))
            return false;
        bodies.append(body);
    }
    if (!carryNamesReferringToGroup())
        return false;
    if (!commitStrings())
        return false;
    commitLinkedCells();
    commitNames();
    m_drawings.insertInto(m_globals);
    m_formats.insertInto(m_globals);
    if (!placeSheets(bodies))
        return false;
    cacheStrings();
    return true;
}

// The names scoped to the sheets of the group come along, scoped to the
// copies; they are numbered first so that their formulas can refer to each other.
bool SheetImportRun::carryNamesOfGroup()
{
    QList<int> carried;
    for (int i = 0; i < m_sourceNames.size(); ++i) {
        const NameRecord n = NameRecord::parse(m_sourceNames[i]);
        if (n.itab > 0 && m_groupPosition.contains(n.itab - 1)) {
            m_nameMemo.insert(i + 1, m_targetNameCount + int(m_newNames.size()) + 1);
            m_newNames.append(QByteArray());
            carried.append(i);
        }
    }
    for (int k = 0; k < carried.size(); ++k) {
        QByteArray copy = m_sourceNames[carried[k]];
        const NameRecord n = NameRecord::parse(copy);
        if (!n.valid || !remapFormula(copy, n.rgceAt, n.cce))
            return fail(QStringLiteral("参照を移せない名前のあるシートを別のブックへ移動またはコピー"));
        put16(copy, 8, quint16(newTab(m_groupPosition.value(n.itab - 1)) + 1));
        m_newNames[m_nameMemo.value(carried[k] + 1) - m_targetNameCount - 1] = copy;
    }
    return true;
}

int SheetImportRun::mapName(int sourceIndex)
{
    const auto memo = m_nameMemo.constFind(sourceIndex);
    if (memo != m_nameMemo.constEnd())
        return *memo;
    if (sourceIndex < 1 || sourceIndex > m_sourceNames.size())
        return -1;
    QByteArray copy = m_sourceNames[sourceIndex - 1];
    const NameRecord n = NameRecord::parse(copy);
    if (!n.valid || n.itab != 0)
        return -1; // a name of a sheet outside the group
    const QByteArray key = NameRecord::key(copy);
    const int existing = m_targetGlobalNames.value(key, 0);
    if (existing > 0) {
        // Bound to the target's name unless settled otherwise (a definition
        // that names itself included).
        m_nameMemo.insert(sourceIndex, existing);
        if (n.builtin || !remapFormula(copy, n.rgceAt, n.cce) || sameDefinition(copy, existing))
            return existing;
        const int settled = settleConflict(copy, existing);
        m_nameMemo.insert(sourceIndex, settled);
        return settled;
    }
    const int index = m_targetNameCount + int(m_newNames.size()) + 1;
    m_nameMemo.insert(sourceIndex, index);
    m_targetGlobalNames.insert(key, index);
    m_newNames.append(QByteArray());
    if (!remapFormula(copy, n.rgceAt, n.cce))
        return -1;
    m_newNames[index - m_targetNameCount - 1] = copy;
    return index;
}

// Whether a source name, its references already carried into the target,
// says what the target's name at `targetIndex` (1-based) says.
bool SheetImportRun::sameDefinition(const QByteArray &incoming, int targetIndex) const
{
    const QByteArray target = targetIndex <= m_targetNameCount ? m_targetNames.value(targetIndex - 1)
                                                               : m_newNames.value(targetIndex - m_targetNameCount - 1);
    const NameRecord a = NameRecord::parse(incoming), b = NameRecord::parse(target);
    return a.valid && b.valid && incoming.mid(a.rgceAt) == target.mid(b.rgceAt);
}

// Both books define the name, differently: the caller keeps the target's,
// which the copies' formulas then use, or gives the incoming definition a
// name of its own. Returns the index the copies' formulas use; -1 (the import
// fails) for a new name that cannot be used.
int SheetImportRun::settleConflict(QByteArray &incoming, int existing)
{
    const QString text = NameRecord::text(incoming);
    const auto taken = [this](const QString &name) {
        const QByteArray key = name.toLower().toUtf8();
        return !NameRecord::isValidName(name) || m_targetGlobalNames.contains(key) || m_sourceGlobalNames.contains(key);
    };
    QString free;
    for (int n = 2; free.isEmpty() || taken(free); ++n)
        free = text.left(250) + QStringLiteral("_%1").arg(n);
    const QString renamed = m_request.resolveName ? m_request.resolveName(text, free) : QString();
    if (m_request.nameConflicts)
        m_request.nameConflicts->append({text, renamed});
    if (renamed.isEmpty())
        return existing;
    const QByteArray key = renamed.toLower().toUtf8();
    if (taken(renamed)) {
        m_nameRefused = renamed;
        return -1;
    }
    const int index = m_targetNameCount + int(m_newNames.size()) + 1;
    m_targetGlobalNames.insert(key, index);
    m_newNames.append(NameRecord::renamed(incoming, renamed));
    return index;
}

// Workbook names that refer to a sheet of the group come along even when no
// formula of the group uses them, as in Excel.
bool SheetImportRun::carryNamesReferringToGroup()
{
    for (int i = 0; i < m_sourceNames.size(); ++i) {
        const NameRecord n = NameRecord::parse(m_sourceNames[i]);
        // Hidden names belong to whatever made them (a filter, a solver).
        const bool hidden = m_sourceNames[i].size() >= 2 && (u16(m_sourceNames[i], 0) & 0x0001);
        if (m_nameMemo.contains(i + 1) || !n.valid || n.builtin || hidden || n.itab != 0)
            continue;
        if (refersToGroup(m_sourceNames[i]) && mapName(i + 1) < 0)
            return fail(QStringLiteral("参照を移せない名前のあるシートを別のブックへ移動またはコピー"));
    }
    return true;
}

// Whether a source name's formula holds a reference to a sheet of the group.
bool SheetImportRun::refersToGroup(const QByteArray &name) const
{
    const NameRecord n = NameRecord::parse(name);
    bool refers = false;
    FormulaTokens::ReferenceMap look;
    look.name = [](int i) { return i; };
    look.externalName = [](int e, int i) { return std::make_pair(e, i); };
    look.sheetEntry = [&](int e) {
        const LinkTable::Entry x = m_sourceEntries.value(e, LinkTable::Entry{-1, 0, 0});
        if (x.book >= 0 && x.book < m_sourceBooks.size() && m_sourceBooks[x.book].self)
            for (int t = x.first; t <= x.last && t <= kLastSheetNumber && !refers; ++t)
                refers = m_groupPosition.contains(t);
        return e;
    };
    look.cells = [](int, int, int, int, int) {};
    QByteArray scratch = name;
    return FormulaTokens::remapReferences(scratch, n.rgceAt, n.cce, look) && refers;
}

// The SUPBOOK for links to the source book's sheets outside the group.
int SheetImportRun::sourceLink()
{
    if (m_sourceLink == -2) {
        const QByteArray data = LinkTable::externalBook(m_request.sourcePath, m_request.targetPath,
                                                        m_request.linkedSheets);
        const qsizetype known = LinkTable::books(m_globals).size();
        m_sourceLink = data.isEmpty() ? -1 : m_links.book(data);
        m_sourceLinkIsNew = m_sourceLink == known;
    }
    return m_sourceLink;
}

int SheetImportRun::mapEntry(int sourceEntry)
{
    const auto memo = m_entryMemo.constFind(sourceEntry);
    if (memo != m_entryMemo.constEnd())
        return *memo;
    if (sourceEntry < 0 || sourceEntry >= m_sourceEntries.size())
        return -1;
    const LinkTable::Entry e = m_sourceEntries[sourceEntry];
    if (e.book < 0 || e.book >= m_sourceBooks.size())
        return -1;
    int mapped = -1;
    if (!m_sourceBooks[e.book].self) {
        // Another book, or add-in functions: the same link in the target.
        mapped = m_links.entry(m_links.book(m_sourceBooks[e.book].data), e.first, e.last);
    } else if (e.first > kLastSheetNumber || e.last > kLastSheetNumber || e.first >= m_source.sheetCount()
               || e.last >= m_source.sheetCount()) {
        mapped = m_links.entry(m_links.selfBook(), e.first, e.last);
    } else {
        // Sheets of the group stay with the group when the whole span came along.
        const int gFirst = m_groupPosition.value(e.first, -1), gLast = m_groupPosition.value(e.last, -1);
        bool inGroup = gFirst >= 0 && gLast >= 0 && gLast - gFirst == e.last - e.first;
        for (int t = e.first; inGroup && t <= e.last; ++t)
            inGroup = m_groupPosition.value(t, -1) == gFirst + (t - e.first);
        if (inGroup) {
            mapped = m_links.entry(m_links.selfBook(), newTab(gFirst), newTab(gLast));
        } else {
            const int first = m_request.linkedSheets.indexOf(m_source.sheetName(e.first));
            const int last = m_request.linkedSheets.indexOf(m_source.sheetName(e.last));
            const int book = first >= 0 && last >= 0 ? sourceLink() : -1;
            mapped = book >= 0 ? m_links.entry(book, first, last) : -1;
        }
    }
    m_entryMemo.insert(sourceEntry, mapped);
    return mapped;
}

std::pair<int, int> SheetImportRun::mapExternalName(int sourceEntry, int index)
{
    const int entry = mapEntry(sourceEntry);
    if (entry < 0)
        return {-1, -1};
    const LinkTable::Entry e = m_sourceEntries[sourceEntry];
    const LinkTable::Book &book = m_sourceBooks[e.book];
    if (book.self) // the own book's names, through a sheet
        return {entry, mapName(index)};
    if (index < 1 || index > book.names.size())
        return {-1, -1};
    return {entry, m_links.externalName(m_links.book(book.data), book.names[index - 1])};
}

bool SheetImportRun::remapFormula(QByteArray &data, qsizetype at, int length)
{
    FormulaTokens::ReferenceMap map;
    map.name = [this](int i) { return mapName(i); };
    map.sheetEntry = [this](int e) { return mapEntry(e); };
    map.externalName = [this](int e, int i) { return mapExternalName(e, i); };
    map.cells = [this](int e, int firstRow, int lastRow, int firstColumn, int lastColumn) {
        // Cells of the source's other sheets: their values are cached with the link.
        const LinkTable::Entry x = m_sourceEntries.value(e, LinkTable::Entry{-1, 0, 0});
        if (x.book < 0 || x.book >= m_sourceBooks.size() || !m_sourceBooks[x.book].self)
            return;
        for (int t = x.first; t <= x.last && t < m_source.sheetCount(); ++t)
            if (!m_groupPosition.contains(t))
                m_linkedCells[t].append({firstRow, lastRow, firstColumn, lastColumn});
    };
    return FormulaTokens::remapReferences(data, at, length, map);
}

namespace {

// The SST record and the CONTINUE records that follow it.
QList<Record> stringRecords(const QList<Record> &globals)
{
    QList<Record> records;
    for (const Record &r : globals) {
        if (r.type == rtSst)
            records.append(r);
        else if (!records.isEmpty() && r.type == rtContinue)
            records.append(r);
        else if (!records.isEmpty())
            break;
    }
    return records;
}

bool sameRecords(const QList<Record> &records, const QList<QByteArray> &cached)
{
    if (records.size() != cached.size())
        return false;
    for (qsizetype i = 0; i < records.size(); ++i)
        if (!records[i].data.isSharedWith(cached[i]))
            return false;
    return true;
}

} // namespace

// Reads both books' shared strings, once; the target's come from what the
// last import wrote when they are still the book's.
bool SheetImportRun::loadStrings()
{
    if (m_sourceStrings)
        return !m_stringsFailed;
    auto read = [](const QList<Record> &records, SharedStrings *strings) {
        return records.isEmpty() ? true : strings->read(records);
    };
    m_sourceStrings.emplace();
    const QList<Record> target = stringRecords(m_globals);
    const auto &cache = m_target.m_stringsCache;
    if (cache && !target.isEmpty() && sameRecords(target, cache->records))
        m_targetStrings.emplace(*cache->strings);
    else
        m_targetStrings.emplace();
    m_stringsFailed = !read(stringRecords(m_source.m_globals), &*m_sourceStrings)
                   || (!m_targetStrings->count() && !read(target, &*m_targetStrings));
    return !m_stringsFailed;
}

// Keeps the strings written for the next import into this book.
void SheetImportRun::cacheStrings()
{
    if (!m_targetStrings || m_stringReferences == 0)
        return;
    auto cache = std::make_shared<WorkbookStream::StringsCache>();
    for (const Record &r : stringRecords(m_target.m_globals))
        cache->records.append(r.data);
    cache->strings = std::make_shared<const SharedStrings>(*m_targetStrings);
    m_target.m_stringsCache = std::move(cache);
}

bool SheetImportRun::remapStrings(QByteArray &record)
{
    const quint32 isst = u32(record, 10);
    auto found = m_stringMemo.constFind(isst);
    if (found == m_stringMemo.constEnd()) {
        if (!loadStrings() || isst >= quint32(m_sourceStrings->count()))
            return false;
        SharedStrings::Entry entry = m_sourceStrings->at(int(isst));
        for (qsizetype r = 0; r + 4 <= entry.runs.size(); r += 4) {
            const int font = m_formats.font(u16(entry.runs, r + 2));
            if (font < 0)
                return false;
            put16(entry.runs, r + 2, quint16(font));
        }
        if (entry.phonetic.size() >= 6) {
            const int font = m_formats.font(u16(entry.phonetic, 4));
            if (font < 0)
                return false;
            put16(entry.phonetic, 4, quint16(font));
        }
        found = m_stringMemo.insert(isst, m_targetStrings->add(entry));
    }
    put32(record, 10, quint32(*found));
    ++m_stringReferences;
    return true;
}

bool SheetImportRun::remapCell(QByteArray &record, quint16 type)
{
    auto xfAt = [&](qsizetype at, quint16 keep = 0) {
        const quint16 value = u16(record, at);
        const int mapped = m_formats.xf(value & 0x0FFF);
        if (mapped < 0)
            return false;
        put16(record, at, quint16((value & keep) | mapped));
        return true;
    };
    const qsizetype size = record.size() - 4;
    if (isCell(type)) {
        if (size < 6 || !xfAt(4 + 4, 0xF000))
            return false;
    } else if (type == rtMulBlank) {
        for (qsizetype i = 0; 4 + 2 * i + 2 <= size - 2; ++i)
            if (!xfAt(4 + 4 + 2 * i, 0xF000))
                return false;
    } else if (type == rtMulRk) {
        for (qsizetype i = 0; 4 + 6 * i + 6 <= size - 2; ++i)
            if (!xfAt(4 + 4 + 6 * i, 0xF000))
                return false;
    } else if (type == rtRow) {
        if (size >= 16 && (u16(record, 4 + 12) & 0x0080) && !xfAt(4 + 14, 0xF000))
            return false;
    } else if (type == rtColInfo) {
        if (size >= 8 && !xfAt(4 + 6, 0xF000))
            return false;
    }
    return true;
}

bool SheetImportRun::remapValidation(QByteArray &record)
{
    qsizetype at = 4 + 4;
    for (int s = 0; s < 4 && at >= 0; ++s)
        at = skipString(record, at);
    for (int f = 0; f < 2; ++f) {
        if (at < 0 || at + 4 > record.size())
            return false;
        const int cce = u16(record, at);
        if (at + 4 + cce > record.size() || !remapFormula(record, at + 4, cce))
            return false;
        at += 4 + cce;
    }
    return true;
}

bool SheetImportRun::carrySheet(int tab, QByteArray *out)
{
    const QByteArray &body = m_source.substream(tab);
    const qint64 base = m_source.m_bodies[m_source.m_tabBody[tab]].originalOffset;
    const auto refuse = [this] {
        return fail(QStringLiteral("参照や書式を移せないシートを別のブックへ移動またはコピー"));
    };
    SubstreamCopy copy(base, body.size());
    const QList<SubstreamRecord> records = RecordCursor::all(body);

    // The drawing layer: left out when it holds nothing (as LibreOffice
    // writes it), otherwise given its place in the target's drawing group.
    // Each substream (the sheet's, an embedded chart's) has a drawing of its own.
    QMap<int, QList<int>> drawingRecords; // the substream's BOF -> its MSODRAWINGs
    QList<int> openSubstreams;
    bool objects = false;
    for (int i = 0; i < records.size(); ++i) {
        if (records[i].type == rtBof)
            openSubstreams.append(i);
        else if (records[i].type == rtMsoDrawing && !openSubstreams.isEmpty())
            drawingRecords[openSubstreams.last()] << i;
        else if (records[i].type == rtEof && !openSubstreams.isEmpty())
            openSubstreams.removeLast();
        objects = objects || records[i].type == rtObj || records[i].type == rtTextObject || records[i].type == rtNote;
    }
    const QList<int> sheetDrawing = drawingRecords.value(0);
    const bool emptyDrawing = drawingRecords.size() == 1 && sheetDrawing.size() == 1 && !objects
        && DrawingMerge::holdsNoShape(body.mid(records[sheetDrawing[0]].offset + 4, records[sheetDrawing[0]].length));
    QHash<int, QByteArray> drawingData;
    for (const QList<int> &drawing : drawingRecords) {
        if (emptyDrawing)
            break;
        QByteArray joined;
        for (int i : drawing)
            joined += body.mid(records[i].offset + 4, records[i].length);
        if (!m_drawings.carry(joined))
            return fail(QStringLiteral("図形を移せないシートを別のブックへ移動またはコピー"));
        qsizetype at = 0;
        for (int i : drawing) {
            drawingData.insert(i, joined.mid(at, records[i].length));
            at += records[i].length;
        }
    }

    // The copy's CODENAME names its module in the target, where the source's stood or
    // in front of what follows it at the sheet's end.
    QString codeName = m_request.codeNames.value(m_groupPosition.value(tab));
    int textRuns = 0; // bytes of font runs the text object being read has
    for (int i = 0; i < records.size(); ++i) {
        const SubstreamRecord &r = records[i];
        const quint16 t = r.type;
        QByteArray record = body.mid(r.offset, 4 + r.length);
        if (r.depth == 1 && !codeName.isEmpty() && (t == rtCodeName || SheetCodeName::followsCodeName(t))) {
            copy.append(SheetCodeName::record(codeName), 1);
            codeName.clear();
        }
        if (t == rtMsoDrawing && drawingData.contains(i))
            record = record.left(4) + drawingData.value(i);
        if (r.depth == 1) {
            if ((t == rtMsoDrawing && emptyDrawing) || t == rtMsoDrawingSelection || t == rtCodeName) {
                copy.leaveOut(r.offset, 4 + r.length);
                continue;
            }
            if (t == rtTextObject && r.length >= 16) {
                const int font = m_formats.font(u16(record, 4 + 14));
                if (font < 0)
                    return refuse();
                put16(record, 4 + 14, quint16(font));
                textRuns = u16(record, 4 + 12);
            } else if (t == rtContinue && textRuns > 0) {
                // The text's font runs come in the last CONTINUE after it.
                const bool last = i + 1 >= records.size() || records[i + 1].type != rtContinue;
                if (last && r.length == textRuns) {
                    for (qsizetype k = 4; k + 8 <= record.size(); k += 8) {
                        const int font = m_formats.font(u16(record, k + 2));
                        if (font < 0)
                            return refuse();
                        put16(record, k + 2, quint16(font));
                    }
                }
            } else if (t != rtContinue) {
                textRuns = 0;
            }
        }
        if (t == rtObj && !carryControl(record))
            return refuse();
        bool ok = remapCell(record, t);
        if (ok && t == rtLabelSst)
            ok = r.length >= 10 && remapStrings(record);
        else if (ok && t == rtFormula)
            ok = r.length >= 22 && remapFormula(record, 4 + 22, qMin<int>(u16(record, 4 + 20), r.length - 22));
        else if (t == rtArray)
            ok = r.length >= 14 && remapFormula(record, 4 + 14, qMin<int>(u16(record, 4 + 12), r.length - 14));
        else if (t == rtSharedFormula)
            ok = r.length >= 10 && remapFormula(record, 4 + 10, qMin<int>(u16(record, 4 + 8), r.length - 10));
        else if (t == rtCondFormat) {
            const int cce1 = u16(record, 4 + 2), cce2 = u16(record, 4 + 4);
            const qsizetype first = record.size() - cce1 - cce2;
            ok = r.length >= 6 && first >= 4 + 6 && remapFormula(record, first, cce1)
                && remapFormula(record, first + cce1, cce2);
        } else if (t == rtValidation)
            ok = remapValidation(record);
        else if (t == rtChartSeriesRef && r.length >= 8) {
            const int format = m_formats.format(u16(record, 4 + 4));
            ok = format >= 0 && remapFormula(record, 4 + 8, qMin<int>(u16(record, 4 + 6), r.length - 8));
            put16(record, 4 + 4, quint16(qMax(format, 0)));
        } else if (t == rtChartNumberFormat && r.length >= 2) {
            const int format = m_formats.format(u16(record, 4));
            ok = format >= 0;
            put16(record, 4, quint16(qMax(format, 0)));
        } else if ((t == rtChartFontIndex && r.length >= 2) || (t == rtChartFontBasis && r.length >= 10)) {
            const qsizetype at = t == rtChartFontIndex ? 4 : 4 + 8;
            const int font = m_formats.font(u16(record, at));
            ok = font >= 0;
            put16(record, at, quint16(qMax(font, 0)));
        } else if (t == rtPhoneticInfo && r.length >= 2) {
            const int font = m_formats.font(u16(record, 4));
            ok = font >= 0;
            put16(record, 4, quint16(qMax(font, 0)));
        } else if (t == rtWindow2 && r.length >= 2 && r.depth == 1)
            put16(record, 4, u16(record, 4) & ~(kWindowSelected | kWindowActive));
        if (!ok)
            return refuse();
        copy.append(record, r.depth);
    }
    *out = copy.take();
    return true;
}

// An ActiveX control's data comes along into the target's Ctls stream, the
// OBJ record pointing at its new place there.
bool SheetImportRun::carryControl(QByteArray &record)
{
    const auto control = ControlObject::read(record.mid(4));
    if (!control)
        return true;
    if (!m_request.controls || control->position > quint32(m_request.sourceControls.size())
        || control->size > quint32(m_request.sourceControls.size()) - control->position
        || m_request.controls->size() > qsizetype(0x7FFFFFFF) - qsizetype(control->size))
        return false;
    put32(record, 4 + control->positionAt, quint32(m_request.controls->size()));
    m_request.controls->append(m_request.sourceControls.mid(control->position, control->size));
    return true;
}

bool SheetImportRun::commitStrings()
{
    if (!m_targetStrings || m_stringReferences == 0)
        return true;
    m_targetStrings->addReferences(m_stringReferences);
    int first = -1, end = -1;
    for (int i = 0; i < m_globals.size(); ++i) {
        if (m_globals[i].type == rtSst && first < 0) {
            first = i;
            end = i + 1;
            while (end < m_globals.size() && m_globals[end].type == rtContinue)
                ++end;
        }
    }
    if (first < 0) {
        // A book without strings gets its table ahead of what ends the globals.
        for (int i = 0; i < m_globals.size() && first < 0; ++i)
            if (m_globals[i].type == rtExtSst || m_globals[i].type == rtEof)
                first = end = i;
        m_target.m_originalSstOffset = 0;
    }
    Record extSst;
    const QList<Record> table = m_targetStrings->records(m_target.m_originalSstOffset, &extSst);
    m_globals.remove(first, end - first);
    for (int k = 0; k < table.size(); ++k)
        m_globals.insert(first + k, table[k]);
    const int after = first + int(table.size());
    if (after < m_globals.size() && m_globals[after].type == rtExtSst)
        m_globals[after] = extSst;
    else
        m_globals.insert(after, extSst);
    return true;
}

// A link made for the source book keeps the values of the cells referred to.
void SheetImportRun::commitLinkedCells()
{
    if (m_sourceLink < 0 || !m_sourceLinkIsNew || m_linkedCells.isEmpty() || !loadStrings())
        return;
    QList<int> tabs = m_linkedCells.keys();
    std::sort(tabs.begin(), tabs.end());
    QList<Record> cache;
    for (int tab : tabs) {
        const int itab = m_request.linkedSheets.indexOf(m_source.sheetName(tab));
        if (itab >= 0)
            cache += ExternalCache::records(itab, m_source.substream(tab), *m_sourceStrings, m_linkedCells[tab]);
    }
    m_links.appendToBook(m_sourceLink, cache);
}

// New names go after the target's last one, so that no index into the name
// table moves.
void SheetImportRun::commitNames()
{
    if (m_newNames.isEmpty())
        return;
    int at = -1;
    for (int i = 0; i < m_globals.size(); ++i)
        if (m_globals[i].type == rtName || m_globals[i].type == rtExternSheet)
            at = i + 1;
    if (at < 0) {
        for (int i = 0; i < m_globals.size() && at < 0; ++i) {
            const quint16 t = m_globals[i].type;
            if (t == rtMsoDrawingGroup || t == rtSst || t == rtExtSst || t == rtEof)
                at = i;
        }
    }
    for (int k = 0; k < m_newNames.size(); ++k)
        m_globals.insert(at + k, {rtName, m_newNames[k]});
}

// The copies' directory entries go last in tab order, then the group moves
// in front of the requested sheet.
bool SheetImportRun::placeSheets(const QList<QByteArray> &bodies)
{
    const QList<int> sourceSlots = m_source.boundSheetSlots();
    QList<Record> entries;
    QList<WorkbookStream::Body> placed;
    for (int g = 0; g < bodies.size(); ++g) {
        const int tab = m_request.tabs[g];
        Record entry = m_source.m_globals[sourceSlots[tab]];
        entry.data = entry.data.left(6) + writeShortString(m_request.names[g]);
        entries.append(entry);
        placed.append({bodies[g], m_source.m_bodies[m_source.m_tabBody[tab]].originalOffset, true, false});
    }
    if (!m_target.addSheets(m_globals, entries, placed, m_request.before))
        return fail(QStringLiteral("これ以上シートを追加"));
    return true;
}

} // namespace quirn
