#pragma once

// SheetRename: a package book's parts with every reference to a renamed
// sheet following it, or those to deleted sheets made #REF!: formulas of cells (shared-formula masters carry the
// text), names, chart series, validations and conditional formats (in
// extension lists too), hyperlink locations, control links, pivot cache
// sources and the titles of the document properties.

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace quirn {

struct SheetRename
{
public:
    // The workbook part with the sheet at `index` named `newName` and every name's formula following.
    static bool workbook(const QByteArray &xml, int index, const QString &oldName, const QString &newName,
                         QByteArray *out);
    // Any other part; `out` is `xml` itself when nothing refers to the sheet.
    static bool part(const QByteArray &xml, const QString &oldName, const QString &newName, QByteArray *out);
    // Whether the part may refer to the sheet at all (a quick look at its bytes).
    static bool mayRefer(const QByteArray &xml, const QString &oldName);
    static bool mayReferAny(const QByteArray &xml, const QStringList &names);
    // Any part with its references to the sheets `gone` (folded names) of
    // those in `order` made as Excel makes them when the sheets are
    // deleted (see FormulaRefs::deleteSheets); hyperlinks keep their places.
    static bool deleted(const QByteArray &xml, const QStringList &order, const QSet<QString> &gone, QByteArray *out);

    // A copy of a part of the sheet `oldName` for its copy `newName`: what
    // refers to the sheet itself refers to the copy, and structured references
    // follow the copied tables' new names (`tables`, old to new).
    static bool copied(const QByteArray &xml, const QString &oldName, const QString &newName,
                       const QHash<QString, QString> &tables, QByteArray *out);

    // What changes in the formulas: `formula` rewrites one; a rename also
    // renames titles and pivot sources, and follows hyperlink locations.
    struct Rewrite;

private:
    static bool rewritePart(const QByteArray &xml, const Rewrite &rewrite, QByteArray *out);
};

} // namespace quirn
