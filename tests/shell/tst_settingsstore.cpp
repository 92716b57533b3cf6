#include "IsolatedStore.h"
#include "SettingsStore.h"

#include <QFile>
#include <QTest>

// Set up before the application object, so nothing reads the user's folders.
static IsolatedStore g_store;

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void storeLivesInTheIsolatedFolder();
    void everyKeyOfTheTableRoundTrips_data();
    void everyKeyOfTheTableRoundTrips();
    void oddValuesRoundTrip_data();
    void oddValuesRoundTrip();
    void keysWithSeparatorsStayKeys();
    void missingKeyYieldsDefault();
    void getAllListsOneSectionOnly();
    void deleteRemovesKeySectionAndApplicationKey();
    void deletingSomethingMissingIsAnError();
    void malformedNumbersAndBooleansReadAsMissing();
    void numberAndBooleanTextConversions();

private:
    IsolatedStore *m_store = nullptr;
};

void tst_SettingsStore::initTestCase()
{
    m_store = &g_store;
}

void tst_SettingsStore::init()
{
    for (const QString &key : {SettingsStore::AppKey, SettingsStore::OldAppKey})
        QFile::remove(SettingsStore::FileOf(key));
}

void tst_SettingsStore::storeLivesInTheIsolatedFolder()
{
    QVERIFY(SettingsStore::FileOf(SettingsStore::AppKey).startsWith(m_store->path()));
    QVERIFY(SettingsStore::FileOf(SettingsStore::OldAppKey).startsWith(m_store->path()));
    QVERIFY(SettingsStore::FileOf(SettingsStore::AppKey) != SettingsStore::FileOf(SettingsStore::OldAppKey));
}

void tst_SettingsStore::everyKeyOfTheTableRoundTrips_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QList<QPair<QString, QString>> settings = {
        {"SplitterLeft", "3700"}, {"MainLeft", "1000.5"}, {"MainTop", "-120"},
        {"MainWidth", "10000"}, {"MainHeight", "7000"}, {"ViewMode", "3"},
        {"LastLoadFile", "/home/user/帳票/月次 報告.xls"}, {"Warninng1", "01"},
        {"Warninng2", "10"}, {"Warninng3", "00"}, {"#100", "1"},
        {"Warninng1Cut", "1"}, {"Warninng2Cut", "0"}, {"Warninng3Cut", "x"}};
    for (const auto &[key, value] : settings)
        QTest::newRow(qPrintable("Settings/" + key)) << "Settings" << key << value;
    const QList<QPair<QString, QString>> options = {
        {"Column(1)", "True"}, {"Column(2)", "False"}, {"Column(3)", "True"},
        {"Column(4)", "False"}, {"SheetVisible", "0101"}, {"SheetPageInf", "1"},
        {"SheetInf0", "0"}, {"SheetInf1", "1"}, {"SheetInf2", "0"}, {"SheetInf3", "1"},
        {"PrintGuide", "0"}, {"PrintWorkSheet", "101"}, {"PrintGraphSheet", "010"},
        {"PrintPage", "1"}, {"ViewAdjust", "1"}};
    for (const auto &[key, value] : options)
        QTest::newRow(qPrintable("Option/" + key)) << "Option" << key << value;
    for (int i = 0; i < 5; ++i)
        QTest::newRow(qPrintable(QString("FileMRU/FileMRU_%1").arg(i)))
            << "FileMRU" << QString("FileMRU_%1").arg(i) << QString("/data/book %1.xls").arg(i);
}

void tst_SettingsStore::everyKeyOfTheTableRoundTrips()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    SettingsStore::SaveSetting(SettingsStore::AppKey, section, key, value);
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, section, key, "default"), value);
    const auto all = SettingsStore::GetAllSettings(SettingsStore::AppKey, section);
    QCOMPARE(all.size(), 1);
    QCOMPARE(all.first().first, key);
    QCOMPARE(all.first().second, value);

    // The file itself survives a fresh read (no cached copy in between).
    QFile file(SettingsStore::FileOf(SettingsStore::AppKey));
    QVERIFY(file.exists());
    SettingsStore::DeleteSetting(SettingsStore::AppKey, section, key);
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, section, key, "default"), QString("default"));
}

void tst_SettingsStore::oddValuesRoundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << QString("");
    QTest::newRow("comma") << QString("/data/a,b.xls");
    QTest::newRow("comma and spaces") << QString(" a , b ");
    QTest::newRow("semicolon") << QString("a;b");
    QTest::newRow("quotes") << QString("\"quoted\" 'single'");
    QTest::newRow("at sign") << QString("@Variant(abc)");
    QTest::newRow("backslashes") << QString("C:\\Data\\book.xls");
    QTest::newRow("equals and hash") << QString("a=b #c");
    QTest::newRow("percent escapes") << QString("%2F%25%5C%U0041");
    QTest::newRow("half-width katakana") << QString("ｼｰﾄ構成ﾌﾞｯｸ");
    QTest::newRow("line feed") << QString("line1\nline2\r\n");
    QTest::newRow("true text") << QString("true");
    QTest::newRow("tab") << QString("\tx");
}

void tst_SettingsStore::oddValuesRoundTrip()
{
    QFETCH(QString, value);
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "LastLoadFile", value);
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Settings", "LastLoadFile", "x"), value);
}

void tst_SettingsStore::keysWithSeparatorsStayKeys()
{
    const QStringList keys = {"a/b", "a\\b", "%2F", "General", "[x]", "キー"};
    for (const QString &key : keys)
        SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", key, key + "!");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Sec/tion", "k", "v");
    const auto all = SettingsStore::GetAllSettings(SettingsStore::AppKey, "Settings");
    QCOMPARE(all.size(), keys.size());
    for (const auto &[key, value] : all) {
        QVERIFY2(keys.contains(key), qPrintable(key));
        QCOMPARE(value, key + "!");
    }
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Sec/tion", "k"), QString("v"));
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::AppKey, "Sec").isEmpty());
}

void tst_SettingsStore::missingKeyYieldsDefault()
{
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Settings", "SplitterLeft", "3700"),
             QString("3700"));
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Settings", "SplitterLeft"), QString());
    QCOMPARE(SettingsStore::GetNumber(SettingsStore::AppKey, "Settings", "MainWidth", 10000), 10000.0);
    QCOMPARE(SettingsStore::GetBool(SettingsStore::AppKey, "Option", "Column(1)", true), true);
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::AppKey, "Settings").isEmpty());
}

void tst_SettingsStore::getAllListsOneSectionOnly()
{
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainLeft", "1");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainTop", "2");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintPage", "1");
    SettingsStore::SaveSetting(SettingsStore::OldAppKey, "Settings", "MainLeft", "9");
    auto all = SettingsStore::GetAllSettings(SettingsStore::AppKey, "Settings");
    std::sort(all.begin(), all.end());
    const SettingsStore::Pairs expected = {{"MainLeft", "1"}, {"MainTop", "2"}};
    QCOMPARE(all, expected);
    QCOMPARE(SettingsStore::GetAllSettings(SettingsStore::OldAppKey, "Settings").size(), 1);
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::AppKey, "FileMRU").isEmpty());
}

void tst_SettingsStore::deleteRemovesKeySectionAndApplicationKey()
{
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainLeft", "1");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainTop", "2");
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Option", "PrintPage", "1");
    SettingsStore::SaveSetting(SettingsStore::OldAppKey, "Settings", "MainLeft", "9");

    SettingsStore::DeleteSetting(SettingsStore::AppKey, "Settings", "MainLeft");
    QCOMPARE(SettingsStore::GetAllSettings(SettingsStore::AppKey, "Settings").size(), 1);

    SettingsStore::DeleteSetting(SettingsStore::AppKey, "Settings");
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::AppKey, "Settings").isEmpty());
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Option", "PrintPage"), QString("1"));

    SettingsStore::DeleteSetting(SettingsStore::AppKey);
    QVERIFY(SettingsStore::GetAllSettings(SettingsStore::AppKey, "Option").isEmpty());
    QVERIFY(!QFile::exists(SettingsStore::FileOf(SettingsStore::AppKey)));
    // The older key is a separate store and is left alone.
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::OldAppKey, "Settings", "MainLeft"), QString("9"));
}

void tst_SettingsStore::deletingSomethingMissingIsAnError()
{
    QVERIFY_THROWS_EXCEPTION(SettingsStore::NotFound, SettingsStore::DeleteSetting(SettingsStore::AppKey));
    QVERIFY_THROWS_EXCEPTION(SettingsStore::NotFound,
                             SettingsStore::DeleteSetting(SettingsStore::AppKey, "Settings"));
    SettingsStore::SaveSetting(SettingsStore::AppKey, "Settings", "MainLeft", "1");
    QVERIFY_THROWS_EXCEPTION(SettingsStore::NotFound,
                             SettingsStore::DeleteSetting(SettingsStore::AppKey, "Settings", "MainTop"));
    QVERIFY_THROWS_EXCEPTION(SettingsStore::NotFound,
                             SettingsStore::DeleteSetting(SettingsStore::AppKey, "Option", "PrintPage"));
    QCOMPARE(SettingsStore::GetSetting(SettingsStore::AppKey, "Settings", "MainLeft"), QString("1"));
}

void tst_SettingsStore::malformedNumbersAndBooleansReadAsMissing()
{
    // A damaged file written by hand: the readers fall back to their defaults.
    const QString path = SettingsStore::FileOf(SettingsStore::AppKey);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\nMainWidth=wide\nMainHeight=\nSplitterLeft=12abc\nMainTop=nan\n"
               "[Option]\nColumn%281%29=yes\nColumn%282%29=0\nColumn%283%29=-1\n");
    file.close();
    QCOMPARE(SettingsStore::GetNumber(SettingsStore::AppKey, "Settings", "MainWidth", 10000), 10000.0);
    QCOMPARE(SettingsStore::GetNumber(SettingsStore::AppKey, "Settings", "MainHeight", 7000), 7000.0);
    QCOMPARE(SettingsStore::GetNumber(SettingsStore::AppKey, "Settings", "SplitterLeft", 3700), 3700.0);
    QCOMPARE(SettingsStore::GetNumber(SettingsStore::AppKey, "Settings", "MainTop", 1000), 1000.0);
    QCOMPARE(SettingsStore::GetBool(SettingsStore::AppKey, "Option", "Column(1)", true), true);
    QCOMPARE(SettingsStore::GetBool(SettingsStore::AppKey, "Option", "Column(2)", true), false);
    QCOMPARE(SettingsStore::GetBool(SettingsStore::AppKey, "Option", "Column(3)", false), true);
}

void tst_SettingsStore::numberAndBooleanTextConversions()
{
    QCOMPARE(SettingsStore::FromNumber(3700), QString("3700"));
    QCOMPARE(SettingsStore::FromNumber(4440.5), QString("4440.5"));
    QCOMPARE(SettingsStore::ToNumber(" 1000 "), std::optional<double>(1000));
    QCOMPARE(SettingsStore::ToNumber("-15.25"), std::optional<double>(-15.25));
    QCOMPARE(SettingsStore::ToNumber("inf"), std::optional<double>());
    QCOMPARE(SettingsStore::FromBool(true), QString("True"));
    QCOMPARE(SettingsStore::FromBool(false), QString("False"));
    QCOMPARE(SettingsStore::ToBool("TRUE"), std::optional<bool>(true));
    QCOMPARE(SettingsStore::ToBool("false"), std::optional<bool>(false));
    QCOMPARE(SettingsStore::ToBool("2"), std::optional<bool>(true));
    QCOMPARE(SettingsStore::ToBool(""), std::optional<bool>());
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_settingsstore.moc"
