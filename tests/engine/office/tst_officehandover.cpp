#include "OfficeTestEnvironment.h"

#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeProcess.h"
#include "OfficeRecord.h"

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
    void cleanupTestCase();

private:
    bool windowNamed(const QString &part) const;

    OfficeTestEnvironment m_environment;
    QProcess m_xvfb;
};

void tst_OfficeHandOver::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not installed");
    // Xvfb picks a free display and writes its number to the given descriptor.
    m_xvfb.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                        QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    QVERIFY(m_xvfb.waitForStarted());
    while (!m_xvfb.canReadLine())
        QVERIFY(m_xvfb.waitForReadyRead(-1));
    const QByteArray display = m_xvfb.readLine().trimmed();
    QVERIFY(!display.isEmpty());
    qputenv("DISPLAY", ":" + display);
    qunsetenv("QT_QPA_PLATFORM");
    qunsetenv("WAYLAND_DISPLAY");
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
    QVERIFY(office.runsWithDisplay());
    const qint64 handedPid = office.pid();
    const QString handedProfile = office.profileDir();

    auto book = OfficeDocument::load(office, QStringLiteral(QUIRN_FIXTURES_DIR "/hidden_third_sheet.xls"));
    QCOMPARE(book->sheetCount(), 4);
    book->showToUser();
    QVERIFY(!book->isOpen());
    QVERIFY(!office.isRunning());
    if (QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty())
        qWarning("xwininfo is not available: the window itself is not checked");
    else
        QVERIFY(windowNamed(QStringLiteral("hidden_third_sheet")));

    // The user's process is found, and is not a leftover.
    const QList<OfficeRecord> users = OfficeProcess::findUserProcess();
    QCOMPARE(users.size(), 1);
    QCOMPARE(users.first().pid, handedPid);
    QVERIFY(OfficeProcess::findLeftover().isEmpty());

    // The program goes on with a new process on another profile.
    auto next = OfficeDocument::load(office, QStringLiteral(QUIRN_FIXTURES_DIR "/visible_hidden_veryhidden.xls"));
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

void tst_OfficeHandOver::cleanupTestCase()
{
    if (m_xvfb.state() != QProcess::NotRunning) {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(-1);
    }
}

QTEST_GUILESS_MAIN(tst_OfficeHandOver)
#include "tst_officehandover.moc"
