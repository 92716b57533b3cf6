#include "PageSetupVerb.h"

#include "BatchArguments.h"
#include "BatchBook.h"
#include "BatchReport.h"
#include "BookPageSetup.h"
#include "ExcelError.h"
#include "MessageBox.h"
#include "SheetKey.h"
#include "cExcel.h"

#include <QFileInfo>

namespace {

// One book operand: the book and the sheets named after its ":", empty for
// every sheet.
struct Target
{
    QString path;
    QString sheets;
};

// "BOOK:SHEET" taken apart at the last ":" (sheet names hold none; paths may);
// false when there is no sheet part.
bool splitSheetPart(const QString &operand, QString &book, QString &sheets)
{
    const qsizetype colon = operand.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0 || colon == operand.size() - 1)
        return false;
    book = operand.left(colon);
    sheets = operand.mid(colon + 1);
    return true;
}

// The books the operands name; empty with `usage` set for one that names
// sheets of a folder.
QList<Target> readTargets(const QStringList &operands, bool recursive, QString &usage)
{
    QList<Target> targets;
    for (const QString &operand : operands) {
        QString book = operand;
        QString sheets;
        if (!QFileInfo::exists(operand))
            splitSheetPart(operand, book, sheets);
        if (QFileInfo(book).isDir()) {
            if (!sheets.isEmpty()) {
                usage = QStringLiteral("フォルダ \"%1\" にシートは指定できません。").arg(book);
                return {};
            }
            for (const QString &inFolder : BatchBook::BooksInFolder(book, recursive))
                targets.append({inFolder, QString()});
            continue;
        }
        targets.append({QFileInfo(book).absoluteFilePath(), sheets});
    }
    return targets;
}

// The sheets a list after ":" names: one sheet when the book has a sheet of
// exactly that name (sheet names may hold commas), otherwise the names
// between its commas.
QStringList namedSheets(cExcel &excel, const QString &list)
{
    if (excel.GetSheetNo(list) != 0)
        return {list};
    return list.split(QLatin1Char(','), Qt::SkipEmptyParts);
}

QString whyLeftOut(const QString &key)
{
    if (SheetKey::AttributesOf(key) == SheetKey::MacroSheet)
        return QStringLiteral("Excel 4.0 ﾏｸﾛ ｼｰﾄにはﾍﾟｰｼﾞ設定がありません。");
    // Hidden and protected (or in a protected book), or a dialog sheet.
    return QStringLiteral("非表示で保護されているか、ﾍﾟｰｼﾞ設定のできないｼｰﾄです。");
}

QString reasonLeftOut(const QString &key)
{
    return SheetKey::AttributesOf(key) == SheetKey::MacroSheet ? QStringLiteral("macro-sheet")
                                                               : QStringLiteral("hidden-protected");
}

// The keys of the sheets to set up in the active book: those named, every
// one of which must take a page setup, or every sheet that does.
QStringList chosenSheets(cExcel &excel, BatchReport &report, const Target &target)
{
    if (target.sheets.isEmpty()) {
        const QStringList keys = BookPageSetup::SheetsOf(excel, target.path);
        if (keys.isEmpty())
            throw BatchBook::Refusal(QString(), QStringLiteral("ﾍﾟｰｼﾞ設定できるｼｰﾄがありません。"),
                                     QStringLiteral("nothing-to-set-up"));
        for (qint16 i = 1, count = excel.GetSheetCount(); i <= count; ++i) {
            const QString key = BookPageSetup::KeyOf(excel, target.path, excel.GetSheetName(i));
            if (!keys.contains(key))
                report.skipped(target.path, SheetKey::NameOf(key), reasonLeftOut(key), whyLeftOut(key));
        }
        return keys;
    }
    const bool restricted = BookPageSetup::Restricted(excel);
    QStringList keys;
    for (const QString &name : namedSheets(excel, target.sheets)) {
        if (excel.GetSheetNo(name) == 0)
            throw BatchBook::Refusal(name, QStringLiteral("ｼｰﾄ \"%1\" は存在しません。").arg(name),
                                     QStringLiteral("not-found"));
        const QString key = BookPageSetup::KeyOf(excel, target.path, name);
        if (BookPageSetup::LeftOut(key, restricted))
            throw BatchBook::Refusal(name, whyLeftOut(key), reasonLeftOut(key));
        if (!keys.contains(key))
            keys << key;
    }
    return keys;
}

// Opens the model's book and captures the sheet's page setup; false (reported)
// when it cannot.
bool captureModel(cExcel &excel, BatchReport &report, const QString &book, const QString &sheet)
{
    if (!BatchBook::Open(excel, report, book))
        return false;
    try {
        if (excel.GetSheetNo(sheet) == 0)
            throw ExcelError::refused(QStringLiteral("ｼｰﾄ \"%1\" は存在しません。").arg(sheet));
        excel.CapturePageSetup(sheet);
    } catch (const ExcelError &error) {
        report.failure(book, QStringLiteral("%1: %2").arg(sheet, error.description()), error.reason());
        excel.CloseExcel();
        return false;
    }
    excel.CloseExcel();
    return true;
}

void setUpBook(cExcel &excel, BatchReport &report, const Target &target)
{
    BatchBook::Edit(excel, report, target.path, [&](BatchBook::Changes &changes) {
        const QStringList keys = chosenSheets(excel, report, target);
        BookPageSetup::Apply(excel, target.path, keys);
        // The engine says so for each sheet that refused: the book stays as it was.
        const QList<MessageBox::Shown> refusals = MessageBox::TakeShown();
        if (!refusals.isEmpty()) {
            for (qsizetype i = 1; i < refusals.size(); ++i)
                report.failure(target.path, refusals.at(i).text);
            throw BatchBook::Refusal(QString(), refusals.first().text);
        }
        for (const QString &key : keys)
            changes.append({SheetKey::NameOf(key), QStringLiteral("set-up"), {}});
    });
}

} // namespace

int PageSetupVerb::Run(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    QString modelBook;
    QString modelSheet;
    if (!splitSheetPart(arguments.value(QStringLiteral("from")), modelBook, modelSheet))
        return BatchReport::usageError(QStringLiteral("--from BOOK:SHEET で元のｼｰﾄを指定して下さい。"));
    QString usage;
    const QList<Target> targets = readTargets(arguments.operands, arguments.flag(QStringLiteral("recursive")), usage);
    if (!usage.isEmpty())
        return BatchReport::usageError(usage);
    if (targets.isEmpty()) {
        report.failure(QString(), QStringLiteral("ﾍﾟｰｼﾞ設定するﾌﾞｯｸがありません。"), QStringLiteral("no-books"));
        return report.exitCode();
    }
    if (!captureModel(excel, report, QFileInfo(modelBook).absoluteFilePath(), modelSheet))
        return report.exitCode();
    for (qsizetype i = 0; i < targets.size(); ++i) {
        report.progress(int(i + 1), int(targets.size()), targets.at(i).path);
        setUpBook(excel, report, targets.at(i));
    }
    report.endProgress();
    return report.exitCode();
}
