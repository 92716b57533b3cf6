#pragma once

// BookFile: a book read from and edited in its own file, whatever its format:
// an Excel 97-2003 book (its BIFF8 records) or a package book of today's
// format (.xlsx, .xlsm, .xltx, .xltm), told apart by the file's content, never
// by its name. Excel's rules are kept here once; the format behind
// (BookFormat) only reads and writes its own structures. Package books take
// every edit but sheets from other books (refused with code Unsupported),
// and an encrypted package is refused on opening.
//
// Guarantees:
// - open() never crashes or hangs on any input: a missing, unreadable,
//   damaged, encrypted (without the right password), older-format or
//   non-workbook file gives a BookFileError with a message for the user.
// - The facts (sheets() and the rest) are what the book's records say, as
//   Excel reports them: sheet kinds, very hidden, last cell, page setup in
//   points and xlPaper codes.
// - Every edit checks Excel's rules first (sheet names, at least one visible
//   sheet, structure protection) and, when refused, changes nothing.
// - An edit changes exactly the records it concerns (and the offsets and
//   sheet indexes that follow from them); save() writes every other stream,
//   storage and record of the book unchanged, encrypts again with the same
//   scheme and password, writes a temporary file beside the book and renames
//   it over the book keeping its permissions. A failed save reports the
//   failure and leaves the book on disk as it was.
// - Macros are never run and links never followed: the book is only read.

#include "BookFileError.h"
#include "PageSetupFacts.h"
#include "SheetFacts.h"
#include "VbaModuleFacts.h"
#include "VbaProcedureUse.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

namespace quirn {

class BookFile
{
public:
    BookFile();
    ~BookFile();
    BookFile(BookFile &&) noexcept;
    BookFile &operator=(BookFile &&) noexcept;

    // Reads the book at `path`; an empty password means Excel's built-in one.
    BookFileError open(const QString &path, const QString &password = QString());
    // A new book of one empty sheet named `sheetName`, that is written to
    // `path` only when it is saved.
    BookFileError createNew(const QString &path, const QString &sheetName = QStringLiteral("Sheet1"));
    bool isOpen() const;
    QString path() const;

    int sheetCount() const;
    QList<SheetFacts> sheets() const;
    SheetFacts sheet(int index) const;
    // Position of the sheet named `name` (ignoring case, as Excel does), or -1.
    int indexOf(const QString &name) const;
    // Position of the first sheet from `from` on named exactly `name`, or -1.
    // Books written by other programs may hold two sheets of one name.
    int exactIndexOf(const QString &name, int from = 0) const;

    bool structureProtected() const;
    bool windowsProtected() const;
    bool isEncrypted() const;
    // "XOR", "RC4", "RC4 CryptoAPI" or empty.
    QString encryptionName() const;
    bool hasVbaProject() const;
    QList<VbaModuleFacts> vbaModules() const;
    // Why the VBA project's modules could not be listed (a damaged or
    // oversized project); the book itself is read all the same.
    BookFileError vbaProjectError() const;

    // Edits, in sheet positions (0-based) at the time of the call.
    BookFileError renameSheet(int index, const QString &newName);
    // Hidden leaves a very hidden sheet very hidden; Visible shows either.
    BookFileError setSheetVisibility(int index, SheetVisibility visibility);
    // Moves the sheets at `indexes` (kept in the order given) in front of the
    // sheet at `before` (sheetCount() for the end).
    BookFileError moveSheets(const QList<int> &indexes, int before);
    BookFileError deleteSheets(const QList<int> &indexes);
    // Copies the sheet at `index` under `newName` in front of the sheet at
    // `before` (sheetCount() for the end); a hidden sheet's copy is hidden.
    // In an .xls book, sheets with drawings, charts, comments or pivot tables
    // are refused (an empty drawing layer is left out of the copy), and so is
    // a sheet with a VBA module of its own; a package book's sheet comes with
    // its drawings, charts, comments and tables, and is refused with pivot
    // tables, slicers, external data ranges or threaded comments.
    BookFileError duplicateSheet(int index, const QString &newName, int before);
    // Copies the sheets at `indexes` of `source` (another open book; kept in
    // the order given) into this book in front of the sheet at `before`
    // (sheetCount() for the end), as Excel's Move or Copy to another book
    // does: formats, strings and names come along, references to sheets of
    // the group stay in the group, references to the source's other sheets
    // become links to the source book. A name this book has already gets
    // Excel's name for a copy ("Data (2)"); `names` receives the copies'
    // names. Sheets the records cannot carry faithfully are refused with
    // code Unsupported (importRefusal() says why) and nothing changes.
    BookFileError importSheets(const BookFile &source, const QList<int> &indexes, int before,
                               QStringList *names = nullptr);
    // Moves them: the import, then the sheets leave `source`, which must keep
    // a visible sheet. Both books are left modified: save this one first, so
    // that a failure in between leaves the sheets twice rather than nowhere.
    BookFileError moveSheetsFrom(BookFile &source, const QList<int> &indexes, int before,
                                 QStringList *names = nullptr);
    // A workbook name that both this book and an import's source define,
    // each differently: an empty answer keeps this book's definition (the
    // copies' formulas then use it), another name brings the source's
    // definition under that name (the copies' formulas use it; `free` is a
    // name neither book has, "Rate_2"); a name that cannot be used fails the
    // import (code InvalidName), changing nothing. Without a resolver this
    // book's definitions are kept.
    using NameConflictResolver = std::function<QString(const QString &name, const QString &free)>;
    void setNameConflictResolver(NameConflictResolver resolver);
    // The names the last import found defined differently in both books, in
    // the order met, each with the name the source's definition took (empty
    // when this book's was kept).
    QList<std::pair<QString, QString>> lastNameConflicts() const;
    // The copies of the last import whose modules call procedures of the
    // source's standard modules, which stay behind as in Excel.
    QList<VbaProcedureUse> lastProcedureUses() const;
    // Why the sheet at `index` of `source` cannot come into this book through
    // the records; empty when it can.
    QString importRefusal(const BookFile &source, int index) const;
    // Whether a defined name, or a formula on a sheet not listed, refers to
    // one of the sheets at `indexes`.
    bool sheetsReferredTo(const QList<int> &indexes) const;
    // Excel's name for a sheet brought into this book: `name` when no sheet
    // has it (nor one of `alsoTaken`), otherwise "name (2)", "name (3)", ...
    QString freeSheetName(const QString &name, const QStringList &alsoTaken = {}) const;

    PageSetupFacts pageSetup(int index) const;
    // Writes the page setup records of the sheet that differ from `setup`,
    // and its print area and print titles names (not for a chart sheet).
    BookFileError setPageSetup(int index, const PageSetupFacts &setup);

    bool isModified() const;
    BookFileError save();
    BookFileError saveAs(const QString &path);
    // Writes the book's current state to `path` the way save() does, leaving
    // the book's own path and its modified state as they are.
    BookFileError saveCopy(const QString &path) const;

    // Excel's rules for a sheet name on its own (length and characters).
    static bool isValidSheetName(const QString &name);
    // Excel's rules for a workbook name on its own: a letter, "_" or "\"
    // first, then letters, digits, "_", "." or "\", at most 255
    // characters, and not a cell's address.
    static bool isValidDefinedName(const QString &name);
    // Excel's name for a copy of a sheet: "Data (2)" from "Data" and from
    // "Data (1)" alike, the first number whose name is not `taken`, cut to
    // fit 31 characters.
    static QString numberedCopyName(const QString &name, const std::function<bool(const QString &)> &taken);
    // Excel's rule for a longer name another program wrote: cut to 31
    // characters (never through a surrogate pair); a clash is then numbered
    // as any copy's.
    static QString cutSheetName(const QString &name);

private:
    BookFileError checkIndex(int index) const;
    BookFileError checkStructureEditable() const;
    void refreshFacts();
    BookFileError writeFile(const QString &path) const;
    BookFileError checkImport(const BookFile &source, const QList<int> &indexes, int before) const;
    // Brings the sheets at `indexes` of `source` into the records in front of
    // `before`; `copies` gets their names here.
    BookFileError carrySheets(const BookFile &source, const QList<int> &indexes, int before, bool move,
                              QStringList *copies);

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace quirn
