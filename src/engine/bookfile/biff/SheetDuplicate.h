#pragma once

#include "BookFileError.h"

#include <QString>

namespace quirn {

class WorkbookStream;

// A copy of one sheet within its own book, made through the records: the
// sheet's substream, its directory entry and the names scoped to it.
class SheetDuplicate
{
public:
    explicit SheetDuplicate(WorkbookStream &book) : m_book(book) {}

    // Copies the sheet at `tab` under `name` in front of `before`. False, with
    // nothing changed, for a sheet whose copy would need more than its
    // records (drawings, pivot tables, a VBA module).
    bool make(int tab, const QString &name, int before, bool hasVbaProject, BookFileError *error);

private:
    WorkbookStream &m_book;
};

} // namespace quirn
