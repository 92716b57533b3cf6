#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace quirn {

class WorkbookStream;

// The links a book keeps to sheets that moved out of it into another book.
class MovedSheetLinks
{
public:
    // Before sheets moved out of `source` are deleted from it: the source's
    // references to them become links to the book at `targetPath`, where
    // they are now `targetSheets[targetTabs[i]]`, with their values cached.
    static void redirect(WorkbookStream &source, const QString &sourcePath, const QList<int> &tabs,
                         const QString &targetPath, const QStringList &targetSheets, const QList<int> &targetTabs);

    // Whether a name of the book, or a formula on a sheet outside `tabs`,
    // refers to a sheet in `tabs`: what deleting them would turn into #REF!
    // unless they are redirected first. A formula the walker cannot read
    // counts as referring.
    static bool referredTo(const WorkbookStream &source, const QList<int> &tabs);
};

} // namespace quirn
