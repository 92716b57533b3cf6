#include "SheetCopy.h"

#include "FormulaRefs.h"
#include "XmlSpans.h"

namespace quirn {

bool SheetCopy::forCopy(const QByteArray &sheet, QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(sheet))
        return false;
    XmlSplices splices;
    for (const XmlSpans::Element &view : spans.elements("sheetView"))
        if (const auto selected = spans.attribute(view, "tabSelected"))
            splices.replace(selected->start, selected->valueEnd + 1, QByteArray());
    // The copy's code module is made by Excel when the book's project is next opened.
    for (const XmlSpans::Element &properties : spans.elements("sheetPr"))
        if (const auto codeName = spans.attribute(properties, "codeName"))
            splices.replace(codeName->start, codeName->valueEnd + 1, QByteArray());
    return splices.apply(sheet, out);
}

bool SheetCopy::renameTable(const QByteArray &table, int id, QSet<QString> *taken, QHash<QString, QString> *renames,
                            QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(table))
        return false;
    const XmlSpans::Element &root = spans.all().first();
    const auto name = spans.attribute(root, "name"), displayName = spans.attribute(root, "displayName");
    const auto tableId = spans.attribute(root, "id");
    if (!displayName || !tableId)
        return false;
    const QString old = spans.value(*displayName);
    // "Sales" as "Sales2", "Table1" as "Table1_2".
    const QString separator = !old.isEmpty() && old.back().isDigit() ? QStringLiteral("_") : QString();
    QString fresh;
    for (int n = 2; fresh.isEmpty() || taken->contains(fresh.toCaseFolded()); ++n)
        fresh = old + separator + QString::number(n);
    taken->insert(fresh.toCaseFolded());
    renames->insert(old, fresh);
    XmlSplices splices;
    splices.replace(tableId->valueStart, tableId->valueEnd, QByteArray::number(id));
    splices.replace(displayName->valueStart, displayName->valueEnd, XmlSpans::escape(fresh, displayName->quote, table));
    if (name)
        splices.replace(name->valueStart, name->valueEnd, XmlSpans::escape(fresh, name->quote, table));
    // Formulas of its columns that name the table itself.
    for (const XmlSpans::Element &e : spans.all()) {
        if (e.localName() != "calculatedColumnFormula" && e.localName() != "totalsRowFormula")
            continue;
        const QString text = spans.text(e), renamed = FormulaRefs::renameTable(text, old, fresh);
        if (renamed != text)
            splices.replace(e.startTagEnd, e.contentEnd, XmlSpans::escape(renamed, 0, table));
    }
    return splices.apply(table, out);
}

} // namespace quirn
