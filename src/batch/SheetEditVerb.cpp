#include "SheetEditVerb.h"

#include "BatchArguments.h"
#include "BatchBook.h"
#include "BatchReport.h"
#include "ExcelError.h"
#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "SheetSort.h"
#include "cExcel.h"

#include <QFileInfo>

namespace {

BatchBook::Refusal noSuchSheet(const QString &sheet)
{
    return {sheet, QStringLiteral("ｼｰﾄ \"%1\" は存在しません。").arg(sheet), QStringLiteral("not-found")};
}

// Applies `edit` to each named sheet of the book, then saves; on the first
// refusal nothing is saved.
template <typename Edit>
int editSheets(const BatchArguments &arguments, cExcel &excel, BatchReport &report, const QString &action, Edit edit)
{
    const QString path = arguments.operands.value(0);
    const QStringList sheets = arguments.operands.mid(1);
    return BatchBook::Edit(excel, report, path, [&](BatchBook::Changes &changes) {
        for (const QString &sheet : sheets) {
            if (excel.GetSheetNo(sheet) == 0)
                throw noSuchSheet(sheet);
            try {
                edit(sheet);
            } catch (const ExcelError &error) {
                throw BatchBook::Refusal(sheet, error.description(), error.reason());
            }
            changes.append({sheet, action, {}});
        }
    });
}

} // namespace

int SheetEditVerb::Rename(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    if (arguments.operands.size() != 3)
        return BatchReport::usageError(QStringLiteral("rename には BOOK OLD NEW の 3 つの引数が必要です。"));
    const QString oldName = arguments.operands.at(1);
    const QString newName = arguments.operands.at(2);
    return BatchBook::Edit(excel, report, arguments.operands.at(0), [&](BatchBook::Changes &changes) {
        if (excel.GetSheetNo(oldName) == 0)
            throw noSuchSheet(oldName);
        if (oldName == newName)
            return;
        try {
            excel.xlApp->ActiveWorkbook().renameSheet(oldName, newName);
        } catch (const ExcelError &error) {
            throw BatchBook::Refusal(oldName, error.description(), error.reason());
        }
        changes.append({oldName, QStringLiteral("renamed"), {{QStringLiteral("to"), newName}}});
    });
}

int SheetEditVerb::Hide(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    return editSheets(arguments, excel, report, QStringLiteral("hidden"), [&](const QString &sheet) {
        excel.SetSheetAttribute(QFileInfo(arguments.operands.at(0)).fileName(), sheet, 0);
    });
}

int SheetEditVerb::Show(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    return editSheets(arguments, excel, report, QStringLiteral("shown"), [&](const QString &sheet) {
        excel.SetSheetAttribute(QFileInfo(arguments.operands.at(0)).fileName(), sheet, 1);
    });
}

int SheetEditVerb::VeryHide(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    return editSheets(arguments, excel, report, QStringLiteral("veryhidden"),
                      [&](const QString &sheet) { excel.SetSheetVeryHidden(sheet); });
}

int SheetEditVerb::Delete(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    return editSheets(arguments, excel, report, QStringLiteral("deleted"),
                      [&](const QString &sheet) { excel.DeleteSheet(sheet); });
}

int SheetEditVerb::Sort(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    if (arguments.operands.size() != 1)
        return BatchReport::usageError(QStringLiteral("sort には BOOK を 1 つ指定して下さい。"));
    const QString path = arguments.operands.at(0);
    return BatchBook::Edit(excel, report, path, [&](BatchBook::Changes &changes) {
        QList<SheetTableEntry> table;
        QStringList before;
        for (qint16 i = 1, count = excel.GetSheetCount(); i <= count; ++i) {
            before << excel.GetSheetName(i);
            table.append({before.last(), QString()});
        }
        SheetSort::SortSheetTable(table, arguments.flag(QStringLiteral("descending")));
        QStringList names;
        for (const SheetTableEntry &entry : std::as_const(table))
            names << entry.Name;
        try {
            excel.xlApp->Workbook(QFileInfo(path).fileName()).reorderSheets(names);
        } catch (const ExcelError &error) {
            throw BatchBook::Refusal(QString(), error.description(), error.reason());
        }
        // Each sheet that changed place, with the place it took (from 1).
        for (qsizetype i = 0; i < names.size(); ++i)
            if (before.at(i) != names.at(i))
                changes.append({names.at(i), QStringLiteral("moved"), {{QStringLiteral("position"), int(i + 1)}}});
    });
}
