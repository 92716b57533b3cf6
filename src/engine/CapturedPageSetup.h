#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// A page setup as the user confirmed it in the page setup dialog, field by
// field under Excel's PageSetup property names and in Excel's units: points
// for margins, xlPaper codes, 1 portrait / 2 landscape, header and footer
// sections with Excel's codes.
//
// Zoom, FitToPagesWide and FitToPagesTall hold a number, or the boolean false
// when Excel reports False (Zoom False: the sheet is fitted to pages; a fit
// dimension False: as many pages as needed). PrintQuality lists the dpi values
// Excel reports, horizontal first.
struct CapturedPageSetup
{
    QString PrintTitleRows;
    QString PrintTitleColumns;
    QString PrintArea;
    QString LeftHeader;
    QString CenterHeader;
    QString RightHeader;
    QString LeftFooter;
    QString CenterFooter;
    QString RightFooter;
    double LeftMargin = 0;
    double RightMargin = 0;
    double TopMargin = 0;
    double BottomMargin = 0;
    double HeaderMargin = 0;
    double FooterMargin = 0;
    qint32 ChartSize = 0;
    bool PrintHeadings = false;
    bool PrintGridlines = false;
    qint32 PrintComments = 0;
    bool CenterHorizontally = false;
    bool CenterVertically = false;
    qint32 Orientation = 0;
    bool Draft = false;
    qint32 PaperSize = 0;
    qint32 FirstPageNumber = 0;
    qint32 Order = 0;
    bool BlackAndWhite = false;
    QVariant Zoom;
    QVariant FitToPagesWide;
    QVariant FitToPagesTall;
    QVariantList PrintQuality;
};
