#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#if __has_include(<QTest>)
#include <QTest>
#define QUIRN_CUPS_FAIL(message) QTest::qFail(message, __FILE__, __LINE__)
#else
#define QUIRN_CUPS_FAIL(message) qWarning("%s", message)
#endif
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

// A CUPS server of the test's own, with one queue that writes every job to a
// file (a PDF, copies included) and is the server's default destination.
// CUPS_SERVER points at its socket for the life of the object, so that no job
// of the test can reach a real printer.
class CupsTestQueue
{
public:
    static constexpr const char *QueueName = "quirn-test";
    static constexpr const char *ColourQueueName = "quirn-test-colour";

    CupsTestQueue()
    {
        qunsetenv("LPDEST");
        qunsetenv("PRINTER");
        // The filters run as the server's own user: they read the printer's
        // description and write into the output and temporary folders.
        const auto readable = QFileDevice::Permissions(0x7755);
        const auto writable = QFileDevice::Permissions(0x7777);
        QFile::setPermissions(m_root.path(), readable);
        for (const char *folder : {"etc", "etc/ppd", "spool", "tmp", "cache", "state", "log", "out"}) {
            const QString path = m_root.filePath(QLatin1String(folder));
            QDir().mkpath(path);
            QFile::setPermissions(path, qstrcmp(folder, "out") == 0 || qstrcmp(folder, "tmp") == 0 ? writable : readable);
        }
        write(QStringLiteral("etc/cups-files.conf"),
              QStringLiteral("ServerRoot %1/etc\nRequestRoot %1/spool\nTempDir %1/tmp\n"
                             "CacheDir %1/cache\nStateDir %1/state\nAccessLog %1/log/access_log\n"
                             "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\n"
                             "FileDevice Yes\nSystemGroup root\n")
                  .arg(m_root.path()));
        write(QStringLiteral("etc/cupsd.conf"),
              QStringLiteral("Listen %1\nLogLevel info\nBrowsing No\nDirtyCleanInterval 0\n"
                             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                             "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n")
                  .arg(socket()));
        // The server ends with the test process, however that ends.
        m_server.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_server.start(QStringLiteral("cupsd"),
                       {QStringLiteral("-f"), QStringLiteral("-c"), m_root.filePath(QStringLiteral("etc/cupsd.conf")),
                        QStringLiteral("-s"), m_root.filePath(QStringLiteral("etc/cups-files.conf"))});
        m_server.waitForStarted(30000);
        qputenv("CUPS_SERVER", QFile::encodeName(socket()));
        for (int waited = 0; waited < 60000 && !QFile::exists(socket()) && m_server.state() == QProcess::Running;
             waited += 50)
            QThread::msleep(50);
        addQueue();
    }

    ~CupsTestQueue()
    {
        m_server.terminate();
        if (!m_server.waitForFinished(30000))
            m_server.kill();
        qunsetenv("CUPS_SERVER");
    }

    QString socket() const { return m_root.filePath(QStringLiteral("cups.sock")); }
    QString outputFile() const { return m_root.filePath(QStringLiteral("out/job.pdf")); }
    // The server runs and answers on its socket.
    bool isRunning() const { return m_server.state() == QProcess::Running && QFile::exists(socket()); }

    void addQueue()
    {
        run({QStringLiteral("lpadmin"), QStringLiteral("-p"), QLatin1String(QueueName), QStringLiteral("-E"),
             QStringLiteral("-v"), QStringLiteral("file://") + outputFile(), QStringLiteral("-P"),
             QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd"),
             QStringLiteral("-o"), QStringLiteral("printer-error-policy=abort-job")});
        run({QStringLiteral("lpadmin"), QStringLiteral("-d"), QLatin1String(QueueName)});
    }

    void removeQueue() { run({QStringLiteral("lpadmin"), QStringLiteral("-x"), QLatin1String(QueueName)}); }

    // Makes a colour printer (its jobs are not kept) the default, or the
    // file-writing queue again: the colour mode a job was sent with shows
    // only on a printer that has a choice.
    void useColourPrinter(bool colour)
    {
        if (colour) {
            run({QStringLiteral("lpadmin"), QStringLiteral("-p"), QLatin1String(ColourQueueName), QStringLiteral("-E"),
                 QStringLiteral("-v"), QStringLiteral("file:///dev/null"), QStringLiteral("-P"),
                 QStringLiteral("/usr/share/ppd/cupsfilters/pxlcolor.ppd")});
        }
        run({QStringLiteral("lpadmin"), QStringLiteral("-d"),
             QLatin1String(colour ? ColourQueueName : QueueName)});
    }

    // Jobs the server finished since it started, once every queued job is done.
    int completedJobs() const
    {
        waitForJobs();
        return lines({QStringLiteral("lpstat"), QStringLiteral("-W"), QStringLiteral("completed"),
                      QStringLiteral("-o"), QLatin1String(QueueName)});
    }

    // Waits until no job is queued or printing; a queue that does not drain
    // within three minutes fails the test.
    void waitForJobs() const
    {
        for (int waited = 0; lines({QStringLiteral("lpstat"), QStringLiteral("-o")}) > 0; waited += 100) {
            if (waited > 180000) {
                QUIRN_CUPS_FAIL("the print queue did not drain within 3 minutes");
                return;
            }
            QThread::msleep(100);
        }
    }

    // Waits until no job is pending, then takes the last job's output away.
    QByteArray takeOutput()
    {
        waitForJobs();
        QFile file(outputFile());
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        const QByteArray bytes = file.readAll();
        file.close();
        file.remove();
        return bytes;
    }

    // The attributes the last job was sent with, as the server keeps them.
    QByteArray lastJobAttributes() const
    {
        const QDir spool(m_root.filePath(QStringLiteral("spool")));
        const QStringList control = spool.entryList({QStringLiteral("c*")}, QDir::Files, QDir::Name);
        if (control.isEmpty())
            return QByteArray();
        QFile file(spool.filePath(control.last()));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

private:
    void write(const QString &name, const QString &text)
    {
        QFile file(m_root.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(text.toUtf8());
    }

    static QString run(const QStringList &command)
    {
        QProcess process;
        process.start(command.first(), command.mid(1));
        if (!process.waitForFinished(60000))
            QUIRN_CUPS_FAIL(qPrintable(command.first() + QStringLiteral(" did not end within a minute")));
        return QString::fromLocal8Bit(process.readAllStandardOutput());
    }

    static int lines(const QStringList &command)
    {
        return int(run(command).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size());
    }

    QTemporaryDir m_root;
    QProcess m_server;
};
