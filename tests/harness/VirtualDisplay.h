#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

// An X display of the test's own: Xvfb with the openbox window manager on it,
// as a user's desktop has one, so that windows are mapped, placed and closed
// as they are there. Both end with the test process, however that ends.
// Every wait is bounded; start() says what failed.
class VirtualDisplay
{
public:
    ~VirtualDisplay() { stop(); }

    // Empty when the display is up and managed, else what went wrong.
    QString start()
    {
        for (const char *tool : {"Xvfb", "openbox", "xwininfo", "xprop"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return QStringLiteral("%1 is not installed (scripts/setup.sh installs it)").arg(QLatin1String(tool));
        }
        // The server takes the first number no other server holds, claiming
        // it with its lock file, and tells it on its output: two tests
        // starting at once never share a display.
        m_server.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                        QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"),
                        // no reset when the last client leaves: it refuses
                        // connections while it resets
                        QStringLiteral("-noreset")});
        if (!m_server.waitForStarted(10000))
            return QStringLiteral("Xvfb did not start: ") + m_server.errorString();
        QByteArray announced;
        waitUntil([&] {
            m_server.waitForReadyRead(50);
            announced += m_server.readAllStandardOutput();
            return announced.contains('\n') || m_server.state() != QProcess::Running;
        }, 30000);
        bool isNumber = false;
        const int number = announced.trimmed().toInt(&isNumber);
        if (!isNumber || m_server.state() != QProcess::Running)
            return QStringLiteral("Xvfb did not announce its display: ")
                   + QString::fromLocal8Bit(m_server.readAllStandardError());
        if (waitUntil([&] { return run(QStringLiteral("xwininfo"), number, {QStringLiteral("-root")}); }, 30000))
            m_name = QStringLiteral(":%1").arg(number);
        else
            stopProcess(m_server);
        if (m_name.isEmpty())
            return QStringLiteral("no X display could be started");
        m_manager.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), m_name);
        m_manager.setProcessEnvironment(environment);
        m_manager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (!m_manager.waitForStarted(10000))
            return QStringLiteral("openbox did not start: ") + m_manager.errorString();
        // A window manager announces itself on the root window.
        if (!waitUntil([&] { return managed(); }, 30000))
            return QStringLiteral("openbox did not take the display ") + m_name;
        return QString();
    }

    // ":<n>", for DISPLAY.
    QString name() const { return m_name; }
    bool isRunning() const { return m_server.state() == QProcess::Running; }

    void stop()
    {
        stopProcess(m_manager);
        stopProcess(m_server);
    }

private:
    template <typename Condition>
    static bool waitUntil(Condition condition, int milliseconds)
    {
        for (int waited = 0; waited < milliseconds; waited += 50) {
            if (condition())
                return true;
            QThread::msleep(50);
        }
        return condition();
    }

    // Runs an X client on display `number`; true when it succeeded.
    static bool run(const QString &program, int number, const QStringList &arguments, QByteArray *output = nullptr)
    {
        QProcess client;
        client.start(program, QStringList{QStringLiteral("-display"), QStringLiteral(":%1").arg(number)} + arguments);
        if (!client.waitForFinished(10000))
            return false;
        if (output)
            *output = client.readAllStandardOutput();
        return client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
    }

    bool managed() const
    {
        QByteArray output;
        return run(QStringLiteral("xprop"), m_name.mid(1).toInt(),
                   {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")}, &output)
               && output.contains("window id");
    }

    static void stopProcess(QProcess &process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished(10000);
        }
    }

    QProcess m_server;
    QProcess m_manager;
    QString m_name;
};
