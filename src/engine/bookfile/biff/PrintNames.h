#pragma once

#include "BiffRecord.h"
#include "BookFileError.h"
#include "PageSetupFacts.h"

#include <QList>
#include <QString>

namespace quirn {

class WorkbookStream;

// A sheet's print area and print titles: the built-in names scoped to the
// sheet that hold them as lists of areas.
class PrintNames
{
public:
    explicit PrintNames(WorkbookStream &book) : m_book(book) {}

    // Fills the print area or titles a built-in NAME record's data gives
    // its sheet; other names leave `setup` as it is.
    static void read(const QByteArray &name, PageSetupFacts *setup);

    // Writes the sheet's print area and titles from A1 text (empty removes
    // the name). False, with nothing changed, for text that is no list of
    // areas or a name that cannot go.
    bool write(int tab, const QString &area, const QString &titleRows, const QString &titleColumns,
               BookFileError *error);

private:
    // The sheet's entry in the link table, added (with the own book's
    // SUPBOOK when there is none) to `globals`; -1 when the table is full.
    int ownSheetEntry(int tab, QList<biff::Record> *globals) const;

    WorkbookStream &m_book;
};

} // namespace quirn
