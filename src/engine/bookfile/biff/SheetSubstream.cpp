#include "SheetSubstream.h"

#include "BiffRecord.h"
#include "BiffText.h"
#include "HeaderFooterText.h"
#include "RecordCursor.h"

#include <QHash>
#include <QVector>

#include <cmath>

namespace quirn {

using namespace biff;

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr quint16 rtDConRef = 0x0051;
constexpr quint32 kMaxRows = 65536;
constexpr quint16 kMaxColumns = 256;
constexpr quint16 kDefaultResolution = 600; // dpi, for printer settings made here

struct Located
{
    qsizetype offset;
    int depth;
    Record record;
};

// Every record of the substream with its nesting depth (1 = the sheet itself).
QVector<Located> locate(const QByteArray &bytes)
{
    QVector<Located> out;
    RecordCursor cursor(bytes);
    while (cursor.next()) {
        const SubstreamRecord &r = cursor.record();
        out.append({r.offset, r.depth, {r.type, bytes.mid(r.dataAt(), r.length)}});
    }
    return out;
}

QList<int> readBreaks(const QByteArray &d)
{
    QList<int> out;
    const int n = u16(d, 0);
    for (int i = 0; i < n && 2 + 6 * i + 6 <= d.size(); ++i)
        out.append(u16(d, 2 + 6 * i));
    return out;
}

double inchesToPoints(double inches)
{
    return std::round(inches * kPointsPerInch * 10000.0) / 10000.0;
}

void applySetupRecord(const QByteArray &d, PageSetupFacts *ps)
{
    if (d.size() < 34)
        return;
    const quint16 grbit = u16(d, 10);
    ps->hasPrinterSettings = !(grbit & 0x04);
    if (ps->hasPrinterSettings) {
        ps->paperSize = u16(d, 0);
        ps->zoom = u16(d, 2);
        ps->orientation = (grbit & 0x40) || (grbit & 0x02) ? 1 : 2;
        ps->printQuality = {u16(d, 12), u16(d, 14)};
    }
    ps->fitToPagesWide = u16(d, 6);
    ps->fitToPagesTall = u16(d, 8);
    ps->order = (grbit & 0x01) ? 2 : 1;
    ps->blackAndWhite = grbit & 0x08;
    ps->draft = grbit & 0x10;
    ps->printComments = !(grbit & 0x20) ? -4142 : (grbit & 0x200) ? 1 : 16;
    ps->firstPageNumber = (grbit & 0x80) ? qint16(u16(d, 4)) : -4105;
    ps->headerMargin = inchesToPoints(f64(d, 16));
    ps->footerMargin = inchesToPoints(f64(d, 24));
}

SheetKind kindOf(int boundSheetType, int bofType, bool dialogFlag)
{
    switch (boundSheetType) {
    case 0:
        if (bofType == kBofDtMacroSheet)
            return SheetKind::MacroSheet;
        return dialogFlag ? SheetKind::DialogSheet : SheetKind::Worksheet;
    case 1:
        return SheetKind::MacroSheet;
    case 2:
        return SheetKind::Chart;
    default:
        return SheetKind::Other;
    }
}

bool isFactRecord(quint16 type)
{
    switch (type) {
    case rtProtect: case rtWsBool: case rtDimensions: case rtMergedCells:
    case rtHorizontalPageBreaks: case rtVerticalPageBreaks: case rtSetup:
    case rtLeftMargin: case rtRightMargin: case rtTopMargin: case rtBottomMargin:
    case rtHeader: case rtFooter: case rtHCenter: case rtVCenter:
    case rtPrintGridlines: case rtPrintHeaders:
        return true;
    default:
        return false;
    }
}

struct MergedArea
{
    int firstRow, lastRow, firstCol, lastCol;
};

} // namespace

SheetFacts SheetSubstream::facts(int boundSheetType) const
{
    SheetFacts f;
    PageSetupFacts &ps = f.pageSetup;
    int bofType = 0;
    bool dialogFlag = false;
    bool haveDimensions = false;
    quint32 lastRowPlusOne = 0;
    quint16 lastColPlusOne = 0;
    QList<MergedArea> merged;

    qsizetype pos = 0;
    int depth = 0;
    quint16 type = 0, length = 0;
    while (recordAt(m_bytes, pos, &type, &length) && pos + 4 + length <= m_bytes.size()) {
        const qsizetype at = pos + 4;
        pos += 4 + length;
        if (type == rtBof) {
            if (++depth == 1)
                bofType = u16(m_bytes, at + 2);
            else if (u16(m_bytes, at + 2) == kBofDtChart)
                ++f.embeddedCharts;
            continue;
        }
        if (type == rtEof) {
            if (--depth <= 0)
                break;
            continue;
        }
        if (depth != 1)
            continue;
        if (type == rtFormula) {
            // A text result: the value's first byte 0 and its last two 0xFFFF.
            f.hasTextFormulaResults |= length >= 14 && quint8(m_bytes.at(at + 6)) == 0
                                       && u16(m_bytes, at + 12) == 0xFFFF;
            continue;
        }
        if (type == rtObj) {
            // The common object data comes first; object type 6 is a text box.
            f.hasTextBoxes |= length >= 6 && u16(m_bytes, at) == 0x0015 && u16(m_bytes, at + 4) == 0x0006;
            continue;
        }
        if (!isFactRecord(type))
            continue;
        const QByteArray d = m_bytes.mid(at, length);
        switch (type) {
        case rtProtect:
            f.contentsProtected = u16(d, 0) != 0;
            break;
        case rtWsBool:
            dialogFlag = u16(d, 0) & 0x0010;
            ps.fitToPage = u16(d, 0) & 0x0100;
            break;
        case rtDimensions:
            if (d.size() >= 12) {
                haveDimensions = true;
                lastRowPlusOne = u32(d, 4);
                lastColPlusOne = u16(d, 10);
            }
            break;
        case rtMergedCells:
            for (int i = 0, n = u16(d, 0); i < n && 2 + 8 * i + 8 <= d.size(); ++i) {
                const int o = 2 + 8 * i;
                merged.append({u16(d, o), u16(d, o + 2), u16(d, o + 4), u16(d, o + 6)});
            }
            break;
        case rtHorizontalPageBreaks:
            f.rowBreaks = readBreaks(d);
            break;
        case rtVerticalPageBreaks:
            f.columnBreaks = readBreaks(d);
            break;
        case rtSetup:
            applySetupRecord(d, &ps);
            break;
        case rtLeftMargin:
            ps.leftMargin = inchesToPoints(f64(d, 0));
            break;
        case rtRightMargin:
            ps.rightMargin = inchesToPoints(f64(d, 0));
            break;
        case rtTopMargin:
            ps.topMargin = inchesToPoints(f64(d, 0));
            break;
        case rtBottomMargin:
            ps.bottomMargin = inchesToPoints(f64(d, 0));
            break;
        case rtHeader: {
            const auto h = HeaderFooterText::split(d.isEmpty() ? QString() : readString(d, 0));
            ps.leftHeader = h.left;
            ps.centerHeader = h.center;
            ps.rightHeader = h.right;
            break;
        }
        case rtFooter: {
            const auto h = HeaderFooterText::split(d.isEmpty() ? QString() : readString(d, 0));
            ps.leftFooter = h.left;
            ps.centerFooter = h.center;
            ps.rightFooter = h.right;
            break;
        }
        case rtHCenter:
            ps.centerHorizontally = u16(d, 0) != 0;
            break;
        case rtVCenter:
            ps.centerVertically = u16(d, 0) != 0;
            break;
        case rtPrintGridlines:
            ps.printGridlines = u16(d, 0) != 0;
            break;
        case rtPrintHeaders:
            ps.printHeadings = u16(d, 0) != 0;
            break;
        default:
            break;
        }
    }

    f.kind = kindOf(boundSheetType, bofType, dialogFlag);
    if (f.kind != SheetKind::Chart) {
        // Excel's last cell: the end of the saved used range (A1 when empty),
        // widened to the merged area it lies in.
        f.lastRow = haveDimensions ? int(qBound<quint32>(1, lastRowPlusOne, kMaxRows)) : 1;
        f.lastColumn = haveDimensions ? int(qBound<quint16>(1, lastColPlusOne, kMaxColumns)) : 1;
        for (const MergedArea &m : merged) {
            const int r = f.lastRow - 1, c = f.lastColumn - 1;
            if (r >= m.firstRow && r <= m.lastRow && c >= m.firstCol && c <= m.lastCol) {
                f.lastRow = qMin(m.lastRow + 1, int(kMaxRows));
                f.lastColumn = qMin(m.lastCol + 1, int(kMaxColumns));
                break;
            }
        }
    }
    return f;
}

namespace {

double pointsToInches(double points)
{
    return points / kPointsPerInch;
}

QByteArray flagRecord(bool on)
{
    return le16(on ? 1 : 0);
}

QByteArray headerFooterData(const QString &left, const QString &center, const QString &right)
{
    const QString text = HeaderFooterText{left, center, right}.join();
    return text.isEmpty() ? QByteArray() : writeString(text);
}

QByteArray setupData(const QByteArray &old, const PageSetupFacts &ps)
{
    QByteArray d = old.size() >= 34 ? old : QByteArray(34, '\0');
    quint16 grbit = u16(d, 10);
    if (old.size() < 34)
        grbit = 0x04; // no printer settings until the setup says otherwise
    auto setBit = [&grbit](quint16 bit, bool on) { grbit = on ? (grbit | bit) : (grbit & ~bit); };
    if (ps.hasPrinterSettings) {
        setBit(0x04, false);
        setBit(0x40, false);
        put16(d, 0, quint16(ps.paperSize));
        put16(d, 2, quint16(ps.zoom));
        setBit(0x02, ps.orientation != 2);
        if (ps.printQuality.size() >= 1)
            put16(d, 12, quint16(ps.printQuality.at(0)));
        if (ps.printQuality.size() >= 2)
            put16(d, 14, quint16(ps.printQuality.at(1)));
        for (qsizetype o : {12, 14})
            if (u16(d, o) == 0)
                put16(d, o, kDefaultResolution);
        if (u16(d, 32) == 0)
            put16(d, 32, 1);
    }
    put16(d, 6, quint16(ps.fitToPagesWide));
    put16(d, 8, quint16(ps.fitToPagesTall));
    setBit(0x01, ps.order == 2);
    setBit(0x08, ps.blackAndWhite);
    setBit(0x10, ps.draft);
    setBit(0x20, ps.printComments != -4142);
    setBit(0x200, ps.printComments == 1);
    const bool usePage = ps.firstPageNumber != -4105;
    setBit(0x80, usePage);
    if (usePage)
        put16(d, 4, quint16(qint16(ps.firstPageNumber)));
    put16(d, 10, grbit);
    putF64(d, 16, pointsToInches(ps.headerMargin));
    putF64(d, 24, pointsToInches(ps.footerMargin));
    return d;
}

// Page setup records in the order Excel writes them.
const quint16 kPageSetupOrder[] = {rtPrintHeaders, rtPrintGridlines, rtWsBool, rtHeader, rtFooter,
                                   rtHCenter, rtVCenter, rtLeftMargin, rtRightMargin,
                                   rtTopMargin, rtBottomMargin, rtSetup};

// The substream from its records (with `insertAfter` records added after
// the record at each index) and whatever bytes followed them; INDEX pointers
// follow the records they point at.
QByteArray rebuild(const QVector<Located> &recs, const QHash<int, QList<Record>> &insertAfter,
                   const QByteArray &original, qint64 base)
{
    QByteArray out;
    QHash<qint64, qint64> moved; // old offset -> new offset
    QList<qsizetype> indexRecords;
    for (int i = 0; i < recs.size(); ++i) {
        moved.insert(recs[i].offset, out.size());
        if (recs[i].depth == 1 && recs[i].record.type == rtIndex)
            indexRecords.append(out.size());
        out += serialize(recs[i].record);
        for (const Record &r : insertAfter.value(i))
            out += serialize(r);
    }
    out += original.mid(recs.isEmpty() ? 0 : recs.last().offset + 4 + recs.last().record.data.size());
    for (qsizetype pos : indexRecords) {
        const quint16 length = u16(out, pos + 2);
        for (qsizetype q = pos + 4 + 12; q + 4 <= pos + 4 + length; q += 4) {
            const qint64 old = qint64(u32(out, q));
            if (old == 0)
                continue;
            const auto it = moved.constFind(old - base);
            if (it != moved.constEnd())
                put32(out, q, quint32(base + it.value()));
        }
    }
    return out;
}

// Where page setup records go in a sheet that has none: in front of the
// protection, column and cell records (or the chart's own records).
int fallbackAnchor(const QVector<Located> &recs)
{
    static const QList<quint16> following = {0x0012, 0x0013, 0x0063, 0x00DD, 0x0055, 0x007D, 0x0200,
                                             0x0208, 0x023E, 0x0033, 0x1001, 0x1002};
    for (int i = 1; i < recs.size(); ++i)
        if (recs[i].depth == 1 && following.contains(recs[i].record.type))
            return i - 1;
    return 0; // right after the BOF
}

} // namespace

QByteArray SheetSubstream::withPageSetup(const PageSetupFacts &ps, qint64 base) const
{
    QVector<Located> recs = locate(m_bytes);
    QHash<quint16, int> at; // depth-1 page setup record -> index
    for (int i = 0; i < recs.size(); ++i)
        if (recs[i].depth == 1 && !at.contains(recs[i].record.type))
            at.insert(recs[i].record.type, i);

    QHash<quint16, QByteArray> wanted;
    const bool chart = !recs.isEmpty() && u16(recs.first().record.data, 2) == kBofDtChart;
    if (!chart || at.contains(rtPrintHeaders))
        wanted[rtPrintHeaders] = flagRecord(ps.printHeadings);
    if (!chart || at.contains(rtPrintGridlines))
        wanted[rtPrintGridlines] = flagRecord(ps.printGridlines);
    if (at.contains(rtWsBool)) {
        QByteArray w = recs[at[rtWsBool]].record.data;
        put16(w, 0, ps.fitToPage ? (u16(w, 0) | 0x0100) : (u16(w, 0) & ~0x0100));
        wanted[rtWsBool] = w;
    }
    wanted[rtHeader] = headerFooterData(ps.leftHeader, ps.centerHeader, ps.rightHeader);
    wanted[rtFooter] = headerFooterData(ps.leftFooter, ps.centerFooter, ps.rightFooter);
    wanted[rtHCenter] = flagRecord(ps.centerHorizontally);
    wanted[rtVCenter] = flagRecord(ps.centerVertically);
    wanted[rtLeftMargin] = leF64(pointsToInches(ps.leftMargin));
    wanted[rtRightMargin] = leF64(pointsToInches(ps.rightMargin));
    wanted[rtTopMargin] = leF64(pointsToInches(ps.topMargin));
    wanted[rtBottomMargin] = leF64(pointsToInches(ps.bottomMargin));
    wanted[rtSetup] = setupData(at.contains(rtSetup) ? recs[at[rtSetup]].record.data : QByteArray(), ps);

    // Replace present records; insert missing ones after the nearest earlier
    // one of the order (or before the first later one).
    QHash<int, QList<Record>> insertAfter; // record index -> records to insert after it
    for (int k = 0; k < int(std::size(kPageSetupOrder)); ++k) {
        const quint16 type = kPageSetupOrder[k];
        if (!wanted.contains(type))
            continue;
        if (at.contains(type)) {
            recs[at[type]].record.data = wanted[type];
            continue;
        }
        int anchor = -1;
        for (int j = k - 1; j >= 0 && anchor < 0; --j)
            if (at.contains(kPageSetupOrder[j]))
                anchor = at[kPageSetupOrder[j]];
        if (anchor < 0) {
            for (int j = k + 1; j < int(std::size(kPageSetupOrder)) && anchor < 0; ++j)
                if (at.contains(kPageSetupOrder[j]))
                    anchor = at[kPageSetupOrder[j]] - 1;
        }
        if (anchor < 0)
            anchor = fallbackAnchor(recs);
        insertAfter[anchor].append({type, wanted[type]});
        at.insert(type, anchor); // later missing records follow this one
    }

    return rebuild(recs, insertAfter, m_bytes, base);
}

bool SheetSubstream::renamePivotSourceSheet(QByteArray &d, const QString &oldName, const QString &newName)
{
    if (d.size() < 9)
        return false;
    // The source's "file": character 2 and a sheet name of this book.
    const int count = u16(d, 6);
    const bool wide = quint8(d.at(8)) & 1;
    const qsizetype end = 9 + qsizetype(count) * (wide ? 2 : 1);
    if (count < 1 || end > d.size())
        return false;
    QString file;
    for (int i = 0; i < count; ++i)
        file += wide ? QChar(u16(d, 9 + 2 * i)) : QChar(quint8(d.at(9 + i)));
    if (file.at(0) != QChar(0x02) || file.mid(1).compare(oldName, Qt::CaseInsensitive) != 0)
        return false;
    d = d.left(6) + writeString(QChar(0x02) + newName) + d.mid(end);
    return true;
}

QByteArray SheetSubstream::withPivotSourceRenamed(const QString &oldName, const QString &newName, qint64 base) const
{
    bool hasSource = false;
    quint16 type = 0, length = 0;
    for (qsizetype pos = 0; !hasSource && recordAt(m_bytes, pos, &type, &length); pos += 4 + length)
        hasSource = type == rtDConRef;
    if (!hasSource)
        return m_bytes;
    QVector<Located> recs = locate(m_bytes);
    bool changed = false;
    for (Located &l : recs)
        if (l.record.type == rtDConRef)
            changed = renamePivotSourceSheet(l.record.data, oldName, newName) || changed;
    return changed ? rebuild(recs, {}, m_bytes, base) : m_bytes;
}

} // namespace quirn
