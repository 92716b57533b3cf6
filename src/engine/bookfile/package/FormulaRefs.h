#pragma once

// FormulaRefs: the sheet references in a formula's text, as package books
// store formulas (cell formulas, names, chart series, validations,
// conditional formats, hyperlink locations, control links).

#include <QString>

namespace quirn {

struct FormulaRefs
{
    // `formula` with every reference to this book's sheet `oldName` (alone or
    // at either end of a 3-D range; its name compared ignoring case) naming
    // `newName` instead, quoted by Excel's rules. References into other books
    // ("[1]Data!A1"), string literals and structured references are left
    // as they are.
    static QString renameSheet(const QString &formula, const QString &oldName, const QString &newName);
    // A sheet name as a reference writes it: bare when Excel would, otherwise
    // in apostrophes with its own apostrophes doubled.
    static QString quoted(const QString &name);
};

} // namespace quirn
