#include "BookHandOver.h"

#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "Globals.h"
#include "MessageBox.h"
#include "OfficeProcess.h"
#include "SheetList.h"
#include "cExcel.h"
#include "frmMain.h"

bool BookHandOver::HandOver(frmMain &form, const QString &sheet)
{
    if (!OfficeProcess::displayAvailable()) {
        MessageBox::Show(QStringLiteral("画面が使用できないため、ﾌﾞｯｸを Microsoft Excel で開くことができません。"),
                         0x30, QString(), &form);
        return false;
    }
    form.Sheets().ReopenExcelIfNeeded();
    cExcel &excel = form.Excel();
    if (!ConsentToOfficeSave(form))
        return false;
    try {
        if (!sheet.isEmpty())
            excel.SelectedSheet(sheet);
        excel.xlApp->setVisible(true);
    } catch (const ExcelError &error) {
        MessageBox::Show(error.description(), 0x30, QString(), &form);
        return false;
    }
    excel.xlApp.reset();
    form.SheetsChanged = false;
    Globals::ExcelHandedOver = true;
    return true;
}

// The book goes over with its unsaved changes, and the office will offer to
// save them: say first what the office's save would lose of the book.
bool BookHandOver::ConsentToOfficeSave(frmMain &form)
{
    ExcelWorkbook &book = form.Excel().xlApp->ActiveWorkbook();
    if (book.Saved())
        return true;
    const QStringList losses = book.officeExportLosses();
    if (losses.isEmpty())
        return true;
    const QString text = u'"' + book.Name() + u'"' + QStringLiteral(" を Microsoft Excel で保存すると、次の内容が失われます。")
                         + QStringLiteral("\r\n\r\n・") + losses.join(QStringLiteral("\r\n・"))
                         + QStringLiteral("\r\n\r\n") + QStringLiteral("このまま開きますか？");
    return MessageBox::Show(text, 0x131, QString(), &form) == MessageBox::IDOK;
}

void BookHandOver::ExcelOpen(frmMain &form)
{
    if (form.ActiveBookPath.isEmpty())
        return;
    if (form.SheetsChanged
        && MessageBox::Show(QStringLiteral("Quirnで変更した内容が保存されていませんが Ecxelで開きますか。"), 0x21,
                            QString(), &form)
               != MessageBox::IDOK)
        return;
    HandOver(form, QString());
}
