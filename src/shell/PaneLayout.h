#pragma once

// The arithmetic of the main window's layout, all in twips: where every pane
// goes for one splitter position, the splitter bar while it is dragged, and
// where the splitter goes when the window is resized.
class PaneLayout
{
public:
    struct Rect
    {
        double left = 0;
        double top = 0;
        double width = 0;
        double height = 0;
    };

    struct Input
    {
        double windowWidth = 0;
        double innerHeight = 0;
        bool toolbarVisible = true;
        double toolbarHeight = 0;
        double titlesTop = 0;          // picTitles
        double titlesHeight = 400;
        bool statusBarVisible = true;
        double statusBarHeight = 270;
        double frameHeight = 375;      // Frame1
        double bookViewLeft = 0;
        double titleTop = 80;          // lblTitle top inside picTitles
        double titleHeight = 240;
        double bookMarkerWidth = 880;  // lblTitle(3)
        double sheetMarkerWidth = 880; // lblTitle(2)
    };

    struct Result
    {
        double splitter = 0;           // the clamped splitter position
        Rect bookView;
        Rect splitterImage;            // imgSplitter
        Rect sheetView;
        Rect frame;                    // Frame1
        double headerWidth = 0;        // Label1
        Rect titles[4];                // lblTitle(0..3), inside picTitles
    };

    static constexpr double SplitterWidth = 100;
    static constexpr double MinimumPane = 1500;
    static constexpr double MinimumWindowWidth = 3000;
    static constexpr double BarMargin = 500;

    // Lays out every pane for splitter position x (clamped to 1500 .. width - 1500).
    static Result Compute(const Input &in, double x);
    static double ClampSplitter(double x, double windowWidth);
    // The drawn bar's left edge while dragging: splitter left + mouse x, kept 500 from each side.
    static double BarLeft(double splitterLeft, double mouseX, double windowWidth);
    // The splitter position for a resize, keeping its proportion when asked and known.
    static double ResizedSplitter(bool keepProportion, double prevWidth, double prevSplitterLeft,
                                  double splitterLeft, double windowWidth);
};
