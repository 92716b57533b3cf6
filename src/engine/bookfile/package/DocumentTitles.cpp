#include "DocumentTitles.h"

#include "XmlSpans.h"

#include <QSet>

namespace quirn {

namespace {

struct Heading
{
    XmlSpans::Element name, value; // the two variants
    XmlSpans::Element count;       // the value's number
    int titles = 0;
};

// The sheet a title of a name stands on: "Data!Print_Area", "'My data'!Print_Titles".
QString sheetOfNameTitle(const QString &title)
{
    const qsizetype bang = title.lastIndexOf(QLatin1Char('!'));
    if (bang <= 0)
        return QString();
    QString sheet = title.left(bang);
    if (sheet.size() >= 2 && sheet.startsWith(QLatin1Char('\'')) && sheet.endsWith(QLatin1Char('\'')))
        sheet = sheet.mid(1, sheet.size() - 2).replace(QLatin1String("''"), QLatin1String("'"));
    return sheet;
}

int indexIn(const QStringList &names, const QString &name)
{
    const int exact = int(names.indexOf(name));
    if (exact >= 0)
        return exact;
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

bool DocumentTitles::edit(const QByteArray &xml, const QStringList &before, const QStringList &after,
                          const QList<int> &origin, QByteArray *out)
{
    *out = xml;
    XmlSpans spans;
    if (!spans.read(xml))
        return false;
    const QList<XmlSpans::Element> pairs = spans.elements("HeadingPairs"), parts = spans.elements("TitlesOfParts");
    if (pairs.size() != 1 || parts.size() != 1)
        return true;
    const QList<XmlSpans::Element> pairVectors = spans.children(pairs[0], "vector");
    const QList<XmlSpans::Element> titleVectors = spans.children(parts[0], "vector");
    if (pairVectors.size() != 1 || titleVectors.size() != 1)
        return true;
    const QList<XmlSpans::Element> variants = spans.children(pairVectors[0], "variant");
    const QList<XmlSpans::Element> titles = spans.children(titleVectors[0], "lpstr");
    QList<Heading> headings;
    int counted = 0;
    for (qsizetype v = 0; v + 1 < variants.size(); v += 2) {
        const QList<XmlSpans::Element> count = spans.children(variants[v + 1], "i4");
        if (count.size() != 1)
            return true;
        bool ok = false;
        const int n = spans.text(count[0]).toInt(&ok);
        if (!ok || n < 0)
            return true;
        headings.append({variants[v], variants[v + 1], count[0], n});
        counted += n;
    }
    if (counted != titles.size() || titles.isEmpty())
        return true;

    QSet<int> kept(origin.begin(), origin.end());
    const QByteArray tag = titles[0].qualifiedName;
    auto raw = [&](const XmlSpans::Element &e) { return xml.mid(e.start, e.end - e.start); };
    QByteArray written;
    XmlSplices splices;
    int newTotal = 0, headingsLeft = int(headings.size());
    qsizetype at = 0;
    for (const Heading &heading : headings) {
        QByteArray group;
        int count = 0;
        QSet<int> sheetsHere; // the sheets of `before` this heading lists
        for (int t = 0; t < heading.titles; ++t) {
            const XmlSpans::Element &title = titles[at + t];
            const QString text = spans.text(title);
            const int sheet = indexIn(before, text);
            if (sheet >= 0) {
                sheetsHere.insert(sheet);
                continue;
            }
            const QString nameSheet = sheetOfNameTitle(text);
            const int on = nameSheet.isEmpty() ? -1 : indexIn(before, nameSheet);
            if (on >= 0 && !kept.contains(on))
                continue;
            group += raw(title);
            ++count;
        }
        // The sheets of this heading, in their new order, first.
        QByteArray sheets;
        for (int s = 0; s < after.size(); ++s) {
            if (!sheetsHere.contains(origin[s]))
                continue;
            const int old = origin[s];
            const XmlSpans::Element *same = nullptr;
            for (int t = 0; t < heading.titles; ++t)
                if (spans.text(titles[at + t]) == after[s] && before[old] == after[s])
                    same = &titles[at + t];
            sheets += same ? raw(*same)
                           : '<' + tag + '>' + XmlSpans::escape(after[s], 0, xml) + "</" + tag + '>';
            ++count;
        }
        written += sheets + group;
        at += heading.titles;
        newTotal += count;
        if (count == heading.titles)
            continue;
        if (count == 0) {
            // A heading left without titles goes.
            splices.replace(heading.name.start, heading.value.end, QByteArray());
            --headingsLeft;
        } else {
            splices.replace(heading.count.startTagEnd, heading.count.contentEnd, QByteArray::number(count));
        }
    }
    splices.replace(titles.first().start, titles.last().end, written);
    if (const auto size = spans.attribute(titleVectors[0], "size"))
        splices.replace(size->valueStart, size->valueEnd, QByteArray::number(newTotal));
    if (headingsLeft != headings.size())
        if (const auto size = spans.attribute(pairVectors[0], "size"))
            splices.replace(size->valueStart, size->valueEnd, QByteArray::number(headingsLeft * 2));
    return splices.apply(xml, out);
}

} // namespace quirn
