#pragma once

// quirn-batch run as a user runs it: a separate process with no display,
// its exit status and output read back. A run that does not end within
// the limit is ended and reported with status -1.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <vector>

struct BatchRun
{
    int status = -1;
    QByteArray out;
    QString err;
};

inline void startBatch(QProcess &process, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(); // CUPS_SERVER included
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUIRN_BATCH), arguments);
}

inline BatchRun finishBatch(QProcess &process, int limitMs)
{
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

inline BatchRun runBatch(const QStringList &arguments, int limitMs = 600000)
{
    QProcess process;
    startBatch(process, arguments);
    return finishBatch(process, limitMs);
}

// Several runs started together, as a user's script starts them.
inline QList<BatchRun> runBatchesAtOnce(const QList<QStringList> &runs, int limitMs = 600000)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList &arguments : runs) {
        processes.push_back(std::make_unique<QProcess>());
        startBatch(*processes.back(), arguments);
    }
    QList<BatchRun> results;
    for (auto &process : processes)
        results << finishBatch(*process, limitMs);
    return results;
}

// The run's --json document, checked against the one layout every verb
// writes: a run object (version, verb, dry-run, exit: the process's status,
// books, an error when the run as a whole failed) holding one object per book
// (absolute path; ok; changed and skipped lists; an error exactly when not
// ok). Codes are ASCII words. Returns what is wrong, empty when nothing is.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

inline QString jsonRunProblem(const BatchRun &run, QJsonObject *document = nullptr)
{
    QJsonParseError parseError;
    const QJsonDocument parsed = QJsonDocument::fromJson(run.out, &parseError);
    if (!parsed.isObject() || run.out.count('\n') != 1)
        return QStringLiteral("not one JSON object on one line: ") + parseError.errorString();
    const QJsonObject top = parsed.object();
    if (document)
        *document = top;
    static const QRegularExpression word(QStringLiteral("^[a-z][a-z0-9-]*$"));
    const auto badError = [&](const QJsonValue &value) {
        const QJsonObject error = value.toObject();
        return !value.isObject() || !word.match(error.value(QStringLiteral("code")).toString()).hasMatch()
            || error.value(QStringLiteral("text")).toString().isEmpty();
    };
    if (top.value(QStringLiteral("version")).toInt() != 1 || !top.value(QStringLiteral("verb")).isString()
        || !top.value(QStringLiteral("dry-run")).isBool() || top.value(QStringLiteral("exit")).toInt(-1) != run.status
        || !top.value(QStringLiteral("books")).isArray())
        return QStringLiteral("bad run object");
    if (top.contains(QStringLiteral("error")) && badError(top.value(QStringLiteral("error"))))
        return QStringLiteral("bad run error");
    static const QStringList actions{"added", "removed", "renamed", "hidden", "shown", "veryhidden",
                                     "deleted", "moved", "set-up", "printed"};
    for (const QJsonValue &value : top.value(QStringLiteral("books")).toArray()) {
        const QJsonObject book = value.toObject();
        const QString path = book.value(QStringLiteral("path")).toString();
        if (!path.startsWith(u'/') || !book.value(QStringLiteral("ok")).isBool()
            || !book.value(QStringLiteral("changed")).isArray() || !book.value(QStringLiteral("skipped")).isArray())
            return QStringLiteral("bad book object: ") + path;
        if (book.value(QStringLiteral("ok")).toBool() == book.contains(QStringLiteral("error"))
            || (book.contains(QStringLiteral("error")) && badError(book.value(QStringLiteral("error")))))
            return QStringLiteral("ok and error disagree: ") + path;
        for (const QJsonValue &change : book.value(QStringLiteral("changed")).toArray())
            if (change.toObject().value(QStringLiteral("sheet")).toString().isEmpty()
                || !actions.contains(change.toObject().value(QStringLiteral("action")).toString())
                || !QStringList{"records", "office"}.contains(change.toObject().value(QStringLiteral("way")).toString()))
                return QStringLiteral("bad change in ") + path;
        for (const QJsonValue &skip : book.value(QStringLiteral("skipped")).toArray())
            if (badError(skip))
                return QStringLiteral("bad skip in ") + path;
    }
    return QString();
}

// Each book's "ok" in order, as "1" and "0": "101" for a failure between two books done.
inline QString okPattern(const QJsonObject &document)
{
    QString pattern;
    for (const QJsonValue &book : document.value(QStringLiteral("books")).toArray())
        pattern += book.toObject().value(QStringLiteral("ok")).toBool() ? u'1' : u'0';
    return pattern;
}
