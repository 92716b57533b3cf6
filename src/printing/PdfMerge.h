#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

// Joins PDF files into one document, every page of each file in the order
// given. Failures throw ExcelError with the reason.
class PdfMerge
{
public:
    static QByteArray Join(const QStringList &files);
    // Only the pages fromPage to toPage (1-based, 0 = open end) of the joined
    // document; taken, when given, gets how many of each file's pages that
    // kept. Empty when the range holds no page.
    static QByteArray Join(const QStringList &files, int fromPage, int toPage, QList<int> *taken = nullptr);
};
