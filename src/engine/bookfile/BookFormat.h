#pragma once

// BookFormat: one open book in its own file format, behind BookFile.
//
// BookFile checks Excel's rules (sheet names, the last visible sheet,
// structure protection, positions) before it calls an edit here; a format
// only makes the change in its own structures, or refuses with a
// BookFileError and changes nothing. writeTo() writes the book's current
// state to a new file; BookFile puts it in place.

#include "BookFileError.h"
#include "PageSetupFacts.h"
#include "SheetFacts.h"
#include "VbaModuleFacts.h"
#include "VbaProcedureUse.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>

namespace quirn {

class BookFormat
{
public:
    virtual ~BookFormat() = default;

    // A copy of the current state, for an edit of two books to go back.
    virtual std::unique_ptr<BookFormat> clone() const = 0;

    virtual QList<SheetFacts> sheetFacts() const = 0;
    virtual bool structureProtected() const = 0;
    virtual bool windowsProtected() const = 0;
    // The encryption scheme's name, empty for a book that is not encrypted.
    virtual QString encryptionName() const = 0;
    virtual bool hasVbaProject() const = 0;
    virtual QList<VbaModuleFacts> vbaModules() const = 0;
    virtual BookFileError vbaProjectError() const = 0;
    // The most sheets the format holds in one book.
    virtual int mostSheets() const = 0;

    virtual BookFileError renameSheet(int index, const QString &newName) = 0;
    virtual BookFileError setVisibility(int index, SheetVisibility visibility) = 0;
    // `order` lists the present positions in their new order.
    virtual BookFileError reorderSheets(const QList<int> &order) = 0;
    virtual BookFileError deleteSheets(const QList<int> &indexes) = 0;
    virtual BookFileError duplicateSheet(int index, const QString &newName, int before) = 0;
    virtual BookFileError setPrintNames(int index, const QString &area, const QString &titleRows,
                                        const QString &titleColumns) = 0;
    // The page setup itself; print area and titles go through setPrintNames().
    virtual BookFileError setPageSetup(int index, const PageSetupFacts &setup) = 0;

    // Sheets of another book brought into this one.
    struct Import
    {
        const BookFormat *source = nullptr;
        QString sourcePath;
        QList<int> indexes;      // the source's sheets, in the order they land
        QStringList names;       // their names here
        QStringList linkedSheets; // the source's sheets that links to it name
        QString targetPath;
        int before = 0;
        // A workbook name both books define, differently: see BookFile's resolver.
        std::function<QString(const QString &name, const QString &free)> resolveName;
        QList<std::pair<QString, QString>> *nameConflicts = nullptr;
        // Told each copy whose module calls procedures of the source's standard modules.
        QList<VbaProcedureUse> *procedureUses = nullptr;
    };
    // Why the sheet at `index` of `source` cannot come into this book; empty when it can.
    virtual QString importRefusal(const BookFormat &source, int index) const = 0;
    virtual BookFileError importSheets(const Import &import) = 0;
    // After sheets of this book moved to `targetPath` (landing at `landed`
    // among `targetNames`), what still refers to them refers to them there.
    virtual void redirectMovedSheets(const QString &ownPath, const QList<int> &indexes, const QString &targetPath,
                                     const QStringList &targetNames, const QList<int> &landed) = 0;
    // Whether a defined name, or a formula on a sheet not listed, refers to
    // one of the sheets at `indexes` (what deleting them without
    // redirectMovedSheets() would break). A format that cannot tell says no.
    virtual bool sheetsReferredTo(const QList<int> &) const { return false; }

    // Writes the current state to the new file at `path`; `reason` says why not.
    virtual bool writeTo(const QString &path, QString *reason) const = 0;
};

} // namespace quirn
