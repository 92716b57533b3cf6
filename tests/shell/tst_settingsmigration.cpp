#include "IsolatedStore.h"
#include "MessageBox.h"
#include "SettingsMigration.h"
#include "SettingsStore.h"

#include <QFile>
#include <QTest>

// Set up before the application object, so nothing reads the user's folders.
static IsolatedStore g_store;

class tst_SettingsMigration : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void acceptedConversionCopiesAndDeletesTheOlderKey();
    void declinedConversionIsNeverOfferedAgain();
    void nothingOlderMeansNoQuestion();
    void oldWarningSwitchesAreConverted();
    void deleteAllThenRestartOffersAgain();

private:
    IsolatedStore *m_store = nullptr;
};

namespace {

const QString kQuestion = QStringLiteral(
    "旧ﾊﾞｰｼﾞｮﾝの登録情報を新ﾊﾞｰｼﾞｮﾝ用に変更します。\r\n\r\nこの処理を行いますか？");

QString Get(const QString &section, const QString &key, const QString &fallback = "missing")
{
    return SettingsStore::GetSetting(SettingsStore::AppKey, section, key, fallback);
}

void SeedOlderKey()
{
    const QString &old = SettingsStore::OldAppKey;
    SettingsStore::SaveSetting(old, "Settings", "MainWidth", "12000");
    SettingsStore::SaveSetting(old, "Settings", "Warninng1Cut", "1");
    SettingsStore::SaveSetting(old, "Option", "Column(2)", "False");
    SettingsStore::SaveSetting(old, "FileMRU", "FileMRU_0", "/data/月次.xls");
    SettingsStore::SaveSetting(old, "Other", "Ignored", "x");
}

} // namespace

void tst_SettingsMigration::initTestCase()
{
    m_store = &g_store;
    MessageBox::SetTestMode(true);
}

void tst_SettingsMigration::init()
{
    SettingsMigration::DeleteAllSettings();
    QFile::remove(SettingsStore::FileOf(SettingsStore::OldAppKey));
    MessageBox::SetTestMode(true);
}

void tst_SettingsMigration::acceptedConversionCopiesAndDeletesTheOlderKey()
{
    SeedOlderKey();
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainHeight", "8000");
    MessageBox::QueueAnswer(MessageBox::IDYES);
    SettingsMigration::ConvertOldSettings();

    const auto shown = MessageBox::TakeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first().text, kQuestion);
    QCOMPARE(shown.first().style, 0x34u);
    QCOMPARE(shown.first().title, QString("Quirn"));

    QCOMPARE(Get("Settings", "#100"), QString("1"));
    QCOMPARE(Get("Settings", "MainWidth"), QString("12000"));
    QCOMPARE(Get("Settings", "MainHeight"), QString("8000"));
    QCOMPARE(Get("Settings", "Warninng1Cut"), QString("1"));
    QCOMPARE(Get("Option", "Column(2)"), QString("False"));
    QCOMPARE(Get("FileMRU", "FileMRU_0"), QString("/data/月次.xls"));
    QCOMPARE(Get("Other", "Ignored"), QString("missing"));
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::OldAppKey, "Settings").isEmpty());
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::OldAppKey, "Other").isEmpty());

    // Once done, never again.
    SeedOlderKey();
    SettingsMigration::ConvertOldSettings();
    QVERIFY(MessageBox::TakeShown().isEmpty());
}

void tst_SettingsMigration::declinedConversionIsNeverOfferedAgain()
{
    SeedOlderKey();
    MessageBox::QueueAnswer(MessageBox::IDNO);
    SettingsMigration::ConvertOldSettings();
    QCOMPARE(MessageBox::TakeShown().size(), 1);
    QCOMPARE(Get("Settings", "#100"), QString("1"));
    QCOMPARE(Get("Settings", "MainWidth"), QString("missing"));
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::OldAppKey, "Settings", "MainWidth"), QString("12000"));

    SettingsMigration::ConvertOldSettings();
    QVERIFY(MessageBox::TakeShown().isEmpty());
}

void tst_SettingsMigration::nothingOlderMeansNoQuestion()
{
    SettingsStore::SaveSetting(SettingsStore::OldAppKey, "Option", "PrintPage", "1");
    SettingsMigration::ConvertOldSettings();
    QVERIFY(MessageBox::TakeShown().isEmpty());
    QCOMPARE(Get("Settings", "#100"), QString("1"));
    QCOMPARE(Get("Option", "PrintPage"), QString("missing"));
}

void tst_SettingsMigration::oldWarningSwitchesAreConverted()
{
    // Nothing stored: no error, nothing written.
    SettingsMigration::ConvertOldWarnings();
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::AppKey, "Settings").isEmpty());

    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "Warninng2Cut", "1");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "Warninng1Cut", "0");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "Warninng3Cut", "");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "Warninng3", "01");
    SettingsMigration::ConvertOldWarnings();
    QCOMPARE(Get("Settings", "Warninng1"), QString("00"));
    QCOMPARE(Get("Settings", "Warninng2"), QString("11"));
    QCOMPARE(Get("Settings", "Warninng3"), QString("01"));
    for (const char *old : {"Warninng1Cut", "Warninng2Cut", "Warninng3Cut"})
        QCOMPARE(Get("Settings", old), QString("missing"));

    // Only one old key present: the others are simply absent.
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "Warninng3Cut", "yes");
    SettingsMigration::ConvertOldWarnings();
    QCOMPARE(Get("Settings", "Warninng3"), QString("11"));
    QCOMPARE(Get("Settings", "Warninng3Cut"), QString("missing"));
}

void tst_SettingsMigration::deleteAllThenRestartOffersAgain()
{
    SettingsStore::SaveSetting(SettingsStore::OldAppKey, "Settings", "MainLeft", "5");
    MessageBox::QueueAnswer(MessageBox::IDNO);
    SettingsMigration::ConvertOldSettings();
    QCOMPARE(MessageBox::TakeShown().size(), 1);

    SettingsMigration::DeleteAllSettings();
    QVERIFY(!QFile::exists(SettingsStore::FileOf(SettingsStore::AppKey)));
    SettingsMigration::DeleteAllSettings(); // nothing left: still no error

    MessageBox::QueueAnswer(MessageBox::IDNO);
    SettingsMigration::ConvertOldSettings();
    QCOMPARE(MessageBox::TakeShown().size(), 1);
}

QTEST_GUILESS_MAIN(tst_SettingsMigration)
#include "tst_settingsmigration.moc"
