#include "PaneLayout.h"

double PaneLayout::ClampSplitter(double x, double windowWidth)
{
    if (x < MinimumPane)
        x = MinimumPane;
    if (x > windowWidth - MinimumPane)
        x = windowWidth - MinimumPane;
    return x;
}

PaneLayout::Result PaneLayout::Compute(const Input &in, double x)
{
    Result r;
    r.splitter = ClampSplitter(x, in.windowWidth);

    r.bookView.left = in.bookViewLeft;
    r.bookView.width = r.splitter;
    r.splitterImage.left = r.splitter;
    r.splitterImage.width = SplitterWidth;

    r.sheetView.left = r.splitter + SplitterWidth;
    r.sheetView.width = in.windowWidth - (r.bookView.width + 250);

    r.frame.left = r.sheetView.left + 20;
    r.frame.width = r.sheetView.width - 40;
    r.frame.height = in.frameHeight;
    r.headerWidth = r.frame.width - 70;

    Rect *t = r.titles;
    for (int i = 0; i < 4; ++i) {
        t[i].top = in.titleTop;
        t[i].height = in.titleHeight;
    }
    t[3].width = in.bookMarkerWidth;
    t[2].width = in.sheetMarkerWidth;
    t[0].left = r.bookView.left;
    t[0].width = r.bookView.width - t[3].width - 50;
    t[3].left = t[0].left + t[0].width + 30;
    t[1].left = r.sheetView.left + 20;
    t[1].width = r.sheetView.width - t[2].width - 80;
    t[2].left = r.sheetView.left + r.sheetView.width - t[2].width - 40;

    r.bookView.top = in.toolbarVisible ? in.toolbarHeight + in.titlesHeight : in.titlesHeight;
    r.frame.top = r.bookView.top - 50;
    r.sheetView.top = r.bookView.top + (in.frameHeight - 100);

    const double above = in.titlesTop + in.titlesHeight;
    r.bookView.height = in.statusBarVisible ? in.innerHeight - (above + in.statusBarHeight)
                                            : in.innerHeight - above;
    r.sheetView.height = r.bookView.height - in.frameHeight + 100;

    r.splitterImage.top = r.bookView.top;
    r.splitterImage.height = r.bookView.height;
    return r;
}

double PaneLayout::BarLeft(double splitterLeft, double mouseX, double windowWidth)
{
    const double p = splitterLeft + mouseX;
    if (p < BarMargin)
        return BarMargin;
    if (p <= windowWidth - BarMargin)
        return p;
    return windowWidth - BarMargin;
}

double PaneLayout::ResizedSplitter(bool keepProportion, double prevWidth, double prevSplitterLeft,
                                   double splitterLeft, double windowWidth)
{
    if (keepProportion && prevWidth > 0)
        return prevSplitterLeft / prevWidth * windowWidth;
    return splitterLeft;
}
