#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>

namespace quirn {

// The endings of the files taken for books: Excel 97-2003 books and today's
// package books (workbooks, macro-enabled workbooks and their templates).
// What a file holds is told by its content; the ending only picks the files
// a folder or a drop offers.
struct BookFileNames
{
    static QStringList suffixes()
    {
        return {QStringLiteral("xls"), QStringLiteral("xlsx"), QStringLiteral("xlsm"), QStringLiteral("xltx"),
                QStringLiteral("xltm")};
    }
    // "*.xls", "*.xlsx", ...
    static QStringList nameFilters()
    {
        QStringList filters;
        for (const QString &suffix : suffixes())
            filters << QStringLiteral("*.") + suffix;
        return filters;
    }
    // Whether `path` ends in a book's ending, in any letter case or width.
    static bool isBookName(const QString &path)
    {
        const QString suffix = QFileInfo(path).suffix().normalized(QString::NormalizationForm_KC).toLower();
        return suffixes().contains(suffix);
    }
};

} // namespace quirn
