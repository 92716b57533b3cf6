#pragma once

// FormulaRefs: the sheet references in a formula's text, as package books
// store formulas (cell formulas, names, chart series, validations,
// conditional formats, hyperlink locations, control links).

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace quirn {

struct FormulaRefs
{
    // `formula` with every reference to this book's sheet `oldName` (alone or
    // at either end of a 3-D range; its name compared ignoring case) naming
    // `newName` instead, quoted by Excel's rules. References into other books
    // ("[1]Data!A1"), string literals and structured references are left
    // as they are.
    static QString renameSheet(const QString &formula, const QString &oldName, const QString &newName);
    // `formula` with the references to the sheets `gone` (folded names) of
    // the book whose sheets are `order` made as Excel makes them when those
    // sheets are deleted: "#REF!A1", a 3-D range losing the deleted sheets
    // at its ends ("#REF!" when none is left).
    static QString deleteSheets(const QString &formula, const QStringList &order, const QSet<QString> &gone);
    // `formula` with the structured references to table `oldName` ("Sales[Amount]") naming `newName`.
    static QString renameTable(const QString &formula, const QString &oldName, const QString &newName);
    // Every reference to this book's sheets handed to `map` with the first
    // and last sheet it names (`last` empty unless it is a 3-D range);
    // `map` gives the text to stand before "!" instead, or a null string to
    // keep the reference as it is.
    using SheetMap = std::function<QString(const QString &first, const QString &last)>;
    static QString mapSheets(const QString &formula, const SheetMap &map);
    // A sheet name as a reference writes it: bare when Excel would, otherwise
    // in apostrophes with its own apostrophes doubled.
    static QString quoted(const QString &name);
};

} // namespace quirn
