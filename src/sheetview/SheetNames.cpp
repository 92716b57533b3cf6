#include "SheetNames.h"

#include "MessageBox.h"
#include "SheetList.h"
#include "cClipBord.h"
#include "frmMain.h"

SheetNames::SheetNames(frmMain &form)
    : m_form(form)
{
}

void SheetNames::CopyNamesToClipboard()
{
    QString text;
    int count = 0;
    for (int row : m_form.Sheets().SelectedRows()) {
        text += m_form.Sheets().Text(row) + QStringLiteral("\r\n");
        ++count;
    }
    if (count == 0) {
        MessageBox::Show(QStringLiteral("ｼｰﾄ名が選択されていません。"), 0x10, QString(), &m_form);
        return;
    }
    if (!cClipBord::SetClipboardText(text)) {
        MessageBox::Show(QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰできませんでした。"), 0x10, QString(), &m_form);
        return;
    }
    MessageBox::Show(QStringLiteral("選択した ") + QString::number(count)
                         + QStringLiteral("ｼｰﾄの ｼｰﾄ名をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰしました。"),
                     0x40, QString(), &m_form);
}
