#pragma once

#include <QString>
#include <QStringList>

namespace quirn {

class WorkbookStream;

// The names a book and its sheets have in the book's VBA project (the
// CODENAME records of the globals and of each sheet), and the records that
// tell that the book has a project at all.
class BookCodeNames
{
public:
    // The book's own name in the project, or empty.
    static QString workbook(const WorkbookStream &book);
    // Each sheet's, in tab order (empty for a sheet without one).
    static QStringList sheets(const WorkbookStream &book);

    // Makes the records of a book without a project those of a book with
    // one: the OBJPROJ record, the workbook's CODENAME `workbookName`, and
    // `sheetNames[tab]` as the CODENAME of each sheet (an empty name leaves
    // the sheet as it is).
    static void giveProject(WorkbookStream &book, const QString &workbookName, const QStringList &sheetNames);
};

} // namespace quirn
