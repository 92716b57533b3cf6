// A record of a leftover office names a process id; by the time a later run
// reads it, the system may have given that id to another program. Such a
// process is never ended.

#include "OfficeTestEnvironment.h"

#include "OfficeProcess.h"
#include "OfficeRecord.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class tst_OfficeRecord : public QObject
{
    Q_OBJECT

private slots:
    void aProcessThatIsNotOursIsLeftAlone();

private:
    OfficeTestEnvironment m_environment;
};

namespace {

// A process of the test's own, in a process group of its own, as an office
// of ours would run.
pid_t startForeignGroup()
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        ::execlp("sleep", "sleep", "60", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::setpgid(child, child);
    return child;
}

// A process id no program has: one that was used and has ended.
qint64 endedProcessId()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace

void tst_OfficeRecord::aProcessThatIsNotOursIsLeftAlone()
{
    const pid_t foreign = startForeignGroup();
    QVERIFY(foreign > 0);
    QTRY_VERIFY2_WITH_TIMEOUT(OfficeRecord::hasLiveGroupMembers(foreign), "the foreign process group never started",
                              30000);

    OfficeRecord record;
    record.pid = foreign;
    record.pgid = foreign;
    record.ownerPid = endedProcessId(); // the run that wrote it was killed
    record.pipe = QStringLiteral("quirn-1-0123456789abcdef");
    record.profile = m_environment.root() + QStringLiteral("/cache/office/profile-0");
    record.role = OfficeRecord::Role::Engine;
    QVERIFY(record.write());
    QVERIFY(record.isProcessAlive());
    QVERIFY(!record.isOurs());

    // Not found as a leftover, and the stale record goes.
    QVERIFY(OfficeProcess::findLeftover().isEmpty());
    QVERIFY(!QFileInfo::exists(record.filePath()));

    // Asked to close it anyway: the record goes, the process stays.
    QVERIFY(record.write());
    QVERIFY(OfficeProcess::closeLeftover(record));
    QVERIFY(!QFileInfo::exists(record.filePath()));
    QTest::qWait(200);
    QVERIFY(OfficeRecord::hasLiveGroupMembers(foreign));

    // The same holds for a process recorded as handed to the user.
    record.role = OfficeRecord::Role::User;
    QVERIFY(record.write());
    QVERIFY(OfficeProcess::findUserProcess().isEmpty());
    QVERIFY(OfficeRecord::hasLiveGroupMembers(foreign));

    ::kill(-foreign, SIGKILL);
    ::waitpid(foreign, nullptr, 0);
}

QTEST_GUILESS_MAIN(tst_OfficeRecord)
#include "tst_officerecord.moc"
