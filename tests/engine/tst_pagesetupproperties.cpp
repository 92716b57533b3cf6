#include "PageSetupProperties.h"

#include <QtTest>

using quirn::PageSetupFacts;

// Capture and apply between page setups as the records hold them: what a
// capture takes, which properties an apply writes, and how Excel's False
// values and printer settings come through.
class tst_PageSetupProperties : public QObject
{
    Q_OBJECT

private:
    static PageSetupFacts printed()
    {
        PageSetupFacts s;
        s.hasPrinterSettings = true;
        s.paperSize = 8;
        s.orientation = 2;
        s.zoom = 80;
        s.printQuality = {300, 300};
        s.leftMargin = 36;
        s.topMargin = 90;
        s.centerHeader = QStringLiteral("&A");
        s.rightFooter = QStringLiteral("&P / &N");
        s.printArea = QStringLiteral("$A$1:$D$20");
        s.printTitleRows = QStringLiteral("$1:$1");
        s.printGridlines = true;
        s.order = 2;
        s.draft = true;
        s.blackAndWhite = true;
        s.firstPageNumber = 5;
        return s;
    }

private slots:
    void sameSetupWritesNothing()
    {
        CapturedPageSetup captured;
        PageSetupProperties::capture(printed(), false, captured);
        PageSetupFacts target = printed();
        QCOMPARE(PageSetupProperties::apply(captured, false, false, target), QStringList());
        QCOMPARE(target, printed());
    }

    void onlyDifferingPropertiesAreWritten()
    {
        CapturedPageSetup captured;
        PageSetupProperties::capture(printed(), false, captured);
        PageSetupFacts target = printed();
        target.leftMargin = 36.001; // the same margin, read back through inches
        target.rightMargin = 20;
        target.centerHeader.clear();
        target.printGridlines = false;
        target.zoom = 100;
        const QStringList written = PageSetupProperties::apply(captured, false, false, target);
        QCOMPARE(written, (QStringList{QStringLiteral("CenterHeader"), QStringLiteral("RightMargin"),
                                       QStringLiteral("PrintGridlines"), QStringLiteral("Zoom")}));
        QCOMPARE(target.leftMargin, 36.001);
        target.leftMargin = 36;
        QCOMPARE(target, printed());
    }

    void captureFromWorksheetKeepsTheWorksheetGroupForWorksheets()
    {
        CapturedPageSetup captured;
        PageSetupProperties::capture(printed(), false, captured);
        QCOMPARE(captured.PrintArea, QStringLiteral("$A$1:$D$20"));
        QCOMPARE(captured.Zoom, QVariant(80));
        QCOMPARE(captured.PrintQuality, (QVariantList{300, 300}));
        QCOMPARE(captured.FirstPageNumber, 5);

        PageSetupFacts chart; // a chart sheet target gets the common properties only
        chart.printArea = QStringLiteral("$B$2:$C$3");
        const QStringList written = PageSetupProperties::apply(captured, false, true, chart);
        for (const char *group : {"PrintArea", "PrintTitleRows", "PrintGridlines", "Order",
                                  "FitToPagesWide", "ChartSize"})
            QVERIFY2(!written.contains(QLatin1String(group)), group);
        QCOMPARE(chart.printArea, QStringLiteral("$B$2:$C$3"));
        QVERIFY(!chart.printGridlines);
        QCOMPARE(chart.orientation, 2);
        QCOMPARE(chart.paperSize, 8);
        QCOMPARE(chart.centerHeader, QStringLiteral("&A"));
        QVERIFY(chart.draft && chart.blackAndWhite);
        QVERIFY(chart.hasPrinterSettings);
    }

    void chartCaptureLeavesWorksheetFieldsOfTheEarlierCapture()
    {
        CapturedPageSetup captured;
        PageSetupProperties::capture(printed(), false, captured);
        PageSetupFacts chartSetup;
        chartSetup.printArea = QStringLiteral("$Z$1:$Z$2"); // not read from a chart sheet
        chartSetup.zoom = 120;
        PageSetupProperties::capture(chartSetup, true, captured);
        QCOMPARE(captured.PrintArea, QStringLiteral("$A$1:$D$20"));
        QCOMPARE(captured.PrintGridlines, true);
        QCOMPARE(captured.Zoom, QVariant(120));

        PageSetupFacts worksheet = printed();
        worksheet.printArea.clear();
        const QStringList written = PageSetupProperties::apply(captured, true, false, worksheet);
        QVERIFY(!written.contains(QStringLiteral("PrintArea")));
        QVERIFY(worksheet.printArea.isEmpty());
        QVERIFY(worksheet.printGridlines); // the worksheet group is left alone
        QCOMPARE(worksheet.zoom, 120);
    }

    void zoomFalseFitsToPagesButNeverReachesACharts()
    {
        PageSetupFacts fitted;
        fitted.fitToPage = true;
        fitted.fitToPagesWide = 1;
        fitted.fitToPagesTall = 0;
        CapturedPageSetup captured;
        PageSetupProperties::capture(fitted, false, captured);
        QCOMPARE(captured.Zoom, QVariant(false));
        QCOMPARE(captured.FitToPagesWide, QVariant(1));
        QCOMPARE(captured.FitToPagesTall, QVariant(false));

        PageSetupFacts chart;
        chart.zoom = 75;
        QVERIFY(!PageSetupProperties::apply(captured, false, true, chart).contains(QStringLiteral("Zoom")));
        QCOMPARE(chart.zoom, 75);
        QVERIFY(!chart.fitToPage);

        PageSetupFacts worksheet;
        worksheet.fitToPagesWide = 2;
        worksheet.fitToPagesTall = 3;
        const QStringList written = PageSetupProperties::apply(captured, false, false, worksheet);
        QCOMPARE(written, (QStringList{QStringLiteral("FitToPagesWide"),
                                       QStringLiteral("FitToPagesTall"), QStringLiteral("Zoom")}));
        QVERIFY(worksheet.fitToPage);
        QCOMPARE(worksheet.fitToPagesWide, 1);
        QCOMPARE(worksheet.fitToPagesTall, 0);
    }

    void printQualityIsComparedElementByElement()
    {
        PageSetupFacts model;
        model.hasPrinterSettings = true;
        model.printQuality = {600, 300};
        CapturedPageSetup captured;
        PageSetupProperties::capture(model, false, captured);

        PageSetupFacts target; // no printer settings: reads as the default
        QCOMPARE(PageSetupProperties::printQuality(target), (QVariantList{600, 600}));
        QCOMPARE(PageSetupProperties::apply(captured, false, false, target),
                 QStringList{QStringLiteral("PrintQuality")});
        QCOMPARE(target.printQuality, (QList<int>{600, 300}));
        QVERIFY(target.hasPrinterSettings);
    }
};

QTEST_APPLESS_MAIN(tst_PageSetupProperties)
#include "tst_pagesetupproperties.moc"
