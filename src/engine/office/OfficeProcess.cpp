#include "OfficeProcess.h"

#include "CallWatchdog.h"
#include "OfficeConnection.h"
#include "OfficeError.h"
#include "UnoText.h"

#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/util/XChangesBatch.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

using namespace com::sun::star;

namespace {

constexpr std::chrono::milliseconds kExitWait{10000};

uno::Any namedValue(const char *name, const uno::Any &value)
{
    return uno::Any(beans::NamedValue(rtl::OUString::createFromAscii(name), value));
}

uno::Reference<uno::XInterface> configNode(const uno::Reference<uno::XComponentContext> &context,
                                           const char *path, bool forUpdate)
{
    uno::Reference<lang::XMultiServiceFactory> provider =
        configuration::theDefaultProvider::get(context);
    const uno::Any node = namedValue("nodepath", uno::Any(rtl::OUString::createFromAscii(path)));
    const uno::Sequence<uno::Any> args(&node, 1);
    return provider->createInstanceWithArguments(
        forUpdate ? rtl::OUString("com.sun.star.configuration.ConfigurationUpdateAccess")
                  : rtl::OUString("com.sun.star.configuration.ConfigurationAccess"),
        args);
}

QString productValue(OfficeConnection &c, const char *key)
{
    return c.call(CallKind::Quick, [&] {
        uno::Reference<container::XNameAccess> node(
            configNode(c.context(), "/org.openoffice.Setup/Product", false), uno::UNO_QUERY_THROW);
        rtl::OUString value;
        node->getByName(rtl::OUString::createFromAscii(key)) >>= value;
        return toQString(value);
    });
}

void closeAllAndTerminate(OfficeConnection &c)
{
    c.call(CallKind::Quick, [&] {
        uno::Reference<container::XEnumeration> documents =
            c.desktop()->getComponents()->createEnumeration();
        while (documents->hasMoreElements()) {
            uno::Reference<util::XCloseable> closeable(documents->nextElement(), uno::UNO_QUERY);
            try {
                if (closeable.is())
                    closeable->close(true);
            } catch (const lang::DisposedException &) {
                throw;
            } catch (const uno::Exception &) {
                // A document that refuses to close goes with the process.
            }
        }
        c.desktop()->terminate();
    });
}

std::shared_ptr<OfficeConnection> connectToRecord(const OfficeRecord &record,
                                                  std::shared_ptr<CallWatchdog> watchdog)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (auto c = OfficeConnection::tryOpen(record.pipe, watchdog, record.pgid, CallLimits{}))
            return c;
        QThread::msleep(100);
    }
    return nullptr;
}

bool waitForGroupToEnd(qint64 pgid, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (OfficeRecord::hasLiveGroupMembers(pgid)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QThread::msleep(20);
    }
    return true;
}

} // namespace

OfficeProcess::OfficeProcess()
    : m_watchdog(std::make_shared<CallWatchdog>())
{
}

OfficeProcess::~OfficeProcess()
{
    if (m_starter.joinable())
        m_starter.join();
    shutdown();
    releaseProfile();
}

bool OfficeProcess::displayAvailable()
{
    if (qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen"))
        return false;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // A local X display ":N" or "unix:N" must have its socket; an office
    // that cannot open its display ends at start.
    static const QRegularExpression local(QStringLiteral("^(unix)?:(\\d+)(\\.\\d+)?$"));
    const QRegularExpressionMatch match = local.match(display);
    if (!match.hasMatch())
        return true; // a remote display: the office finds out
    return QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X") + match.captured(2));
}

void OfficeProcess::setCallLimits(std::chrono::milliseconds quick, std::chrono::milliseconds longer)
{
    m_quickLimit = quick;
    m_longLimit = longer;
    if (m_connection)
        m_connection->setLimits(CallLimits{quick, longer});
}

qint64 OfficeProcess::pid() const { return m_record.pid; }
qint64 OfficeProcess::processGroup() const { return m_record.pgid; }
QString OfficeProcess::pipeName() const { return m_record.pipe; }
QString OfficeProcess::profileDir() const { return m_record.profile; }
bool OfficeProcess::runsWithDisplay() const { return m_withDisplay; }

bool OfficeProcess::isRunning() const
{
    if (m_starter.joinable() && !m_starterDone)
        return false; // still starting
    return m_connection && !m_connection->isGone();
}

bool OfficeProcess::isAlive()
{
    if (!isRunning())
        return false;
    try {
        m_connection->call(CallKind::Quick, [&] {
            uno::Reference<container::XIndexAccess> frames(m_connection->desktop()->getFrames(),
                                                           uno::UNO_QUERY_THROW);
            return frames->getCount();
        });
        return true;
    } catch (const OfficeError &) {
        return false;
    }
}

std::shared_ptr<OfficeConnection> OfficeProcess::connection()
{
    start();
    return m_connection;
}

namespace {

std::function<void(OfficeProcess::StartWait)> &startWait()
{
    static std::function<void(OfficeProcess::StartWait)> wait;
    return wait;
}

bool onMainThread()
{
    return QCoreApplication::instance()
           && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

void OfficeProcess::setStartWait(std::function<void(StartWait)> wait)
{
    startWait() = std::move(wait);
}

void OfficeProcess::startInBackground()
{
    if (m_starter.joinable() || isRunning())
        return;
    m_starterDone = false;
    m_starterError = nullptr;
    m_starter = std::thread([this] {
        try {
            startNow();
        } catch (...) {
            m_starterError = std::current_exception();
        }
        m_starterDone = true;
    });
}

// Waits for a start running on its own thread, letting a window's events run
// meanwhile; rethrows its failure.
void OfficeProcess::waitForStarter()
{
    if (!m_starterDone && startWait() && onMainThread()) {
        const auto &wait = startWait();
        wait(StartWait::Begin);
        while (!m_starterDone) {
            wait(StartWait::Tick);
            QThread::msleep(15);
        }
        wait(StartWait::End);
    }
    m_starter.join();
    if (std::exception_ptr error = std::exchange(m_starterError, nullptr))
        std::rethrow_exception(error);
}

void OfficeProcess::start()
{
    if (m_starter.joinable()) {
        waitForStarter();
        if (isRunning())
            return;
    }
    if (isRunning())
        return;
    // A window stays responsive while the office starts.
    if (startWait() && onMainThread()) {
        startInBackground();
        waitForStarter();
        return;
    }
    startNow();
}

void OfficeProcess::startNow()
{
    if (isRunning())
        return;
    if (m_record.pid != 0)
        kill(); // the previous process died or hangs: end what is left of it
    const bool withDisplay = displayAvailable();
    try {
        startOnce(withDisplay);
    } catch (const OfficeError &) {
        // An office that cannot open the display ends at once: without a
        // window the program still works.
        if (!withDisplay)
            throw;
        startOnce(false);
    }
}

void OfficeProcess::startOnce(bool withDisplay)
{
    spawn(withDisplay);
    try {
        connectToSpawned();
        configureProfile();
    } catch (const OfficeError &) {
        kill();
        throw;
    }
}

void OfficeProcess::restart()
{
    shutdown();
    start();
}

// The first profile slot no other engine holds. A slot is claimed by an
// exclusive lock on its lock file, held for as long as this process uses the
// profile: two Quirn processes starting at the same moment never get the same
// slot, and a crashed process's claim ends with it. A slot whose profile a
// live office of ours still uses (one handed to the user, or one a crashed
// run left behind) is skipped as well: two offices on one profile merge.
QString OfficeProcess::claimProfile()
{
    releaseProfile();
    const QString folder = profileFolder();
    if (!QDir().mkpath(folder))
        throw OfficeError(OfficeError::Kind::StartFailed,
                          QStringLiteral("表計算エンジンの作業フォルダを作成できません。（%1）").arg(folder));
    for (int slot = 0;; ++slot) {
        const QString dir = folder + QStringLiteral("/profile-%1").arg(slot);
        const QByteArray lockPath = QFile::encodeName(dir + QStringLiteral(".lock"));
        const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            throw OfficeError(OfficeError::Kind::StartFailed,
                              QStringLiteral("表計算エンジンの作業フォルダを作成できません。（%1）")
                                  .arg(QString::fromLocal8Bit(strerror(errno))));
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        bool usedByLiveOffice = false;
        for (const OfficeRecord &r : OfficeRecord::readAll())
            usedByLiveOffice = usedByLiveOffice || (r.profile == dir && r.isProcessAlive());
        if (usedByLiveOffice) {
            ::close(fd);
            continue;
        }
        m_profileLock = fd;
        return dir;
    }
}

QString OfficeProcess::profileFolder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.cache/quirn");
    return base + QStringLiteral("/office");
}

void OfficeProcess::releaseProfile()
{
    if (m_profileLock >= 0)
        ::close(m_profileLock);
    m_profileLock = -1;
}

void OfficeProcess::spawn(bool withDisplay)
{
    // The connection's first use sets a variable of the environment: it must
    // be done before any thread spawns an office from that environment.
    OfficeConnection::localContext();
    m_withDisplay = withDisplay;
    OfficeRecord record;
    record.profile = claimProfile();
    QDir().mkpath(record.profile);
    record.pipe = QStringLiteral("quirn-%1-%2")
                      .arg(QCoreApplication::applicationPid())
                      .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    record.ownerPid = QCoreApplication::applicationPid();

    const QByteArray program = QByteArrayLiteral(QUIRN_LO_PROGRAM "/soffice");
    QList<QByteArray> args{
        program,
        m_withDisplay ? QByteArrayLiteral("--invisible") : QByteArrayLiteral("--headless"),
        QByteArrayLiteral("--norestore"),
        QByteArrayLiteral("--nologo"),
        QByteArrayLiteral("--nodefault"),
        QByteArrayLiteral("--nolockcheck"),
        "-env:UserInstallation=" + QUrl::fromLocalFile(record.profile).toEncoded(),
        "--accept=pipe,name=" + record.pipe.toUtf8() + ";urp;"};
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF
                                        | POSIX_SPAWN_SETSIGMASK);
    pid_t child = 0;
    const int rc = posix_spawn(&child, program.constData(), &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        releaseProfile();
        throw OfficeError(OfficeError::Kind::StartFailed,
                          QStringLiteral("表計算エンジンを起動できません。（%1）")
                              .arg(QString::fromLocal8Bit(strerror(rc))));
    }
    record.pid = child;
    record.pgid = child;
    record.role = OfficeRecord::Role::Engine;
    record.write();
    m_record = record;
}

void OfficeProcess::connectToSpawned()
{
    const auto deadline = std::chrono::steady_clock::now() + m_longLimit;
    const CallLimits limits{m_quickLimit, m_longLimit};
    while (true) {
        int status = 0;
        if (::waitpid(pid_t(m_record.pid), &status, WNOHANG) == pid_t(m_record.pid)) {
            m_reaped = true; // never wait for or signal that number again
            const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            throw OfficeError(OfficeError::Kind::StartFailed,
                              QStringLiteral("表計算エンジンが起動直後に終了しました。（終了コード %1）")
                                  .arg(code));
        }
        m_connection = OfficeConnection::tryOpen(m_record.pipe, m_watchdog, m_record.pgid, limits);
        if (m_connection)
            return;
        if (std::chrono::steady_clock::now() >= deadline) {
            throw OfficeError(OfficeError::Kind::StartFailed,
                              QStringLiteral("表計算エンジンに接続できません。"));
        }
        QThread::msleep(25);
    }
}

void OfficeProcess::configureProfile()
{
    OfficeConnection &c = *m_connection;
    c.call(CallKind::Quick, [&] {
        // Keep a book's VBA project as it was written (never regenerated on
        // save), its code loaded as text that never runs, even in a window
        // handed to the user: the saved project is the same byte for byte.
        uno::Reference<beans::XPropertySet> vba(
            configNode(c.context(), "/org.openoffice.Office.Calc/Filter/Import/VBA", true),
            uno::UNO_QUERY_THROW);
        vba->setPropertyValue("Load", uno::Any(true));
        vba->setPropertyValue("Executable", uno::Any(false));
        vba->setPropertyValue("Save", uno::Any(true));
        vba->setPropertyValue("UseExport", uno::Any(false));
        uno::Reference<util::XChangesBatch>(vba, uno::UNO_QUERY_THROW)->commitChanges();
    });
}

QString OfficeProcess::version()
{
    return productValue(*connection(), "ooSetupVersionAboutBox");
}

QString OfficeProcess::productName()
{
    return productValue(*connection(), "ooName");
}

void OfficeProcess::shutdown()
{
    if (m_starter.joinable()) {
        m_starter.join();
        m_starterError = nullptr;
    }
    if (m_record.pid == 0)
        return;
    if (isRunning()) {
        try {
            closeAllAndTerminate(*m_connection);
        } catch (const OfficeError &) {
            // Ended below in any case.
        }
    }
    waitForExit();
    m_record.remove();
    clear();
}

void OfficeProcess::kill()
{
    if (m_starter.joinable() && std::this_thread::get_id() != m_starter.get_id()) {
        m_starter.join();
        m_starterError = nullptr;
    }
    if (m_record.pid == 0)
        return;
    if (m_connection)
        m_connection->markGone();
    if (m_record.pgid > 0)
        ::kill(-pid_t(m_record.pgid), SIGKILL);
    reap();
    waitForGroupToEnd(m_record.pgid, kExitWait);
    m_record.remove();
    clear();
}

void OfficeProcess::waitForExit()
{
    const auto deadline = std::chrono::steady_clock::now() + kExitWait;
    while (m_record.pid > 0 && !m_reaped) {
        int status = 0;
        const pid_t r = ::waitpid(pid_t(m_record.pid), &status, WNOHANG);
        if (r == pid_t(m_record.pid) || (r < 0 && errno == ECHILD))
            break;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(-pid_t(m_record.pgid), SIGKILL);
            reap();
            break;
        }
        QThread::msleep(10);
    }
    // Whatever is left of the group (an office whose launcher ended first).
    if (!waitForGroupToEnd(m_record.pgid, std::chrono::milliseconds(2000)))
        ::kill(-pid_t(m_record.pgid), SIGKILL);
}

void OfficeProcess::reap()
{
    if (m_record.pid > 0 && !m_reaped) {
        int status = 0;
        while (::waitpid(pid_t(m_record.pid), &status, 0) < 0 && errno == EINTR) {
        }
    }
}

void OfficeProcess::clear()
{
    if (m_connection)
        m_connection->markGone();
    m_connection.reset();
    m_record = OfficeRecord();
    m_reaped = false;
    releaseProfile();
}

OfficeRecord OfficeProcess::handOver()
{
    OfficeRecord user = m_record;
    m_record.remove();
    user.role = OfficeRecord::Role::User;
    user.write();
    // The documents of that process are the user's now; our next use starts a
    // new process (its record keeps the profile taken while it runs).
    m_connection.reset();
    m_record = OfficeRecord();
    m_reaped = false;
    releaseProfile();
    return user;
}

QList<OfficeRecord> OfficeProcess::findLeftover()
{
    QList<OfficeRecord> found;
    for (const OfficeRecord &r : OfficeRecord::readAll()) {
        if (r.role != OfficeRecord::Role::Engine || r.isOwnerAlive())
            continue;
        // A process id the system gave to another program since is not ours
        // to end: the record alone is stale.
        if (r.isProcessAlive() && r.isOurs())
            found.append(r);
        else
            r.remove();
    }
    return found;
}

bool OfficeProcess::closeLeftover(const OfficeRecord &record)
{
    if (!record.isOurs()) {
        record.remove(); // our process is gone; its id went to another program
        return true;
    }
    auto watchdog = std::make_shared<CallWatchdog>();
    if (auto c = connectToRecord(record, watchdog)) {
        try {
            closeAllAndTerminate(*c);
        } catch (const OfficeError &) {
        }
        c.reset();
    }
    if (!waitForGroupToEnd(record.pgid, kExitWait)) {
        ::kill(-pid_t(record.pgid), SIGKILL);
        waitForGroupToEnd(record.pgid, kExitWait);
    }
    const bool gone = !OfficeRecord::hasLiveGroupMembers(record.pgid);
    if (gone)
        record.remove();
    return gone;
}

QList<OfficeRecord> OfficeProcess::findUserProcess()
{
    QList<OfficeRecord> found;
    for (const OfficeRecord &r : OfficeRecord::readAll()) {
        if (r.role != OfficeRecord::Role::User)
            continue;
        // A process handed over by this program instance is still our child.
        int status = 0;
        ::waitpid(pid_t(r.pid), &status, WNOHANG);
        if (r.isProcessAlive() && r.isOurs())
            found.append(r);
        else
            r.remove();
    }
    return found;
}

bool OfficeProcess::askToClose(const OfficeRecord &record)
{
    auto c = connectToRecord(record, std::make_shared<CallWatchdog>());
    if (!c)
        return false;
    // The office may ask the user about unsaved changes; that answer can take
    // any time, so the request runs on a thread of its own, unwatched.
    std::thread([c] {
        try {
            c->desktop()->terminate();
        } catch (const uno::Exception &) {
        }
    }).detach();
    return true;
}
