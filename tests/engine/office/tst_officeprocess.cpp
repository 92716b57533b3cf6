#include "OfficeTestEnvironment.h"

#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeInstallation.h"
#include "OfficeProcess.h"
#include "OfficeRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <csignal>

using namespace std::chrono_literals;

namespace {

// The states of the running members of a process group ("S", "R", "T"...).
QStringList memberStates(qint64 group)
{
    QStringList states;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (close > 0 && fields.size() > 2 && fields.at(2).toLongLong() == group
            && fields.at(0) != "Z")
            states.append(QString::fromLatin1(fields.at(0)));
    }
    return states;
}

} // namespace

class tst_OfficeProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startsWithPrivateProfileAndRecord();
    void reportsVersionAndName();
    void aSecondEngineStartedBehindClaimsAProfileOfItsOwn();
    void killedProcessIsNoticedAndRestarts();
    void stoppedProcessFailsTheCallInsteadOfHanging();
    void shutdownLeavesNoProcess();
    void leftoverOfAKilledRunIsFoundAndClosed();
    void cleanupTestCase();

private:
    QString fixture(const QString &name) const { return m_environment.fixture(name); }

    OfficeTestEnvironment m_environment;
    std::unique_ptr<OfficeProcess> m_office;
};

void tst_OfficeProcess::initTestCase()
{
    m_office = std::make_unique<OfficeProcess>();
    m_office->start();
    QVERIFY(m_office->isRunning());
}

void tst_OfficeProcess::startsWithPrivateProfileAndRecord()
{
    QVERIFY(m_office->profileDir().startsWith(m_environment.root()));
    QVERIFY(QFileInfo(m_office->profileDir() + QStringLiteral("/user")).isDir());
    QVERIFY(!m_office->runsWithDisplay());
    QCOMPARE(m_office->processGroup(), m_office->pid());
    QCOMPARE(::getpgid(pid_t(m_office->pid())), pid_t(m_office->pid()));

    const QList<OfficeRecord> records = OfficeRecord::readAll();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.first().pid, m_office->pid());
    QCOMPARE(records.first().pipe, m_office->pipeName());
    QCOMPARE(records.first().ownerPid, QCoreApplication::applicationPid());
    QVERIFY(records.first().filePath().startsWith(m_environment.root()));
    // Ours, and our own program still runs: not a leftover.
    QVERIFY(OfficeProcess::findLeftover().isEmpty());
}

void tst_OfficeProcess::reportsVersionAndName()
{
    QCOMPARE(m_office->productName(), QStringLiteral("LibreOffice"));
    const QString version = m_office->version();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+")).match(version).hasMatch(),
             qPrintable(version));
    // The installation tells the same without starting anything.
    QCOMPARE(OfficeInstallation::version(), version);
    QCOMPARE(OfficeInstallation::productName(), QStringLiteral("LibreOffice"));
}

void tst_OfficeProcess::aSecondEngineStartedBehindClaimsAProfileOfItsOwn()
{
    OfficeProcess second;
    second.startInBackground();
    // The first use waits for the start and gets a process of its own.
    QCOMPARE(second.productName(), QStringLiteral("LibreOffice"));
    QVERIFY(second.pid() != m_office->pid());
    QVERIFY(second.profileDir() != m_office->profileDir());
    QVERIFY(m_office->isAlive());
    second.shutdown();
    QVERIFY(m_office->isAlive());
}

void tst_OfficeProcess::killedProcessIsNoticedAndRestarts()
{
    auto book = OfficeDocument::load(*m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    QCOMPARE(book->sheetCount(), 4);
    const qint64 oldGroup = m_office->processGroup();

    ::kill(-pid_t(oldGroup), SIGKILL);
    // The bridge reports the death shortly after.
    QTRY_VERIFY2_WITH_TIMEOUT(!m_office->isRunning(), "the death of the office was never noticed", 60000);
    QVERIFY(!m_office->isAlive());
    QVERIFY(!m_office->isRunning());
    try {
        book->sheetCount();
        QFAIL("a call on a killed process succeeded");
    } catch (const OfficeError &e) {
        QCOMPARE(e.kind(), OfficeError::Kind::ProcessGone);
        QVERIFY(!e.message().isEmpty());
    }
    book.reset(); // closing a book of a dead process is harmless

    m_office->restart();
    QVERIFY(m_office->isAlive());
    QVERIFY(m_office->processGroup() != oldGroup);
    QVERIFY(!OfficeRecord::hasLiveGroupMembers(oldGroup));
    auto again = OfficeDocument::load(*m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    QCOMPARE(again->sheetCount(), 4);
}

void tst_OfficeProcess::stoppedProcessFailsTheCallInsteadOfHanging()
{
    auto book = OfficeDocument::load(*m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    const qint64 group = m_office->processGroup();
    m_office->setCallLimits(2s, 180s);

    QCOMPARE(::kill(-pid_t(group), SIGSTOP), 0);
    QStringList states;
    const auto allStopped = [&] {
        states = memberStates(group);
        return states.size() == states.count(QStringLiteral("T"));
    };
    QTRY_VERIFY2_WITH_TIMEOUT(allStopped(), "the office's processes did not all stop", 60000);
    QVERIFY(states.size() >= 2); // the launcher and the office itself
    try {
        book->sheetNames();
        QFAIL("a call on a stopped process returned");
    } catch (const OfficeError &e) {
        QCOMPARE(e.kind(), OfficeError::Kind::NotResponding);
    }
    QVERIFY(!m_office->isAlive());
    book.reset();

    m_office->setCallLimits(15s, 180s);
    m_office->start();
    QVERIFY(m_office->isAlive());
    QVERIFY(!OfficeRecord::hasLiveGroupMembers(group));
}

void tst_OfficeProcess::shutdownLeavesNoProcess()
{
    auto book = OfficeDocument::load(*m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    const qint64 group = m_office->processGroup();
    const OfficeRecord record = OfficeRecord::readAll().value(0);
    const QString profile = m_office->profileDir();
    m_office->shutdown();
    QVERIFY(!m_office->isRunning());
    QVERIFY(!OfficeRecord::hasLiveGroupMembers(group));
    QVERIFY(!QFileInfo::exists(record.filePath()));
    // The VBA settings were stored in the private profile: projects are kept
    // as written, never regenerated.
    QFile settings(profile + QStringLiteral("/user/registrymodifications.xcu"));
    QVERIFY(settings.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(settings.readAll());
    QVERIFY(xml.contains(QStringLiteral(
        "<item oor:path=\"/org.openoffice.Office.Calc/Filter/Import/VBA\"><prop oor:name=\"UseExport\" "
        "oor:op=\"fuse\"><value>false</value>")));
    // The book was closed before the end: no lock file stays behind.
    QVERIFY(!QFileInfo::exists(QFileInfo(fixture(QStringLiteral("hidden_third_sheet.xls"))).path()
                               + QStringLiteral("/.~lock.hidden_third_sheet.xls#")));
    book.reset();

    // A destroyed process object ends its process too.
    qint64 second = 0;
    {
        OfficeProcess other;
        other.start();
        second = other.processGroup();
        QVERIFY(OfficeRecord::hasLiveGroupMembers(second));
    }
    QVERIFY(!OfficeRecord::hasLiveGroupMembers(second));

    // First use starts it again.
    auto reloaded = OfficeDocument::load(*m_office, fixture(QStringLiteral("hidden_third_sheet.xls")));
    QVERIFY(m_office->isRunning());
    QCOMPARE(reloaded->sheetCount(), 4);
}

void tst_OfficeProcess::leftoverOfAKilledRunIsFoundAndClosed()
{
    QProcess helper;
    helper.start(QCoreApplication::applicationDirPath() + QStringLiteral("/office_leftover_helper"));
    QVERIFY(helper.waitForStarted(30000));
    while (!helper.canReadLine())
        QVERIFY2(helper.waitForReadyRead(180000), "the helper never reported its office");
    const qint64 officePid = helper.readLine().trimmed().toLongLong();
    QVERIFY(officePid > 0);
    helper.kill();
    QVERIFY(helper.waitForFinished(30000));

    const QList<OfficeRecord> leftovers = OfficeProcess::findLeftover();
    QCOMPARE(leftovers.size(), 1);
    QCOMPARE(leftovers.first().pid, officePid);
    QVERIFY(leftovers.first().isProcessAlive());
    // Our own profile is never shared with it.
    QVERIFY(leftovers.first().profile != m_office->profileDir());

    QVERIFY(OfficeProcess::closeLeftover(leftovers.first()));
    QVERIFY(!OfficeRecord::hasLiveGroupMembers(leftovers.first().pgid));
    QVERIFY(OfficeProcess::findLeftover().isEmpty());
    QVERIFY(m_office->isAlive());
}

void tst_OfficeProcess::cleanupTestCase()
{
    const qint64 group = m_office->processGroup();
    m_office.reset();
    QVERIFY(!OfficeRecord::hasLiveGroupMembers(group));
}

QTEST_GUILESS_MAIN(tst_OfficeProcess)
#include "tst_officeprocess.moc"
