#include "BookHandOver.h"

#include "ExcelAccess.h"
#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "Globals.h"
#include "MessageBox.h"
#include "OfficeProcess.h"
#include "SheetList.h"
#include "WindowState.h"
#include "cExcel.h"

bool BookHandOver::HandOver(WindowState &state, SheetList &sheets, ExcelAccess &excel, const QString &sheet,
                            QWidget *owner)
{
    if (!OfficeProcess::displayAvailable()) {
        MessageBox::Show(QStringLiteral("画面が使用できないため、ﾌﾞｯｸを Microsoft Excel で開くことができません。"),
                         0x30, QString(), owner);
        return false;
    }
    sheets.ReopenExcelIfNeeded();
    cExcel &gateway = excel.Excel();
    if (!ConsentToOfficeSave(excel, owner))
        return false;
    try {
        if (!sheet.isEmpty())
            gateway.SelectedSheet(sheet);
        gateway.xlApp->setVisible(true);
    } catch (const ExcelError &error) {
        MessageBox::Show(error.description(), 0x30, QString(), owner);
        return false;
    }
    gateway.xlApp.reset();
    state.SheetsChanged = false;
    Globals::ExcelHandedOver = true;
    return true;
}

// The book goes over with its unsaved changes, and the office will offer to
// save them: say first what the office's save would lose of the book.
bool BookHandOver::ConsentToOfficeSave(ExcelAccess &excel, QWidget *owner)
{
    ExcelWorkbook &book = excel.Excel().xlApp->ActiveWorkbook();
    if (book.Saved())
        return true;
    const QStringList losses = book.officeExportLosses();
    if (losses.isEmpty())
        return true;
    const QString text = u'"' + book.Name() + u'"' + QStringLiteral(" を Microsoft Excel で保存すると、次の内容が失われます。")
                         + QStringLiteral("\r\n\r\n・") + losses.join(QStringLiteral("\r\n・"))
                         + QStringLiteral("\r\n\r\n") + QStringLiteral("このまま開きますか？");
    return MessageBox::Show(text, 0x131, QString(), owner) == MessageBox::IDOK;
}

void BookHandOver::ExcelOpen(WindowState &state, SheetList &sheets, ExcelAccess &excel, QWidget *owner)
{
    if (state.ActiveBookPath.isEmpty())
        return;
    if (state.SheetsChanged
        && MessageBox::Show(QStringLiteral("Quirnで変更した内容が保存されていませんが Ecxelで開きますか。"), 0x21,
                            QString(), owner)
               != MessageBox::IDOK)
        return;
    HandOver(state, sheets, excel, QString(), owner);
}
