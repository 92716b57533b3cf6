#include "SheetImport.h"

#include "BiffText.h"
#include "BookFileMessages.h"
#include "CellFormatMap.h"
#include "DrawingMerge.h"
#include "ExternalCache.h"
#include "FormulaTokens.h"
#include "LinkTable.h"
#include "SharedStrings.h"
#include "WorkbookStream.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <optional>

namespace quirn {

using namespace biff;

namespace {

constexpr quint16 rtArray = 0x0221;
constexpr quint16 rtSharedFormula = 0x04BC;
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
constexpr quint16 rtChartSeriesRef = 0x1051;    // BRAI
constexpr quint16 rtChartFontBasis = 0x1060;    // FBI
constexpr quint16 kBofDtWorksheet = 0x0010;
constexpr int kWorksheetEntry = 0;
constexpr int kChartEntry = 2;
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

// What ties a sheet to parts of the book the records do not carry across.
QString refusedRecord(quint16 type)
{
    switch (type) {
    case 0x00B0:
        return QStringLiteral("ピボットテーブルのあるシート");
    case 0x0872: case 0x0877: case 0x0878:
        return QStringLiteral("テーブル (リスト) のあるシート");
    case 0x0879: case 0x087A: case 0x087B:
        return QStringLiteral("拡張された条件付き書式のあるシート");
    default:
        return QString();
    }
}

// Whether the sheet's drawing layer holds no shape besides the group every
// drawing has (as LibreOffice writes for any sheet).
bool isEmptyDrawing(const QByteArray &drawing)
{
    if (drawing.size() < 8 || u16(drawing, 2) != 0xF002)
        return false;
    for (qsizetype p = 8; p + 8 <= drawing.size();) {
        const quint16 recordType = u16(drawing, p + 2);
        const quint32 recordLength = u32(drawing, p + 4);
        if (recordType == 0xF008)
            return recordLength >= 8 && p + 16 <= drawing.size() && u32(drawing, p + 8) <= 1;
        p += 8 + qsizetype(recordLength);
    }
    return false;
}

constexpr quint16 rtObject = 0x005D;
constexpr quint16 rtTextObject = 0x01B6;

// Whether a drawing object is one whose records alone make it: shapes, text
// boxes, comments, pictures and charts; not controls, OLE objects or
// objects with a macro assigned.
bool isPlainObject(const QByteArray &obj)
{
    if (obj.size() < 6 || u16(obj, 0) != 0x0015)
        return false;
    switch (u16(obj, 4)) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06: case 0x08: case 0x09: case 0x19: case 0x1E:
        break;
    default:
        return false;
    }
    for (qsizetype p = 0; p + 4 <= obj.size();) {
        const quint16 ft = u16(obj, p), cb = u16(obj, p + 2);
        if (ft == 0x0000)
            break;
        if (ft == 0x0004 || ft == 0x0009 || ft == 0x000E || ft == 0x0013 || ft == 0x0014)
            return false; // a macro, an OLE link or a control's cell
        p += 4 + cb;
    }
    return true;
}

struct NameInfo
{
    QByteArray key; // the built-in code, or the name in lower case
    int itab = 0;
    qsizetype rgceAt = 0;
    int cce = 0;
    bool valid = false;
};

NameInfo nameInfo(const QByteArray &d)
{
    NameInfo n;
    if (d.size() < 15)
        return n;
    const int cch = quint8(d.at(3));
    const bool wide = quint8(d.at(14)) & 1;
    n.itab = u16(d, 8);
    n.cce = u16(d, 4);
    n.rgceAt = 15 + qsizetype(cch) * (wide ? 2 : 1);
    n.valid = n.rgceAt + n.cce <= d.size();
    if (u16(d, 0) & 0x0020) {
        n.key = QByteArray("\x01") + d.mid(15, 1);
    } else {
        QString text;
        for (int i = 0; i < cch; ++i)
            text += wide ? QChar(u16(d, 15 + 2 * i)) : QChar(quint8(d.at(qMin<qsizetype>(15 + i, d.size() - 1))));
        n.key = text.toLower().toUtf8();
    }
    return n;
}

// Offset just past the XLUnicodeString at `at`, or -1.
qsizetype skipString(const QByteArray &d, qsizetype at)
{
    if (at + 3 > d.size())
        return -1;
    const qsizetype end = at + 3 + qsizetype(u16(d, at)) * ((quint8(d.at(at + 2)) & 1) ? 2 : 1);
    return end <= d.size() ? end : -1;
}

// One sheet substream's records, the ones of the sheet itself (not those of
// a chart inside it) marked.
struct SheetRecord
{
    qsizetype offset;
    quint16 type;
    quint16 length;
    int depth;
};

QList<SheetRecord> sheetRecords(const QByteArray &body)
{
    QList<SheetRecord> out;
    qsizetype pos = 0;
    int depth = 0;
    quint16 type = 0, length = 0;
    while (recordAt(body, pos, &type, &length) && pos + 4 + length <= body.size()) {
        if (type == rtBof)
            ++depth;
        out.append({pos, type, length, depth});
        pos += 4 + length;
        if (type == rtEof && --depth <= 0)
            break;
    }
    return out;
}

} // namespace

class SheetImport::Importer
{
public:
    Importer(WorkbookStream &target, const SheetImport::Request &request, BookFileError *error)
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
        for (const Record &r : m_source.m_globals)
            if (r.type == rtName)
                m_sourceNames.append(r.data);
        for (const Record &r : m_globals) {
            if (r.type != rtName)
                continue;
            const NameInfo n = nameInfo(r.data);
            ++m_targetNameCount;
            if (n.itab == 0 && !m_targetGlobalNames.contains(n.key))
                m_targetGlobalNames.insert(n.key, m_targetNameCount);
        }
        for (int g = 0; g < request.tabs.size(); ++g)
            m_groupPosition.insert(request.tabs[g], g);
    }

    bool run();

private:
    bool fail(const QString &what)
    {
        *m_error = BookFileMessages::unsupported(what);
        return false;
    }
    int newTab(int groupPosition) const { return m_target.sheetCount() + groupPosition; }
    bool carryNamesOfGroup();
    bool carrySheet(int tab, QByteArray *out);
    bool remapFormula(QByteArray &data, qsizetype at, int length);
    bool remapCell(QByteArray &record, quint16 type);
    bool remapStrings(QByteArray &record);
    bool remapValidation(QByteArray &record);
    int mapName(int sourceIndex);
    int mapEntry(int sourceEntry);
    std::pair<int, int> mapExternalName(int sourceEntry, int index);
    int sourceLink();
    bool loadStrings();
    bool commitStrings();
    void commitLinkedCells();
    void commitNames();
    void placeSheets(const QList<QByteArray> &bodies);

    WorkbookStream &m_target;
    const SheetImport::Request &m_request;
    const WorkbookStream &m_source;
    BookFileError *m_error;
    QList<Record> m_globals;
    LinkTable m_links;
    CellFormatMap m_formats;
    DrawingMerge m_drawings;
    QList<LinkTable::Book> m_sourceBooks;
    QList<LinkTable::Entry> m_sourceEntries;
    QList<QByteArray> m_sourceNames;
    QHash<QByteArray, int> m_targetGlobalNames;
    int m_targetNameCount = 0;
    QList<QByteArray> m_newNames;
    QHash<int, int> m_nameMemo, m_entryMemo;
    QHash<int, int> m_groupPosition;
    int m_sourceLink = -2;
    bool m_sourceLinkIsNew = false;
    QHash<int, QList<ExternalCache::Area>> m_linkedCells; // source sheet -> cells referred to
    std::optional<SharedStrings> m_sourceStrings, m_targetStrings;
    QHash<quint32, int> m_stringMemo;
    quint32 m_stringReferences = 0;
    bool m_stringsFailed = false;
};

bool SheetImport::Importer::run()
{
    for (int tab : m_request.tabs) {
        const QString why = SheetImport::refusal(m_source, tab, m_request.sourceHasVba, m_request.targetHasVba);
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
    if (!commitStrings())
        return false;
    commitLinkedCells();
    commitNames();
    m_drawings.insertInto(m_globals);
    m_formats.insertInto(m_globals);
    placeSheets(bodies);
    return true;
}

// The names scoped to the sheets of the group come along, scoped to the
// copies; they are numbered first so that their formulas can refer to each other.
bool SheetImport::Importer::carryNamesOfGroup()
{
    QList<int> carried;
    for (int i = 0; i < m_sourceNames.size(); ++i) {
        const NameInfo n = nameInfo(m_sourceNames[i]);
        if (n.itab > 0 && m_groupPosition.contains(n.itab - 1)) {
            m_nameMemo.insert(i + 1, m_targetNameCount + int(m_newNames.size()) + 1);
            m_newNames.append(QByteArray());
            carried.append(i);
        }
    }
    for (int k = 0; k < carried.size(); ++k) {
        QByteArray copy = m_sourceNames[carried[k]];
        const NameInfo n = nameInfo(copy);
        if (!n.valid || !remapFormula(copy, n.rgceAt, n.cce))
            return fail(QStringLiteral("参照を移せない名前のあるシートを別のブックへ移動またはコピー"));
        put16(copy, 8, quint16(newTab(m_groupPosition.value(n.itab - 1)) + 1));
        m_newNames[m_nameMemo.value(carried[k] + 1) - m_targetNameCount - 1] = copy;
    }
    return true;
}

int SheetImport::Importer::mapName(int sourceIndex)
{
    const auto memo = m_nameMemo.constFind(sourceIndex);
    if (memo != m_nameMemo.constEnd())
        return *memo;
    if (sourceIndex < 1 || sourceIndex > m_sourceNames.size())
        return -1;
    QByteArray copy = m_sourceNames[sourceIndex - 1];
    const NameInfo n = nameInfo(copy);
    if (!n.valid || n.itab != 0)
        return -1; // a name of a sheet outside the group
    // A name the target has already: the target's definition holds, as Excel
    // keeps the destination's version by default.
    const int existing = m_targetGlobalNames.value(n.key, 0);
    if (existing > 0) {
        m_nameMemo.insert(sourceIndex, existing);
        return existing;
    }
    const int index = m_targetNameCount + int(m_newNames.size()) + 1;
    m_nameMemo.insert(sourceIndex, index);
    m_targetGlobalNames.insert(n.key, index);
    m_newNames.append(QByteArray());
    if (!remapFormula(copy, n.rgceAt, n.cce))
        return -1;
    m_newNames[index - m_targetNameCount - 1] = copy;
    return index;
}

// The SUPBOOK for links to the source book's sheets outside the group.
int SheetImport::Importer::sourceLink()
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

int SheetImport::Importer::mapEntry(int sourceEntry)
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

std::pair<int, int> SheetImport::Importer::mapExternalName(int sourceEntry, int index)
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

bool SheetImport::Importer::remapFormula(QByteArray &data, qsizetype at, int length)
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

// Reads both books' shared strings, once.
bool SheetImport::Importer::loadStrings()
{
    if (m_sourceStrings)
        return !m_stringsFailed;
    auto read = [](const QList<Record> &globals, SharedStrings *strings) {
        QList<Record> records;
        for (const Record &r : globals) {
            if (r.type == rtSst)
                records.append(r);
            else if (!records.isEmpty() && r.type == rtContinue)
                records.append(r);
            else if (!records.isEmpty())
                break;
        }
        return records.isEmpty() ? true : strings->read(records);
    };
    m_sourceStrings.emplace();
    m_targetStrings.emplace();
    m_stringsFailed = !read(m_source.m_globals, &*m_sourceStrings) || !read(m_globals, &*m_targetStrings);
    return !m_stringsFailed;
}

bool SheetImport::Importer::remapStrings(QByteArray &record)
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

bool SheetImport::Importer::remapCell(QByteArray &record, quint16 type)
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

bool SheetImport::Importer::remapValidation(QByteArray &record)
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

bool SheetImport::Importer::carrySheet(int tab, QByteArray *out)
{
    const QByteArray &body = m_source.substream(tab);
    const qint64 base = m_source.m_bodies[m_source.m_tabBody[tab]].originalOffset;
    const auto refuse = [this] {
        return fail(QStringLiteral("参照や書式を移せないシートを別のブックへ移動またはコピー"));
    };
    QList<std::pair<qsizetype, qsizetype>> removed;
    QList<qsizetype> indexRecords;
    out->clear();
    out->reserve(body.size());
    const QList<SheetRecord> records = sheetRecords(body);

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
        objects = objects || records[i].type == rtObject || records[i].type == rtTextObject || records[i].type == 0x001C;
    }
    const QList<int> sheetDrawing = drawingRecords.value(0);
    const bool emptyDrawing = drawingRecords.size() == 1 && sheetDrawing.size() == 1 && !objects
        && isEmptyDrawing(body.mid(records[sheetDrawing[0]].offset + 4, records[sheetDrawing[0]].length));
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

    int textRuns = 0; // bytes of font runs the text object being read has
    for (int i = 0; i < records.size(); ++i) {
        const SheetRecord &r = records[i];
        const quint16 t = r.type;
        QByteArray record = body.mid(r.offset, 4 + r.length);
        if (t == rtMsoDrawing && drawingData.contains(i))
            record = record.left(4) + drawingData.value(i);
        if (r.depth == 1) {
            if ((t == rtMsoDrawing && emptyDrawing) || t == rtMsoDrawingSelection || t == rtCodeName) {
                removed.append({r.offset, 4 + r.length});
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
        else if (t == rtIndex && r.depth == 1)
            indexRecords.append(out->size());
        if (!ok)
            return refuse();
        out->append(record);
    }
    // Records after a removed one moved up: so do INDEX pointers to them.
    for (qsizetype at : indexRecords) {
        const quint16 size = u16(*out, at + 2);
        for (qsizetype q = at + 4 + 12; q + 4 <= at + 4 + size; q += 4) {
            const qint64 pointer = u32(*out, q);
            if (pointer == 0)
                continue;
            qint64 shift = 0;
            for (const auto &[offset, bytes] : removed)
                if (offset < pointer - base)
                    shift += bytes;
            put32(*out, q, quint32(pointer - shift));
        }
    }
    return true;
}

bool SheetImport::Importer::commitStrings()
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
void SheetImport::Importer::commitLinkedCells()
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
void SheetImport::Importer::commitNames()
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
void SheetImport::Importer::placeSheets(const QList<QByteArray> &bodies)
{
    const int count = m_target.sheetCount();
    const int added = int(bodies.size());
    int lastEntry = -1;
    for (int i = 0; i < m_globals.size(); ++i)
        if (m_globals[i].type == rtBoundSheet)
            lastEntry = i;
    const QList<int> sourceSlots = m_source.boundSheetSlots();
    for (int g = 0; g < added; ++g) {
        Record entry = m_source.m_globals[sourceSlots[m_request.tabs[g]]];
        entry.data = entry.data.left(6) + writeShortString(m_request.names[g]);
        m_globals.insert(lastEntry + 1 + g, entry);
    }
    for (Record &r : m_globals) {
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
    m_target.m_globals = m_globals;

    int at = int(m_target.m_bodies.size());
    if (!m_target.m_bodies.isEmpty() && !m_target.m_bodies.last().isSheet)
        at = int(m_target.m_bodies.size()) - 1; // trailing bytes stay last
    for (int &b : m_target.m_tabBody)
        if (b >= at)
            ++b;
    for (int g = 0; g < added; ++g) {
        const int tab = m_request.tabs[g];
        const qint64 origin = m_source.m_bodies[m_source.m_tabBody[tab]].originalOffset;
        m_target.m_bodies.insert(at + g, {bodies[g], origin, true, false});
        m_target.m_tabBody.append(at + g);
    }

    QList<int> order;
    const int before = qBound(0, m_request.before, count);
    for (int t = 0; t < count; ++t) {
        if (t == before)
            for (int g = 0; g < added; ++g)
                order.append(count + g);
        order.append(t);
    }
    if (before >= count)
        for (int g = 0; g < added; ++g)
            order.append(count + g);
    m_target.reorderSheets(order);
}

QString SheetImport::refusal(const WorkbookStream &source, int tab, bool sourceHasVba, bool targetHasVba)
{
    const int entryType = source.sheetType(tab);
    if (entryType != kWorksheetEntry && entryType != kChartEntry)
        return QStringLiteral("マクロ シートやダイアログ シート");
    const QByteArray &body = source.substream(tab);
    const quint16 kind = entryType == kChartEntry ? kBofDtChart : kBofDtWorksheet;
    for (const SheetRecord &r : sheetRecords(body)) {
        if (r.depth > 1 && r.type == rtBof && u16(body, r.offset + 4 + 2) != kBofDtChart)
            return QStringLiteral("グラフ以外の埋め込みのあるシート");
        if (r.type == rtObject && !isPlainObject(body.mid(r.offset + 4, r.length)))
            return QStringLiteral("コントロール、OLE オブジェクトやマクロを登録した図形のあるシート");
        if (r.depth > 1)
            continue;
        if (r.type == rtBof && u16(body, r.offset + 4 + 2) != kind)
            return QStringLiteral("マクロ シートやダイアログ シート");
        const QString why = refusedRecord(r.type);
        if (!why.isEmpty())
            return why;
        // The code behind the sheet is not carried into another project.
        if (r.type == rtCodeName && (sourceHasVba || targetHasVba))
            return QStringLiteral("マクロのあるブックのシート");
    }
    return QString();
}

void SheetImport::redirectToTarget(WorkbookStream &source, const QString &sourcePath, const QList<int> &tabs,
                                   const QString &targetPath, const QStringList &targetSheets,
                                   const QList<int> &targetTabs)
{
    QHash<int, int> movedTo;
    for (int i = 0; i < tabs.size() && i < targetTabs.size(); ++i)
        movedTo.insert(tabs[i], targetTabs[i]);
    const QList<LinkTable::Book> books = LinkTable::books(source.m_globals);
    const QList<LinkTable::Entry> entries = LinkTable::entries(source.m_globals);
    // Entries wholly on moved sheets that stay next to each other there.
    QHash<int, std::pair<int, int>> redirected;
    for (int x = 0; x < entries.size(); ++x) {
        const LinkTable::Entry e = entries[x];
        if (e.book >= books.size() || !books[e.book].self || !movedTo.contains(e.first) || !movedTo.contains(e.last))
            continue;
        bool together = movedTo[e.last] - movedTo[e.first] == e.last - e.first;
        for (int t = e.first; together && t <= e.last; ++t)
            together = movedTo.value(t, -1) == movedTo[e.first] + (t - e.first);
        if (together)
            redirected.insert(x, {movedTo[e.first], movedTo[e.last]});
    }
    const QByteArray link = LinkTable::externalBook(targetPath, sourcePath, targetSheets);
    if (redirected.isEmpty() || link.isEmpty())
        return;

    // The cells the source's formulas and names refer to there, for the cache.
    QHash<int, QList<ExternalCache::Area>> cells;
    FormulaTokens::ReferenceMap collect;
    collect.name = [](int i) { return i; };
    collect.sheetEntry = [](int e) { return e; };
    collect.externalName = [](int e, int i) { return std::pair<int, int>(e, i); };
    collect.cells = [&](int e, int r1, int r2, int c1, int c2) {
        if (redirected.contains(e))
            for (int t = entries[e].first; t <= entries[e].last; ++t)
                cells[t].append({r1, r2, c1, c2});
    };
    for (const Record &r : source.m_globals) {
        if (r.type != rtName)
            continue;
        QByteArray d = r.data;
        const NameInfo n = nameInfo(d);
        if (n.valid)
            FormulaTokens::remapReferences(d, n.rgceAt, n.cce, collect);
    }
    for (int t = 0; t < source.sheetCount(); ++t) {
        if (movedTo.contains(t))
            continue;
        for (const SheetRecord &r : sheetRecords(source.substream(t))) {
            QByteArray d = source.substream(t).mid(r.offset + 4, r.length);
            if (r.type == rtFormula && d.size() >= 22)
                FormulaTokens::remapReferences(d, 22, qMin<int>(u16(d, 20), int(d.size()) - 22), collect);
            else if (r.type == rtArray && d.size() >= 14)
                FormulaTokens::remapReferences(d, 14, qMin<int>(u16(d, 12), int(d.size()) - 14), collect);
            else if (r.type == rtSharedFormula && d.size() >= 10)
                FormulaTokens::remapReferences(d, 10, qMin<int>(u16(d, 8), int(d.size()) - 10), collect);
        }
    }

    LinkTable links(source.m_globals, source.sheetCount());
    const int book = links.book(link);
    int externAt = -1;
    for (int i = 0; i < source.m_globals.size() && externAt < 0; ++i)
        if (source.m_globals[i].type == rtExternSheet)
            externAt = i;
    QByteArray &d = source.m_globals[externAt].data;
    for (auto it = redirected.cbegin(); it != redirected.cend(); ++it) {
        put16(d, 2 + 6 * it.key(), quint16(book));
        put16(d, 4 + 6 * it.key(), quint16(it.value().first));
        put16(d, 6 + 6 * it.key(), quint16(it.value().second));
    }
    SharedStrings strings;
    QList<Record> sst;
    for (const Record &r : source.m_globals) {
        if (r.type == rtSst || (!sst.isEmpty() && r.type == rtContinue))
            sst.append(r);
        else if (!sst.isEmpty())
            break;
    }
    if (!sst.isEmpty() && !strings.read(sst))
        return;
    QList<int> cached = cells.keys();
    std::sort(cached.begin(), cached.end());
    QList<Record> cache;
    for (int t : cached)
        cache += ExternalCache::records(movedTo[t], source.substream(t), strings, cells[t]);
    links.appendToBook(book, cache);
}

bool SheetImport::run(WorkbookStream &target, const Request &request, BookFileError *error)
{
    if (!request.source || request.tabs.isEmpty() || request.tabs.size() != request.names.size()) {
        *error = BookFileMessages::noSuchSheet(QString());
        return false;
    }
    // Everything is prepared on a copy; the target changes only when all of it worked.
    WorkbookStream copy = target;
    Importer importer(copy, request, error);
    if (!importer.run())
        return false;
    target = std::move(copy);
    return true;
}

} // namespace quirn
