#include "BookHandOver.h"

#include "ExcelApplication.h"
#include "ExcelError.h"
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
