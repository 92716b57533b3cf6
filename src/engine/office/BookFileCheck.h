#pragma once

#include <QString>

// Tells what a file named like a workbook really holds, before the office
// is asked to load it (the office would open many non-workbooks silently).
class BookFileCheck
{
public:
    enum class Format {
        Missing,
        Unreadable,
        Empty,
        NotWorkbook,  // text, image, some other compound document
        Damaged,      // a compound file that cannot be read
        Biff8,        // Excel 97-2003
        Biff5,        // Excel 5/95
        Biff4OrOlder, // Excel 2.1 - 4.0
        OpenXml       // a zip package (.xlsx and kin)
    };

    static Format classify(const QString &path);
    // Also tells whether an Excel 97-2003 book is encrypted.
    static Format classify(const QString &path, bool &encrypted);
    // The office filter that reads a format (empty for non-workbooks).
    static QString filterFor(Format format);
};
