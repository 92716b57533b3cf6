#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

#include <source_location>

// The helper programs tests read their results with (pdftotext, the office's
// converter, the record reader, X clients). Every run is bounded: a program
// that cannot start, does not end in time or fails fails the running test,
// saying which and why, at the caller's line, and gives nothing back.
class TestTool
{
public:
    // What the program wrote to its standard output; empty after a failure.
    static QByteArray Output(const QString &program, const QStringList &arguments, int seconds = 60,
                             std::source_location where = std::source_location::current())
    {
        QByteArray output;
        Run(program, arguments, seconds, &output, where);
        return output;
    }

    // True when the program ended cleanly within `seconds`; else the test fails.
    static bool Run(const QString &program, const QStringList &arguments, int seconds = 60,
                    QByteArray *output = nullptr, std::source_location where = std::source_location::current())
    {
        const QString failure = Failure(program, arguments, seconds, output);
        if (!failure.isEmpty())
            QTest::qFail(qPrintable(failure), where.file_name(), int(where.line()));
        return failure.isEmpty();
    }

    // The same without failing the test, for what is asked again and again
    // while waiting for something to happen.
    static bool Succeeds(const QString &program, const QStringList &arguments, int seconds = 30,
                         QByteArray *output = nullptr)
    {
        return Failure(program, arguments, seconds, output).isEmpty();
    }

    // Converts books with a throwaway office of its own (its profile under
    // `profile`) into `outputFolder`, `filter` as the office names it.
    static bool Convert(const QString &filter, const QStringList &inputs, const QString &outputFolder,
                        const QString &profile, std::source_location where = std::source_location::current())
    {
        return Run(QStringLiteral("soffice"),
                   QStringList{QStringLiteral("-env:UserInstallation=file://") + profile, QStringLiteral("--headless"),
                               QStringLiteral("--norestore"), QStringLiteral("--convert-to"), filter,
                               QStringLiteral("--outdir"), outputFolder}
                       + inputs,
                   300, nullptr, where);
    }

    // The office's CSV filter, UTF-8, for every sheet of a book: one file a
    // sheet, named "<book>-<sheet>.csv".
    static constexpr const char *EverySheetAsCsv =
        "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1";

private:
    // Empty when the program ran to a clean end, else what went wrong.
    static QString Failure(const QString &program, const QStringList &arguments, int seconds, QByteArray *output)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForStarted(30000))
            return QStringLiteral("%1 could not start: %2 (scripts/setup.sh installs it)")
                .arg(program, process.errorString());
        if (!process.waitForFinished(seconds * 1000)) {
            process.kill();
            process.waitForFinished(10000);
            return QStringLiteral("%1 did not end within %2 s").arg(program).arg(seconds);
        }
        const QByteArray out = process.readAllStandardOutput();
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            return QStringLiteral("%1 failed (exit %2): %3")
                .arg(program)
                .arg(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1)
                .arg(QString::fromLocal8Bit(process.readAllStandardError().trimmed().left(2000)));
        }
        if (output)
            *output = out;
        return QString();
    }
};
