#pragma once

#include "PageSetupFacts.h"

#include <QList>
#include <QString>

namespace quirn {

enum class SheetKind { Worksheet, Chart, MacroSheet, DialogSheet, Other };
enum class SheetVisibility { Visible = 0, Hidden = 1, VeryHidden = 2 };

// What a book's own records say about one sheet.
struct SheetFacts
{
    QString name;
    SheetKind kind = SheetKind::Worksheet;
    SheetVisibility visibility = SheetVisibility::Visible;
    bool contentsProtected = false;
    int embeddedCharts = 0;
    // Excel's last cell (1-based), the bottom-right of its merged area when it
    // lies in one; 0 for a sheet without cells (a chart sheet).
    int lastRow = 0;
    int lastColumn = 0;
    // Manual page breaks: 0-based index of the first row / column after each break.
    QList<int> rowBreaks;
    QList<int> columnBreaks;
    PageSetupFacts pageSetup;
    // Things the office's Excel export does not keep: text boxes, formulas
    // whose last result is text, and the objects and scenarios settings of
    // a protected sheet.
    bool hasTextBoxes = false;
    bool hasTextFormulaResults = false;
};

} // namespace quirn
