#include "CombineVerb.h"

#include "BatchArguments.h"
#include "BatchBook.h"
#include "BatchReport.h"
#include "BookCopyPasses.h"
#include "ExcelError.h"
#include "cExcel.h"

#include <QFileInfo>

namespace {

// The books named, a folder standing for its .xls books in name order.
QStringList expandBooks(const QStringList &operands)
{
    QStringList books;
    for (const QString &operand : operands) {
        const QFileInfo info(operand);
        if (info.isDir())
            books << BatchBook::BooksInFolder(operand);
        else
            books << info.absoluteFilePath();
    }
    return books;
}

bool isMacroSheetSkip(const QString &line)
{
    return line.endsWith(QStringLiteral("(Excel 4.0 マクロ シート)"));
}

} // namespace

int CombineVerb::Run(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    if (!arguments.hasValue(QStringLiteral("into")))
        return BatchReport::usageError(QStringLiteral("--into TARGET がありません。"));
    const QString target = QFileInfo(arguments.value(QStringLiteral("into"))).absoluteFilePath();
    const QStringList books = expandBooks(arguments.operands);
    if (books.isEmpty()) {
        report.failure(QString(), QStringLiteral("ｺﾋﾟｰするﾌﾞｯｸがありません。"));
        return report.exitCode();
    }
    const QString targetForm = QFileInfo(target).canonicalFilePath();
    for (const QString &book : books) {
        if (book == target || (!targetForm.isEmpty() && QFileInfo(book).canonicalFilePath() == targetForm)) {
            report.failure(target, QStringLiteral("ｺﾋﾟｰ元ﾌﾞｯｸにｺﾋﾟｰすることはできません。"));
            return report.exitCode();
        }
    }
    if (QFileInfo::exists(target) && !arguments.flag(QStringLiteral("force"))) {
        report.failure(target, QStringLiteral("\"%1\" は既に存在します。追加するには --force を付けて下さい。").arg(target));
        return report.exitCode();
    }
    QList<std::pair<QString, QStringList>> sources;
    for (const QString &book : BookCopyPasses::Order(books))
        sources.append({book, QStringList()});
    try {
        for (const QString &line : excel.CopyBooksIntoBook(target, sources)) {
            if (isMacroSheetSkip(line))
                report.note(QString(), QStringLiteral("ｺﾋﾟｰしませんでした: ") + line);
            else
                report.failure(QString(), QStringLiteral("ｺﾋﾟｰできませんでした: ") + line);
        }
    } catch (const ExcelError &error) {
        report.failure(target, error.description());
    }
    report.passOnMessages(target);
    return report.exitCode();
}
