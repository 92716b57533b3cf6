#pragma once

#include <QIcon>
#include <QString>

// The nine sheet icons (picSheet_0 .. picSheet_8) and the category filter of
// the sheet view.
//
//   0 worksheet, visible            5 worksheet, hidden, protected
//   1 worksheet, hidden             6 chart, hidden
//   2 Excel 4 macro sheet           7 chart, hidden, protected
//   3 chart, visible                8 chart, visible, protected
//   4 worksheet, visible, protected
class SheetIcons
{
public:
    static constexpr int Count = 9;

    // The icon index for an attribute word. Anything that is neither a macro
    // sheet nor a chart is shown as a worksheet.
    static int IconIndex(int attributes);
    // Whether the filter lists a sheet: filter characters 1 hidden, 2 charts,
    // 3 macro sheets, 4 protected sheets; "0" lists the category. Missing
    // characters list theirs.
    static bool Listed(int attributes, const QString &filter);
    static QIcon Icon(int index);
};
