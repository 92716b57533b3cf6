#include "BatchBook.h"

#include "BatchReport.h"
#include "ExcelError.h"
#include "TextCollation.h"
#include "cExcel.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

bool BatchBook::Open(cExcel &excel, BatchReport &report, const QString &path)
{
    try {
        excel.CloseExcel();
        excel.OpenBook(path);
        report.passOnMessages(path);
        return true;
    } catch (const ExcelError &error) {
        report.passOnMessages(path);
        report.failure(path, error.description());
        return false;
    }
}

bool BatchBook::AgreeToLosses(cExcel &excel, BatchReport &report, const QString &name, const QString &path,
                              bool allowed)
{
    const QStringList losses = excel.SaveLosses(name);
    if (losses.isEmpty())
        return true;
    for (const QString &loss : losses)
        report.note(path, QStringLiteral("保存で失われるもの: ") + loss);
    if (!allowed) {
        report.failure(path, QStringLiteral("保存すると上の内容が失われるため、保存しませんでした。"
                                            "失ってよい場合は --allow-loss を付けて下さい。"));
        return false;
    }
    excel.AllowLossySave(name);
    return true;
}

QStringList BatchBook::BooksInFolder(const QString &folder)
{
    QStringList books;
    const QFileInfoList entries = QDir(folder).entryInfoList({QStringLiteral("*.xls")}, QDir::Files);
    for (const QFileInfo &entry : entries)
        if (entry.suffix().compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0)
            books << entry.absoluteFilePath();
    std::sort(books.begin(), books.end(), [](const QString &a, const QString &b) {
        return TextCollation::Compare(QFileInfo(a).fileName(), QFileInfo(b).fileName()) < 0;
    });
    return books;
}

bool BatchBook::SaveAll(cExcel &excel, BatchReport &report, const QString &path)
{
    const qint32 result = excel.SaveExcel(path);
    report.passOnMessages(path);
    if (result == 0)
        return true;
    report.failure(path, excel.LastSaveError().isEmpty()
                             ? QStringLiteral("保存できませんでした。(%1)").arg(result)
                             : excel.LastSaveError());
    return false;
}

int BatchBook::Edit(cExcel &excel, BatchReport &report, const QString &path,
                    const std::function<void()> &edit)
{
    if (!Open(excel, report, path))
        return report.exitCode();
    try {
        edit();
    } catch (const Refusal &refusal) {
        report.passOnMessages(path);
        report.failure(path, refusal.sheet.isEmpty() ? refusal.text
                                                     : QStringLiteral("%1: %2").arg(refusal.sheet, refusal.text));
        excel.CloseExcel(); // nothing is saved
        return report.exitCode();
    } catch (const ExcelError &error) {
        report.passOnMessages(path);
        report.failure(path, error.description());
        excel.CloseExcel();
        return report.exitCode();
    }
    SaveAll(excel, report, path);
    excel.CloseExcel();
    return report.exitCode();
}
