#pragma once

#include "BenchReport.h"
#include "BookFile.h"

#include <QFile>
#include <QString>

// Books of a chosen size for benchmarks, made from a real test book.
namespace BenchBooks {

// A book of `sheets` sheets at `path`: a real book whose first sheet is
// copied until there are enough ("Copy 4", "Copy 5", ...); empty when it
// could not be made.
inline QString OfSheets(const QString &path, int sheets)
{
    QFile::remove(path);
    if (!QFile::copy(BenchFixtures::Path(QStringLiteral("hidden_third_sheet.xls")), path))
        return QString();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    quirn::BookFile book;
    if (book.open(path))
        return QString();
    for (int i = book.sheetCount(); i < sheets; ++i) {
        if (book.duplicateSheet(0, QStringLiteral("Copy %1").arg(i), book.sheetCount()))
            return QString();
    }
    return book.save() ? QString() : path;
}

} // namespace BenchBooks
