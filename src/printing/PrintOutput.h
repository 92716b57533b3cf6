#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

class cExcel;

// Where the sheets of a print run go: to the default printer as they come
// (one job per book, or per sheet), kept and sent as one job at the end, or
// kept and written to one PDF file. Failures throw ExcelError.
class PrintOutput
{
public:
    enum class Mode { Printer, OneJob, PdfFile };

    PrintOutput(cExcel &excel, Mode mode, const QString &pdfPath = QString());

    Mode mode() const { return m_mode; }
    QString pdfPath() const { return m_pdfPath; }
    // Whether the run's pages reach their destination only at Finish().
    bool keepsPages() const { return m_mode != Mode::Printer; }

    // Throws the user's message when the run's destination cannot take
    // anything (no printer); checked before any book is opened.
    void CheckDestination() const;

    // The listed sheets of the engine's active book, hidden ones as if shown,
    // with copies and the page range of each job; perSheet gives each sheet a
    // job of its own.
    void PrintSheets(const QStringList &sheets, const QVariant &copies, const QVariant &fromPage,
                     const QVariant &toPage, bool perSheet);
    // Drops what the book last handed over (its pages were not all taken).
    void DropBook();

    // Sends the kept pages as one job or writes the PDF file (through a
    // temporary file renamed into place). False when nothing was kept.
    bool Finish(const QVariant &copies, const QString &title);

private:
    cExcel &m_excel;
    Mode m_mode;
    QString m_pdfPath;
    QTemporaryDir m_folder;
    QStringList m_parts;
    int m_bookStart = 0;
};
