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

// "First:Last" or "Name" with `oldName` replaced; empty when nothing matched.
QString renamedSheets(const QString &sheets, const QString &oldName, const QString &newName)
{
    const qsizetype colon = sheets.indexOf(QLatin1Char(':'));
    QString first = colon < 0 ? sheets : sheets.left(colon);
    QString last = colon < 0 ? QString() : sheets.mid(colon + 1);
    bool matched = false;
    if (same(first, oldName)) {
        first = newName;
        matched = true;
    }
    if (colon >= 0 && same(last, oldName)) {
        last = newName;
        matched = true;
    }
    if (!matched)
        return QString();
    if (colon < 0)
        return FormulaRefs::quoted(first);
    if (!needsQuotes(first) && !needsQuotes(last))
        return first + QLatin1Char(':') + last;
    QString both = first + QLatin1Char(':') + last;
    return QLatin1Char('\'') + both.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
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
    QString out;
    out.reserve(formula.size() + newName.size());
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
                ? renamedSheets(name, oldName, newName)
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
            const bool sheetRef = end < n && formula[end] == QLatin1Char('!');
            const QString renamed = sheetRef && !afterBracket
                ? renamedSheets(formula.sliced(i, end - i), oldName, newName)
                : QString();
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
