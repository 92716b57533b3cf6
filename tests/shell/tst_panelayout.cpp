#include "PaneLayout.h"

#include <QTest>

class tst_PaneLayout : public QObject
{
    Q_OBJECT

private slots:
    void splitterClampsInANarrowWindow();
    void panesFollowTheSplitter();
    void toolbarAndStatusBarSwitches();
    void draggedBarStaysInsideTheWindow();
    void resizeKeepsProportionWhenAsked();
};

namespace {

PaneLayout::Input Window(double width, double height)
{
    PaneLayout::Input in;
    in.windowWidth = width;
    in.innerHeight = height;
    in.toolbarHeight = 420;
    in.titlesTop = 420;
    in.statusBarHeight = 300;
    return in;
}

} // namespace

void tst_PaneLayout::splitterClampsInANarrowWindow()
{
    const PaneLayout::Input in = Window(3000, 5000);
    for (const double x : {0.0, 1499.0, 1500.0, 1501.0, 2900.0}) {
        const PaneLayout::Result r = PaneLayout::Compute(in, x);
        QCOMPARE(r.splitter, 1500.0);
        QCOMPARE(r.bookView.width, 1500.0);
        QCOMPARE(r.sheetView.left, 1600.0);
        QCOMPARE(r.sheetView.width, 1250.0);
    }
}

void tst_PaneLayout::panesFollowTheSplitter()
{
    const PaneLayout::Result r = PaneLayout::Compute(Window(10000, 7000), 3700);
    QCOMPARE(r.splitter, 3700.0);
    QCOMPARE(r.splitterImage.left, 3700.0);
    QCOMPARE(r.splitterImage.width, 100.0);
    QCOMPARE(r.sheetView.left, 3800.0);
    QCOMPARE(r.sheetView.width, 10000.0 - (3700 + 250));
    QCOMPARE(r.frame.left, 3820.0);
    QCOMPARE(r.frame.width, 6050.0 - 40);
    QCOMPARE(r.headerWidth, 6010.0 - 70);
    // Titles: the path gets what the marker leaves, the sheet marker sits at the right.
    QCOMPARE(r.titles[0].left, 0.0);
    QCOMPARE(r.titles[0].width, 3700.0 - 880 - 50);
    QCOMPARE(r.titles[3].left, 2770.0 + 30);
    QCOMPARE(r.titles[1].left, 3820.0);
    QCOMPARE(r.titles[1].width, 6050.0 - 880 - 80);
    QCOMPARE(r.titles[2].left, 3800.0 + 6050 - 880 - 40);
    // Vertical: below toolbar and title strip, down to the status bar, both views end together.
    QCOMPARE(r.bookView.top, 420.0 + 400);
    QCOMPARE(r.frame.top, 820.0 - 50);
    QCOMPARE(r.sheetView.top, 820.0 + 275);
    QCOMPARE(r.bookView.height, 7000.0 - (420 + 400 + 300));
    QCOMPARE(r.sheetView.top + r.sheetView.height, r.bookView.top + r.bookView.height);
    QCOMPARE(r.splitterImage.top, r.bookView.top);
    QCOMPARE(r.splitterImage.height, r.bookView.height);
}

void tst_PaneLayout::toolbarAndStatusBarSwitches()
{
    PaneLayout::Input in = Window(10000, 7000);
    const PaneLayout::Result both = PaneLayout::Compute(in, 3700);

    in.toolbarVisible = false;
    in.titlesTop = 0;
    const PaneLayout::Result noToolbar = PaneLayout::Compute(in, 3700);
    QCOMPARE(noToolbar.bookView.top, both.bookView.top - 420);
    QCOMPARE(noToolbar.sheetView.top, both.sheetView.top - 420);
    QCOMPARE(noToolbar.bookView.height, both.bookView.height + 420);

    in = Window(10000, 7000);
    in.statusBarVisible = false;
    const PaneLayout::Result noStatus = PaneLayout::Compute(in, 3700);
    QCOMPARE(noStatus.bookView.top, both.bookView.top);
    QCOMPARE(noStatus.bookView.height, both.bookView.height + 300);
    QCOMPARE(noStatus.sheetView.height, both.sheetView.height + 300);
}

void tst_PaneLayout::draggedBarStaysInsideTheWindow()
{
    // The bar goes where the mouse is, 500 from either edge at most...
    QCOMPARE(PaneLayout::BarLeft(3700, 600 - 3700, 10000), 600.0);
    QCOMPARE(PaneLayout::BarLeft(3700, -3500, 10000), 500.0);
    QCOMPARE(PaneLayout::BarLeft(3700, 5800, 10000), 9500.0);
    QCOMPARE(PaneLayout::BarLeft(3700, 5801, 10000), 9500.0);
    // ...but the panes settle at 1500 from the edge.
    QCOMPARE(PaneLayout::Compute(Window(10000, 7000), 600).splitter, 1500.0);
    QCOMPARE(PaneLayout::Compute(Window(10000, 7000), 9500).splitter, 8500.0);
}

void tst_PaneLayout::resizeKeepsProportionWhenAsked()
{
    QCOMPARE(PaneLayout::ResizedSplitter(true, 10000, 3700, 3700, 12000), 4440.0);
    QCOMPARE(PaneLayout::ResizedSplitter(false, 10000, 3700, 3700, 12000), 3700.0);
    // The first resize has no previous width: the splitter stays.
    QCOMPARE(PaneLayout::ResizedSplitter(true, 0, 0, 3700, 12000), 3700.0);
}

QTEST_APPLESS_MAIN(tst_PaneLayout)
#include "tst_panelayout.moc"
