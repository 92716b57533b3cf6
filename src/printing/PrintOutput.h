#pragma once

#include "RenderPool.h"
#include "SheetPrintJob.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <optional>

class cExcel;

// Where the sheets of a print run go: to a printer as they come (one job per
// book, or per sheet), kept and sent as one job at the end, or kept and
// written to one PDF file. The printer is found once per run. Failures throw
// ExcelError.
class PrintOutput
{
public:
    enum class Mode { Printer, OneJob, PdfFile };

    // printer: the queue the jobs go to; empty for the default printer.
    PrintOutput(cExcel &excel, Mode mode, const QString &pdfPath = QString(), const QString &printer = QString());

    Mode mode() const { return m_mode; }
    QString pdfPath() const { return m_pdfPath; }
    // Whether the run's pages reach their destination only at Finish().
    bool keepsPages() const { return m_mode != Mode::Printer; }

    // Books are rendered later, side by side on a pool of office processes
    // (at most `processes`, 0 for as many as the machine affords), when
    // RenderPending() is called: PrintSheets() only queues them.
    void RenderOnPool(int processes);
    bool rendersOnPool() const { return m_poolProcesses.has_value(); }
    // What became of a book queued by PrintSheets(): the sheets that went in
    // parts with pages, or why it did not render or print.
    struct BookOutcome
    {
        int handed = 0;
        QString error;
    };
    // Renders what PrintSheets() queued, then sends each book's parts to the
    // printer or keeps them, as PrintSheets() would have done; one outcome
    // per book queued, in their order.
    QList<BookOutcome> RenderPending();

    // Finds the run's printer; throws the user's message when the run's
    // destination cannot take anything (no printer). Called before any book
    // is opened.
    void CheckDestination();

    // The listed sheets of the engine's active book, hidden ones as if shown,
    // with copies and the page range of each job; perSheet gives each sheet a
    // job of its own; title names the jobs sent now. Returns how many of the
    // sheets went in jobs that had pages (0: nothing on the pages asked for).
    int PrintSheets(const QStringList &sheets, const QVariant &copies, const QVariant &fromPage,
                    const QVariant &toPage, bool perSheet, const QString &title);
    // Drops what the book last handed over (its pages were not all taken).
    void DropBook();

    // Sends the kept pages as one job or writes the PDF file (through a
    // temporary file renamed into place), only pages fromPage to toPage of
    // them all when given (1-based, 0 = open end). Returns which of the books
    // whose pages were kept, counted from 0 in the order they were kept, had
    // pages in it: none when nothing was kept or the range holds no page
    // (nothing is then sent or written).
    QList<int> Finish(const QVariant &copies, const QString &title, int fromPage = 0, int toPage = 0);

private:
    struct Part
    {
        QString file;
        SheetPrintJob::Options job; // what the part's sheets ask of a printer
        // Parts queued for the pool: their book (in queued order), its title,
        // their sheets, the job that renders them until it ran, and then the
        // pages written or why none were.
        int book = 0;
        QString title;
        int sheets = 0;
        std::optional<RenderPool::Job> render;
        int pages = -1;
        QString error;
        int kept = 0; // which of the books kept it belongs to
    };

    QString NextPartPath() const;
    QString Printer();
    int QueueSheets(const QList<QStringList> &jobs, const QVariant &copies, const QVariant &fromPage,
                    const QVariant &toPage, const QString &title);
    void SendOrKeep(QList<Part> &parts, QList<BookOutcome> &outcomes);

    cExcel &m_excel;
    Mode m_mode;
    QString m_pdfPath;
    QString m_printer;
    bool m_printerChecked = false;
    QTemporaryDir m_folder;
    QList<Part> m_parts;
    qsizetype m_bookStart = 0;
    int m_sent = 0;
    std::optional<int> m_poolProcesses;
    int m_queuedBooks = 0;
    int m_keptBooks = 0;
};
