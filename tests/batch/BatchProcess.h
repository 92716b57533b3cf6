#pragma once

// quirn-batch run as a user runs it: a separate process with no display,
// its exit status and output read back. A run that does not end within
// the limit is ended and reported with status -1.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtGlobal>

struct BatchRun
{
    int status = -1;
    QByteArray out;
    QString err;
};

inline BatchRun runBatch(const QStringList &arguments, int limitMs = 600000)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(); // CUPS_SERVER included
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUIRN_BATCH), arguments);
    if (!process.waitForFinished(limitMs)) {
        process.kill();
        process.waitForFinished();
        qWarning("quirn-batch did not finish within %d s", limitMs / 1000);
        return {};
    }
    BatchRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
