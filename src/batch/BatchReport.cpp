#include "BatchReport.h"

#include "MessageBox.h"

#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

BatchReport::BatchReport() : m_terminal(isatty(STDERR_FILENO) == 1) {}

void BatchReport::write(const QString &line)
{
    endProgress();
    std::fputs(("quirn-batch: " + line + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

void BatchReport::failure(const QString &book, const QString &text)
{
    m_failed = true;
    note(book, text);
}

void BatchReport::note(const QString &book, const QString &text)
{
    write(book.isEmpty() ? text : QFileInfo(book).fileName() + QStringLiteral(": ") + text);
}

void BatchReport::passOnMessages(const QString &book)
{
    for (const MessageBox::Shown &shown : MessageBox::TakeShown())
        note(book, QString(shown.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
}

void BatchReport::progress(int done, int total, const QString &book)
{
    if (!m_terminal)
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

int BatchReport::usageError(const QString &text)
{
    std::fputs(("quirn-batch: " + text + QLatin1Char('\n')).toUtf8().constData(), stderr);
    std::fputs("quirn-batch --help で使い方を表示します。\n", stderr);
    return 2;
}
