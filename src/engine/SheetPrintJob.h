#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class OfficeDocument;

// Prints sheets of a book as the office renders its current state: the
// chosen sheets become one PDF (in the book's order, with the page range),
// which goes to the system's default printer through CUPS as one job with
// the copies asked for. Failures throw ExcelError; nothing is ever reported
// as printed that did not reach the printer's queue.
class SheetPrintJob
{
public:
    struct Options
    {
        int copies = 1;
        int fromPage = 0; // 1-based, 0 for an open end
        int toPage = 0;
        bool blackAndWhite = false; // every sheet asks for black and white
        bool draft = false;         // every sheet asks for draft quality
    };

    static void print(OfficeDocument &document, const QStringList &sheets, const QString &title,
                      const Options &options);

    // Writes the sheets (hidden ones as if shown) to a PDF, pages fromPage to
    // toPage (0 for an open end); returns the pages written, 0 when the range
    // starts beyond the last page, -1 when they cannot be told.
    static int exportPages(OfficeDocument &document, const QStringList &sheets, const QString &pdf,
                           int fromPage, int toPage);
    // Sends a PDF to the default printer as one job with the options' copies.
    static void printFile(const QString &pdf, const QString &title, const Options &options);
    // Sends a PDF to the printer as one job (a print run checks its printer once).
    static void printFileTo(const QString &printer, const QString &pdf, const QString &title,
                            const Options &options);
    // The printer a job would go to; throws the user's message when there is
    // none or the print service does not answer.
    static QString checkPrinter();
    // The named printer, when the print service knows it; throws the user's
    // message otherwise.
    static QString checkPrinter(const QString &printer);

    // Writes the sheets to a PDF of their own and opens it in the desktop's
    // viewer; returns the PDF's path.
    static QString preview(OfficeDocument &document, const QStringList &sheets,
                           const QString &title);

    // The printer a job without a destination goes to; empty when none.
    static QString defaultPrinter();

    // Pages of a PDF written by the office; -1 when they cannot be told.
    static int pdfPageCount(const QString &path);

    // Tests: previews are recorded instead of opened.
    static void setPreviewRecorded(bool recorded);
    static QStringList recordedPreviews();
};
