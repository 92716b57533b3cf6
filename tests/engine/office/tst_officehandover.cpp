#include "OfficeTestEnvironment.h"

#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeProcess.h"
#include "OfficeRecord.h"
#include "VirtualDisplay.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

// Hand-over of a book to the user in a real window, on a virtual X display.
class tst_OfficeHandOver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void showsBookInWindowAndLetsGoOfTheProcess();
    void unusableDisplayFallsBackToHeadless();
    void cleanupTestCase();

private:
    bool windowNamed(const QString &part) const;

    OfficeTestEnvironment m_environment;
    VirtualDisplay m_display;
};

void tst_OfficeHandOver::initTestCase()
{
    // A missing display is a failure here, never a skip: the hand-over is
    // what this test is for.
    const QString failure = m_display.start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    qputenv("DISPLAY", m_display.name().toLocal8Bit());
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("WAYLAND_DISPLAY");
}

bool tst_OfficeHandOver::windowNamed(const QString &part) const
{
    QProcess tree;
    tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    if (!tree.waitForFinished(30000))
        return false;
    return QString::fromUtf8(tree.readAllStandardOutput()).contains(part);
}

void tst_OfficeHandOver::showsBookInWindowAndLetsGoOfTheProcess()
{
    OfficeProcess office;
    office.start();
    QVERIFY2(office.runsWithDisplay(), m_display.isRunning()
                                           ? "the office could not open the display"
                                           : "the X server has ended");
    const qint64 handedPid = office.pid();
    const QString handedProfile = office.profileDir();

    auto book = OfficeDocument::load(office, m_environment.fixture(QStringLiteral("hidden_third_sheet.xls")));
    QCOMPARE(book->sheetCount(), 4);
    book->showToUser();
    QVERIFY(!book->isOpen());
    QVERIFY(!office.isRunning());
    QVERIFY(windowNamed(QStringLiteral("hidden_third_sheet")));

    // The user's process is found, and is not a leftover.
    const QList<OfficeRecord> users = OfficeProcess::findUserProcess();
    QCOMPARE(users.size(), 1);
    QCOMPARE(users.first().pid, handedPid);
    QVERIFY(OfficeProcess::findLeftover().isEmpty());

    // The program goes on with a new process on another profile.
    auto next = OfficeDocument::load(office, m_environment.fixture(QStringLiteral("visible_hidden_veryhidden.xls")));
    QCOMPARE(next->sheetCount(), 3);
    QVERIFY(office.pid() != handedPid);
    QVERIFY(office.profileDir() != handedProfile);

    // Asked to close, the unchanged book closes without a prompt.
    QVERIFY(OfficeProcess::askToClose(users.first()));
    QTRY_VERIFY2_WITH_TIMEOUT(OfficeProcess::findUserProcess().isEmpty(), "the user's office did not close", 60000);
    QVERIFY(!OfficeRecord::hasLiveGroupMembers(users.first().pgid));
    QVERIFY(office.isAlive());
}

void tst_OfficeHandOver::unusableDisplayFallsBackToHeadless()
{
    const QByteArray display = qgetenv("DISPLAY");
    QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X987")));
    qputenv("DISPLAY", ":987"); // no server there
    OfficeProcess office;
    office.start();
    qputenv("DISPLAY", display);
    QVERIFY(!office.runsWithDisplay());
    auto book = OfficeDocument::load(office, m_environment.fixture(QStringLiteral("hidden_third_sheet.xls")));
    QCOMPARE(book->sheetCount(), 4);
    try {
        book->showToUser();
        QFAIL("showed a book without a usable display");
    } catch (const OfficeError &e) {
        QCOMPARE(e.kind(), OfficeError::Kind::NoDisplay);
    }
}

void tst_OfficeHandOver::cleanupTestCase()
{
    m_display.stop();
}

QTEST_GUILESS_MAIN(tst_OfficeHandOver)
#include "tst_officehandover.moc"
