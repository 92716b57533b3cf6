#include "PrintRun.h"

#include "BookCopyPasses.h"
#include "BookList.h"
#include "ExcelError.h"
#include "MessageBox.h"
#include "PrintOutput.h"
#include "PrintSession.h"
#include "PrintReserve.h"
#include "SettingsStore.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cFile.h"
#include "frmMain.h"
#include "frmPrintSheet.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>

namespace {

const QString Printing = QStringLiteral("印刷中");
constexpr unsigned CriticalOk = 0x10;
constexpr unsigned ExclamationOk = 0x30;
constexpr unsigned QuestionYesNo = 0x24;

// Panel 1 shows "印刷中" for as long as the object lives.
class PrintingStatus
{
public:
    explicit PrintingStatus(frmMain &form)
        : m_form(form)
        , m_before(form.PanelText(1))
    {
        m_form.SetPanelText(1, Printing);
    }
    ~PrintingStatus() { m_form.SetPanelText(1, m_before); }

private:
    frmMain &m_form;
    QString m_before;
};

// The main window is disabled while the engine opens books.
class DisabledWindow
{
public:
    explicit DisabledWindow(frmMain &form)
        : m_form(form)
    {
        m_form.setEnabled(false);
    }
    ~DisabledWindow() { m_form.setEnabled(true); }

private:
    frmMain &m_form;
};

} // namespace

PrintRun::PrintRun(frmMain &form)
    : m_form(form)
{
}

PrintRun::~PrintRun() = default;

QString PrintRun::OptionText(const char *key, const char *fallback) const
{
    return SettingsStore::GetSetting(SettingsStore::AppKey, QStringLiteral("Option"), QString::fromLatin1(key),
                                     QString::fromLatin1(fallback));
}

bool PrintRun::SheetPassesPrintOptions(const QString &options, qint32 attr)
{
    return PrintSession::SheetPassesPrintOptions(options, attr);
}

bool PrintRun::IsInList(const QStringList &list, const QString &name)
{
    return list.contains(name, Qt::CaseSensitive);
}

// ---------------------------------------------------------------- the dialog

int PrintRun::ShowPrintDialog(const QStringList &items)
{
    QStringList objects;
    for (const QString &item : items) {
        const QString text = SheetKey::AttributesOf(item) >= 0 ? SheetKey::NameOf(item) : item;
        // The list shows text as it is: no mnemonic to escape.
        objects << cFile::OmitPathName(text).replace(QStringLiteral("&&"), QStringLiteral("&"));
    }
    frmPrintSheet dialog(&m_form);
    dialog.ObjectCount = int(items.size());
    const int answer = dialog.Show(objects);
    if (answer == frmPrintSheet::Cancel)
        return answer; // the values of the last run stay
    PrintFromPage = dialog.FromPage;
    PrintToPage = dialog.ToPage;
    PrintCopies = dialog.Copies;
    m_mode = answer == frmPrintSheet::SaveAsPdf ? PrintOutput::Mode::PdfFile
              : dialog.OneJob                  ? PrintOutput::Mode::OneJob
                                               : PrintOutput::Mode::Printer;
    m_pdfPath = dialog.PdfPath;
    return answer;
}

// ---------------------------------------------------------------- runs

// Shows the print dialog when the user keeps it on, then starts the run;
// false when the user cancelled or nothing can be printed.
bool PrintRun::AskAndStartRun(const QStringList &lines)
{
    int answer = 0;
    if (OptionText("PrintGuide", "1") == QLatin1String("1")) {
        answer = ShowPrintDialog(lines);
        if (answer == frmPrintSheet::Cancel)
            return false;
    }
    return StartRun(answer);
}

// Sets up the run's destination (the stored one-job choice when no dialog
// was shown) and checks it; false, after telling the user, when nothing can
// be printed.
bool PrintRun::StartRun(int answer)
{
    if (answer == 0) {
        m_mode = OptionText("PrintOneJob", "0") == QLatin1String("1") ? PrintOutput::Mode::OneJob
                                                                      : PrintOutput::Mode::Printer;
    }
    PrintSession::Settings settings;
    settings.workSheets = OptionText("PrintWorkSheet", "111");
    settings.graphSheets = OptionText("PrintGraphSheet", "111");
    settings.copies = PrintCopies;
    settings.fromPage = PrintFromPage;
    settings.toPage = PrintToPage;
    settings.perSheet = OptionText("PrintPage", "0") != QLatin1String("0");
    m_session = std::make_unique<PrintSession>(
        m_form.Excel(), std::make_unique<PrintOutput>(m_form.Excel(), m_mode, m_pdfPath), settings);
    PrintedSheetCount = 0;
    try {
        m_session->Output().CheckDestination();
    } catch (const ExcelError &error) {
        m_session.reset();
        MessageBox::Show(error.description(), CriticalOk, QString(), &m_form);
        QCoreApplication::processEvents();
        return false;
    }
    return true;
}

// Sends or writes what the run kept; true when nothing failed on the way.
bool PrintRun::FinishRun()
{
    const bool finished = m_session->Finish();
    PrintedSheetCount = m_session->PrintedSheets();
    return finished;
}

void PrintRun::mnuPrint()
{
    if (m_form.ActiveBookPath.isEmpty()) {
        MessageBox::Show(QStringLiteral("Excel Book が選択されていません。"), ExclamationOk, QString(), &m_form);
        QCoreApplication::processEvents();
        return;
    }
    QStringList keys;
    for (int row : m_form.Books().SelectedRows())
        keys << m_form.Books().Key(row);
    if (keys.size() < 2) {
        m_form.Sheets().ReopenExcelIfNeeded();
        PrintCurrentBook();
        return;
    }
    if (!AskAndStartRun(keys))
        return;
    {
        WaitCursor wait;
        PrintingStatus status(m_form);
        PrintBooks(keys, false);
        FinishRun();
    }
    if (!m_session->Failures().isEmpty())
        ReportFailures();
    else if (PrintedSheetCount == 0)
        PrintNothingMessage();
    else
        ShowDone();
    m_session.reset();
}

// A run that did everything says so in the status bar, with the PDF's name.
void PrintRun::ShowDone()
{
    if (m_session->Output().mode() == PrintOutput::Mode::PdfFile)
        m_form.SetPanelText(1, QStringLiteral("%1 ｼｰﾄを PDF ﾌｧｲﾙ \"%2\" に保存しました。")
                                   .arg(PrintedSheetCount)
                                   .arg(m_session->Output().pdfPath()));
    else
        m_form.SetPanelText(1, QStringLiteral("%1 ｼｰﾄを印刷しました。").arg(PrintedSheetCount));
}

void PrintRun::PrintNothingMessage()
{
    MessageBox::Show(QStringLiteral("印刷可能なｼｰﾄがありません。印刷ｵﾌﾟｼｮﾝを確認して下さい。"), CriticalOk, QString(),
                     &m_form);
    QCoreApplication::processEvents();
}

void PrintRun::PrintCurrentBook()
{
    const QString ws = OptionText("PrintWorkSheet", "111");
    const QString gs = OptionText("PrintGraphSheet", "111");
    const bool filtered = ws != QLatin1String("111") || gs != QLatin1String("111");
    SheetList &sheets = m_form.Sheets();
    const QList<int> selected = sheets.SelectedRows();
    QStringList all;
    QStringList chosen;
    for (int row = 0; row < sheets.Count(); ++row) {
        const QString key = sheets.Key(row);
        const qint32 attr = SheetKey::AttributesOf(key);
        const bool hiddenAndProtected = !(attr & SheetKey::Visible) && (attr & SheetKey::Protected);
        bool ok = attr >= 0 && !(attr & SheetKey::MacroSheet) && !hiddenAndProtected;
        if (ok && filtered)
            ok = SheetPassesPrintOptions((attr & SheetKey::Chart) ? gs : ws, attr);
        if (!ok)
            continue;
        all << key;
        if (m_form.ActivePane != 1 || selected.contains(row))
            chosen << key;
    }
    if (chosen.isEmpty() && all.isEmpty()) {
        PrintNothingMessage();
        return;
    }
    const QStringList keys = chosen.isEmpty() ? all : chosen;
    if (!AskAndStartRun(keys))
        return;
    PrintChosenSheets(m_form.ActiveBookPath, keys);
}

void PrintRun::PrintChosenSheets(const QString &bookPath, const QStringList &keys)
{
    if (!m_session && !StartRun(0))
        return;
    {
        PrintingStatus status(m_form);
        WaitCursor wait;
        QStringList names;
        for (const QString &key : keys)
            names << SheetKey::NameOf(key);
        m_session->PrintSheets(bookPath, names);
        FinishRun();
        QCoreApplication::processEvents();
        // The book's unsaved sheet changes stay with it; otherwise the engine
        // lets it go, as after every run.
        if (!m_form.SheetsChanged)
            m_form.Excel().CloseExcel();
    }
    if (!m_session->Failures().isEmpty())
        ReportFailures();
    else if (PrintedSheetCount > 0)
        ShowDone();
    m_session.reset();
}

void PrintRun::PrintBooks(const QStringList &paths, bool reserved)
{
    m_form.StartProgress(0, double(paths.size()));
    try {
        PrintPasses(paths, reserved);
    } catch (...) {
        // Whatever stopped the run, the progress goes and the active book
        // gets its unsaved changes back.
        m_form.EndProgress();
        try {
            RestoreActiveBook();
        } catch (...) {
        }
        throw;
    }
    m_form.EndProgress();
    RestoreActiveBook();
}

// The engine cannot hold two books of the same file name, whatever their
// case: a name that comes again later waits for a later pass, so its last
// book goes first.
void PrintRun::PrintPasses(const QStringList &paths, bool reserved)
{
    int done = 0;
    for (const QStringList &pass : BookCopyPasses::Split(paths)) {
        OpenPass(pass);
        for (const QString &path : pass) {
            if (!m_unopened.contains(path)) {
                if (reserved) {
                    const int entry = m_form.Reserve.FindActiveReserveBook(path);
                    QStringList sheets;
                    if (entry != -1) {
                        for (const ReserveSheetEntry &sheet : m_form.Reserve.Entries.at(entry).Sheets) {
                            if (sheet.Reserved)
                                sheets << sheet.Name;
                        }
                    }
                    PrintBookSheets(path, &sheets);
                } else {
                    PrintBookSheets(path, nullptr);
                }
            }
            m_form.StepProgress(++done);
            QCoreApplication::processEvents();
        }
        m_form.Excel().CloseExcel();
    }
}

// Offers to save the active book's sheet changes, then gives the engine this
// pass's books. Changes the user keeps unsaved wait aside for the run's end.
void PrintRun::OpenPass(const QStringList &paths)
{
    cExcel &excel = m_form.Excel();
    if (m_form.SheetsChanged && !m_form.ActiveBookPath.isEmpty() && (m_form.BookRestriction & 1) == 0
        && excel.ExcelStatus()) {
        const QString question = QStringLiteral("ｼｰﾄ構成の変更を ") + u'"' + m_form.ActiveBookPath + u'"'
                                 + QStringLiteral(" に保存しますか？");
        if (MessageBox::Show(question, QuestionYesNo, QString(), &m_form) == MessageBox::IDYES) {
            if (excel.SaveExcel(m_form.ActiveBookPath) == 0)
                m_form.SheetsChanged = false;
            else
                MessageBox::Show(QStringLiteral("ｼｰﾄ構成の変更を保存できませんでした。") + QStringLiteral("\r\n")
                                     + excel.LastSaveError(),
                                 CriticalOk, QString(), &m_form);
        }
    }
    QCoreApplication::processEvents();
    DisabledWindow disabled(m_form);
    if (m_form.SheetsChanged && !m_kept && excel.ExcelStatus()) {
        m_kept = excel.xlApp;
        excel.xlApp.reset();
    }
    excel.CloseExcel();
    excel.OpenExcel(QVariant(QStringList()));
    m_unopened.clear();
    for (const QString &path : paths) {
        try {
            excel.OpenBook(path);
        } catch (const ExcelError &error) {
            m_unopened << path;
            m_session->AddFailure(path, error.description());
        }
    }
}

void PrintRun::RestoreActiveBook()
{
    if (!m_kept)
        return;
    m_form.Excel().CloseExcel();
    m_form.Excel().xlApp = std::move(m_kept);
}

void PrintRun::PrintBookSheets(const QString &path, const QStringList *names)
{
    m_session->PrintBook(path, names);
}

void PrintRun::mnuReservePrint()
{
    QStringList books;
    QStringList lines;
    for (const ReserveBookEntry &entry : m_form.Reserve.Entries) {
        if (!entry.Reserved)
            continue;
        books << entry.Path;
        for (const ReserveSheetEntry &sheet : entry.Sheets) {
            if (sheet.Reserved)
                lines << entry.Path + QStringLiteral(" ! ") + sheet.Name;
        }
    }
    if (lines.isEmpty()) {
        MessageBox::Show(QStringLiteral("印刷予約されているｼｰﾄがありません。"), ExclamationOk, QString(), &m_form);
        return;
    }
    if (!AskAndStartRun(lines))
        return;
    {
        WaitCursor wait;
        PrintingStatus status(m_form);
        PrintBooks(books, true);
        FinishRun();
    }
    if (!m_session->Failures().isEmpty()) {
        ReleasePrintedReservations();
        ReportFailures();
    } else if (PrintedSheetCount != 0) {
        ShowDone();
        m_form.Reserve.Reset();
        m_form.Reservations().ShowMark(false);
        m_form.Reservations().UpdateReservePrintCommands();
    } else {
        PrintNothingMessage();
    }
    m_session.reset();
}

// After a run that printed some books and not others: the printed books'
// reservations are done, the others stay for another try.
void PrintRun::ReleasePrintedReservations()
{
    for (const QString &path : m_session->PrintedBooks()) {
        const int entry = m_form.Reserve.FindActiveReserveBook(path);
        if (entry == -1)
            continue;
        m_form.Reserve.Entries[entry].Reserved = false;
        for (ReserveSheetEntry &sheet : m_form.Reserve.Entries[entry].Sheets)
            sheet.Reserved = false;
    }
    if (!m_form.Reserve.IsSheetReserved(m_form.ActiveBookPath, m_form.Title(1)->text()))
        m_form.Reservations().ShowMark(false);
    m_form.Reservations().UpdateReservePrintCommands();
}

void PrintRun::ReportFailures()
{
    const bool pdf = m_session->Output().mode() == PrintOutput::Mode::PdfFile;
    QString text = pdf ? QStringLiteral("次のﾌﾞｯｸは PDF ﾌｧｲﾙに保存できませんでした。")
                       : QStringLiteral("次のﾌﾞｯｸは印刷できませんでした。");
    text += u'\n';
    for (const PrintSession::Failure &failure : m_session->Failures()) {
        text += u'\n';
        if (!failure.book.isEmpty())
            text += u'"' + failure.book + QStringLiteral("\"\n");
        text += QStringLiteral("  ") + failure.reason + u'\n';
    }
    text += u'\n';
    const QStringList &printed = m_session->PrintedBooks();
    if (printed.isEmpty()) {
        text += pdf ? QStringLiteral("PDF ﾌｧｲﾙは作成されていません。") : QStringLiteral("何も印刷されていません。");
    } else {
        text += (pdf ? QStringLiteral("ほかの %1 個のﾌﾞｯｸ (%2 ｼｰﾄ) は \"%3\" に保存しました。")
                           .arg(printed.size())
                           .arg(PrintedSheetCount)
                           .arg(m_session->Output().pdfPath())
                     : QStringLiteral("ほかの %1 個のﾌﾞｯｸ (%2 ｼｰﾄ) は印刷しました。")
                           .arg(printed.size())
                           .arg(PrintedSheetCount));
    }
    MessageBox::Show(text, CriticalOk, QString(), &m_form);
    QCoreApplication::processEvents();
}
