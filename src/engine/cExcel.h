#pragma once

#include "CapturedPageSetup.h"
#include "ExcelError.h"
#include "RenderPool.h"
#include "SheetPrintJob.h"
#include "VbaProcedureUse.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <utility>

class ExcelApplication;
class ExcelWorkbook;
class OfficeProcess;

// The program's one gateway to the workbook engine. Every subsystem reaches
// books and sheets through it.
//
// Failures are handled in one of three fixed ways per operation: passed to
// the caller as an ExcelError (number and message text), skipped step by step
// (the operation returns normally), or ended with a fallback result.
//
// Sheet and book operations act on the active workbook of the application;
// a caller that works on a particular book makes it active first.
class cExcel
{
public:
    // The engine's process starts on first use (or WarmUpEngine()).
    cExcel();
    // Ends the engine's process: nothing is left running.
    ~cExcel();
    cExcel(const cExcel &) = delete;
    cExcel &operator=(const cExcel &) = delete;

    // The engine's application object, null when none is held. Callers read
    // it and may clear it.
    std::shared_ptr<ExcelApplication> xlApp;

    QString ExcelVer();
    void CreateExcel();
    // BookName: one path (QString) or several (QStringList). A book that
    // cannot be opened is left out; LastOpenError() then tells why.
    void OpenExcel(const QVariant &BookName);
    QString LastOpenError() const { return m_lastOpenError; }
    bool ExcelStatus() const;
    void ReOpenExcel(const QString &BookName);
    void OpenBook(const QString &BookName);
    QVariant AddNewBook(qint16 Sheets);
    // Saves every open book first when Book is given and not empty. Returns
    // what that save returned (0 when nothing failed or nothing was saved);
    // when a save failed, nothing is closed and the books keep their changes.
    qint32 CloseExcel(const QVariant &Book = QVariant());
    void CloseBook(const QString &Book, const QVariant &Save = QVariant());
    void BookActive(const QString &BookName);
    // Both return 0 when every save succeeded, otherwise the error number of
    // the first failure; LastSaveError() then has its message text.
    qint32 SaveExcel(const QString &Book);
    qint32 SaveBook(const QString &Book);
    QString LastSaveError() const { return m_lastSaveError; }
    void GetLastRowColOFSheet(const QString &SheetName, qint32 &LastRow, qint32 &LastCol);
    QString RenameSheet(const QString &SelectSheet, const QString &NewName);
    qint32 GetPageOFSheet(const QString &SheetName, QVariant *Row = nullptr,
                          QVariant *Col = nullptr);
    void ActiveBookMaximized();
    void ActiveBookMinimized();
    qint16 GetSheetCount();
    QString GetSheetName(qint16 No);
    qint16 GetSheetNo(const QString &SheetName);
    qint16 GetActiveWorkBookProtect();
    qint32 GetSheetAttribute(const QString &BookName, const QString &SheetName);
    // The same for the sheet at position No (1-based), which also tells
    // apart two sheets of one name in a book another program wrote.
    qint32 GetSheetAttributeAt(const QString &BookName, qint16 No);
    void SetSheetAttribute(const QString &BookName, const QString &SheetName, qint32 Attri);
    // Hides a sheet as the user asks: hidden, also a very hidden sheet shown
    // in this session (SetSheetAttribute gives such a sheet back its very
    // hidden state, as a command that showed it for a while wants).
    void HideSheet(const QString &BookName, const QString &SheetName);
    // Hides a sheet of the active book so that only a program can show it again.
    void SetSheetVeryHidden(const QString &SheetName);
    // Applies the captured page setup to the sheet (SetActiveSheetPropaty).
    void PageSetUp(const QString &SheetName);
    // Prints the listed sheets of the active book, as they are now, as one
    // job on the default printer: SheetCopies copies (1 when omitted), pages
    // FromPage to ToPage when given and not empty.
    void PrintExcelSheet(const QStringList &SheetName, const QVariant &SheetCopies = QVariant(),
                         const QVariant &FromPage = QVariant(), const QVariant &ToPage = QVariant());
    // For print runs, which never change a book: writes the listed sheets of
    // the active book (hidden ones as if shown) to a PDF file, pages FromPage
    // to ToPage; returns the pages written (0 when the range holds none: no
    // file is then left; -1 when they cannot be told). Job, when given, gets
    // what printing the file takes: SheetCopies checked (1 when omitted) and
    // whether every sheet asks for black and white or draft.
    qint32 ExportExcelSheet(const QStringList &SheetName, const QString &PdfPath,
                            const QVariant &FromPage = QVariant(), const QVariant &ToPage = QVariant(),
                            const QVariant &SheetCopies = QVariant(), SheetPrintJob::Options *Job = nullptr);
    // The same, handed to a render pool instead: the job that writes these
    // sheets from the active book's file, and what printing them takes.
    // Returns 1 when the job is made, 0 when the page range is empty, -1 when
    // the book is not as its file holds it (ExportExcelSheet renders it then).
    qint32 RenderJobOf(const QStringList &SheetName, const QString &PdfPath, const QVariant &FromPage,
                       const QVariant &ToPage, const QVariant &SheetCopies, RenderPool::Job &Job,
                       SheetPrintJob::Options &Options);
    // Shows the listed sheets as they would print, in the desktop's PDF viewer.
    void PreviewExcelSheet(const QStringList &SheetName);
    // Saves the active book under a name the user chooses (BookPath proposed).
    qint32 DspExcelSaveAsDialog(const QString &BookPath, const QString &BookName);
    // Creates a blank book saved where the user chooses and makes it active;
    // returns its name, empty when the user cancelled. NewBookPath() then
    // gives its full path.
    QString DspExcelNewBookDialog(const QString &BookName);
    QString NewBookPath() const { return m_newBookPath; }
    // Shows the page setup dialog for the sheet of the active book (the first
    // visible sheet when SheetName is empty). OK writes the sheet's page setup
    // and captures it for SetActiveSheetPropaty: -1; Cancel: 0.
    qint32 DspExcelPageSetupDialog(const QString &BookName, const QString &SheetName);
    // Captures the page setup of a sheet of the active book (shown or not; an
    // Excel 4 macro sheet has none to give) for SetActiveSheetPropaty, as OK
    // in the page setup dialog does.
    void CapturePageSetup(const QString &SheetName);
    // Writes the captured page setup to one sheet of the active book, only the
    // properties that differ; a sheet that refuses gets a message.
    void SetActiveSheetPropaty(const QString &SheetName);
    void MoveSheet(QString FromBook, const QStringList &FromSheets,
                   const QVariant &ToBook = QVariant(), const QVariant &ToSheet = QVariant(),
                   const QVariant &Position = QVariant());
    void CopySheet(QString FromBook, const QStringList &FromSheets,
                   const QVariant &ToBook = QVariant(), const QVariant &ToSheet = QVariant(),
                   qint16 Position = 0);
    // Why the last MoveSheet or CopySheet changed nothing (a move between
    // books is checked on both sides); empty when it was done.
    QString LastTransferError() const { return m_lastTransferError; }
    // The sheets a copy or move of FromSheets into ToBook (another book)
    // would bring through the office, each as "sheet (why)"; empty when the
    // books' records carry them all.
    QStringList OfficeTransferSheets(const QString &FromBook, const QStringList &FromSheets, const QString &ToBook);
    // Ends a move made as a copy (so that it could be undone until the user
    // agreed): the sheets leave FromBook, and ToBook, which holds them now,
    // is saved before it. Throws ExcelError.
    void CompleteMove(const QString &FromBook, const QStringList &FromSheets, const QString &ToBook);
    // Why CompleteMove would refuse to take the sheets out of FromBook (a
    // name or formula of its other sheets refers to them); empty when not.
    QString CompleteMoveRefusal(const QString &FromBook, const QStringList &FromSheets);
    // Puts the sheets of the book in the order listed, in one step (sheets
    // not listed follow in their present order; each keeps its visibility).
    // Returns the refusal's message text, empty when done.
    QString SetSheetOrder(const QString &BookName, const QStringList &SheetNames);
    // Copies books' sheets into one book through their records, in one pass:
    // for each (book path, sheet names, empty for every sheet), in order, the
    // sheets go to the end of the book at TargetPath (a new book when no file
    // is there), which is then saved. Books are read from disk, so open books
    // are saved first. Returns what was skipped, one "book: sheet (why)" an
    // entry: Excel 4 macro sheets, sheets the records cannot carry faithfully
    // (charts, drawings, pivot tables, code behind the sheet) and books that
    // cannot be read. Throws ExcelError, with nothing written, when the
    // target cannot be read or saved or no sheet could be copied. PerSource,
    // when given, receives for each source (also when it throws) the copies'
    // names and the sheets only the office can carry.
    struct CombinedBook
    {
        QStringList Copies;
        QStringList OfficeOnly;
        QStringList OfficeWhy; // why the records cannot carry each of them
        // Copies whose modules call procedures of the source's standard modules.
        QList<quirn::VbaProcedureUse> ProcedureUses;
    };
    QStringList CopyBooksIntoBook(const QString &TargetPath,
                                  const QList<std::pair<QString, QStringList>> &Sources,
                                  QList<CombinedBook> *PerSource = nullptr);
    // What CombineBooks did.
    struct CombineOutcome
    {
        // A sheet the records could not carry faithfully, for the office to bring.
        struct Left
        {
            int source = 0;   // index into the sources
            QString sheet;    // its name in the source
            int position = 0; // the 0-based place its copy takes among the saved book's sheets
        };
        QStringList skipped;   // as CopyBooksIntoBook returns it, the sheets left included
        QList<Left> left;      // in the order of the sources and their sheets
        QList<int> unreadable; // sources that could not be read
        QStringList failed;    // sheets that could not be copied at all, as in `skipped`
        QString savedTo;       // TargetPath, OfficePath, or empty when no sheet could be copied
    };
    // As CopyBooksIntoBook, except that when some sheet is left for the
    // office the book is saved at OfficePath instead (TargetPath stays as it
    // was), and that a combine with no sheet to copy saves nothing and throws
    // nothing. Throws ExcelError when the target cannot be read or saved.
    CombineOutcome CombineBooks(const QString &TargetPath, const QList<std::pair<QString, QStringList>> &Sources,
                                const QString &OfficePath);
    // Settles a workbook name that both books define, differently, when
    // MoveSheet or CopySheet brings sheets into another book: Resolver gets
    // the name and one neither book has ("Rate_2"), and answers with an
    // empty text to keep the destination's definition (the copied formulas
    // then use it) or a new name for the incoming one. Without one the
    // destination's is kept.
    // Whether Excel takes `Name` as a workbook name: a letter, "_" or "\"
    // first, then letters, digits, "_", "." or "\", at most 255 characters,
    // and not a cell's address.
    static bool IsValidDefinedName(const QString &Name);
    void SetNameConflictResolver(std::function<QString(const QString &Name, const QString &Free)> Resolver);
    // The names the last MoveSheet, CopySheet or combine of books found
    // defined differently in both books, each with the name the incoming
    // definition took (empty when the destination's was kept; a combine
    // always keeps it).
    QList<std::pair<QString, QString>> LastNameConflicts() const { return m_nameConflicts; }
    bool FindExcelInstance(const QString &BookName);
    void DeleteSheet(const QString &SheetName);
    bool CheckMacroObject(QStringList &Modules, QList<int> &Types);
    void SelectedSheet(const QString &SheetName);

    // The installed engine's version, read without starting it; empty when
    // none is installed.
    static QString InstalledVersion();
    // Starts the engine's process behind the caller's back and returns at
    // once; its first use waits for that start to end.
    void WarmUpEngine();

    // What saving the book named `Book` would lose (a book holding sheets
    // brought from another book is saved through the office); empty when its
    // save keeps everything.
    QStringList SaveLosses(const QString &Book);
    // The caller, having asked the user, agrees to those losses.
    void AllowLossySave(const QString &Book);

private:
    ExcelApplication &application() const;
    void newApplication();
    qint32 saveActive(const QString &path);
    QString setupSheet(ExcelWorkbook &book, const QString &SheetName) const;
    void checkPrintable(ExcelWorkbook &book, const QStringList &sheets) const;
    void checkExisting(ExcelWorkbook &book, const QStringList &sheets) const;
    bool printOptions(ExcelWorkbook &book, const QStringList &sheets, const QVariant &copies,
                      const QVariant &fromPage, const QVariant &toPage, SheetPrintJob::Options &options) const;
    void printSheets(ExcelWorkbook &book, const QStringList &sheets, const QVariant &copies,
                     const QVariant &fromPage, const QVariant &toPage);
    void transferSheets(bool move, const QString &fromBook, const QStringList &fromSheets,
                        const QVariant &toBook, const QVariant &toSheet, bool before);

    std::shared_ptr<OfficeProcess> m_office;
    QString xlAppName;
    QString m_lastSaveError;
    QString m_lastOpenError;
    QString m_lastTransferError;
    CapturedPageSetup CapturedSetup;
    QString SetupChartName;
    bool m_setupCaptured = false;
    // Whether CapturedSetup came from a chart sheet; unlike SetupChartName it
    // changes only with the capture, so a cancelled dialog does not change
    // how the standing capture applies.
    bool m_capturedFromChart = false;
    QString m_newBookPath;
    std::function<QString(const QString &, const QString &)> m_nameResolver;
    QList<std::pair<QString, QString>> m_nameConflicts;
};
