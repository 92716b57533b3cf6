#pragma once

#include "OfficeDocument.h"

#include <QString>
#include <QStringList>

// Writes chosen sheets of a loaded book to a PDF file through the office's
// own export: the sheets left out are hidden and their print ranges taken
// away for the time of the export (the office prints a hidden sheet with
// print ranges), the chosen ones shown, and everything put back after, the
// book's modified state included.
class PdfExport
{
public:
    explicit PdfExport(const OfficeDocument::Private &document);

    // Pages fromPage..toPage when given (1-based, 0 = open end). False, with
    // nothing written, when the book does not let its sheets be shown or
    // hidden (a protected book). Throws OfficeError.
    bool write(const QStringList &sheets, const QString &pdfPath, int fromPage, int toPage) const;

private:
    const OfficeDocument::Private &m_document;
};
