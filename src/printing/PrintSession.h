#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class PrintOutput;
class cExcel;

// The books of one print run and what became of them, as the window and
// quirn-batch both run it: which sheets of a book print, handing them to the
// run's output, and the books that printed and those that did not. A run
// never changes a book: hidden sheets print as if shown only in what is
// rendered. A book that fails does not stop the run.
class PrintSession
{
public:
    struct Settings
    {
        // The print options' rules for worksheets and charts: visible,
        // hidden, protected ("0" leaves that kind out).
        QString workSheets = QStringLiteral("111");
        QString graphSheets = QStringLiteral("111");
        QVariant copies;
        QVariant fromPage;
        QVariant toPage;
        bool perSheet = false; // a job per sheet instead of per book
        // The page range counts the pages the output keeps for its one job
        // or file, not each book's.
        bool rangeOverRun = false;
    };

    struct Failure
    {
        QString book;
        QString reason;
    };

    PrintSession(cExcel &excel, std::unique_ptr<PrintOutput> output, const Settings &settings);
    ~PrintSession();

    PrintOutput &Output() { return *m_output; }
    const Settings &RunSettings() const { return m_settings; }

    // Whether a sheet with the attribute word passes the three characters of
    // an option (visible, hidden, protected; "0" leaves that kind out).
    static bool SheetPassesPrintOptions(const QString &options, qint32 attr);

    // The sheets of the engine's active book that print, in the book's order:
    // those named (every one that passes the options when names is null),
    // never a macro sheet nor a hidden protected one.
    QStringList QualifyingSheets(const QString &bookName, const QStringList *names) const;

    // Prints the qualifying sheets of the book the engine holds; false when
    // the book failed (recorded) or had nothing to print.
    bool PrintBook(const QString &path, const QStringList *names);
    // Prints exactly these sheets of the book; false when the book failed or
    // had nothing on the pages asked for (both recorded as failures).
    bool PrintSheets(const QString &path, const QStringList &sheets);
    // Why a book whose sheets have no page in the run's range did not print.
    static QString NoPagesInRange();
    void AddFailure(const QString &book, const QString &reason);

    // Sends or writes what the run kept (books queued for a pool of office
    // processes are rendered first); false when that failed (every kept book
    // is then a failure).
    bool Finish();

    const QList<Failure> &Failures() const { return m_failures; }
    // Books whose sheets reached their destination, and how many sheets.
    const QStringList &PrintedBooks() const { return m_printedBooks; }
    int PrintedSheets() const { return m_printedSheets; }

private:
    void Handed(const QString &path, int sheets);
    void SettleQueuedBooks();

    cExcel &m_excel;
    std::unique_ptr<PrintOutput> m_output;
    Settings m_settings;
    QList<Failure> m_failures;
    QStringList m_printedBooks;
    int m_printedSheets = 0;
    // Books (and their sheets) whose pages wait for Finish().
    QStringList m_keptBooks;
    QList<int> m_keptSheets; // of each kept book
    // Books whose sheets wait for the output's pool.
    QStringList m_queuedBooks;
};
