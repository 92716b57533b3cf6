#include "FormulaTokens.h"

#include "BiffRecord.h"

#include <QRegularExpression>

#include <utility>

namespace quirn::biff {

namespace {

// A token type without its class bits (reference, value, array).
quint8 baseType(quint8 t)
{
    return t >= 0x20 ? quint8((t & 0x1F) | 0x20) : t;
}

constexpr int kLastRow = 0xFFFF;
constexpr int kLastColumn = 0xFF;

// Size of a token's data after its type byte; -1 when unknown.
int tokenDataSize(const QByteArray &f, qsizetype p, qsizetype end)
{
    const quint8 t = quint8(f.at(p));
    if (t >= 0x03 && t <= 0x16)
        return 0;
    switch (t) {
    case 0x01: case 0x02: return 4;          // exp, tbl
    case 0x17:                               // str
        if (p + 2 >= end) return -1;
        return 2 + (quint8(f.at(p + 1)) * ((quint8(f.at(p + 2)) & 1) ? 2 : 1));
    case 0x19: {                             // attr
        if (p + 3 >= end) return -1;
        const quint8 grbit = quint8(f.at(p + 1));
        const int w = u16(f, p + 2);
        return 3 + ((grbit & 0x04) ? 2 * (w + 1) : 0);
    }
    case 0x1C: case 0x1D: return 1;
    case 0x1E: return 2;
    case 0x1F: return 8;
    default: break;
    }
    switch (baseType(t)) {
    case 0x20: return 7;                     // array (values follow the formula)
    case 0x21: return 2;                     // func
    case 0x22: return 3;                     // funcvar
    case 0x23: return 4;                     // name
    case 0x24: return 4;                     // ref
    case 0x25: return 8;                     // area
    case 0x26: case 0x27: case 0x28: return 6; // memarea, memerr, memnomem
    case 0x29: return 2;                     // memfunc
    case 0x2A: return 4;                     // referr
    case 0x2B: return 8;                     // areaerr
    case 0x2C: return 4;                     // refn
    case 0x2D: return 8;                     // arean
    case 0x39: return 6;                     // namex
    case 0x3A: return 6;                     // ref3d
    case 0x3B: return 10;                    // area3d
    case 0x3C: return 6;                     // referr3d
    case 0x3D: return 10;                    // areaerr3d
    default: return -1;
    }
}

QString columnLetters(int column)
{
    QString s;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        s.prepend(QChar(u'A' + (c - 1) % 26));
    return s;
}

QString areaText(int r1, int r2, int c1, int c2)
{
    if (r1 == 0 && r2 >= kLastRow)
        return QStringLiteral("$%1:$%2").arg(columnLetters(c1), columnLetters(c2));
    if (c1 == 0 && c2 >= kLastColumn)
        return QStringLiteral("$%1:$%2").arg(r1 + 1).arg(r2 + 1);
    const QString a = QStringLiteral("$%1$%2").arg(columnLetters(c1)).arg(r1 + 1);
    if (r1 == r2 && c1 == c2)
        return a;
    return a + QStringLiteral(":$%1$%2").arg(columnLetters(c2)).arg(r2 + 1);
}

} // namespace

bool FormulaTokens::renumberNames(QByteArray &data, qsizetype offset, int length, const QList<int> &newIndex)
{
    const qsizetype end = offset + length;
    if (offset < 0 || end > data.size())
        return false;
    QList<qsizetype> nameTokens;
    for (qsizetype p = offset; p < end;) {
        const int size = tokenDataSize(data, p, end);
        if (size < 0 || p + 1 + size > end)
            return false;
        if (baseType(quint8(data.at(p))) == 0x23) {
            const int index = u16(data, p + 1);
            if (index < 1 || index > newIndex.size() || newIndex.at(index - 1) == 0)
                return false;
            nameTokens.append(p + 1);
        }
        p += 1 + size;
    }
    for (qsizetype at : nameTokens)
        put16(data, at, quint16(newIndex.at(u16(data, at) - 1)));
    return true;
}

bool FormulaTokens::replaceSheetEntry(QByteArray &data, qsizetype offset, int length, int from, int to)
{
    const qsizetype end = offset + length;
    if (offset < 0 || end > data.size())
        return false;
    QList<qsizetype> entries;
    for (qsizetype p = offset; p < end;) {
        const int size = tokenDataSize(data, p, end);
        if (size < 0 || p + 1 + size > end)
            return false;
        const quint8 t = baseType(quint8(data.at(p)));
        if (t >= 0x3A && t <= 0x3D && u16(data, p + 1) == from)
            entries.append(p + 1);
        p += 1 + size;
    }
    for (qsizetype at : entries)
        put16(data, at, quint16(to));
    return true;
}

bool FormulaTokens::remapReferences(QByteArray &data, qsizetype offset, int length, const ReferenceMap &map)
{
    const qsizetype end = offset + length;
    if (offset < 0 || end > data.size())
        return false;
    QList<std::pair<qsizetype, quint16>> edits;
    for (qsizetype p = offset; p < end;) {
        const int size = tokenDataSize(data, p, end);
        if (size < 0 || p + 1 + size > end)
            return false;
        const quint8 t = baseType(quint8(data.at(p)));
        if (t == 0x23) {
            const int to = map.name ? map.name(u16(data, p + 1)) : -1;
            if (to < 1 || to > 0xFFFF)
                return false;
            edits.append({p + 1, quint16(to)});
        } else if (t >= 0x3A && t <= 0x3D) {
            if (map.cells && t == 0x3A)
                map.cells(u16(data, p + 1), u16(data, p + 3), u16(data, p + 3), u16(data, p + 5) & 0x00FF,
                          u16(data, p + 5) & 0x00FF);
            else if (map.cells && t == 0x3B)
                map.cells(u16(data, p + 1), u16(data, p + 3), u16(data, p + 5), u16(data, p + 7) & 0x00FF,
                          u16(data, p + 9) & 0x00FF);
            const int to = map.sheetEntry ? map.sheetEntry(u16(data, p + 1)) : -1;
            if (to < 0 || to > 0xFFFF)
                return false;
            edits.append({p + 1, quint16(to)});
        } else if (t == 0x39) {
            const auto [entry, index] = map.externalName ? map.externalName(u16(data, p + 1), u16(data, p + 3))
                                                         : std::pair<int, int>(-1, -1);
            if (entry < 0 || entry > 0xFFFF || index < 1 || index > 0xFFFF)
                return false;
            edits.append({p + 1, quint16(entry)});
            edits.append({p + 3, quint16(index)});
        }
        p += 1 + size;
    }
    for (const auto &[at, value] : edits)
        put16(data, at, value);
    return true;
}

QStringList FormulaTokens::areasAsText(const QByteArray &f)
{
    QStringList out;
    for (qsizetype p = 0; p < f.size();) {
        const quint8 t = quint8(f.at(p));
        const int size = tokenDataSize(f, p, f.size());
        if (size < 0 || p + 1 + size > f.size())
            return {};
        switch (baseType(t)) {
        case 0x3B:
            out.append(areaText(u16(f, p + 3), u16(f, p + 5), u16(f, p + 7) & 0x3FFF, u16(f, p + 9) & 0x3FFF));
            break;
        case 0x3A: {
            const int r = u16(f, p + 3), c = u16(f, p + 5) & 0x3FFF;
            out.append(areaText(r, r, c, c));
            break;
        }
        case 0x29: // memfunc: the areas follow
            break;
        default:
            // The union of the areas, and the parentheses around it that
            // some writers keep for display.
            if (t != 0x10 && t != 0x15)
                return {};
        }
        p += 1 + size;
    }
    return out;
}

bool FormulaTokens::parseAreas(const QString &text, QList<Area> *areas)
{
    static const QRegularExpression cell(
        QStringLiteral("^\\$?([A-Z]{0,3})\\$?([0-9]{0,5})(?::\\$?([A-Z]{0,3})\\$?([0-9]{0,5}))?$"),
        QRegularExpression::CaseInsensitiveOption);
    areas->clear();
    for (QString part : text.split(QLatin1Char(','))) {
        part = part.trimmed();
        const qsizetype bang = part.lastIndexOf(QLatin1Char('!'));
        if (bang >= 0)
            part = part.mid(bang + 1);
        const auto m = cell.match(part);
        if (!m.hasMatch() || part.isEmpty())
            return false;
        auto column = [](const QString &letters) {
            int c = 0;
            for (QChar ch : letters)
                c = c * 26 + (ch.toUpper().unicode() - u'A' + 1);
            return c - 1;
        };
        const QString c1 = m.captured(1), r1 = m.captured(2);
        const QString c2 = m.hasCaptured(3) || m.hasCaptured(4) ? m.captured(3) : c1;
        const QString r2 = m.hasCaptured(3) || m.hasCaptured(4) ? m.captured(4) : r1;
        Area a;
        if (c1.isEmpty() != c2.isEmpty() || r1.isEmpty() != r2.isEmpty() || (c1.isEmpty() && r1.isEmpty()))
            return false;
        a.firstColumn = c1.isEmpty() ? 0 : column(c1);
        a.lastColumn = c2.isEmpty() ? kLastColumn : column(c2);
        a.firstRow = r1.isEmpty() ? 0 : r1.toInt() - 1;
        a.lastRow = r2.isEmpty() ? kLastRow : r2.toInt() - 1;
        if (a.firstRow > a.lastRow)
            std::swap(a.firstRow, a.lastRow);
        if (a.firstColumn > a.lastColumn)
            std::swap(a.firstColumn, a.lastColumn);
        if (a.firstRow < 0 || a.lastRow > kLastRow || a.firstColumn < 0 || a.lastColumn > kLastColumn)
            return false;
        areas->append(a);
    }
    return !areas->isEmpty();
}

QByteArray FormulaTokens::areasFormula(const QList<Area> &areas, int ixti)
{
    QByteArray body;
    for (int i = 0; i < areas.size(); ++i) {
        const Area &a = areas[i];
        body += char(0x3B); // area3d, reference class
        body += le16(quint16(ixti)) + le16(quint16(a.firstRow)) + le16(quint16(a.lastRow))
              + le16(quint16(a.firstColumn)) + le16(quint16(a.lastColumn));
        if (i > 0)
            body += char(0x10); // union
    }
    if (areas.size() < 2)
        return body;
    return char(0x29) + le16(quint16(body.size())) + body; // memfunc around the union
}

} // namespace quirn::biff
