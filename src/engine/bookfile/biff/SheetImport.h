#pragma once

#include "BookFileError.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

namespace quirn {

class WorkbookStream;

// Copies sheets of one book into another through their records, the way
// Excel's Move or Copy to another book does: the sheets land as one group,
// every index they hold into the book's tables (cell formats, fonts, number
// formats, styles, shared strings, names, links) is carried into the
// target's tables, references to sheets of the group stay within the group,
// and references to the source's other sheets become links to the source
// book. Nothing of the target outside what the copies need changes.
class SheetImport
{
public:
    struct Request
    {
        const WorkbookStream *source = nullptr;
        QString sourcePath;
        QList<int> tabs;        // source sheets, in the order they land
        QStringList names;      // the copies' names, free in the target
        // The source's sheets as links to the source book name them (without
        // the moved sheets, for a move).
        QStringList linkedSheets;
        QString targetPath;
        // Each copy's name in the target's VBA project (its CODENAME);
        // none when empty: the copies then carry no CODENAME record.
        QStringList codeNames;
        // The books' Ctls streams, where ActiveX controls keep their data: a
        // copied control's is appended to `controls` (none: such sheets are refused).
        QByteArray sourceControls;
        QByteArray *controls = nullptr;
        int before = 0;         // target position the group lands in front of
        // A workbook name both books define, differently: an empty answer
        // keeps the target's definition (the copies' formulas then use it),
        // another name brings the source's under that name (`free` is one
        // neither book has). None: the target's is kept.
        std::function<QString(const QString &name, const QString &free)> resolveName;
        // Told each such name and the name the source's definition took
        // (empty when the target's was kept).
        QList<std::pair<QString, QString>> *nameConflicts = nullptr;
    };

    // False, with the target unchanged, when the copy cannot be made
    // faithfully through the records (error code Unsupported) or the
    // target's tables are full.
    static bool run(WorkbookStream &target, const Request &request, BookFileError *error);

    // Before sheets moved out of `source` are deleted from it: the source's
    // references to them become links to the book at `targetPath`, where
    // they are now `targetSheets[targetTabs[i]]`, with their values cached.
    static void redirectToTarget(WorkbookStream &source, const QString &sourcePath, const QList<int> &tabs,
                                 const QString &targetPath, const QStringList &targetSheets,
                                 const QList<int> &targetTabs);

    // Why the sheet cannot be copied to another book through the records, or
    // empty when it can. Its document module is the book's to judge: the
    // copy carries no CODENAME record.
    static QString refusal(const WorkbookStream &source, int tab);
};

} // namespace quirn
