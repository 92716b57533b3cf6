#include "BookSave.h"

#include "BookList.h"
#include "BookPresentation.h"
#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "MessageBox.h"
#include "SaveLossConsent.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cFile.h"
#include "frmMain.h"

#include <QCoreApplication>

namespace {

void TellSaveFailed(frmMain &form, const QString &reason)
{
    MessageBox::Show(QStringLiteral("ﾌﾞｯｸを保存できませんでした。") + QStringLiteral("\r\n") + reason, 0x10,
                     QString(), &form);
}

} // namespace

BookSave::BookSave(frmMain &form)
    : m_form(form)
{
}

void BookSave::WarnNoBook(frmMain &form)
{
    MessageBox::Show(QStringLiteral("Excel Book が選択されていません。"), 0x30, QString(), &form);
    QCoreApplication::processEvents();
}

void BookSave::ReopenIfGone()
{
    m_form.Sheets().ReopenExcelIfNeeded();
}

void BookSave::Save()
{
    if (m_form.ActiveBookPath.isEmpty()) {
        WarnNoBook(m_form);
        return;
    }
    ReopenIfGone();
    cExcel &excel = m_form.Excel();
    if (!SaveLossConsent::Ask(&m_form, excel, m_form.ActiveBookPath))
        return;
    qint32 failed = 0;
    {
        WaitCursor wait;
        failed = excel.SaveExcel(m_form.ActiveBookPath);
    }
    if (failed != 0) {
        TellSaveFailed(m_form, excel.LastSaveError());
        return;
    }
    m_form.SheetsChanged = false;
    m_form.Books().UpdateDetails(m_form.ActiveBookPath);
    m_form.Presentation().Refresh();
}

void BookSave::SaveAs()
{
    if (m_form.ActiveBookPath.isEmpty()) {
        WarnNoBook(m_form);
        return;
    }
    ReopenIfGone();
    cExcel &excel = m_form.Excel();
    if (!SaveLossConsent::Ask(&m_form, excel, m_form.ActiveBookPath))
        return;
    ExcelWorkbook &book = excel.xlApp->ActiveWorkbook();
    const QString before = book.FullName();
    const QString name = cFile::GetFileName(m_form.ActiveBookPath);
    m_form.activateWindow();
    m_form.setEnabled(false);
    try {
        WaitCursor wait;
        excel.DspExcelSaveAsDialog(m_form.ActiveBookPath, name);
    } catch (const ExcelError &error) {
        m_form.setEnabled(true);
        m_form.activateWindow();
        TellSaveFailed(m_form, error.description());
        return;
    }
    m_form.setEnabled(true);
    m_form.activateWindow();
    if (book.FullName() == before) {
        // Cancelled, or saved over the book itself.
        if (book.Saved())
            m_form.SheetsChanged = false;
        return;
    }
    // The engine's book is the new file now; the view names the old one.
    // Make the engine hold what the view names again.
    {
        WaitCursor wait;
        m_form.setEnabled(false);
        excel.CloseExcel();
        try {
            excel.ReOpenExcel(m_form.ActiveBookPath);
        } catch (...) {
            m_form.setEnabled(true);
            throw;
        }
        m_form.setEnabled(true);
    }
    m_form.SheetsChanged = false;
    m_form.HasProtectedSheets = m_form.Sheets().LoadSheetView(m_form.ActiveBookPath);
}
