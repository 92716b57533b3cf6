#pragma once

#include "OfficeDocument.h"

#include <com/sun/star/sheet/XSpreadsheet.hpp>

#include <QString>

// The page setup a sheet copied into another book must keep and the office's
// sheet import leaves behind: its page style (a copy of the source's, named
// after the copy) and its print ranges, title rows and title columns.
class SheetPrintSetup
{
public:
    // `from` of `source`, copied as `copy` (named `copyName`, at index `at`)
    // into `target`.
    static void carry(const OfficeDocument::Private &source,
                      const com::sun::star::uno::Reference<com::sun::star::sheet::XSpreadsheet> &from,
                      const OfficeDocument::Private &target,
                      const com::sun::star::uno::Reference<com::sun::star::sheet::XSpreadsheet> &copy,
                      const QString &copyName, int at);
};
