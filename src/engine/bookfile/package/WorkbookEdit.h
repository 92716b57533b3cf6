#pragma once

// WorkbookEdit: edits of a package book's workbook part and of a sheet
// part's view, made as splices of the few spans involved: a sheet's state,
// sheets removed, the sheets' order with the indexes that follow it (sheet-local names,
// active and first tab of every view), a sheet view's selection.

#include "SheetFacts.h"

#include <QByteArray>
#include <QList>
#include <QSet>

#include <functional>

namespace quirn {

struct WorkbookEdit
{
    // Sets the state of the sheet at `index`; a view whose active or first
    // tab was a sheet now hidden takes `replacement` (a visible sheet) instead.
    static bool setVisibility(const QByteArray &workbook, int index, SheetVisibility visibility, int replacement,
                              QByteArray *out);
    // Removes the sheets at `gone` with their local names; higher local
    // sheet ids and the views' tabs follow, a view whose active tab goes
    // taking `active` (a position after the removal) instead.
    static bool removeSheets(const QByteArray &workbook, const QSet<int> &gone, int active, QByteArray *out);
    // Adds a copy of the sheet at `index` as the last sheet, named `name`,
    // with `sheetId` and relationship `relationshipId`; the sheet's own names
    // come along for the copy, `formula` rewriting their formulas.
    static bool appendCopy(const QByteArray &workbook, int index, const QString &name, int sheetId,
                           const QString &relationshipId, const std::function<QString(const QString &)> &formula,
                           QByteArray *out);
    // Sets the name `name` of the sheet at `index` to `formula`, adding it
    // (and the list of names) when missing, removing it when `formula` is empty.
    static bool setLocalName(const QByteArray &workbook, int index, const QString &name, const QString &formula,
                             QByteArray *out);
    // Puts the sheets in `order` (the present positions in their new order).
    static bool reorder(const QByteArray &workbook, const QList<int> &order, QByteArray *out);
    // Has the book calculated in full when it is next opened (cached results of formulas that changed).
    static bool calculateOnLoad(const QByteArray &workbook, QByteArray *out);
    // The calculation chain without the cells of the sheets of `sheetIds`;
    // `empty` tells whether any cell is left.
    static bool dropCalculations(const QByteArray &calcChain, const QSet<QString> &sheetIds, QByteArray *out,
                                 bool *empty);
    // Selects or unselects the first view of a sheet part.
    static bool setTabSelected(const QByteArray &sheet, bool selected, QByteArray *out);
};

} // namespace quirn
