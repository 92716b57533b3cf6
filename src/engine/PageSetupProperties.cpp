#include "PageSetupProperties.h"

#include <QtMath>

using quirn::PageSetupFacts;

namespace {

// Margins come back from the records through inches: a difference below this
// is the same margin.
constexpr double MarginTolerance = 0.005;

bool sameMargin(double a, double b)
{
    return qAbs(a - b) < MarginTolerance;
}

bool isFalse(const QVariant &value)
{
    return value.typeId() == QMetaType::Bool && !value.toBool();
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    if (isFalse(a) || isFalse(b))
        return isFalse(a) && isFalse(b);
    return a.toInt() == b.toInt();
}

// The sheet now has printer settings of its own: paper, orientation, zoom
// and quality are written with it.
void ownPrinterSettings(PageSetupFacts &target)
{
    if (target.printQuality.isEmpty())
        target.printQuality = {PageSetupProperties::DefaultPrintQuality,
                               PageSetupProperties::DefaultPrintQuality};
    target.hasPrinterSettings = true;
}

// Collects the names of the properties written.
class Writer
{
public:
    explicit Writer(PageSetupFacts &target) : t(target) {}

    template <typename T, typename Same>
    void text(const char *name, const T &wanted, T &field, Same same)
    {
        if (same(wanted, field))
            return;
        field = wanted;
        written << QLatin1String(name);
    }
    template <typename T>
    void value(const char *name, const T &wanted, T &field)
    {
        text(name, wanted, field, [](const T &a, const T &b) { return a == b; });
    }
    void margin(const char *name, double wanted, double &field)
    {
        text(name, wanted, field, sameMargin);
    }

    PageSetupFacts &t;
    QStringList written;
};

} // namespace

QVariant PageSetupProperties::zoom(const PageSetupFacts &facts)
{
    return facts.fitToPage ? QVariant(false) : QVariant(facts.zoom);
}

QVariant PageSetupProperties::fitToPagesWide(const PageSetupFacts &facts)
{
    return facts.fitToPagesWide == 0 ? QVariant(false) : QVariant(facts.fitToPagesWide);
}

QVariant PageSetupProperties::fitToPagesTall(const PageSetupFacts &facts)
{
    return facts.fitToPagesTall == 0 ? QVariant(false) : QVariant(facts.fitToPagesTall);
}

QVariantList PageSetupProperties::printQuality(const PageSetupFacts &facts)
{
    QVariantList dpi;
    for (int value : facts.printQuality)
        dpi << value;
    if (dpi.isEmpty())
        dpi << DefaultPrintQuality << DefaultPrintQuality;
    return dpi;
}

void PageSetupProperties::capture(const PageSetupFacts &facts, bool chart, CapturedPageSetup &c)
{
    if (!chart) {
        c.PrintTitleRows = facts.printTitleRows;
        c.PrintTitleColumns = facts.printTitleColumns;
        c.PrintArea = facts.printArea;
    }
    c.LeftHeader = facts.leftHeader;
    c.CenterHeader = facts.centerHeader;
    c.RightHeader = facts.rightHeader;
    c.LeftFooter = facts.leftFooter;
    c.CenterFooter = facts.centerFooter;
    c.RightFooter = facts.rightFooter;
    c.LeftMargin = facts.leftMargin;
    c.RightMargin = facts.rightMargin;
    c.TopMargin = facts.topMargin;
    c.BottomMargin = facts.bottomMargin;
    c.HeaderMargin = facts.headerMargin;
    c.FooterMargin = facts.footerMargin;
    if (!chart) {
        c.PrintHeadings = facts.printHeadings;
        c.PrintGridlines = facts.printGridlines;
        c.PrintComments = facts.printComments;
        c.Order = facts.order;
        c.FitToPagesWide = fitToPagesWide(facts);
        c.FitToPagesTall = fitToPagesTall(facts);
    } else {
        // The book's records keep a chart sheet's print size apart from the
        // page setup this program edits: it is left as it is.
        c.ChartSize = 0;
    }
    c.PrintQuality = printQuality(facts);
    c.CenterHorizontally = facts.centerHorizontally;
    c.CenterVertically = facts.centerVertically;
    c.Orientation = facts.orientation;
    c.Draft = facts.draft;
    c.PaperSize = facts.paperSize;
    c.FirstPageNumber = facts.firstPageNumber;
    c.BlackAndWhite = facts.blackAndWhite;
    c.Zoom = zoom(facts);
}

QStringList PageSetupProperties::apply(const CapturedPageSetup &c, bool capturedChart,
                                       bool targetChart, PageSetupFacts &target)
{
    Writer w(target);
    PageSetupFacts &t = target;
    const bool worksheets = !capturedChart && !targetChart;
    if (worksheets) {
        w.value("PrintTitleRows", c.PrintTitleRows, t.printTitleRows);
        w.value("PrintTitleColumns", c.PrintTitleColumns, t.printTitleColumns);
        w.value("PrintArea", c.PrintArea, t.printArea);
    }
    w.value("LeftHeader", c.LeftHeader, t.leftHeader);
    w.value("CenterHeader", c.CenterHeader, t.centerHeader);
    w.value("RightHeader", c.RightHeader, t.rightHeader);
    w.value("LeftFooter", c.LeftFooter, t.leftFooter);
    w.value("CenterFooter", c.CenterFooter, t.centerFooter);
    w.value("RightFooter", c.RightFooter, t.rightFooter);
    w.margin("LeftMargin", c.LeftMargin, t.leftMargin);
    w.margin("RightMargin", c.RightMargin, t.rightMargin);
    w.margin("TopMargin", c.TopMargin, t.topMargin);
    w.margin("BottomMargin", c.BottomMargin, t.bottomMargin);
    w.margin("HeaderMargin", c.HeaderMargin, t.headerMargin);
    w.margin("FooterMargin", c.FooterMargin, t.footerMargin);
    if (worksheets) {
        w.value("PrintHeadings", c.PrintHeadings, t.printHeadings);
        w.value("PrintGridlines", c.PrintGridlines, t.printGridlines);
        w.value("PrintComments", c.PrintComments, t.printComments);
        w.value("Order", c.Order, t.order);
        if (!sameValue(c.FitToPagesWide, fitToPagesWide(t))) {
            t.fitToPagesWide = isFalse(c.FitToPagesWide) ? 0 : c.FitToPagesWide.toInt();
            w.written << QStringLiteral("FitToPagesWide");
        }
        if (!sameValue(c.FitToPagesTall, fitToPagesTall(t))) {
            t.fitToPagesTall = isFalse(c.FitToPagesTall) ? 0 : c.FitToPagesTall.toInt();
            w.written << QStringLiteral("FitToPagesTall");
        }
    }

    const QVariantList quality = printQuality(t);
    bool qualityWritten = false;
    for (int k = 0; k < quality.size() && k < c.PrintQuality.size(); ++k) {
        if (c.PrintQuality.at(k).toInt() == quality.at(k).toInt())
            continue;
        ownPrinterSettings(t);
        while (t.printQuality.size() <= k)
            t.printQuality << DefaultPrintQuality;
        t.printQuality[k] = c.PrintQuality.at(k).toInt();
        qualityWritten = true;
    }
    if (qualityWritten)
        w.written << QStringLiteral("PrintQuality");

    w.value("CenterHorizontally", c.CenterHorizontally, t.centerHorizontally);
    w.value("CenterVertically", c.CenterVertically, t.centerVertically);
    if (c.Orientation != t.orientation) {
        ownPrinterSettings(t);
        w.value("Orientation", c.Orientation, t.orientation);
    }
    w.value("Draft", c.Draft, t.draft);
    w.value("FirstPageNumber", c.FirstPageNumber, t.firstPageNumber);
    if (c.PaperSize != t.paperSize) {
        ownPrinterSettings(t);
        w.value("PaperSize", c.PaperSize, t.paperSize);
    }
    w.value("BlackAndWhite", c.BlackAndWhite, t.blackAndWhite);

    if (!(isFalse(c.Zoom) && targetChart) && c.Zoom.isValid()
        && !sameValue(c.Zoom, zoom(t))) {
        if (isFalse(c.Zoom)) {
            t.fitToPage = true;
        } else {
            ownPrinterSettings(t);
            t.fitToPage = false;
            t.zoom = c.Zoom.toInt();
        }
        w.written << QStringLiteral("Zoom");
    }
    return w.written;
}
