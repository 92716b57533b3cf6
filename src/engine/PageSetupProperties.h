#pragma once

#include "CapturedPageSetup.h"
#include "PageSetupFacts.h"

#include <QStringList>
#include <QVariant>

// Excel's PageSetup properties over a sheet's page setup records: how each
// property reads (Zoom False when fitted to pages, a fit dimension False when
// automatic, PrintQuality as horizontal and vertical dpi) and what writing it
// changes in the records.
class PageSetupProperties
{
public:
    // Copies what a capture takes from a sheet (a chart sheet when `chart`)
    // into `captured`; fields a capture does not take keep their values.
    static void capture(const quirn::PageSetupFacts &facts, bool chart, CapturedPageSetup &captured);

    // Writes into `target` each captured property that reads differently
    // there, in Excel's order, and returns the names of those written. Print
    // area, print titles and the worksheet group go only from a worksheet to a
    // worksheet, ChartSize only from a chart sheet to a chart sheet.
    static QStringList apply(const CapturedPageSetup &captured, bool capturedChart, bool targetChart,
                             quirn::PageSetupFacts &target);

    static QVariant zoom(const quirn::PageSetupFacts &facts);
    static QVariant fitToPagesWide(const quirn::PageSetupFacts &facts);
    static QVariant fitToPagesTall(const quirn::PageSetupFacts &facts);
    static QVariantList printQuality(const quirn::PageSetupFacts &facts);

    // What a sheet without printer settings prints with.
    static constexpr int DefaultPrintQuality = 600;
};
