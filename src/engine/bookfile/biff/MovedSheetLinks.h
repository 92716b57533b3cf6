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
};

} // namespace quirn
