#pragma once

#include "ReserveTable.h"
#include "SheetTableEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

// What the window knows of the books it shows: the active book and what it
// may do, the sheets of its last fill, the sheet clipboard, the print
// reservations and the recently used books. The main window holds it; the
// commands read and change it.
struct WindowState
{
    QString ActiveBookPath;
    bool SheetsChanged = false;
    int BookRestriction = 0;
    bool BookLoading = false;
    int SheetClipboardMode = -1;
    QStringList MruFiles = QStringList(6);
    // Sub-item positions of the optional book columns (0 when not shown): size, type, date, attributes.
    int BookColumnPosition[5] = {0, 0, 0, 0, 0};
    // Sort key of each column for arrange-by (name, size, type, date, attributes); a column
    // not shown keeps the key it had when it was last built.
    int ColumnSortKey[5] = {0, 0, 0, 0, 0};
    bool HasProtectedSheets = false;
    int ActivePane = 0;     // 0 book view, 1 sheet view
    int BookViewButton = 0; // button of the last press on the book view (2 right)
    // The sheets of the active book at the last fill, in book order.
    QList<SheetTableEntry> SheetTable;
    ReserveTable Reserve;
};
