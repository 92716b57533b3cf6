#include "SheetPart.h"

#include "HeaderFooterText.h"

#include <QXmlStreamReader>

#include <cstring>

namespace quirn {

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
constexpr double kPointsPerInch = 72.0;

bool isTrue(QStringView value)
{
    return value == QLatin1String("1") || value == QLatin1String("true");
}

QString relationshipId(const QXmlStreamAttributes &attributes)
{
    for (const QXmlStreamAttribute &a : attributes)
        if (a.name() == QLatin1String("id") && a.namespaceUri().endsWith(QLatin1String("relationships")))
            return a.value().toString();
    return QString();
}

struct Area
{
    int firstColumn = 0, firstRow = 0, lastColumn = 0, lastRow = 0;
};

void readPageSetup(const QXmlStreamAttributes &a, PageSetupFacts &ps)
{
    auto number = [&](const char *name, int fallback) {
        const QStringView v = a.value(QLatin1String(name));
        bool ok = false;
        const int n = v.toInt(&ok);
        return ok ? n : fallback;
    };
    ps.hasPrinterSettings = !relationshipId(a).isEmpty() || a.hasAttribute(QLatin1String("paperSize"))
        || a.hasAttribute(QLatin1String("orientation"));
    ps.paperSize = number("paperSize", ps.paperSize);
    if (a.value(QLatin1String("orientation")) == QLatin1String("landscape"))
        ps.orientation = 2;
    ps.zoom = number("scale", ps.zoom);
    ps.fitToPagesWide = number("fitToWidth", ps.fitToPagesWide);
    ps.fitToPagesTall = number("fitToHeight", ps.fitToPagesTall);
    if (isTrue(a.value(QLatin1String("useFirstPageNumber"))))
        ps.firstPageNumber = number("firstPageNumber", 1);
    if (a.value(QLatin1String("pageOrder")) == QLatin1String("overThenDown"))
        ps.order = 2;
    ps.blackAndWhite = isTrue(a.value(QLatin1String("blackAndWhite")));
    ps.draft = isTrue(a.value(QLatin1String("draft")));
    const QStringView comments = a.value(QLatin1String("cellComments"));
    ps.printComments = comments == QLatin1String("asDisplayed") ? 16 : comments == QLatin1String("atEnd") ? 1 : -4142;
    const int horizontal = number("horizontalDpi", 0), vertical = number("verticalDpi", 0);
    if (horizontal > 0)
        ps.printQuality = {horizontal, vertical > 0 ? vertical : horizontal};
}

void readMargins(const QXmlStreamAttributes &a, PageSetupFacts &ps)
{
    auto points = [&](const char *name, double fallback) {
        bool ok = false;
        const double inches = a.value(QLatin1String(name)).toDouble(&ok);
        return ok ? inches * kPointsPerInch : fallback;
    };
    ps.leftMargin = points("left", ps.leftMargin);
    ps.rightMargin = points("right", ps.rightMargin);
    ps.topMargin = points("top", ps.topMargin);
    ps.bottomMargin = points("bottom", ps.bottomMargin);
    ps.headerMargin = points("header", ps.headerMargin);
    ps.footerMargin = points("footer", ps.footerMargin);
}

// Where the cells of a sheet part lie: the content of its sheetData
// element, found by its bytes (whatever prefix the part uses).
struct CellData
{
    qsizetype start = -1; // past the start tag
    qsizetype end = -1;   // at the end tag
};

CellData findCellData(const QByteArray &xml)
{
    CellData data;
    const qsizetype name = xml.indexOf("sheetData");
    if (name < 0)
        return data;
    qsizetype open = name;
    while (open > 0 && xml[open - 1] != '<' && xml[open - 1] != '>' && xml[open - 1] != ' ')
        --open;
    if (open == 0 || xml[open - 1] != '<')
        return data;
    const QByteArray qualified = xml.mid(open, name + 9 - open);
    const qsizetype tagEnd = xml.indexOf('>', name);
    if (tagEnd < 0 || xml[tagEnd - 1] == '/')
        return data;
    const qsizetype close = xml.lastIndexOf("</" + qualified + ">");
    if (close < tagEnd)
        return data;
    data.start = tagEnd + 1;
    data.end = close;
    return data;
}

// The value of the attribute " r=" in the start tag from `at` to `end`, or empty.
QByteArrayView placeIn(const char *p, qsizetype at, qsizetype end)
{
    for (qsizetype i = at; i + 4 < end; ++i) {
        if (p[i] != 'r' || p[i + 1] != '=' || (p[i - 1] != ' ' && p[i - 1] != '\t' && p[i - 1] != '\n' && p[i - 1] != '\r'))
            continue;
        const char q = p[i + 2];
        if (q != '"' && q != '\'')
            continue;
        const char *close = static_cast<const char *>(memchr(p + i + 3, q, size_t(end - i - 3)));
        return close ? QByteArrayView(p + i + 3, close - (p + i + 3)) : QByteArrayView();
    }
    return {};
}

// "AB12" as column 28, row 12, straight from the bytes; false when it is no cell reference.
bool parsePlace(QByteArrayView ref, int *column, int *row)
{
    int c = 0, r = 0;
    qsizetype i = 0;
    const qsizetype n = ref.size();
    if (i < n && ref[i] == '$')
        ++i;
    const qsizetype letters = i;
    for (; i < n && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z')); ++i) {
        c = c * 26 + ((ref[i] & ~0x20) - 'A' + 1);
        if (c > kMaxColumns)
            return false;
    }
    if (i == letters)
        return false;
    if (i < n && ref[i] == '$')
        ++i;
    const qsizetype digits = i;
    for (; i < n && ref[i] >= '0' && ref[i] <= '9'; ++i) {
        r = r * 10 + (ref[i] - '0');
        if (r > kMaxRows)
            return false;
    }
    if (i == digits || i != n || r == 0)
        return false;
    *column = c;
    *row = r;
    return true;
}

// Excel's used range from the cells' own tags: rows and cells with or
// without their places written. Only the tags are looked at, not their
// values, and nothing is copied.
void scanCells(const QByteArray &xml, const CellData &data, int *lastRow, int *lastColumn)
{
    int row = 0, column = 0;
    const char *p = xml.constData();
    qsizetype i = data.start;
    while (i < data.end) {
        const char *lt = static_cast<const char *>(memchr(p + i, '<', size_t(data.end - i)));
        if (!lt)
            return;
        i = lt - p;
        qsizetype n = i + 1;
        while (n < data.end && p[n] != ':' && p[n] != ' ' && p[n] != '>' && p[n] != '/')
            ++n;
        const qsizetype local = n < data.end && p[n] == ':' ? n + 1 : i + 1;
        qsizetype e = local;
        while (e < data.end && p[e] != ' ' && p[e] != '>' && p[e] != '/' && p[e] != '\t' && p[e] != '\n' && p[e] != '\r')
            ++e;
        const qsizetype length = e - local;
        const bool isRow = length == 3 && memcmp(p + local, "row", 3) == 0;
        const bool isCell = length == 1 && p[local] == 'c';
        if (!isRow && !isCell) {
            i = e;
            continue;
        }
        const char *gt = static_cast<const char *>(memchr(p + e, '>', size_t(data.end - e)));
        if (!gt)
            return;
        const qsizetype tagEnd = gt - p;
        const QByteArrayView r = placeIn(p, e, tagEnd);
        if (isRow) {
            bool ok = false;
            const int number = r.toInt(&ok);
            row = ok && number > 0 && number <= kMaxRows ? number : qMin(row + 1, kMaxRows);
            column = 0;
        } else {
            int c = 0, rr = 0;
            if (parsePlace(r, &c, &rr)) {
                column = c;
                row = rr;
            } else {
                column = qMin(column + 1, kMaxColumns);
                row = qMax(row, 1);
            }
            *lastRow = qMax(*lastRow, row);
            *lastColumn = qMax(*lastColumn, column);
        }
        i = tagEnd + 1;
    }
}

} // namespace

bool SheetPart::parseCell(QStringView ref, int *column, int *row)
{
    int c = 0, r = 0;
    qsizetype i = 0;
    if (i < ref.size() && ref[i] == QLatin1Char('$'))
        ++i;
    const qsizetype letters = i;
    for (; i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 128; ++i) {
        c = c * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (c > kMaxColumns)
            return false;
    }
    if (i == letters)
        return false;
    if (i < ref.size() && ref[i] == QLatin1Char('$'))
        ++i;
    const qsizetype digits = i;
    for (; i < ref.size() && ref[i].isDigit(); ++i) {
        r = r * 10 + (ref[i].unicode() - '0');
        if (r > kMaxRows)
            return false;
    }
    if (i == digits || i != ref.size() || r == 0)
        return false;
    *column = c;
    *row = r;
    return true;
}

bool SheetPart::read(const QByteArray &bytes, SheetFacts *facts, QString *drawingId, QString *reason)
{
    // The cells are scanned by their tags; the rest of the part is parsed without them.
    int lastRow = 0, lastColumn = 0;
    const CellData data = findCellData(bytes);
    QByteArray rest = bytes;
    if (data.start >= 0) {
        scanCells(bytes, data, &lastRow, &lastColumn);
        rest = bytes.left(data.start) + bytes.mid(data.end);
    }
    QXmlStreamReader xml(rest);
    PageSetupFacts &ps = facts->pageSetup;
    QList<Area> merged;
    int row = 0, column = 0; // the row and cell last seen, for cells that leave their place out
    bool chartSheet = false;
    QString header, footer;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        const QXmlStreamAttributes a = xml.attributes();
        if (name == QLatin1String("c")) {
            int c = 0, r = 0;
            if (SheetPart::parseCell(a.value(QLatin1String("r")), &c, &r)) {
                column = c;
                row = r;
            } else {
                column = qMin(column + 1, kMaxColumns);
                row = qMax(row, 1);
            }
            lastRow = qMax(lastRow, row);
            lastColumn = qMax(lastColumn, column);
        } else if (name == QLatin1String("row")) {
            bool ok = false;
            const int r = a.value(QLatin1String("r")).toInt(&ok);
            row = ok && r > 0 && r <= kMaxRows ? r : qMin(row + 1, kMaxRows);
            column = 0;
        } else if (name == QLatin1String("chartsheet")) {
            chartSheet = true;
        } else if (name == QLatin1String("sheetProtection")) {
            facts->contentsProtected = isTrue(a.value(chartSheet ? QLatin1String("content") : QLatin1String("sheet")));
        } else if (name == QLatin1String("mergeCell")) {
            const QStringView ref = a.value(QLatin1String("ref"));
            const qsizetype colon = ref.indexOf(QLatin1Char(':'));
            Area m;
            if (colon > 0 && parseCell(ref.left(colon), &m.firstColumn, &m.firstRow)
                && parseCell(ref.mid(colon + 1), &m.lastColumn, &m.lastRow))
                merged.append(m);
        } else if (name == QLatin1String("pageSetUpPr")) {
            ps.fitToPage = isTrue(a.value(QLatin1String("fitToPage")));
        } else if (name == QLatin1String("pageMargins")) {
            readMargins(a, ps);
        } else if (name == QLatin1String("pageSetup")) {
            readPageSetup(a, ps);
        } else if (name == QLatin1String("printOptions")) {
            ps.centerHorizontally = isTrue(a.value(QLatin1String("horizontalCentered")));
            ps.centerVertically = isTrue(a.value(QLatin1String("verticalCentered")));
            ps.printGridlines = isTrue(a.value(QLatin1String("gridLines")));
            ps.printHeadings = isTrue(a.value(QLatin1String("headings")));
        } else if (name == QLatin1String("oddHeader")) {
            header = xml.readElementText();
        } else if (name == QLatin1String("oddFooter")) {
            footer = xml.readElementText();
        } else if (name == QLatin1String("rowBreaks") || name == QLatin1String("colBreaks")) {
            QList<int> &breaks = name == QLatin1String("rowBreaks") ? facts->rowBreaks : facts->columnBreaks;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("brk"))
                    breaks.append(xml.attributes().value(QLatin1String("id")).toInt());
                xml.skipCurrentElement();
            }
        } else if (name == QLatin1String("drawing")) {
            *drawingId = relationshipId(a);
        }
    }
    if (xml.hasError()) {
        *reason = QStringLiteral("sheet: %1").arg(xml.errorString());
        return false;
    }
    const HeaderFooterText h = HeaderFooterText::split(header), f = HeaderFooterText::split(footer);
    ps.leftHeader = h.left;
    ps.centerHeader = h.center;
    ps.rightHeader = h.right;
    ps.leftFooter = f.left;
    ps.centerFooter = f.center;
    ps.rightFooter = f.right;
    if (!chartSheet) {
        // Excel's last cell: the end of the used range (A1 when empty),
        // widened to the merged area it lies in.
        facts->lastRow = qMax(lastRow, 1);
        facts->lastColumn = qMax(lastColumn, 1);
        for (const Area &m : merged) {
            if (facts->lastRow >= m.firstRow && facts->lastRow <= m.lastRow && facts->lastColumn >= m.firstColumn
                && facts->lastColumn <= m.lastColumn) {
                facts->lastRow = m.lastRow;
                facts->lastColumn = m.lastColumn;
                break;
            }
        }
    }
    return true;
}

} // namespace quirn
