#include "SaveLossConsent.h"

#include "MessageBox.h"
#include "cExcel.h"

#include <QFileInfo>

bool SaveLossConsent::Ask(QWidget *parent, cExcel &excel, const QString &bookPath)
{
    return Ask(parent, excel, bookPath, QFileInfo(bookPath).fileName());
}

bool SaveLossConsent::Ask(QWidget *parent, cExcel &excel, const QString &bookPath, const QString &shownAs)
{
    const QString book = QFileInfo(bookPath).fileName();
    const QStringList losses = excel.SaveLosses(book);
    if (losses.isEmpty())
        return true;
    const QString question = u'"' + shownAs + u'"' + QStringLiteral(" を保存すると、次の内容が失われます。")
                             + QStringLiteral("\r\n\r\n・") + losses.join(QStringLiteral("\r\n・"))
                             + QStringLiteral("\r\n\r\n") + QStringLiteral("保存しますか？");
    // Warning icon, Yes/No, No the default: losing something is never the easy way.
    if (MessageBox::Show(question, 0x134, QString(), parent) != MessageBox::IDYES)
        return false;
    excel.AllowLossySave(book);
    return true;
}
