#pragma once

#include <QString>

// Where quirn-batch tells the user what happened: every message goes to
// stderr, prefixed with the program's name and the book (and sheet) it
// concerns; a book that failed makes the run's exit status 1.
class BatchReport
{
public:
    BatchReport();

    void failure(const QString &book, const QString &text);
    void note(const QString &book, const QString &text);
    // Passes on what the engine said through its message boxes while working
    // on `book` (the batch program shows none).
    void passOnMessages(const QString &book);
    // "n/m book" on one line that rewrites itself, only when stderr is a terminal.
    void progress(int done, int total, const QString &book);
    void endProgress();

    // Bad usage: the text and where to find help on stderr; returns exit status 2.
    static int usageError(const QString &text);

    bool failed() const { return m_failed; }
    int exitCode() const { return m_failed ? 1 : 0; }

private:
    void write(const QString &line);

    bool m_failed = false;
    bool m_terminal = false;
    bool m_progressShown = false;
};
