#include "ListVerb.h"

#include "BatchArguments.h"
#include "BatchBook.h"
#include "BatchReport.h"
#include "ExcelError.h"
#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "cExcel.h"
#include "cNum.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>

#include <optional>
#include <tuple>

namespace {

QString kindName(quirn::SheetKind kind)
{
    switch (kind) {
    case quirn::SheetKind::Worksheet: return QStringLiteral("worksheet");
    case quirn::SheetKind::Chart: return QStringLiteral("chart");
    case quirn::SheetKind::MacroSheet: return QStringLiteral("macro");
    case quirn::SheetKind::DialogSheet: return QStringLiteral("dialog");
    case quirn::SheetKind::Other: break;
    }
    return QStringLiteral("other");
}

QString visibilityName(const ExcelWorkbook::SheetState &state)
{
    if (state.visible)
        return QStringLiteral("visible");
    return state.veryHidden ? QStringLiteral("veryhidden") : QStringLiteral("hidden");
}

// A sheet whose pages cannot be counted is listed with none ("pages": null)
// and fails the book: `pageError` takes the first such error. The sheet is
// read by position, so that two sheets of one name (a book another program
// wrote) are each listed as they are.
QJsonObject sheetJson(cExcel &excel, ExcelWorkbook &book, int position, bool pages,
                      std::optional<ExcelError> &pageError)
{
    const QString name = book.sheetName(position);
    const ExcelWorkbook::SheetState state = book.sheetStateAt(position);
    int lastRow = 0, lastColumn = 0;
    try {
        std::tie(lastRow, lastColumn) = book.lastCellAt(position);
    } catch (const ExcelError &) {
        // Told as no last cell, as for any sheet whose cells cannot be read.
    }
    QJsonObject sheet{{QStringLiteral("name"), name},
                      {QStringLiteral("kind"), kindName(state.kind)},
                      {QStringLiteral("visibility"), visibilityName(state)},
                      {QStringLiteral("protected"), state.contentsProtected},
                      {QStringLiteral("attribute"), excel.GetSheetAttributeAt(book.Name(), qint16(position))},
                      {QStringLiteral("lastRow"), lastRow},
                      {QStringLiteral("lastColumn"), lastColumn}};
    if (pages) {
        try {
            sheet[QStringLiteral("pages")] = book.pageCount(name);
        } catch (const ExcelError &error) {
            sheet[QStringLiteral("pages")] = QJsonValue::Null;
            if (!pageError)
                pageError = ExcelError(error.number(), QStringLiteral("%1: %2").arg(name, error.description()));
        }
    }
    return sheet;
}

QJsonObject bookJson(cExcel &excel, const QString &path, bool pages, std::optional<ExcelError> &pageError)
{
    excel.CloseExcel();
    excel.OpenBook(path);
    ExcelWorkbook &book = excel.xlApp->ActiveWorkbook();
    QJsonArray sheets;
    for (int position = 1; position <= book.sheetCount(); ++position)
        sheets.append(sheetJson(excel, book, position, pages, pageError));
    QJsonArray modules;
    for (const quirn::VbaModuleFacts &module : book.vbaModules())
        modules.append(QJsonObject{{QStringLiteral("name"), module.name},
                                   {QStringLiteral("type"), module.kind}});
    return QJsonObject{{QStringLiteral("path"), QFileInfo(path).absoluteFilePath()},
                       {QStringLiteral("protect"), excel.GetActiveWorkBookProtect()},
                       {QStringLiteral("sheets"), sheets},
                       {QStringLiteral("modules"), modules}};
}

QString lastCellText(const QJsonObject &sheet)
{
    const int row = sheet.value(QStringLiteral("lastRow")).toInt();
    const int column = sheet.value(QStringLiteral("lastColumn")).toInt();
    if (row <= 0 || column <= 0)
        return QStringLiteral("-");
    return cNum::ExchgNumtoAlph(column) + QString::number(row);
}

void writeTable(QTextStream &out, const QJsonObject &book, bool pages)
{
    out << book.value(QStringLiteral("path")).toString() << '\n';
    int position = 0;
    for (const QJsonValue &value : book.value(QStringLiteral("sheets")).toArray()) {
        const QJsonObject sheet = value.toObject();
        out << QStringLiteral("  %1  %2  %3  %4  %5  %6")
                   .arg(++position, 3)
                   .arg(sheet.value(QStringLiteral("kind")).toString(), -9)
                   .arg(sheet.value(QStringLiteral("visibility")).toString(), -10)
                   .arg(sheet.value(QStringLiteral("protected")).toBool() ? QStringLiteral("protected")
                                                                        : QStringLiteral("-        "))
                   .arg(sheet.value(QStringLiteral("attribute")).toInt(), 5, 10, QLatin1Char('0'))
                   .arg(lastCellText(sheet), -8);
        if (pages)
            out << (sheet.value(QStringLiteral("pages")).isNull()
                        ? QStringLiteral("    ?")
                        : QStringLiteral("  %1p").arg(sheet.value(QStringLiteral("pages")).toInt(), 3));
        out << "  " << sheet.value(QStringLiteral("name")).toString() << '\n';
    }
    for (const QJsonValue &value : book.value(QStringLiteral("modules")).toArray())
        out << "  VBA " << value.toObject().value(QStringLiteral("name")).toString() << '\n';
}

} // namespace

int ListVerb::Run(const BatchArguments &arguments, cExcel &excel, BatchReport &report,
                  QTextStream &out)
{
    const bool pages = arguments.flag(QStringLiteral("pages"));
    const QStringList paths = BatchBook::ExpandFolders(arguments.operands, arguments.flag(QStringLiteral("recursive")));
    if (paths.isEmpty())
        report.failure(QString(), QStringLiteral("ﾌﾞｯｸがありません。"), QStringLiteral("no-books"));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString &path = paths.at(i);
        report.progress(int(i + 1), int(paths.size()), path);
        report.book(path);
        try {
            std::optional<ExcelError> pageError;
            const QJsonObject book = bookJson(excel, path, pages, pageError);
            report.passOnMessages(path);
            if (report.json())
                report.addFacts(path, book);
            else
                writeTable(out, book, pages);
            if (pageError)
                report.failure(path, *pageError);
        } catch (const ExcelError &error) {
            report.passOnMessages(path);
            report.failure(path, error);
        }
    }
    report.endProgress();
    excel.CloseExcel();
    return report.exitCode();
}
