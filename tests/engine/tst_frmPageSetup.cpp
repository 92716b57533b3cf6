#include "ExcelError.h"
#include "MessageBox.h"
#include "frmPageSetup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using quirn::PageSetupFacts;

// The page setup dialog as real widgets: its controls show a sheet's setup,
// the setup read back from them is what the user chose, and OK, Cancel and
// refusals behave as the gateway relies on.
class tst_frmPageSetup : public QObject
{
    Q_OBJECT

private:
    static PageSetupFacts sample()
    {
        PageSetupFacts s;
        s.hasPrinterSettings = true;
        s.paperSize = 12;
        s.orientation = 2;
        s.zoom = 85;
        s.printQuality = {600, 600};
        s.leftMargin = 54; // 1.905 cm, shown as 1.9
        s.headerMargin = 22.68;
        s.centerHeader = QStringLiteral("&A");
        s.rightFooter = QStringLiteral("&P / &N ページ");
        s.printArea = QStringLiteral("$A$1:$F$40");
        s.printTitleRows = QStringLiteral("$1:$2");
        s.printComments = 1;
        s.firstPageNumber = 3;
        return s;
    }

    template <typename T>
    static T *control(QWidget &dialog, const char *name)
    {
        T *widget = dialog.findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

private slots:
    void init()
    {
        MessageBox::SetTestMode(true);
        MessageBox::TakeShown();
        frmPageSetup::setScripted(true);
        frmPageSetup::resetScript();
    }

    void controlsShowTheSheetsSetup()
    {
        frmPageSetup dialog(sample(), false, QStringLiteral("Data"));
        QCOMPARE(dialog.objectName(), QStringLiteral("frmPageSetup"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("ページ設定"));
        auto *tabs = control<QTabWidget>(dialog, "tabPageSetup");
        QCOMPARE(tabs->count(), 4);
        QCOMPARE(tabs->tabText(3), QStringLiteral("シート"));
        QVERIFY(control<QRadioButton>(dialog, "optLandscape")->isChecked());
        QCOMPARE(control<QSpinBox>(dialog, "txtZoom")->value(), 85);
        QCOMPARE(control<QComboBox>(dialog, "cboPaperSize")->currentData().toInt(), 12);
        QCOMPARE(control<QLineEdit>(dialog, "txtFirstPageNumber")->text(), QStringLiteral("3"));
        QCOMPARE(control<QDoubleSpinBox>(dialog, "txtLeftMargin")->value(), 1.9);
        QCOMPARE(control<QLineEdit>(dialog, "txtCenterHeader")->text(), QStringLiteral("&A"));
        QCOMPARE(control<QComboBox>(dialog, "cboHeader")->currentText(), QStringLiteral("&A"));
        QCOMPARE(control<QLineEdit>(dialog, "txtPrintArea")->text(), QStringLiteral("$A$1:$F$40"));
        QCOMPARE(control<QComboBox>(dialog, "cboPrintComments")->currentText(), QStringLiteral("シートの末尾"));
        // Nothing touched: the setup comes back exactly, margins included.
        QCOMPARE(dialog.setup(), sample());

        // Pictures of each tab, to look at the captions and the layout.
        dialog.resize(dialog.sizeHint());
        const QString png = QDir::temp().filePath(QStringLiteral("frmPageSetup.png"));
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            dialog.grab().save(QString(png).replace(QStringLiteral(".png"), QStringLiteral("_%1.png").arg(tab)));
        }
    }

    void editedControlsGiveTheChosenSetup()
    {
        frmPageSetup dialog(PageSetupFacts(), false, QStringLiteral("Data"));
        control<QRadioButton>(dialog, "optLandscape")->setChecked(true);
        control<QRadioButton>(dialog, "optFitToPages")->setChecked(true);
        control<QSpinBox>(dialog, "txtFitToPagesWide")->setValue(1);
        control<QSpinBox>(dialog, "txtFitToPagesTall")->setValue(0);
        auto *paper = control<QComboBox>(dialog, "cboPaperSize");
        paper->setCurrentIndex(paper->findData(8));
        control<QLineEdit>(dialog, "txtFirstPageNumber")->setText(QStringLiteral("自動"));
        control<QDoubleSpinBox>(dialog, "txtTopMargin")->setValue(3.0);
        control<QCheckBox>(dialog, "chkCenterVertically")->setChecked(true);
        control<QLineEdit>(dialog, "txtLeftFooter")->setFocus();
        control<QLineEdit>(dialog, "txtPrintTitleColumns")->setText(QStringLiteral("$A:$B"));
        control<QCheckBox>(dialog, "chkDraft")->setChecked(true);
        control<QCheckBox>(dialog, "chkBlackAndWhite")->setChecked(true);
        control<QRadioButton>(dialog, "optOverThenDown")->setChecked(true);
        auto *footers = control<QComboBox>(dialog, "cboFooter");
        footers->setCurrentIndex(2);
        emit footers->activated(2);

        const PageSetupFacts s = dialog.setup();
        QCOMPARE(s.orientation, 2);
        QVERIFY(s.fitToPage);
        QCOMPARE(s.fitToPagesWide, 1);
        QCOMPARE(s.fitToPagesTall, 0);
        QCOMPARE(s.paperSize, 8);
        QVERIFY(s.hasPrinterSettings);
        QCOMPARE(s.firstPageNumber, -4105);
        QVERIFY(qAbs(s.topMargin - 3.0 * 72 / 2.54) < 0.001);
        QCOMPARE(s.leftMargin, PageSetupFacts().leftMargin);
        QVERIFY(s.centerVertically);
        QCOMPARE(s.centerFooter, QStringLiteral("&P / &N ページ"));
        QCOMPARE(s.printTitleColumns, QStringLiteral("$A:$B"));
        QVERIFY(s.draft && s.blackAndWhite);
        QCOMPARE(s.order, 2);
    }

    void chartSheetGetsTheChartFields()
    {
        PageSetupFacts chart;
        chart.fitToPage = true; // a chart is never fitted: the zoom is shown
        frmPageSetup dialog(chart, true, QStringLiteral("Chart1"));
        auto *tabs = control<QTabWidget>(dialog, "tabPageSetup");
        QCOMPARE(tabs->tabText(3), QStringLiteral("グラフ"));
        QVERIFY(!dialog.findChild<QLineEdit *>(QStringLiteral("txtPrintArea")));
        QVERIFY(!dialog.findChild<QCheckBox *>(QStringLiteral("chkPrintGridlines")));
        QVERIFY(!control<QRadioButton>(dialog, "optFitToPages")->isEnabled());
        QVERIFY(control<QRadioButton>(dialog, "optZoom")->isChecked());
        control<QCheckBox>(dialog, "chkBlackAndWhite")->setChecked(true);
        QVERIFY(dialog.setup().blackAndWhite);
        tabs->setCurrentIndex(3);
        dialog.grab().save(QDir::temp().filePath(QStringLiteral("frmPageSetup_chart.png")));
    }

    void okWritesCancelDoesNot()
    {
        int writes = 0;
        const frmPageSetup::Writer write = [&writes](const PageSetupFacts &) { ++writes; };
        frmPageSetup::queueScript([](frmPageSetup &) { return false; });
        QCOMPARE(frmPageSetup::Show(sample(), false, QStringLiteral("Data"), write), 0);
        QCOMPARE(writes, 0);
        // Nothing queued answers Cancel.
        QCOMPARE(frmPageSetup::Show(sample(), false, QStringLiteral("Data"), write), 0);
        frmPageSetup::queueScript([](frmPageSetup &) { return true; });
        QCOMPARE(frmPageSetup::Show(sample(), false, QStringLiteral("Data"), write), -1);
        QCOMPARE(writes, 1);
    }

    void refusedInputKeepsTheDialogOpen()
    {
        frmPageSetup::queueScript([](frmPageSetup &dialog) {
            control<QLineEdit>(dialog, "txtFirstPageNumber")->setText(QStringLiteral("abc"));
            return true;
        });
        bool written = false;
        QCOMPARE(frmPageSetup::Show(sample(), false, QStringLiteral("Data"),
                                    [&written](const PageSetupFacts &) { written = true; }),
                 0);
        QVERIFY(!written);
        QList<MessageBox::Shown> shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("先頭ページ番号には、数値または「自動」を入力してください。"));

        frmPageSetup::queueScript([](frmPageSetup &) { return true; });
        QCOMPARE(frmPageSetup::Show(sample(), false, QStringLiteral("Data"),
                                    [](const PageSetupFacts &) {
                                        throw ExcelError::refused(QStringLiteral("参照が正しくありません。"));
                                    }),
                 0);
        shown = MessageBox::TakeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("参照が正しくありません。"));
        QCOMPARE(shown[0].style, 0x30u);
    }
};

QTEST_MAIN(tst_frmPageSetup)
#include "tst_frmPageSetup.moc"
