#include "BookPageSetup.h"

#include "SheetKey.h"
#include "cExcel.h"
#include "cFile.h"

namespace {

bool Hidden(const QString &key)
{
    return SheetKey::TestSheetKeyBit(key, SheetKey::Visible, false);
}

bool Protected(const QString &key)
{
    return SheetKey::TestSheetKeyBit(key, SheetKey::Protected, true);
}

} // namespace

bool BookPageSetup::LeftOut(const QString &key, bool bookRestricted)
{
    if (SheetKey::AttributesOf(key) == SheetKey::MacroSheet)
        return true;
    return Hidden(key) && (Protected(key) || bookRestricted);
}

bool BookPageSetup::Restricted(cExcel &excel)
{
    return excel.GetActiveWorkBookProtect() == 1;
}

QString BookPageSetup::KeyOf(cExcel &excel, const QString &bookPath, const QString &name)
{
    return SheetKey::Make(QString(), excel.GetSheetAttribute(cFile::GetFileName(bookPath), name), name);
}

QStringList BookPageSetup::SheetsOf(cExcel &excel, const QString &bookPath)
{
    const bool restricted = Restricted(excel);
    QStringList keys;
    const qint16 count = excel.GetSheetCount();
    for (qint16 i = 1; i <= count; ++i) {
        const QString key = KeyOf(excel, bookPath, excel.GetSheetName(i));
        if (!LeftOut(key, restricted))
            keys << key;
    }
    return keys;
}

void BookPageSetup::Apply(cExcel &excel, const QString &bookPath, const QStringList &keys,
                          const std::function<void(int)> &step)
{
    const QString bookName = cFile::GetFileName(bookPath);
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString &key = keys.at(i);
        const QString name = SheetKey::NameOf(key);
        const bool show = Hidden(key) && !Protected(key);
        if (show)
            excel.SetSheetAttribute(bookName, name, SheetKey::Visible);
        if (step)
            step(static_cast<int>(i + 1));
        if (excel.GetSheetAttribute(bookName, name) & SheetKey::Visible)
            excel.PageSetUp(name);
        if (show)
            excel.SetSheetAttribute(bookName, name, 0);
    }
}
