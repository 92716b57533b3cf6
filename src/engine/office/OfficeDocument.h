#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class OfficeConnection;
class OfficeProcess;

// One book loaded in the office process. Loading is safe: the file must be a
// real Excel 97-2003 workbook (other formats only on request, read-only),
// macros never run, links are never updated, and the office never waits for a
// person. Sheet names compare exactly (the office itself ignores case).
// Indexes are 0-based. Failures throw OfficeError. A document must not
// outlive the OfficeProcess that loaded it.
class OfficeDocument
{
public:
    struct LoadOptions
    {
        QString password;               // tried when the book is encrypted
        bool allowOtherFormats = false; // Excel 95, Excel 2-4, .xlsx: read-only
        // The book is only read (rendered, never saved): loaded read-only,
        // without the lock file that would keep other offices out meanwhile.
        bool readOnly = false;
        // The book the loaded file is a copy of: the document stands for it
        // (its window names it, the office saves there) and counts as changed.
        QString presentedAs;
    };

    struct CellPosition
    {
        int row = 0;    // 1-based
        int column = 0; // 1-based
    };

    static std::unique_ptr<OfficeDocument> load(OfficeProcess &process, const QString &path);
    static std::unique_ptr<OfficeDocument> load(OfficeProcess &process, const QString &path,
                                                const LoadOptions &options);
    // A new book with sheets Sheet1..Sheet<n>, headers and footers off and
    // Excel's margins.
    static std::unique_ptr<OfficeDocument> create(OfficeProcess &process, int sheetCount);

    ~OfficeDocument(); // closes the book (unsaved changes are dropped)
    OfficeDocument(const OfficeDocument &) = delete;
    OfficeDocument &operator=(const OfficeDocument &) = delete;

    QString path() const;       // empty for a new, never saved book
    QString location() const;   // the file the office itself would save to
    QString url() const;        // that file as the office names it in links
    QString filterName() const; // the import filter used
    bool isReadOnly() const;    // loaded from another format
    bool isOpen() const;
    QStringList interactionRequests() const; // what the office asked while loading

    int sheetCount() const;
    QStringList sheetNames() const;
    QString sheetName(int index) const;
    int sheetIndex(const QString &name) const; // exact comparison; -1 when absent
    bool isSheetVisible(const QString &name) const;
    void setSheetVisible(const QString &name, bool visible);
    // Makes a visible sheet the one the book's window shows.
    void activateSheet(const QString &name);
    bool isSheetProtected(const QString &name) const;
    bool isProtected() const; // book structure or windows protected
    bool isModified() const;

    int pageCount(const QString &name) const;
    CellPosition lastUsedCell(const QString &name) const;

    // The sheet's cells from A1 to its last used one, row by row, as their
    // formulas read (a constant as its text); throws when they are more than
    // mostCells.
    QList<QStringList> formulas(const QString &name, int mostCells) const;
    // Replaces the text `from` by `to` in the sheet's formulas; the cells changed.
    int replaceInFormulas(const QString &name, const QString &from, const QString &to);

    void renameSheet(const QString &name, const QString &newName);
    void removeSheet(const QString &name);
    // Copies one sheet within the book under newName, placed before the sheet
    // at beforeIndex (sheetCount() = at the end); the copy keeps hidden state.
    void copySheet(const QString &name, const QString &newName, int beforeIndex);
    // Moves sheets next to target in Excel's order: before it, or after it.
    void moveSheets(const QStringList &names, const QString &target, bool before);
    // Copies a sheet of another book into this one before beforeIndex,
    // carrying page style, print area, print titles and hidden state.
    // Returns the copy's name.
    QString importSheet(const OfficeDocument &source, const QString &name, int beforeIndex);

    // Saves in Excel 97-2003 format through a temporary file beside the
    // target, renamed over it (permissions kept). save() writes to path().
    void save();
    void saveAs(const QString &path);
    // Writes the chosen sheets to a PDF; pages fromPage..toPage when given
    // (1-based, 0 = open end). The book is left as it was. (From a protected
    // book the pages come from a copy: a file name in a header prints as the
    // copy's.)
    void exportPdf(const QStringList &sheets, const QString &pdfPath, int fromPage = 0,
                   int toPage = 0);

    void close();
    // Shows the book in a window of the office process and hands that process
    // to the user. Throws OfficeError(NoDisplay) where there is no display.
    void showToUser();

private:
    friend class PdfExport;
    friend class SheetPrintSetup;
    struct Private;
    static std::unique_ptr<OfficeDocument> loadOnce(OfficeProcess &process, const QString &absolute,
                                                    const LoadOptions &options, int format, bool readOnly);
    explicit OfficeDocument(OfficeProcess &process);
    void exportThroughCopy(const QStringList &sheets, const QString &pdfPath, int fromPage,
                           int toPage);

    std::unique_ptr<Private> d;
};
