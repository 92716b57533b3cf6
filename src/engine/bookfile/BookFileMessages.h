#pragma once

#include "BookFileError.h"

#include <QString>

namespace quirn {

// The texts of the book file's errors, in the program's own style.
struct BookFileMessages
{
    static BookFileError notFound(const QString &path)
    {
        return BookFileError::make(BookFileError::Code::NotFound,
                                   QStringLiteral("\"%1\" が見つかりません。").arg(path));
    }
    static BookFileError notReadable(const QString &path)
    {
        return BookFileError::make(BookFileError::Code::NotReadable,
                                   QStringLiteral("\"%1\" を読み込めません。ファイルにアクセスできるか確認してください。").arg(path));
    }
    static BookFileError tooLarge(const QString &path)
    {
        return BookFileError::make(BookFileError::Code::NotReadable,
                                   QStringLiteral("\"%1\" は大きすぎるため、読み込めません。").arg(path));
    }
    static BookFileError tooManySheets(int count)
    {
        return BookFileError::make(BookFileError::Code::NotReadable,
                                   QStringLiteral("このブックにはシートが %1 枚あるため、読み込めません。扱えるシートは 1 つのブックにつき 32767 枚までです。")
                                       .arg(count));
    }
    static BookFileError notAWorkbook()
    {
        return BookFileError::make(BookFileError::Code::NotAWorkbook,
                                   QStringLiteral("このファイルは Excel ブックではありません。"));
    }
    static BookFileError encryptedPackage()
    {
        return BookFileError::make(BookFileError::Code::UnsupportedEncryption,
                                   QStringLiteral("このブックはパスワードで暗号化されているため、読み込めません。"));
    }
    static BookFileError oldFormat()
    {
        return BookFileError::make(BookFileError::Code::OldFormat,
                                   QStringLiteral("このブックは古い形式 (Excel 95 以前) で保存されています。Excel 97-2003 ブック (.xls) 以外は扱えません。"));
    }
    static BookFileError damaged()
    {
        return BookFileError::make(BookFileError::Code::Damaged,
                                   QStringLiteral("ブックが壊れているため、読み込めません。"));
    }
    static BookFileError damagedVbaProject()
    {
        return BookFileError::make(BookFileError::Code::Damaged,
                                   QStringLiteral("ブックのマクロ (VBA) の情報が壊れています。"));
    }
    static BookFileError notAWorkbookOrDamaged()
    {
        return BookFileError::make(BookFileError::Code::Damaged,
                                   QStringLiteral("このファイルは Excel ブックではないか、壊れているため、読み込めません。"));
    }
    static BookFileError invalidSheetName()
    {
        return BookFileError::make(BookFileError::Code::InvalidSheetName,
                                   QStringLiteral("シート名が正しくありません。シート名は 1 文字以上 31 文字以内で、"
                                                  "コロン (:)、円記号 (\\)、スラッシュ (/)、疑問符 (?)、アスタリスク (*)、"
                                                  "角かっこ ([ ]) を含めることはできません。また、先頭と末尾にアポストロフィ (') は使えません。"));
    }
    static BookFileError invalidDefinedName(const QString &name)
    {
        return BookFileError::make(BookFileError::Code::InvalidName,
                                   QStringLiteral("名前 \"%1\" は使えません。名前は文字、アンダースコア (_) または円記号 (\\) で始め、"
                                                  "スペースを含まず、セル参照と同じ形でなく、ブックの他の名前と重ならないようにしてください。").arg(name));
    }
    static BookFileError duplicateSheetName(const QString &name)
    {
        return BookFileError::make(BookFileError::Code::DuplicateSheetName,
                                   QStringLiteral("\"%1\" と同じ名前のシートが既にあります。別の名前を入力してください。").arg(name));
    }
    static BookFileError noVisibleSheet()
    {
        return BookFileError::make(BookFileError::Code::NoVisibleSheet,
                                   QStringLiteral("ブックには、少なくとも 1 枚の表示されたシートが必要です。"));
    }
    static BookFileError structureProtected()
    {
        return BookFileError::make(BookFileError::Code::StructureProtected,
                                   QStringLiteral("ブックの構成が保護されているため、シートを変更できません。"));
    }
    static BookFileError invalidReference()
    {
        return BookFileError::make(BookFileError::Code::InvalidReference,
                                   QStringLiteral("印刷範囲または印刷タイトルの指定が正しくありません。"));
    }
    static BookFileError headerFooterTooLong()
    {
        return BookFileError::make(BookFileError::Code::TooLong,
                                   QStringLiteral("ヘッダーまたはフッターが長すぎます。左、中央、右の部分を合わせて 255 文字以内にしてください。"));
    }
    static BookFileError printNamesTooLong()
    {
        return BookFileError::make(BookFileError::Code::TooLong,
                                   QStringLiteral("印刷範囲または印刷タイトルに指定した範囲が多すぎます。範囲の数を減らしてください。"));
    }
    static BookFileError noSuchSheet(const QString &what)
    {
        return BookFileError::make(BookFileError::Code::NoSuchSheet,
                                   QStringLiteral("シート \"%1\" が見つかりません。").arg(what));
    }
    static BookFileError unsupported(const QString &what)
    {
        return BookFileError::make(BookFileError::Code::Unsupported,
                                   QStringLiteral("このブックでは%1できません。").arg(what));
    }
    // The program's own words for a file nobody may write.
    static BookFileError readOnly(const QString &path)
    {
        const QString name = path.section(QLatin1Char('/'), -1);
        return BookFileError::make(BookFileError::Code::ReadOnly,
                                   QStringLiteral("\"%1\" は読み取り専用ﾌｧｲﾙです。").arg(name));
    }
    static BookFileError saveFailed(const QString &path, const QString &reason)
    {
        return BookFileError::make(BookFileError::Code::SaveFailed,
                                   QStringLiteral("\"%1\" を保存できませんでした。元のブックは変更されていません。(%2)").arg(path, reason));
    }
};

} // namespace quirn
