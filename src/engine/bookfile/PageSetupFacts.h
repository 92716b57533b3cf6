#pragma once

#include <QList>
#include <QString>

namespace quirn {

// One sheet's page setup in Excel's terms: points for margins, xlPaper codes,
// orientation 1 portrait / 2 landscape, header and footer sections as text
// with Excel's codes (&P, &N, &F, &&, &"font"...).
struct PageSetupFacts
{
    // Printer-dependent part (the SETUP record); `hasPrinterSettings` is false
    // when the sheet never had a printer set up, and then paper, orientation,
    // scale, quality and copies are Excel's defaults.
    bool hasPrinterSettings = false;
    int paperSize = 9;          // xlPaperA4
    int orientation = 1;        // 1 portrait, 2 landscape
    int zoom = 100;             // percent; ignored when fitToPage
    bool fitToPage = false;     // Zoom is False in Excel's terms
    int fitToPagesWide = 1;     // 0 = automatic (False)
    int fitToPagesTall = 1;     // 0 = automatic (False)
    int firstPageNumber = -4105; // xlAutomatic unless set
    int order = 1;              // 1 down then over, 2 over then down
    bool blackAndWhite = false;
    bool draft = false;
    int printComments = -4142;  // xlPrintNoComments; 16 in place; 1 at sheet end
    QList<int> printQuality;    // horizontal, vertical dpi

    double leftMargin = 54;     // points (0.75 in)
    double rightMargin = 54;
    double topMargin = 72;      // points (1 in)
    double bottomMargin = 72;
    double headerMargin = 36;   // points (0.5 in)
    double footerMargin = 36;

    QString leftHeader, centerHeader, rightHeader;
    QString leftFooter, centerFooter, rightFooter;

    bool centerHorizontally = false;
    bool centerVertically = false;
    bool printGridlines = false;
    bool printHeadings = false;

    // A1 texts as Excel gives them ("$A$1:$I$50", "$1:$2", "$A:$B"), empty when unset.
    QString printArea;
    QString printTitleRows;
    QString printTitleColumns;

    bool operator==(const PageSetupFacts &) const = default;
};

} // namespace quirn
