#pragma once

// WorkbookEdit: edits of a package book's workbook part and of a sheet
// part's view, made as splices of the few spans involved: a sheet's state,
// the sheets' order with the indexes that follow it (sheet-local names,
// active and first tab of every view), a sheet view's selection.

#include "SheetFacts.h"

#include <QByteArray>
#include <QList>

namespace quirn {

struct WorkbookEdit
{
    // Sets the state of the sheet at `index`; a view whose active or first
    // tab was a sheet now hidden takes `replacement` (a visible sheet) instead.
    static bool setVisibility(const QByteArray &workbook, int index, SheetVisibility visibility, int replacement,
                              QByteArray *out);
    // Puts the sheets in `order` (the present positions in their new order).
    static bool reorder(const QByteArray &workbook, const QList<int> &order, QByteArray *out);
    // Selects or unselects the first view of a sheet part.
    static bool setTabSelected(const QByteArray &sheet, bool selected, QByteArray *out);
};

} // namespace quirn
