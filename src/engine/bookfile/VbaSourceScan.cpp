#include "VbaSourceScan.h"

#include <QRegularExpression>
#include <QSet>

namespace quirn {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// A physical line without its string literals (kept as "") and its comment.
QString withoutStringsAndComment(const QString &line)
{
    QString out;
    out.reserve(line.size());
    bool inString = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (inString) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"'))
                    ++i; // a doubled quote inside the literal
                else
                    inString = false, out += c;
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            inString = true;
            out += c;
            continue;
        }
        if (c == QLatin1Char('\''))
            break;
        // Rem opens a comment where a statement may start.
        if ((c == QLatin1Char('R') || c == QLatin1Char('r')) && line.mid(i, 3).compare(QLatin1String("rem"), Qt::CaseInsensitive) == 0
            && (i + 3 >= line.size() || !isNameChar(line.at(i + 3)))) {
            const QString before = out.trimmed();
            if (before.isEmpty() || before.endsWith(QLatin1Char(':')))
                break;
        }
        out += c;
    }
    return out;
}

} // namespace

QStringList VbaSourceScan::codeLines(const QString &source)
{
    QStringList lines;
    QString pending;
    for (QString line : QString(source).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'))) {
        line = withoutStringsAndComment(line);
        const QString trimmed = line.trimmed();
        if (trimmed.endsWith(QLatin1String(" _")) || trimmed == QLatin1String("_")) {
            pending += trimmed.chopped(1) + QLatin1Char(' ');
            continue;
        }
        lines << pending + line;
        pending.clear();
    }
    if (!pending.isEmpty())
        lines << pending;
    return lines;
}

QStringList VbaSourceScan::declared(const QString &source, bool publicOnly)
{
    static const QRegularExpression declaration(
        QStringLiteral("^\\s*(?:(Public|Private|Friend)\\s+)?(?:Static\\s+)?"
                       "(?:Sub|Function|Property\\s+(?:Get|Let|Set))\\s+([\\p{L}_][\\p{L}\\p{N}_]*)"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const QString &line : codeLines(source)) {
        const QRegularExpressionMatch m = declaration.match(line);
        if (!m.hasMatch())
            continue;
        if (publicOnly && m.captured(1).compare(QLatin1String("Private"), Qt::CaseInsensitive) == 0)
            continue;
        if (!names.contains(m.captured(2), Qt::CaseInsensitive))
            names << m.captured(2);
    }
    return names;
}

QStringList VbaSourceScan::publicProcedures(const QString &source)
{
    return declared(source, true);
}

QStringList VbaSourceScan::procedures(const QString &source)
{
    return declared(source, false);
}

QStringList VbaSourceScan::namesUsed(const QString &source, const QHash<QString, QString> &offered,
                                     const QSet<QString> &modules)
{
    // The module's own procedures hide those of the same name elsewhere,
    // unless named with their module.
    QSet<QString> own;
    for (const QString &name : procedures(source))
        own.insert(name.toLower());
    QStringList used;
    for (const QString &line : codeLines(source)) {
        for (qsizetype i = 0; i < line.size();) {
            if (!line.at(i).isLetter() && line.at(i) != QLatin1Char('_')) {
                ++i;
                continue;
            }
            const qsizetype start = i;
            qsizetype end = i;
            while (end < line.size() && isNameChar(line.at(end)))
                ++end;
            const QString word = line.mid(i, end - i).toLower();
            // A member after a dot is the object's, not a module's procedure;
            // a qualified call "Module1.Run" names the module first.
            const bool member = i > 0 && line.at(i - 1) == QLatin1Char('.');
            i = end;
            const auto found = offered.constFind(word);
            if (found == offered.constEnd() || used.contains(*found))
                continue;
            if (member) {
                const qsizetype dot = start - 1;
                qsizetype q = dot;
                while (q > 0 && isNameChar(line.at(q - 1)))
                    --q;
                // "Module1.Run", not "x.Module1.Run" nor "obj.Run".
                if (q == dot || (q > 0 && line.at(q - 1) == QLatin1Char('.'))
                    || !modules.contains(line.mid(q, dot - q).toLower()))
                    continue;
            } else if (own.contains(word)) {
                continue;
            }
            used << *found;
        }
    }
    return used;
}

} // namespace quirn
