#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

class ExcelError;
class QTextStream;

// Where quirn-batch tells what happened. Every message goes to stderr,
// prefixed with the program's name and the book (and sheet) it concerns;
// with --json, the same outcome is also written to stdout at the end as one
// document: a run object holding one object per book.
//
// Exit status, the same for every verb: 0 everything done; 1 some book
// failed (the others were done); 2 bad usage; 3 nothing done because of the
// environment (no office, no printer, a destination that cannot be written).
class BatchReport
{
public:
    enum ExitStatus { Success = 0, SomeFailed = 1, BadUsage = 2, Environment = 3 };
    // The version of the JSON document's layout: fields are only ever added.
    static constexpr int SchemaVersion = 1;

    struct Options
    {
        QString verb;
        bool json = false;
        bool quiet = false;  // errors only on stderr
        bool dryRun = false; // checked and reported as if done, nothing written or sent
    };

    BatchReport() = default;
    explicit BatchReport(const Options &options);

    // The book's entry, made when first named (books appear in that order).
    void book(const QString &path);
    // A book failed (`code` a stable ASCII word for programs); an empty book
    // is a failure of the run as a whole.
    void failure(const QString &book, const QString &text, const QString &code = QStringLiteral("refused"));
    void failure(const QString &book, const ExcelError &error);
    // The run could not start its work: the environment is missing something.
    void environmentFailure(const QString &text, const QString &code);
    void note(const QString &book, const QString &text);
    // What happened to a sheet: `action` one of added, removed, renamed,
    // hidden, shown, veryhidden, deleted, moved, set-up, printed; `way` how
    // ("records" for the book's own records, "office" through LibreOffice).
    void changed(const QString &book, const QString &sheet, const QString &action,
                 const QString &way = QStringLiteral("records"), const QJsonObject &more = {});
    // A sheet (or, with no sheet, the book) left out on purpose, with its reason.
    void skipped(const QString &book, const QString &sheet, const QString &code, const QString &text);
    // Fields a verb adds to a book's entry (list: its sheets and modules).
    void addFacts(const QString &book, const QJsonObject &facts);
    // Passes on what the engine said through its message boxes while working
    // on `book` (the batch program shows none).
    void passOnMessages(const QString &book);
    // "n/m book" on one line that rewrites itself, only when stderr is a terminal.
    void progress(int done, int total, const QString &book);
    void endProgress();

    bool failed() const { return m_failed; }
    bool dryRun() const { return m_options.dryRun; }
    bool json() const { return m_options.json; }
    int exitCode() const;
    // Writes the JSON document when asked for; returns `status`.
    int finish(QTextStream &out, int status);

    // How a book is named in messages: as given below the working folder,
    // whole elsewhere, so that two books of one file name never look alike.
    static QString shownPath(const QString &path);
    // Bad usage: the text and where to find help on stderr; returns exit status 2.
    static int usageError(const QString &text);

private:
    struct Entry
    {
        QString path;
        QJsonObject facts;
        QJsonArray changed;
        QJsonArray skipped;
        QJsonObject error;
    };

    Entry &entry(const QString &path);
    void write(const QString &line);

    Options m_options;
    QList<Entry> m_books;
    QJsonObject m_runError;
    bool m_failed = false;
    bool m_environment = false;
    bool m_terminal = false;
    bool m_progressShown = false;
};
