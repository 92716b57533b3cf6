#include "SheetTransfer.h"

#include "BookList.h"
#include "BookSelection.h"
#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "Globals.h"
#include "MessageBox.h"
#include "SaveLossConsent.h"
#include "SheetClipboard.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cFile.h"
#include "cListView.h"
#include "frmMain.h"
#include "frmNameConflict.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStandardItemModel>

namespace {

constexpr unsigned CriticalOk = 0x10;
constexpr unsigned QuestionYesNo = 0x24;
constexpr unsigned WarningOk = 0x30;

} // namespace

SheetTransfer::SheetTransfer(frmMain &form, SheetClipboard &clipboard)
    : m_form(form)
    , m_clipboard(clipboard)
{
    // The chosen item runs before the menu's hiding is handled here.
    connect(form.Popup(QStringLiteral("menuBookMovePopup")), &QMenu::aboutToHide, this,
            &SheetTransfer::AfterBookPopup, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- the drop and its popup

void SheetTransfer::DropOnBook(const QMimeData &data, Qt::KeyboardModifiers modifiers)
{
    if ((m_form.BookRestriction & 1) || m_clipboard.TakeDraggedSheets(data) == 0)
        return;
    const QList<int> selected = m_form.Books().SelectedRows();
    if (selected.isEmpty())
        return;
    TargetPath = m_form.Books().Key(selected.first());
    BeforeSheet = 0;
    const bool move = SheetClipboard::IsMove(modifiers);
    m_form.Action(QStringLiteral("PopBookBefore"))
        ->setText(move ? QStringLiteral("先頭ｼｰﾄの前に移動") : QStringLiteral("先頭ｼｰﾄの前にｺﾋﾟｰ"));
    m_form.Action(QStringLiteral("PopBookAfter"))
        ->setText(move ? QStringLiteral("末尾ｼｰﾄの後に移動") : QStringLiteral("末尾ｼｰﾄの後にｺﾋﾟｰ"));
    m_clipboard.SheetDropIsCopy = move ? 0 : 1;
    QAbstractItemView *view = m_form.BookView()->currentView();
    const QRect item = view->visualRect(m_form.BookView()->model()->index(selected.first(), 0));
    m_form.Popup(QStringLiteral("menuBookMovePopup"))->popup(view->viewport()->mapToGlobal(item.bottomLeft()));
}

void SheetTransfer::AfterBookPopup()
{
    BookList &books = m_form.Books();
    books.DeselectAll();
    books.Select(books.FindItem(m_form.ActiveBookPath));
    // Selecting shows the selection's count: what the office carried stays said.
    if (!m_officeNote.isEmpty())
        m_form.SetPanelText(1, m_officeNote);
    m_officeNote.clear();
}

void SheetTransfer::PasteToBook(bool before)
{
    WaitCursor wait;
    const bool done = m_clipboard.SheetDropIsCopy == 1 ? CopySheetsToBook(before) : MoveSheetsToBook(before);
    if (!done)
        return;
    SheetList &list = m_form.Sheets();
    m_form.HasProtectedSheets = list.LoadSheetView(m_form.ActiveBookPath);
    // The current sheet is one of the new current book's.
    m_form.Title(1)->clear();
    if (list.Count() > 0)
        list.SelectFirstSheet();
    m_form.Selection().DisableSheetCommandsWhenEmpty();
    if (!m_officeNote.isEmpty())
        m_form.SetPanelText(1, m_officeNote);
}

// ---------------------------------------------------------------- the transfer

bool SheetTransfer::CopySheetsToBook(bool before)
{
    return TransferSheets(false, before);
}

bool SheetTransfer::MoveSheetsToBook(bool before)
{
    return TransferSheets(true, before);
}

bool SheetTransfer::VisibleSheetRemains() const
{
    const SheetList &list = m_form.Sheets();
    for (int row = 0; row < list.Count(); ++row) {
        const QString key = list.Key(row);
        if (SheetKey::TestSheetKeyBit(key, SheetKey::Visible, true)
            && !m_clipboard.SheetClipboardNames.contains(list.Name(row)))
            return true;
    }
    return false;
}

bool SheetTransfer::TransferSheets(bool move, bool before)
{
    m_officeNote.clear();
    if (m_clipboard.SheetClipboardNames.isEmpty() || TargetPath.isEmpty())
        return false;
    if (move && !VisibleSheetRemains()) {
        MessageBox::Show(QStringLiteral("ｼｰﾄ移動元のﾌﾞｯｸ内に表示ｼｰﾄがなくなるため移動できません。"), WarningOk,
                         QString(), &m_form);
        return false;
    }
    // A target that is missing, or that the user may not write, is read-only.
    const QString attributes = cFile::AttribString(TargetPath);
    if (attributes.isEmpty() || attributes.startsWith(u'r')) {
        MessageBox::Show(QStringLiteral("読取専用ﾌﾞｯｸへのｼｰﾄ移動／ｺﾋﾟｰはできません。"), WarningOk, QString(), &m_form);
        return false;
    }
    m_form.Sheets().ReopenExcelIfNeeded();
    bool openedHere = false;
    if (!OpenTarget(openedHere))
        return false;
    if (!SaveBeforeTransfer()) {
        if (openedHere)
            Discard(TargetPath, false);
        m_form.Excel().BookActive(cFile::GetFileName(m_form.ActiveBookPath));
        return false;
    }
    WaitCursor wait;
    if (!Transfer(move, before, openedHere))
        return false;
    BecomeCurrentBook();
    return true;
}

// Opens the target beside the current book and checks that it takes sheets.
bool SheetTransfer::OpenTarget(bool &openedHere)
{
    cExcel &excel = m_form.Excel();
    const QString sourceFile = cFile::GetFileName(m_form.ActiveBookPath);
    openedHere = HeldBook(TargetPath) == nullptr;
    try {
        excel.OpenBook(TargetPath);
        excel.BookActive(cFile::GetFileName(TargetPath));
    } catch (const ExcelError &error) {
        MessageBox::Show(QStringLiteral("ﾌﾞｯｸ \"") + TargetPath + QStringLiteral("\" を開けませんでした。") + u'\n'
                             + error.description(),
                         WarningOk, QString(), &m_form);
        excel.BookActive(sourceFile);
        return false;
    }
    QString refusal;
    if (HeldBook(TargetPath)->isReadOnlyFormat())
        refusal = QStringLiteral("読取専用ﾌﾞｯｸへのｼｰﾄ移動／ｺﾋﾟｰはできません。");
    else if (excel.GetActiveWorkBookProtect() != 0)
        refusal = QStringLiteral("保護されているﾌﾞｯｸへのｼｰﾄ移動／ｺﾋﾟｰはできません。");
    if (refusal.isEmpty())
        return true;
    MessageBox::Show(refusal, WarningOk, QString(), &m_form);
    if (openedHere)
        Discard(TargetPath, false);
    excel.BookActive(sourceFile);
    return false;
}

// The question whether to save the current book's changes first. False only
// when the user asked for the save and it failed (that is reported).
bool SheetTransfer::SaveBeforeTransfer()
{
    if (m_form.ActiveBookPath.trimmed().isEmpty() || !m_form.SheetsChanged || (m_form.BookRestriction & 1))
        return true;
    const QString question = QStringLiteral("ﾌﾞｯｸ間でｼｰﾄを移動／ｺﾋﾟｰする場合には、変更情報を保存する必要があります。")
                             + u'\n' + QStringLiteral("ｼｰﾄ構成の変更を ") + u'"' + m_form.ActiveBookPath + u'"'
                             + QStringLiteral(" に保存しますか？");
    if (MessageBox::Show(question, QuestionYesNo, QString(), &m_form) != MessageBox::IDYES)
        return true;
    QCoreApplication::processEvents();
    cExcel &excel = m_form.Excel();
    // Every book with changes is saved: each that would lose something asks
    // first, and a No goes on without saving, as a No to the question does.
    for (ExcelWorkbook *book : excel.xlApp->Workbooks()) {
        if (!book->Saved() && !SaveLossConsent::Ask(&m_form, excel, book->Name()))
            return true;
    }
    if (excel.SaveExcel(m_form.ActiveBookPath) != 0) {
        MessageBox::Show(QStringLiteral("ｼｰﾄ構成の変更を保存できませんでした。") + QStringLiteral("\r\n")
                             + excel.LastSaveError(),
                         CriticalOk, QString(), &m_form);
        return false;
    }
    m_form.SheetsChanged = false;
    return true;
}

// The engine's move or copy, checked on both sides, and the user's consent
// when the target could then be saved only with a loss; a No puts both books
// back as they were before this transfer.
bool SheetTransfer::Transfer(bool move, bool before, bool openedHere)
{
    cExcel &excel = m_form.Excel();
    const QString sourcePath = m_form.ActiveBookPath;
    const QString sourceFile = cFile::GetFileName(sourcePath);
    const QString targetFile = cFile::GetFileName(TargetPath);
    ExcelWorkbook *target = HeldBook(TargetPath);
    const ExcelWorkbook *source = HeldBook(sourcePath);
    // Changes only the office holds cannot be set apart from what this
    // transfer would add, so a loss the user refuses could not be undone.
    if (target->holdsUnsavedOfficeState()) {
        MessageBox::Show(QStringLiteral("ﾌﾞｯｸ \"") + TargetPath
                             + QStringLiteral("\" には保存されていない変更があります。保存してからｼｰﾄを移動／ｺﾋﾟｰしてください。"),
                         WarningOk, QString(), &m_form);
        excel.BookActive(sourceFile);
        return false;
    }
    // A book without unsaved changes can be put back by opening it again.
    const bool targetClean = openedHere || target->Saved();
    const bool sourceClean = source && source->Saved();

    excel.BookActive(targetFile);
    const int k = excel.GetSheetCount();
    if (BeforeSheet > 0 && BeforeSheet <= k)
        before = true;
    const int anchorAt = BeforeSheet > 0 && BeforeSheet <= k ? BeforeSheet : (before ? 1 : k);
    const QString anchor = excel.GetSheetName(static_cast<qint16>(anchorAt));
    const QStringList names = m_clipboard.SheetClipboardNames;
    // A source with unsaved changes could not be put back after a move: its
    // sheets are copied, and taken out of it only once the target is agreed.
    const bool moveAtOnce = move && sourceClean;
    const QString refusal = move && !moveAtOnce ? excel.CompleteMoveRefusal(sourceFile, names) : QString();
    if (!refusal.isEmpty()) {
        MessageBox::Show(refusal, WarningOk, QString(), &m_form);
        if (openedHere)
            Discard(TargetPath, false);
        excel.BookActive(sourceFile);
        return false;
    }
    excel.BookActive(sourceFile);
    // A workbook name both books define differently: the user settles each.
    excel.SetNameConflictResolver([this](const QString &name, const QString &free) {
        return frmNameConflict::Ask(&m_form, name, free);
    });
    const int sourceCount = excel.GetSheetCount();
    const QString status = m_form.PanelText(1);
    SayOfficeCarries(move, names, sourceFile, targetFile);
    if (moveAtOnce)
        excel.MoveSheet(sourceFile, names, targetFile, anchor, before ? 1 : 0);
    else
        excel.CopySheet(sourceFile, names, targetFile, anchor, before ? 1 : 0);

    excel.BookActive(sourceFile);
    const bool sourceAsExpected = excel.GetSheetCount() == sourceCount - (moveAtOnce ? names.size() : 0);
    excel.BookActive(targetFile);
    if (excel.GetSheetCount() != k + names.size() || !sourceAsExpected) {
        QString message = QStringLiteral("ｼｰﾄを移動／ｺﾋﾟｰできませんでした。");
        if (!excel.LastTransferError().isEmpty())
            message += u'\n' + excel.LastTransferError();
        MessageBox::Show(message, WarningOk, QString(), &m_form);
        m_form.SetPanelText(1, status);
        m_officeNote.clear();
        PutBack(targetClean, openedHere, moveAtOnce);
        excel.BookActive(sourceFile);
        return false;
    }
    if (!excel.SaveLosses(targetFile).isEmpty() && !SaveLossConsent::Ask(&m_form, excel, TargetPath)) {
        m_form.SetPanelText(1, status);
        m_officeNote.clear();
        PutBack(targetClean, openedHere, moveAtOnce);
        excel.BookActive(sourceFile);
        return false;
    }
    if (move && !moveAtOnce) {
        try {
            excel.CompleteMove(sourceFile, names, targetFile);
        } catch (const ExcelError &error) {
            MessageBox::Show(QStringLiteral("ｼｰﾄを移動できませんでした。") + u'\n' + error.description(), WarningOk,
                             QString(), &m_form);
            m_form.SetPanelText(1, status);
            m_officeNote.clear();
        m_officeNote.clear();
            PutBack(targetClean, openedHere, false);
            excel.BookActive(sourceFile);
            return false;
        }
    }
    return true;
}

// Says in the status bar which sheets the office carries (the records carry
// the others), as quirn-batch does; the text stays once they have arrived.
void SheetTransfer::SayOfficeCarries(bool move, const QStringList &names, const QString &sourceFile,
                                     const QString &targetFile)
{
    QStringList viaOffice;
    try {
        viaOffice = m_form.Excel().OfficeTransferSheets(sourceFile, names, targetFile);
    } catch (const ExcelError &) {
        return; // the transfer itself tells what is wrong
    }
    if (viaOffice.isEmpty())
        return;
    m_officeNote = (move ? QStringLiteral("LibreOffice で移動します: ") : QStringLiteral("LibreOffice でｺﾋﾟｰします: "))
                   + viaOffice.join(QStringLiteral("、"));
    m_form.SetPanelText(1, m_officeNote);
}

// Undoes a transfer: the target as it was before it, and the source of a
// move made at once as its file has it.
void SheetTransfer::PutBack(bool targetClean, bool openedHere, bool moveAtOnce)
{
    if (targetClean) {
        Discard(TargetPath, !openedHere);
    } else if (ExcelWorkbook *target = HeldBook(TargetPath)) {
        try {
            target->undoOfficeChanges();
        } catch (const ExcelError &) {
            // the records took the sheets, and only a failed transfer gets here
        }
    }
    if (moveAtOnce)
        Discard(m_form.ActiveBookPath, true);
}

// Closes a book without saving it, and opens it again from its file when asked.
void SheetTransfer::Discard(const QString &path, bool reopen)
{
    cExcel &excel = m_form.Excel();
    excel.BookActive(cFile::GetFileName(path));
    excel.CloseBook(path);
    if (reopen)
        excel.OpenBook(path);
}

void SheetTransfer::BecomeCurrentBook()
{
    m_form.ActiveBookPath = TargetPath;
    m_form.BookRestriction = 0;
    m_form.Title(0)->setText(TargetPath);
    m_form.Selection().SetRestrictionTitle(QString());
    const int row = m_form.Books().FindItem(TargetPath);
    if (row >= 0) {
        m_form.setWindowTitle(m_form.Books().Text(row) + QStringLiteral(" - ") + Globals::AppTitle);
        // The book view shows which book is current now.
        m_form.Books().DeselectAll();
        m_form.Books().Select(row);
    }
    m_form.Excel().BookActive(cFile::GetFileName(TargetPath));
    m_form.SheetsChanged = true;
}

ExcelWorkbook *SheetTransfer::HeldBook(const QString &path) const
{
    const cExcel &excel = m_form.Excel();
    if (!excel.xlApp || excel.xlApp->hasQuit())
        return nullptr;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (ExcelWorkbook *book : excel.xlApp->Workbooks()) {
        if (book->FullName() == absolute)
            return book;
    }
    return nullptr;
}
