#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

#include "PrintOutput.h"

class ExcelApplication;
class PrintSession;
class frmMain;

// Print runs: the sheets of the book in the sheet view, every qualifying
// sheet of the books selected in the book view, or the reserved sheets of
// all books. Which sheets qualify follows the print options ("PrintWorkSheet",
// "PrintGraphSheet"); "PrintPage" "0" gives a book one job, otherwise each
// sheet has its own; "PrintGuide" "1" asks first. A run never changes a book:
// hidden sheets print as if shown, and only a Yes to the save question writes
// the active book's unsaved changes.
//
// A book that cannot be opened or printed does not stop the run: the others
// print, and the user is told which books did not.
class PrintRun
{
public:
    explicit PrintRun(frmMain &form);
    ~PrintRun();

    // The handlers of "印刷..." and "予約印刷...".
    void mnuPrint();
    void mnuReservePrint();

    // Lists the items (sheet keys by their names, paths shortened) in the
    // print dialog; copies its values to PrintFromPage, PrintToPage and
    // PrintCopies and returns its answer (1 OK, 2 cancel, 3 write a PDF).
    int ShowPrintDialog(const QStringList &items);
    void PrintCurrentBook();
    void PrintChosenSheets(const QString &bookPath, const QStringList &keys);
    // names: the reserved sheets of each book (null prints by the options).
    void PrintBooks(const QStringList &paths, bool reserved);
    void PrintBookSheets(const QString &path, const QStringList *names);

    // Whether a sheet with the attribute word prints under the three
    // characters of an option (visible, hidden, protected; "0" leaves that
    // kind out).
    static bool SheetPassesPrintOptions(const QString &options, qint32 attr);
    static bool IsInList(const QStringList &list, const QString &name);

    // The dialog's values, handed to every job of a run; kept between runs.
    QVariant PrintFromPage;
    QVariant PrintToPage;
    QVariant PrintCopies;
    // Sheets that reached their destination in the current run.
    int PrintedSheetCount = 0;

private:
    bool AskAndStartRun(const QStringList &lines);
    bool StartRun(int answer);
    bool FinishRun();
    void PrintPasses(const QStringList &paths, bool reserved);
    void OpenPass(const QStringList &paths);
    void RestoreActiveBook();
    void ReleasePrintedReservations();
    void ReportFailures();
    void ShowDone();
    void PrintNothingMessage();
    QString OptionText(const char *key, const char *fallback) const;

    frmMain &m_form;
    // Where the dialog sends the run.
    PrintOutput::Mode m_mode = PrintOutput::Mode::Printer;
    QString m_pdfPath;
    std::unique_ptr<PrintSession> m_session;
    // The active book with changes the user did not save, set aside while
    // other books are open for the run.
    std::shared_ptr<ExcelApplication> m_kept;
    QStringList m_unopened;
};
