#pragma once

#include "BookFileError.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace quirn {

// Many books' sheets copied into one book in a single pass through the
// records: each source's sheets land at the end, in the order given, as one
// group (so references among them stay among them), then the book is saved.
struct BookCombine
{
    struct Source
    {
        QString path;
        QStringList sheets; // by name; empty for every sheet
        QString password;
    };
    // What became of one source's sheets.
    struct SourceResult
    {
        QStringList copied;   // the copies' names in the target, in order
        QStringList refused;  // sheets the records cannot carry (also skipped)
    };
    struct Result
    {
        QStringList copied;  // the copies' names in the target, in order
        QStringList skipped; // "book: sheet (why)" for what was not copied
        QList<SourceResult> bySource; // one for each source, in order
    };

    // Copies into the book at `targetPath`, made new when there is none.
    // Excel 4 macro sheets and sheets the records cannot carry faithfully
    // are skipped and listed, as is a source that cannot be read. The error
    // is set, and nothing written, when the target cannot be read or saved
    // or nothing could be copied.
    static BookFileError run(const QString &targetPath, const QList<Source> &sources, Result *result,
                             const QString &targetPassword = QString());
};

} // namespace quirn
