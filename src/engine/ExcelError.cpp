#include "ExcelError.h"

#include "BookFileError.h"
#include "OfficeError.h"

#include <QHash>

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

ExcelError ExcelError::fromBookFile(const quirn::BookFileError &error)
{
    using Code = quirn::BookFileError::Code;
    static const QHash<Code, QString> words{
        {Code::NotFound, QStringLiteral("not-found")},
        {Code::NotReadable, QStringLiteral("not-readable")},
        {Code::NotAWorkbook, QStringLiteral("not-a-workbook")},
        {Code::OldFormat, QStringLiteral("unsupported-format")},
        {Code::Damaged, QStringLiteral("damaged")},
        {Code::PasswordRequired, QStringLiteral("encrypted")},
        {Code::WrongPassword, QStringLiteral("encrypted")},
        {Code::UnsupportedEncryption, QStringLiteral("encrypted")},
        {Code::InvalidSheetName, QStringLiteral("invalid-name")},
        {Code::DuplicateSheetName, QStringLiteral("name-taken")},
        {Code::NoVisibleSheet, QStringLiteral("last-visible-sheet")},
        {Code::StructureProtected, QStringLiteral("structure-protected")},
        {Code::NoSuchSheet, QStringLiteral("not-found")},
        {Code::InvalidReference, QStringLiteral("invalid-reference")},
        {Code::Unsupported, QStringLiteral("unsupported")},
        {Code::SaveFailed, QStringLiteral("save-failed")},
        {Code::ReadOnly, QStringLiteral("read-only")},
        {Code::TooLong, QStringLiteral("too-long")},
    };
    ExcelError result = refused(error.message);
    result.m_reason = words.value(error.code);
    return result;
}

QString ExcelError::reason() const
{
    if (!m_reason.isEmpty())
        return m_reason;
    switch (m_number) {
    case SubscriptOutOfRange: return QStringLiteral("not-found");
    case ObjectNotSet: return QStringLiteral("no-book");
    case CannotCreateObject: return QStringLiteral("no-office");
    default: return QStringLiteral("refused");
    }
}
