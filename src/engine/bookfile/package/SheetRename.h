#pragma once

// SheetRename: a package book's parts with every reference to a renamed
// sheet following it: formulas of cells (shared-formula masters carry the
// text), names, chart series, validations and conditional formats (in
// extension lists too), hyperlink locations, control links, pivot cache
// sources and the titles of the document properties.

#include <QByteArray>
#include <QString>

namespace quirn {

struct SheetRename
{
    // The workbook part with the sheet at `index` named `newName` and every name's formula following.
    static bool workbook(const QByteArray &xml, int index, const QString &oldName, const QString &newName,
                         QByteArray *out);
    // Any other part; `out` is `xml` itself when nothing refers to the sheet.
    static bool part(const QByteArray &xml, const QString &oldName, const QString &newName, QByteArray *out);
    // Whether the part may refer to the sheet at all (a quick look at its bytes).
    static bool mayRefer(const QByteArray &xml, const QString &oldName);
};

} // namespace quirn
