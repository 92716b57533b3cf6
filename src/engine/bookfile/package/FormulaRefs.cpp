#include "FormulaRefs.h"

#include <QRegularExpression>

namespace quirn {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.');
}

// What may stand bare before "!": no character needing quotes, no leading
// digit, nothing a reference or a value could be taken for.
bool needsQuotes(const QString &name)
{
    if (name.isEmpty() || name[0].isDigit() || name[0] == QLatin1Char('.'))
        return true;
    for (QChar c : name)
        if (!isNameChar(c))
            return true;
    static const QRegularExpression cellLike(QStringLiteral("^([A-Za-z]{1,3}[0-9]+|[Rr][0-9]*([Cc][0-9]*)?|[Cc][0-9]*|TRUE|FALSE)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return cellLike.match(name).hasMatch();
}

bool same(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0 || a.toCaseFolded() == b.toCaseFolded();
}

// "First:Last" or "Name" as a reference writes it.
QString quotedSheets(const QString &first, const QString &last)
{
    if (last.isEmpty())
        return FormulaRefs::quoted(first);
    if (!needsQuotes(first) && !needsQuotes(last))
        return first + QLatin1Char(':') + last;
    QString both = first + QLatin1Char(':') + last;
    return QLatin1Char('\'') + both.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

// "First:Last" or "Name" handed to `map`.
QString mappedSheets(const QString &sheets, const FormulaRefs::SheetMap &map)
{
    const qsizetype colon = sheets.indexOf(QLatin1Char(':'));
    return colon < 0 ? map(sheets, QString()) : map(sheets.left(colon), sheets.mid(colon + 1));
}

} // namespace

QString FormulaRefs::quoted(const QString &name)
{
    if (!needsQuotes(name))
        return name;
    QString doubled = name;
    return QLatin1Char('\'') + doubled.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

QString FormulaRefs::renameSheet(const QString &formula, const QString &oldName, const QString &newName)
{
    return mapSheets(formula, [&](const QString &first, const QString &last) {
        const bool firstMatches = same(first, oldName), lastMatches = !last.isEmpty() && same(last, oldName);
        if (!firstMatches && !lastMatches)
            return QString();
        return last.isEmpty() ? quoted(newName)
                              : quotedSheets(firstMatches ? newName : first, lastMatches ? newName : last);
    });
}

QString FormulaRefs::deleteSheets(const QString &formula, const QStringList &order, const QSet<QString> &gone)
{
    static const QString kRef = QStringLiteral("#REF");
    return mapSheets(formula, [&](const QString &first, const QString &last) {
        if (last.isEmpty())
            return gone.contains(first.toCaseFolded()) ? kRef : QString();
        if (!gone.contains(first.toCaseFolded()) && !gone.contains(last.toCaseFolded()))
            return QString();
        qsizetype from = -1, to = -1;
        for (qsizetype i = 0; i < order.size(); ++i) {
            if (same(order[i], first))
                from = i;
            if (same(order[i], last))
                to = i;
        }
        if (from < 0 || to < 0)
            return kRef;
        // Each end moves inwards past the deleted sheets.
        const qsizetype step = from <= to ? 1 : -1;
        while (gone.contains(order[from].toCaseFolded()) && from != to)
            from += step;
        while (gone.contains(order[to].toCaseFolded()) && to != from)
            to -= step;
        if (gone.contains(order[from].toCaseFolded()))
            return kRef;
        return quotedSheets(order[from], from == to ? QString() : order[to]);
    });
}

QString FormulaRefs::renameTable(const QString &formula, const QString &oldName, const QString &newName)
{
    QString out;
    const qsizetype n = formula.size();
    qsizetype i = 0;
    int depth = 0; // inside a structured reference's brackets
    while (i < n) {
        const QChar c = formula[i];
        if (c == QLatin1Char('"') && depth == 0) {
            qsizetype j = i + 1;
            while (j < n && !(formula[j] == QLatin1Char('"') && (j + 1 >= n || formula[j + 1] != QLatin1Char('"'))))
                j += formula[j] == QLatin1Char('"') ? 2 : 1;
            out += QStringView(formula).sliced(i, qMin(j + 1, n) - i);
            i = j + 1;
            continue;
        }
        if (c == QLatin1Char('\'') && depth > 0 && i + 1 < n) {
            out += QStringView(formula).sliced(i, 2); // an escaped character of a column name
            i += 2;
            continue;
        }
        if (c == QLatin1Char('[') || c == QLatin1Char(']')) {
            depth += c == QLatin1Char('[') ? 1 : -1;
            out += c;
            ++i;
            continue;
        }
        if (depth == 0 && isNameChar(c) && (i == 0 || !isNameChar(formula[i - 1]))) {
            qsizetype j = i;
            while (j < n && isNameChar(formula[j]))
                ++j;
            const bool table = j < n && formula[j] == QLatin1Char('[') && same(formula.sliced(i, j - i), oldName)
                && (i == 0 || formula[i - 1] != QLatin1Char('!'));
            out += table ? QStringView(newName) : QStringView(formula).sliced(i, j - i);
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

QString FormulaRefs::mapSheets(const QString &formula, const SheetMap &map)
{
    QString out;
    out.reserve(formula.size() + 16);
    const qsizetype n = formula.size();
    bool afterBracket = false; // a "[...]" just before: another book's index or a table's columns
    qsizetype i = 0;
    while (i < n) {
        const QChar c = formula[i];
        if (c == QLatin1Char('"')) {
            // A string literal, with "" inside.
            qsizetype j = i + 1;
            while (j < n && !(formula[j] == QLatin1Char('"') && (j + 1 >= n || formula[j + 1] != QLatin1Char('"'))))
                j += formula[j] == QLatin1Char('"') ? 2 : 1;
            out += QStringView(formula).sliced(i, qMin(j + 1, n) - i);
            i = j + 1;
            afterBracket = false;
            continue;
        }
        if (c == QLatin1Char('[')) {
            // Skips to the matching "]", stepping over "'" escapes of structured references.
            qsizetype depth = 0, j = i;
            for (; j < n; ++j) {
                if (formula[j] == QLatin1Char('\'') && j + 1 < n) {
                    ++j;
                    continue;
                }
                if (formula[j] == QLatin1Char('['))
                    ++depth;
                else if (formula[j] == QLatin1Char(']') && --depth == 0)
                    break;
            }
            out += QStringView(formula).sliced(i, qMin(j + 1, n) - i);
            i = j + 1;
            afterBracket = true;
            continue;
        }
        if (c == QLatin1Char('\'')) {
            // A quoted sheet name (or names, or a path into another book).
            qsizetype j = i + 1;
            QString name;
            while (j < n) {
                if (formula[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && formula[j + 1] == QLatin1Char('\'')) {
                        name += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                name += formula[j++];
            }
            const bool sheetRef = j + 1 < n && formula[j + 1] == QLatin1Char('!');
            const QString renamed = sheetRef && !afterBracket && !name.contains(QLatin1Char('['))
                ? mappedSheets(name, map)
                : QString();
            out += renamed.isEmpty() ? QStringView(formula).sliced(i, qMin(j + 1, n) - i) : QStringView(renamed);
            i = j + 1;
            afterBracket = false;
            continue;
        }
        if (isNameChar(c) && (i == 0 || !isNameChar(formula[i - 1]))) {
            qsizetype j = i;
            while (j < n && isNameChar(formula[j]))
                ++j;
            // A 3-D range: "First:Last!".
            qsizetype end = j;
            if (end < n && formula[end] == QLatin1Char(':') && end + 1 < n && isNameChar(formula[end + 1])) {
                qsizetype k = end + 1;
                while (k < n && isNameChar(formula[k]))
                    ++k;
                if (k < n && formula[k] == QLatin1Char('!'))
                    end = k;
            }
            // "#REF!" is an error, not a sheet.
            const bool sheetRef = end < n && formula[end] == QLatin1Char('!') && (i == 0 || formula[i - 1] != QLatin1Char('#'));
            const QString renamed = sheetRef && !afterBracket ? mappedSheets(formula.sliced(i, end - i), map) : QString();
            out += renamed.isEmpty() ? QStringView(formula).sliced(i, end - i) : QStringView(renamed);
            i = end;
            afterBracket = false;
            continue;
        }
        out += c;
        afterBracket = false;
        ++i;
    }
    return out;
}

} // namespace quirn
