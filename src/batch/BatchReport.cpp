#include "BatchReport.h"

#include "ExcelError.h"
#include "MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

BatchReport::BatchReport(const Options &options) : m_options(options), m_terminal(isatty(STDERR_FILENO) == 1) {}

void BatchReport::write(const QString &line)
{
    endProgress();
    std::fputs(("quirn-batch: " + line + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

BatchReport::Entry &BatchReport::entry(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (Entry &known : m_books)
        if (known.path == absolute)
            return known;
    m_books.append(Entry{absolute, {}, {}, {}, {}});
    return m_books.last();
}

void BatchReport::book(const QString &path)
{
    entry(path);
}

void BatchReport::failure(const QString &book, const QString &text, const QString &code)
{
    m_failed = true;
    const QJsonObject error{{QStringLiteral("code"), code}, {QStringLiteral("text"), text}};
    if (book.isEmpty()) {
        if (m_runError.isEmpty())
            m_runError = error;
    } else {
        Entry &failed = entry(book);
        if (failed.error.isEmpty())
            failed.error = error;
    }
    write(book.isEmpty() ? text : shownPath(book) + QStringLiteral(": ") + text);
}

void BatchReport::failure(const QString &book, const ExcelError &error)
{
    if (error.number() == ExcelError::CannotCreateObject)
        environmentFailure(error.description(), error.reason());
    else
        failure(book, error.description(), error.reason());
}

void BatchReport::environmentFailure(const QString &text, const QString &code)
{
    m_environment = true;
    failure(QString(), text, code);
}

void BatchReport::note(const QString &book, const QString &text)
{
    if (m_options.quiet)
        return;
    write(book.isEmpty() ? text : shownPath(book) + QStringLiteral(": ") + text);
}

void BatchReport::changed(const QString &book, const QString &sheet, const QString &action, const QString &way,
                          const QJsonObject &more)
{
    QJsonObject change = more;
    change.insert(QStringLiteral("sheet"), sheet);
    change.insert(QStringLiteral("action"), action);
    change.insert(QStringLiteral("way"), way);
    entry(book).changed.append(change);
}

void BatchReport::skipped(const QString &book, const QString &sheet, const QString &code, const QString &text)
{
    QJsonObject skip{{QStringLiteral("code"), code}, {QStringLiteral("text"), text}};
    if (!sheet.isEmpty())
        skip.insert(QStringLiteral("sheet"), sheet);
    entry(book).skipped.append(skip);
    note(book, sheet.isEmpty() ? text : sheet + QStringLiteral(": ") + text);
}

void BatchReport::addFacts(const QString &book, const QJsonObject &facts)
{
    QJsonObject &known = entry(book).facts;
    for (auto it = facts.constBegin(); it != facts.constEnd(); ++it)
        known.insert(it.key(), it.value());
}

void BatchReport::passOnMessages(const QString &book)
{
    for (const MessageBox::Shown &shown : MessageBox::TakeShown())
        note(book, QString(shown.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

void BatchReport::progress(int done, int total, const QString &book)
{
    if (!m_terminal || m_options.quiet)
        return;
    const QString line = QStringLiteral("\r%1/%2 %3").arg(done).arg(total).arg(QFileInfo(book).fileName());
    std::fputs(line.left(79).toUtf8().constData(), stderr);
    std::fputs("\x1b[K", stderr);
    std::fflush(stderr);
    m_progressShown = true;
}

void BatchReport::endProgress()
{
    if (!m_progressShown)
        return;
    std::fputs("\r\x1b[K", stderr);
    m_progressShown = false;
}

int BatchReport::exitCode() const
{
    if (m_environment)
        return Environment;
    return m_failed ? SomeFailed : Success;
}

int BatchReport::finish(QTextStream &out, int status)
{
    endProgress();
    if (!m_options.json)
        return status;
    QJsonArray books;
    for (const Entry &known : std::as_const(m_books)) {
        QJsonObject book = known.facts;
        book.insert(QStringLiteral("path"), known.path);
        book.insert(QStringLiteral("ok"), known.error.isEmpty());
        book.insert(QStringLiteral("changed"), known.changed);
        book.insert(QStringLiteral("skipped"), known.skipped);
        if (!known.error.isEmpty())
            book.insert(QStringLiteral("error"), known.error);
        books.append(book);
    }
    QJsonObject run{{QStringLiteral("version"), SchemaVersion},
                    {QStringLiteral("verb"), m_options.verb},
                    {QStringLiteral("dry-run"), m_options.dryRun},
                    {QStringLiteral("exit"), status},
                    {QStringLiteral("books"), books}};
    if (!m_runError.isEmpty())
        run.insert(QStringLiteral("error"), m_runError);
    // One line in one write: the documents of runs side by side appending to
    // one file stay whole, one per line.
    out.flush();
    std::fflush(stdout);
    const QByteArray document = QJsonDocument(run).toJson(QJsonDocument::Compact) + '\n';
    for (qsizetype written = 0; written < document.size();) {
        const ssize_t n = ::write(STDOUT_FILENO, document.constData() + written, size_t(document.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    return status;
}

QString BatchReport::shownPath(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString relative = QDir::current().relativeFilePath(absolute);
    return relative.startsWith(QLatin1String("../")) ? absolute : relative;
}

int BatchReport::usageError(const QString &text)
{
    std::fputs(("quirn-batch: " + text + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fputs("quirn-batch --help で使い方を表示します。\n", stderr);
    return BadUsage;
}
