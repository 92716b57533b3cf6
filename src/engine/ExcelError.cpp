#include "ExcelError.h"

#include "OfficeError.h"

ExcelError::ExcelError(int number, const QString &description)
    : std::runtime_error(description.toStdString())
    , m_number(number)
    , m_description(description)
{
}

ExcelError ExcelError::noApplication()
{
    return ExcelError(ObjectNotSet,
                      QStringLiteral("オブジェクト変数または With ブロック変数が設定されていません。"));
}

ExcelError ExcelError::noActiveWorkbook()
{
    return noApplication();
}

ExcelError ExcelError::noSuchSheet()
{
    return ExcelError(SubscriptOutOfRange, QStringLiteral("インデックスが有効範囲にありません。"));
}

ExcelError ExcelError::noSuchWorkbook()
{
    return noSuchSheet();
}

ExcelError ExcelError::refused(const QString &description)
{
    return ExcelError(ApplicationDefined, description);
}

ExcelError ExcelError::fromOffice(const OfficeError &error)
{
    if (error.kind() == OfficeError::Kind::NoSuchSheet)
        return noSuchSheet();
    return refused(error.message());
}
