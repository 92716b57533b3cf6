#pragma once

#include <QByteArray>
#include <QStringList>

// Joins PDF files into one document, every page of each file in the order
// given. Failures throw ExcelError with the reason.
class PdfMerge
{
public:
    static QByteArray Join(const QStringList &files);
};
