#pragma once

#include "BookFileError.h"
#include "VbaProcedureUse.h"

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
        QStringList refusedWhy; // why, for each of them
        // Copies whose modules call procedures of the source's standard modules.
        QList<VbaProcedureUse> procedureUses;
    };
    // A sheet the records cannot carry faithfully, left for the office.
    struct Left
    {
        int source = 0;   // index into the sources
        QString sheet;    // its name in the source
        int position = 0; // the 0-based place its copy takes among the saved book's sheets
    };
    struct Result
    {
        QStringList copied;  // the copies' names in the target, in order
        QStringList skipped; // "book: sheet (why)" for what was not copied
        QList<SourceResult> bySource; // one for each source, in order
        QList<Left> left;    // those of `skipped` the records cannot carry faithfully
        QList<int> unreadable; // sources that could not be read
        QStringList failed;    // those of `skipped` that could not be copied at all
        bool nothingToCopy = false; // the error: no sheet could be copied
        // Workbook names the target (or a source before) already defined
        // differently: the definition there holds, and the copies use it.
        QStringList namesKept;
    };

    // Copies into the book at `targetPath`, made new when there is none.
    // Excel 4 macro sheets and sheets the records cannot carry faithfully
    // (all of a book Excel 5.0/95 wrote among them) are skipped and listed, as are a source that cannot be read and the
    // sheets of a source whose structure is protected (it gives none away). The error
    // is set, and nothing written, when the target cannot be read or saved
    // or nothing could be copied. When some sheet is left for the office and
    // `divertPath` is given, the book is saved there instead and the target
    // stays as it was, so that the office can add those sheets in their
    // places before anything reaches the target.
    static BookFileError run(const QString &targetPath, const QList<Source> &sources, Result *result,
                             const QString &targetPassword = QString(), const QString &divertPath = QString());
};

} // namespace quirn
