#include "OfficeTestEnvironment.h"

#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeProcess.h"
#include "OfficeRecord.h"

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
    bool acceptsClients(int display) const;
    bool windowNamed(const QString &part) const;

    OfficeTestEnvironment m_environment;
    QProcess m_xvfb;
};

void tst_OfficeHandOver::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty())
        QSKIP("Xvfb or xwininfo is not installed");
    // A display of our own, locked as X servers lock theirs (/tmp/.X<n>-lock):
    // the first number no other server holds. A server that finds its number
    // taken ends at once.
    QByteArray display;
    for (int number = 20; display.isEmpty(); ++number) {
        m_xvfb.start(xvfb, {QStringLiteral(":%1").arg(number), QStringLiteral("-screen"),
                            QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                            QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                            // no reset when the last client leaves: it refuses
                            // connections while it resets
                            QStringLiteral("-noreset")});
        QVERIFY(m_xvfb.waitForStarted());
        while (m_xvfb.state() == QProcess::Running && !acceptsClients(number))
            QTest::qWait(20);
        if (m_xvfb.state() == QProcess::Running)
            display = QByteArray::number(number);
        else
            m_xvfb.waitForFinished(-1);
    }
    qputenv("DISPLAY", ":" + display);
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("WAYLAND_DISPLAY");
}

bool tst_OfficeHandOver::acceptsClients(int display) const
{
    QProcess probe;
    probe.start(QStringLiteral("xwininfo"),
                {QStringLiteral("-display"), QStringLiteral(":%1").arg(display), QStringLiteral("-root")});
    return probe.waitForFinished(-1) && probe.exitStatus() == QProcess::NormalExit
           && probe.exitCode() == 0;
}

bool tst_OfficeHandOver::windowNamed(const QString &part) const
{
    QProcess tree;
    tree.start(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    if (!tree.waitForFinished(-1))
        return false;
    return QString::fromUtf8(tree.readAllStandardOutput()).contains(part);
}

void tst_OfficeHandOver::showsBookInWindowAndLetsGoOfTheProcess()
{
    OfficeProcess office;
    office.start();
    QVERIFY2(office.runsWithDisplay(), m_xvfb.state() == QProcess::Running
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
    while (!OfficeProcess::findUserProcess().isEmpty())
        QTest::qWait(50);
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
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(-1);
    }
}

QTEST_GUILESS_MAIN(tst_OfficeHandOver)
#include "tst_officehandover.moc"
