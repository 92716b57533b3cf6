#include "IsolatedStore.h"
#include "SettingsMigration.h"
#include "SettingsStore.h"
#include "frmOptions.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

// Set up before the application object, so nothing reads the user's folders.
static IsolatedStore g_store;

class tst_frmOptions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void emptyStoreOpensWithDefaultsAndOkWritesThem();
    void warningDigitsShowAndComeBack();
    void warningOptionsTickAndUntickBoxes();
    void sheetNameInformationStaysTicked();
    void printOnlyChangesSetNoFlag();
    void columnAndFilterChangesSetTheirFlags();
    void cancelAndCloseBoxWriteNothing();
    void malformedValuesReadAsDefaults();
    void tabsSwitchPanesAndCtrlTabCycles();

private:
    static QString Get(const QString &section, const QString &key)
    {
        return SettingsStore::GetSetting(SettingsStore::AppKey, section, key, "missing");
    }
    static void Set(const QString &section, const QString &key, const QString &value)
    {
        SettingsStore::SaveSetting(SettingsStore::AppKey, section, key, value);
    }
};

namespace {

QCheckBox *Box(frmOptions &d, const QString &name)
{
    auto *box = d.findChild<QCheckBox *>(name);
    if (!box)
        qWarning("no check box %s", qPrintable(name));
    return box;
}

QRadioButton *Opt(frmOptions &d, const QString &name)
{
    auto *option = d.findChild<QRadioButton *>(name);
    if (!option)
        qWarning("no option %s", qPrintable(name));
    return option;
}

// A click as the user makes it: on the box of a control of the pane shown.
void Click(frmOptions &d, QAbstractButton *button)
{
    for (QWidget *w = button; w; w = w->parentWidget()) {
        if (w->objectName().startsWith(QLatin1String("picOptions_")))
            d.SelectTab(w->objectName().mid(11).toInt());
    }
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

} // namespace

void tst_frmOptions::init()
{
    SettingsMigration::DeleteAllSettings();
    frmOptions::ColumnsChanged = true;
    frmOptions::SheetFilterChanged = true;
}

void tst_frmOptions::emptyStoreOpensWithDefaultsAndOkWritesThem()
{
    frmOptions d;
    QCOMPARE(d.windowTitle(), QStringLiteral("ｵﾌﾟｼｮﾝ"));
    QVERIFY(!frmOptions::ColumnsChanged);
    QVERIFY(!frmOptions::SheetFilterChanged);
    QCOMPARE(d.findChild<QTabBar *>("tbsOptions")->tabText(1), QStringLiteral("警告ﾒｯｾｰｼﾞ"));
    QCOMPARE(d.findChild<QTabBar *>("tbsOptions")->tabData(3).toString(), QStringLiteral("Group4"));
    QCOMPARE(d.findChild<QLabel *>("Label2")->text(),
             QStringLiteral("ﾍﾟｰｼﾞ設定でﾍｯﾀﾞ/ﾌｯﾀﾞにﾍﾟｰｼﾞ出力設定を行った場合のみ有効です。"));
    for (int i = 0; i < 4; ++i) {
        QVERIFY(Box(d, QStringLiteral("chkListViewItem_%1").arg(i))->isChecked());
        QVERIFY(!Box(d, QStringLiteral("Check3_%1").arg(i))->isChecked());
        QVERIFY(Box(d, QStringLiteral("Check5_%1").arg(i))->isChecked());
    }
    QVERIFY(Opt(d, "Option1_0")->isChecked());
    QVERIFY(Box(d, "Check8_0")->isChecked() && Box(d, "Check8_1")->isChecked());
    QVERIFY(Box(d, "Check4_0")->isChecked());
    QVERIFY(!Box(d, "Check2")->isChecked());
    QVERIFY(!Box(d, "Check11")->isChecked());
    QVERIFY(Opt(d, "Option4_0")->isChecked());
    QCOMPARE(d.SheetVisibleDraft, QStringLiteral("0000"));

    d.accept();
    QVERIFY(!frmOptions::ColumnsChanged);
    QVERIFY(!frmOptions::SheetFilterChanged);
    QCOMPARE(Get("Settings", "Warninng1"), QStringLiteral("11"));
    QCOMPARE(Get("Settings", "Warninng3"), QStringLiteral("11"));
    QCOMPARE(Get("Option", "PrintWorkSheet"), QStringLiteral("111"));
    QCOMPARE(Get("Option", "PrintGraphSheet"), QStringLiteral("111"));
    QCOMPARE(Get("Option", "PrintPage"), QStringLiteral("0"));
    QCOMPARE(Get("Option", "PrintGuide"), QStringLiteral("1"));
    QCOMPARE(Get("Option", "SheetPageInf"), QStringLiteral("0"));
    QCOMPARE(Get("Option", "SheetInf3"), QStringLiteral("1"));
    QCOMPARE(Get("Option", "ViewAdjust"), QStringLiteral("0"));
    // Unchanged columns and filter are not written.
    QCOMPARE(Get("Option", "Column(1)"), QStringLiteral("missing"));
    QCOMPARE(Get("Option", "SheetVisible"), QStringLiteral("missing"));
}

void tst_frmOptions::warningDigitsShowAndComeBack()
{
    Set("Settings", "Warninng1", "10");
    Set("Settings", "Warninng2", "00");
    Set("Settings", "Warninng3", "01");
    frmOptions d;
    QVERIFY(Box(d, "Check8_1")->isChecked());   // at the first selection
    QVERIFY(!Box(d, "Check8_0")->isChecked());  // every selection
    QVERIFY(Opt(d, "Option1_0")->isChecked());
    QVERIFY(Opt(d, "Option2_1")->isChecked());
    for (const char *name : {"Check9_0", "Check9_1"}) {
        QVERIFY(!Box(d, name)->isChecked());
        QVERIFY(!Box(d, name)->isEnabled());
    }
    QVERIFY(!Box(d, "Check10_1")->isChecked());
    QVERIFY(Box(d, "Check10_0")->isChecked());
    d.accept();
    QCOMPARE(Get("Settings", "Warninng1"), QStringLiteral("10"));
    QCOMPARE(Get("Settings", "Warninng2"), QStringLiteral("00"));
    QCOMPARE(Get("Settings", "Warninng3"), QStringLiteral("01"));
}

void tst_frmOptions::warningOptionsTickAndUntickBoxes()
{
    Set("Settings", "Warninng1", "10");
    frmOptions d;
    d.show();
    Click(d, Opt(d, "Option1_1"));
    QVERIFY(!Box(d, "Check8_0")->isChecked() && !Box(d, "Check8_1")->isChecked());
    QVERIFY(!Box(d, "Check8_0")->isEnabled() && !Box(d, "Check8_1")->isEnabled());
    // Showing again ticks both: the earlier digits are not restored.
    Click(d, Opt(d, "Option1_0"));
    QVERIFY(Box(d, "Check8_0")->isChecked() && Box(d, "Check8_1")->isChecked());
    QVERIFY(Box(d, "Check8_0")->isEnabled());
    d.accept();
    QCOMPARE(Get("Settings", "Warninng1"), QStringLiteral("11"));
}

void tst_frmOptions::sheetNameInformationStaysTicked()
{
    frmOptions d;
    d.show();
    Click(d, Box(d, "Check5_0"));
    QVERIFY(Box(d, "Check5_0")->isChecked());
    for (int i = 1; i < 4; ++i)
        Click(d, Box(d, QStringLiteral("Check5_%1").arg(i)));
    QVERIFY(Box(d, "Check5_0")->isChecked());
    QVERIFY(!Box(d, "Check2")->isChecked());
    d.accept();
    QCOMPARE(Get("Option", "SheetInf0"), QStringLiteral("1"));
    QCOMPARE(Get("Option", "SheetInf1"), QStringLiteral("0"));
    QCOMPARE(Get("Option", "SheetInf3"), QStringLiteral("0"));

    // Stored with nothing ticked: the first click on another item that leaves
    // none ticked turns the popup information off.
    for (int i = 0; i < 4; ++i)
        Set("Option", QStringLiteral("SheetInf%1").arg(i), "0");
    frmOptions again;
    again.show();
    Click(again, Box(again, "Check5_2"));
    QVERIFY(Box(again, "Check5_2")->isChecked());
    Click(again, Box(again, "Check5_2"));
    QVERIFY(Box(again, "Check2")->isChecked());
}

void tst_frmOptions::printOnlyChangesSetNoFlag()
{
    frmOptions d;
    d.show();
    Click(d, Box(d, "Check6_1"));
    Click(d, Box(d, "Check7_2"));
    Click(d, Box(d, "Check4_0"));
    Click(d, Opt(d, "Option4_1"));
    d.accept();
    QVERIFY(!frmOptions::ColumnsChanged);
    QVERIFY(!frmOptions::SheetFilterChanged);
    QCOMPARE(Get("Option", "PrintWorkSheet"), QStringLiteral("101"));
    QCOMPARE(Get("Option", "PrintGraphSheet"), QStringLiteral("110"));
    QCOMPARE(Get("Option", "PrintGuide"), QStringLiteral("0"));
    QCOMPARE(Get("Option", "PrintPage"), QStringLiteral("1"));
}

void tst_frmOptions::columnAndFilterChangesSetTheirFlags()
{
    {
        // Unticked and ticked again: the store already says so, nothing changed.
        frmOptions d;
        d.show();
        Click(d, Box(d, "chkListViewItem_2"));
        Click(d, Box(d, "chkListViewItem_2"));
        Click(d, Box(d, "Check3_1"));
        Click(d, Box(d, "Check3_1"));
        d.accept();
        QVERIFY(!frmOptions::ColumnsChanged);
        QVERIFY(!frmOptions::SheetFilterChanged);
    }
    frmOptions d;
    d.show();
    Click(d, Box(d, "chkListViewItem_3"));
    Click(d, Box(d, "Check3_2"));
    Click(d, Box(d, "Check11"));
    QCOMPARE(d.SheetVisibleDraft, QStringLiteral("0010"));
    d.accept();
    QVERIFY(frmOptions::ColumnsChanged);
    QVERIFY(frmOptions::SheetFilterChanged);
    QCOMPARE(Get("Option", "Column(4)"), QStringLiteral("False"));
    QCOMPARE(Get("Option", "Column(1)"), QStringLiteral("missing"));
    QCOMPARE(Get("Option", "SheetVisible"), QStringLiteral("0010"));
    QCOMPARE(Get("Option", "ViewAdjust"), QStringLiteral("1"));

    frmOptions reopened;
    QVERIFY(!frmOptions::ColumnsChanged);
    QVERIFY(!Box(reopened, "chkListViewItem_3")->isChecked());
    QVERIFY(Box(reopened, "Check3_2")->isChecked());
}

void tst_frmOptions::cancelAndCloseBoxWriteNothing()
{
    {
        frmOptions d;
        d.show();
        Click(d, Box(d, "chkListViewItem_0"));
        Click(d, Box(d, "Check4_0"));
        QTest::mouseClick(d.findChild<QWidget *>("cmdCancel"), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }
    {
        frmOptions d;
        d.show();
        Click(d, Box(d, "Check3_0"));
        d.close();
    }
    QVERIFY(!frmOptions::ColumnsChanged);
    QVERIFY(!frmOptions::SheetFilterChanged);
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::AppKey, "Option").isEmpty());
    QCOMPARE(Get("Settings", "Warninng1"), QStringLiteral("missing"));
}

void tst_frmOptions::malformedValuesReadAsDefaults()
{
    Set("Option", "Column(2)", "maybe");
    Set("Option", "SheetVisible", "1x");
    Set("Option", "PrintWorkSheet", "0");
    Set("Settings", "Warninng2", "garbage");
    frmOptions d;
    QVERIFY(Box(d, "chkListViewItem_1")->isChecked());
    QCOMPARE(d.SheetVisibleDraft, QStringLiteral("1000"));
    QVERIFY(!Box(d, "Check6_0")->isChecked());
    QVERIFY(Box(d, "Check6_1")->isChecked() && Box(d, "Check6_2")->isChecked());
    QVERIFY(Opt(d, "Option2_0")->isChecked());
    QVERIFY(Box(d, "Check9_0")->isChecked() && Box(d, "Check9_1")->isChecked());
    d.accept();
    // What the dialog showed is what is stored now.
    QCOMPARE(Get("Option", "SheetVisible"), QStringLiteral("1000"));
    QCOMPARE(Get("Option", "PrintWorkSheet"), QStringLiteral("011"));
    QCOMPARE(Get("Settings", "Warninng2"), QStringLiteral("11"));
    QVERIFY(frmOptions::SheetFilterChanged);
}

void tst_frmOptions::tabsSwitchPanesAndCtrlTabCycles()
{
    frmOptions d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    auto pane = [&d](int i) { return d.findChild<QWidget *>(QStringLiteral("picOptions_%1").arg(i)); };
    // Every pane starts below the tab strip, whose font may be taller than
    // the design's: its first control is not cut.
    for (int i = 0; i < 4; ++i)
        QVERIFY(pane(i)->y() > d.findChild<QTabBar *>("tbsOptions")->geometry().bottom());
    QCOMPARE(d.SelectedTab(), 0);
    QVERIFY(pane(0)->isVisible() && pane(0)->isEnabled());
    QVERIFY(!pane(1)->isEnabled());
    QTest::mouseClick(d.findChild<QTabBar *>("tbsOptions"), Qt::LeftButton, {},
                      d.findChild<QTabBar *>("tbsOptions")->tabRect(2).center());
    QCOMPARE(d.SelectedTab(), 2);
    QVERIFY(pane(2)->isVisible() && pane(2)->isEnabled());
    QVERIFY(!pane(0)->isVisible() && !pane(0)->isEnabled());
    Box(d, "Check4_0")->setFocus();
    QTest::keyClick(Box(d, "Check4_0"), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(d.SelectedTab(), 3);
    QTest::keyClick(&d, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(d.SelectedTab(), 0);
    QVERIFY(pane(0)->isVisible());
}

QTEST_MAIN(tst_frmOptions)
#include "tst_frmoptions.moc"
