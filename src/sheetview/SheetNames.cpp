#include "SheetNames.h"

#include "MessageBox.h"
#include "SheetList.h"
#include "cClipBord.h"

SheetNames::SheetNames(const SheetList &sheets, QWidget *owner)
    : m_sheets(sheets)
    , m_owner(owner)
{
}

void SheetNames::CopyNamesToClipboard()
{
    QString text;
    int count = 0;
    for (int row : m_sheets.SelectedRows()) {
        text += m_sheets.Text(row) + QStringLiteral("\r\n");
        ++count;
    }
    if (count == 0) {
        MessageBox::Show(QStringLiteral("ｼｰﾄ名が選択されていません。"), 0x10, QString(), m_owner);
        return;
    }
    if (!cClipBord::SetClipboardText(text)) {
        MessageBox::Show(QStringLiteral("ｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰできませんでした。"), 0x10, QString(), m_owner);
        return;
    }
    MessageBox::Show(QStringLiteral("選択した ") + QString::number(count)
                         + QStringLiteral("ｼｰﾄの ｼｰﾄ名をｸﾘｯﾌﾟﾎﾞｰﾄﾞにｺﾋﾟｰしました。"),
                     0x40, QString(), m_owner);
}
