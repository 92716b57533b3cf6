#include "SheetRename.h"

#include "FormulaRefs.h"
#include "XmlSpans.h"

#include <cstring>
#include <functional>

namespace quirn {

struct SheetRename::Rewrite
{
    std::function<QString(const QString &)> formula;
    QString oldName, newName; // for a rename
};

namespace {

using Rewrite = SheetRename::Rewrite;

// Elements whose text is a formula, and attributes whose value is one.
bool isFormulaElement(const QByteArray &name)
{
    return name == "f" || name == "formula" || name == "formula1" || name == "formula2" || name == "definedName"
        || name == "FmlaLink" || name == "FmlaRange";
}

bool isFormulaAttribute(const QByteArray &element, const QByteArray &name)
{
    return (element == "hyperlink" && name == "location") || name == "fmlaLink" || name == "fmlaRange"
        || name == "textlink";
}

void rewriteText(const XmlSpans &spans, const XmlSpans::Element &e, const Rewrite &rewrite, XmlSplices &splices)
{
    if (e.selfClosing || e.contentEnd <= e.startTagEnd)
        return;
    // Only plain text: an element holding others is not a formula.
    if (spans.xml().indexOf('<', e.startTagEnd) < e.contentEnd)
        return;
    const QString text = spans.text(e);
    const QString renamed = rewrite.formula(text);
    if (renamed != text)
        splices.replace(e.startTagEnd, e.contentEnd,
                        XmlSpans::escape(renamed, 0, QByteArrayView(spans.xml()).sliced(e.startTagEnd, e.contentEnd - e.startTagEnd)));
}

void rewriteFormulas(const XmlSpans &spans, const Rewrite &rewrite, XmlSplices &splices)
{
    const QString &oldName = rewrite.oldName, &newName = rewrite.newName;
    const bool rename = !oldName.isEmpty();
    qsizetype titlesEnd = -1; // inside the document properties' TitlesOfParts
    for (const XmlSpans::Element &e : spans.all()) {
        const QByteArray local = e.localName();
        // Cells, values, rows and most else are passed over at their first letter.
        if (local.isEmpty() || !std::strchr("fFdlhwsT", local[0]))
            continue;
        if (local == "TitlesOfParts")
            titlesEnd = e.end;
        if (isFormulaElement(local)) {
            rewriteText(spans, e, rewrite, splices);
        } else if (rename && local == "lpstr" && e.start < titlesEnd) {
            const QString text = spans.text(e);
            if (text.compare(oldName, Qt::CaseInsensitive) == 0)
                splices.replace(e.startTagEnd, e.contentEnd, XmlSpans::escape(newName, 0, spans.xml()));
            else
                rewriteText(spans, e, rewrite, splices);
        }
        if (local != "hyperlink" && local != "worksheetSource" && local != "formControlPr" && local != "sp")
            continue;
        for (const XmlSpans::Attribute &a : spans.attributes(e)) {
            const QByteArray name = a.localName();
            QString value;
            // A hyperlink keeps its location when its sheet is deleted, as in Excel.
            if (isFormulaAttribute(local, name) && (rename || local != "hyperlink"))
                value = rewrite.formula(spans.value(a));
            else if (rename && local == "worksheetSource" && name == "sheet" && spans.value(a).compare(oldName, Qt::CaseInsensitive) == 0)
                value = newName;
            else
                continue;
            if (value != spans.value(a))
                splices.replace(a.valueStart, a.valueEnd, XmlSpans::escape(value, a.quote, spans.xml()));
        }
    }
}

Rewrite renaming(const QString &oldName, const QString &newName)
{
    Rewrite rewrite;
    rewrite.formula = [=](const QString &f) { return FormulaRefs::renameSheet(f, oldName, newName); };
    rewrite.oldName = oldName;
    rewrite.newName = newName;
    return rewrite;
}

} // namespace

bool SheetRename::mayRefer(const QByteArray &xml, const QString &oldName)
{
    // The name as the part may spell it: plain, or with an escaped
    // apostrophe or ampersand, in any case of its ASCII letters.
    const QLatin1StringView part(xml.constData(), xml.size());
    for (const QByteArray &spelt : {oldName.toUtf8(), XmlSpans::escape(oldName, '\''), XmlSpans::escape(oldName, '"')})
        if (part.contains(QLatin1StringView(spelt.constData(), spelt.size()), Qt::CaseInsensitive))
            return true;
    return false;
}

bool SheetRename::workbook(const QByteArray &xml, int index, const QString &oldName, const QString &newName,
                           QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(xml))
        return false;
    const QList<XmlSpans::Element> sheets = spans.elements("sheet");
    if (index < 0 || index >= sheets.size())
        return false;
    const auto name = spans.attribute(sheets[index], "name");
    if (!name)
        return false;
    XmlSplices splices;
    splices.replace(name->valueStart, name->valueEnd, XmlSpans::escape(newName, name->quote, xml));
    rewriteFormulas(spans, renaming(oldName, newName), splices);
    return splices.apply(xml, out);
}

bool SheetRename::part(const QByteArray &xml, const QString &oldName, const QString &newName, QByteArray *out)
{
    return rewritePart(xml, renaming(oldName, newName), out);
}

bool SheetRename::deleted(const QByteArray &xml, const QStringList &order, const QSet<QString> &gone, QByteArray *out)
{
    Rewrite rewrite;
    rewrite.formula = [&](const QString &f) { return FormulaRefs::deleteSheets(f, order, gone); };
    return rewritePart(xml, rewrite, out);
}

bool SheetRename::copied(const QByteArray &xml, const QString &oldName, const QString &newName,
                         const QHash<QString, QString> &tables, QByteArray *out)
{
    Rewrite rewrite = renaming(oldName, newName);
    rewrite.formula = [&](const QString &f) {
        QString renamed = FormulaRefs::renameSheet(f, oldName, newName);
        for (auto t = tables.constBegin(); t != tables.constEnd(); ++t)
            renamed = FormulaRefs::renameTable(renamed, t.key(), t.value());
        return renamed;
    };
    return rewritePart(xml, rewrite, out);
}

bool SheetRename::mayReferAny(const QByteArray &xml, const QStringList &names)
{
    for (const QString &name : names)
        if (mayRefer(xml, name))
            return true;
    return false;
}

bool SheetRename::rewritePart(const QByteArray &xml, const Rewrite &rewrite, QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(xml))
        return false;
    XmlSplices splices;
    rewriteFormulas(spans, rewrite, splices);
    if (splices.isEmpty()) {
        *out = xml;
        return true;
    }
    return splices.apply(xml, out);
}

} // namespace quirn
