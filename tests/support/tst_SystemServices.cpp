#include "cClipBord.h"
#include "cReg.h"
#include "cSystem.h"

#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

class tst_SystemServices : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void registryStrings_data();
    void registryStrings();
    void registryMissingValues();
    void registryWriteFailure();
    void systemFacts();
    void clipboardText_data();
    void clipboardText();
    void clipboardEmptyAndCleared();

private:
    QString storeFile() const;
};

void tst_SystemServices::initTestCase()
{
    // A settings store of the test's own, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Oakmere"_qs, u"1465340056"_qs).clear();
}

void tst_SystemServices::cleanupTestCase()
{
    QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Oakmere"_qs, u"1465340056"_qs).clear();
    cReg::setErrorReporter(nullptr);
}

QString tst_SystemServices::storeFile() const
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Oakmere"_qs, u"1465340056"_qs).fileName();
}

void tst_SystemServices::registryStrings_data()
{
    QTest::addColumn<QString>("subKey");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "Settings" << "Left" << "1200";
    QTest::newRow("nested key") << "Option\\Columns" << "Size" << "1";
    QTest::newRow("default value") << "Settings" << "" << "default";
    QTest::newRow("japanese") << "FileMRU" << "File1" << u"/共有/売上 ﾃﾞｰﾀ.xls"_qs;
    QTest::newRow("empty value") << "Settings" << "Empty" << "";
    QTest::newRow("long value") << "Settings" << "Long" << QString(600, u'x');
}

void tst_SystemServices::registryStrings()
{
    QFETCH(QString, subKey);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QVERIFY(cReg::RegSetString(cReg::HKeyCurrentUser, subKey, name, value));
    QCOMPARE(cReg::RegGetString(cReg::HKeyCurrentUser, subKey, name), value);
    // What a fresh reader of the store file sees.
    QSettings store(storeFile(), QSettings::IniFormat);
    QString key = subKey;
    key.replace(u'\\', u'/');
    QCOMPARE(store.value(key + u'/' + (name.isEmpty() ? u"@"_qs : name)).toString(), value);
}

void tst_SystemServices::registryMissingValues()
{
    QCOMPARE(cReg::RegGetString(cReg::HKeyCurrentUser, u"NoSuchKey"_qs, u"x"_qs), QString());
    QCOMPARE(cReg::RegGetString(cReg::HKeyCurrentUser, u"Settings"_qs, u"NoSuchValue"_qs), QString());
    // A value that is not text reads as empty.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, u"Oakmere"_qs, u"1465340056"_qs)
        .setValue(u"Settings/Size"_qs, QSize(3, 4));
    QCOMPARE(cReg::RegGetString(cReg::HKeyCurrentUser, u"Settings"_qs, u"Size"_qs), QString());
}

void tst_SystemServices::registryWriteFailure()
{
    // The store's file cannot be written when a folder stands in its place.
    const QString file = storeFile();
    QFile::remove(file);
    QVERIFY(QDir().mkpath(file));
    QStringList reported;
    cReg::setErrorReporter([&](const QString &text) { reported << text; });
    const bool written = cReg::RegSetString(cReg::HKeyCurrentUser, u"Settings"_qs, u"Left"_qs, u"1"_qs);
    QVERIFY(QDir(file).removeRecursively());
    QVERIFY(!written);
    QCOMPARE(reported, QStringList{u"ERROR #1 : Path/File access error"_qs});
    cReg::setErrorReporter(nullptr);
}

void tst_SystemServices::systemFacts()
{
    QVERIFY2(cSystem::OSVersion() >= 400, qPrintable(QString::number(cSystem::OSVersion())));
    QCOMPARE(cSystem::OSVersion() / 100, QSysInfo::kernelVersion().section(u'.', 0, 0).toInt());
    QCOMPARE(cSystem::PlatformId(), 2);
    QVERIFY(QFileInfo(cSystem::WindowsDirectory()).isDir());
    QVERIFY(QFileInfo(cSystem::SystemDirectory()).isDir());
}

void tst_SystemServices::clipboardText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << "Sheet1";
    QTest::newRow("sheet names, CR LF") << u"ｼｰﾄ1\r\n売上\r\n"_qs;
    QTest::newRow("outside the code page") << u"Übersicht 😀"_qs;
}

void tst_SystemServices::clipboardText()
{
    QFETCH(QString, text);
    QVERIFY(cClipBord::SetClipboardText(text));
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
    QString buffer;
    QCOMPARE(cClipBord::GetClipboardText(buffer), QVariant(text));
    QCOMPARE(buffer, text);
}

void tst_SystemServices::clipboardEmptyAndCleared()
{
    QVERIFY(cClipBord::SetClipboardText(QString()));
    QString buffer = u"old"_qs;
    QCOMPARE(cClipBord::GetClipboardText(buffer), QVariant(QString()));
    QCOMPARE(buffer, QString());

    QVERIFY(cClipBord::ClipboardClear());
    buffer = u"kept"_qs;
    QCOMPARE(cClipBord::GetClipboardText(buffer), QVariant(false));
    QCOMPARE(buffer, u"kept"_qs);
}

QTEST_MAIN(tst_SystemServices)
#include "tst_SystemServices.moc"
