#pragma once

#include "BookFile.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class ExcelApplication;
class OfficeDocument;

// One open workbook of the engine, as Excel would show it.
//
// The book's own records (the book file) answer every question they can and
// take every in-place edit, so a saved book keeps everything else as Excel
// wrote it. The office process holds a copy of the book's current state,
// loaded only when rendering or a conversion needs it. After a change only the
// office can make (sheets brought from another book, a new book), the office's
// copy is the book until it is saved: that save goes through the office, is
// refused while it would lose something the caller has not agreed to lose, and
// the records are read again from the saved file.
//
// Sheet positions are 1-based and names compare exactly; failures throw
// ExcelError.
class ExcelWorkbook
{
public:
    struct SheetState
    {
        quirn::SheetKind kind = quirn::SheetKind::Worksheet;
        bool visible = true;
        bool veryHidden = false;
        bool contentsProtected = false;
        int embeddedCharts = 0;
    };

    // Opens the book at `path`.
    ExcelWorkbook(ExcelApplication &app, const QString &path);
    // Takes a book the office made; `name` is its caption until it is saved.
    ExcelWorkbook(ExcelApplication &app, std::unique_ptr<OfficeDocument> document,
                  const QString &name);
    ~ExcelWorkbook();
    ExcelWorkbook(const ExcelWorkbook &) = delete;
    ExcelWorkbook &operator=(const ExcelWorkbook &) = delete;

    QString Name() const;     // the file name: the book's window caption
    QString Path() const;     // its folder, empty for a book never saved
    QString FullName() const; // the path, or the name of a book never saved
    // The file a path leads to, links followed: what tells two books apart.
    static QString fileOf(const QString &path);
    bool ProtectStructure() const;
    bool ProtectWindows() const;
    bool Saved() const;
    // Not an Excel 97-2003 book (Excel 95 and older, .xlsx under an .xls
    // name): shown, never written back.
    bool isReadOnlyFormat() const;

    int sheetCount() const;
    QStringList sheetNames() const;
    QString sheetName(int position) const;
    // The first sheet of that name; 0 when absent. A book written by another
    // program may hold two sheets of one name: every command by such a name
    // is refused as ambiguous, and the sheets are read by position.
    int sheetPosition(const QString &name) const;
    SheetState sheetState(const QString &name) const;
    SheetState sheetStateAt(int position) const;
    QList<quirn::VbaModuleFacts> vbaModules() const;
    // Excel's last cell of the sheet, (row, column), 1-based.
    std::pair<int, int> lastCell(const QString &name);
    std::pair<int, int> lastCellAt(int position);
    // Pages the sheet prints, as the office renders the book's current state.
    int pageCount(const QString &name);

    void renameSheet(const QString &name, const QString &newName);
    // Shows or hides the sheet; a very hidden sheet shown for a while (to set
    // up its page, say) goes back to very hidden when hidden here.
    void setSheetVisible(const QString &name, bool visible);
    // Hides the sheet as the user asks: hidden, also when it was very hidden
    // before being shown in this session.
    void hideSheet(const QString &name);
    // Hides the sheet so that only a program can show it again.
    void setSheetVeryHidden(const QString &name);
    void deleteSheets(const QStringList &names);
    // Several sheets land next to `target` in the order listed.
    void moveSheets(const QStringList &names, const QString &target, bool before);
    void copySheets(const QStringList &names, const QString &target, bool before);
    // Puts the sheets in the order listed, all at once; sheets not listed
    // follow in their present order, names the book lacks are passed over.
    // Every sheet keeps its visibility.
    void reorderSheets(const QStringList &names);
    // Copies sheets of another book in front of the sheet at `beforePosition`
    // (sheetCount() + 1 for the end); returns the copies' names.
    QStringList importSheets(ExcelWorkbook &source, const QStringList &names, int beforePosition);
    // Moves them: imports, then deletes them from `source`. Through the
    // records when both books and every sheet allow it (and this book is then
    // to be saved before the source), through the office otherwise.
    QStringList moveSheetsFrom(ExcelWorkbook &source, const QStringList &names, int beforePosition);
    // Holds sheets moved from another book and not yet saved: saved first,
    // so that a failure in between leaves the sheets twice rather than nowhere.
    bool savesBeforeItsSources() const { return m_receivedMovedSheets; }
    // Takes sheets that are leaving another book (copied first, so that the
    // move could be undone): saved before it from now on.
    void markReceivedMovedSheets() { m_receivedMovedSheets = true; }
    // Whether a defined name or a formula on another sheet refers to the
    // sheets, so that deleting them without redirecting those references
    // first (as a move through the records does) leaves #REF! where values
    // were. Read from the records; false for a book the office holds.
    bool otherSheetsReferTo(const QStringList &names) const;

    // The sheet's page setup as its records hold it (Excel's units and codes).
    quirn::PageSetupFacts pageSetup(const QString &name) const;
    // Writes the page setup records that differ, print area and titles included.
    void setPageSetup(const QString &name, const quirn::PageSetupFacts &setup);

    // What a save through the office would lose of this book; empty when the
    // book is saved by its own records.
    QStringList officeSaveLosses() const;
    // The caller agrees to lose what officeSaveLosses() lists now; a loss
    // that appears later needs its own agreement.
    void allowLossySave();
    // Puts a book the office took over after its records back as the records
    // have it, dropping the office's changes (an import the user refused).
    // Throws ExcelError when the office alone holds the book.
    void undoOfficeChanges();
    void save();
    void saveAs(const QString &path);

    // Shows the book in a window of the office process and gives that process
    // to the user. Unsaved changes go along: the window then shows a copy of
    // the book's current state that stands for the book (the office saves it
    // there) and counts as changed.
    void showToUser();
    // What a save by the office itself (the user's, in a handed-over window)
    // would lose of this book as it is now.
    QStringList officeExportLosses() const;
    // The sheet the book's window shows when it is handed to the user.
    void selectSheet(const QString &name);
    // Lets go of the office's copy (a book the office alone holds keeps it).
    void releaseOfficeCopy();
    bool holdsUnsavedOfficeState() const { return ownedByOffice() && !Saved(); }

    // The book's file while it holds the book as it stands (nothing changed
    // since it was read, no office copy ahead of it); empty otherwise.
    QString fileAsItStands() const;
    QString password() const { return m_password; }
    // The office's copy of the book's current state, loaded when needed.
    OfficeDocument &currentDocument();

    // An Excel-style name for a copy of `name` ("Data (2)") that no sheet has.
    QString copyName(const QString &name) const;

private:
    friend class WorkbookSheetCopies; // copies sheets in and between books

    bool ownedByOffice() const { return m_officeOwnsState || !m_records.isOpen(); }
    void openRecords(const QString &path);
    void loadOfficeCopy();
    void takeOverInOffice();
    void giveBackToRecords();
    void recordsEdited();
    void check(const quirn::BookFileError &error) const;
    int recordIndex(const QString &name) const;
    void checkOfficeRename(const QString &name, const QString &newName) const;
    void checkStructureEditable() const;
    void checkKeepsVisibleSheet(const QStringList &hiding) const;
    void saveThroughOffice(const QString &path);
    QString writeCurrentState();
    QStringList exportLosses(bool veryHiddenLost) const;
    quirn::SheetVisibility intendedVisibility(const QString &name) const;
    void restoreVisibility(const QHash<QString, quirn::SheetVisibility> &intended);
    quirn::SheetFacts officeFacts(const QString &name) const;

    ExcelApplication &m_app;
    QString m_path;    // full path; empty for a book never saved
    QString m_caption; // name of a book never saved
    QString m_password;
    QString m_selectedSheet;
    quirn::BookFile m_records;
    std::unique_ptr<OfficeDocument> m_office;
    QString m_officeCopyPath; // a snapshot the office copy was loaded from
    bool m_officeCurrent = false;
    bool m_officeOwnsState = false;
    QStringList m_agreedLosses; // what the caller agreed to lose in the office's save
    bool m_receivedMovedSheets = false;
    bool m_structureProtected = false;
    bool m_windowsProtected = false;
    // While the office holds the book: what the records knew of each sheet,
    // by name (sheets brought from other books keep their source's facts).
    QHash<QString, quirn::SheetFacts> m_officeFacts;
    // While the office holds the book: how sheets it brought from other books
    // differ from their originals, one line each, by the copy's name.
    QMultiHash<QString, QString> m_officeChanges;
    QList<quirn::VbaModuleFacts> m_vbaModules;
    // Very hidden sheets the records show for now, by name.
    QSet<QString> m_shownVeryHidden;
};
