#include "BatchBook.h"

#include "BatchReport.h"
#include "BookFileNames.h"
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
        report.failure(path, error);
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
        report.failure(path,
                       QStringLiteral("保存すると上の内容が失われるため、保存しませんでした。"
                                      "失ってよい場合は --allow-loss を付けて下さい。"),
                       QStringLiteral("would-lose"));
        return false;
    }
    excel.AllowLossySave(name);
    return true;
}

QStringList BatchBook::BooksInFolder(const QString &folder, bool recursive)
{
    QStringList books;
    const QFileInfoList entries = QDir(folder).entryInfoList(quirn::BookFileNames::nameFilters(), QDir::Files);
    for (const QFileInfo &entry : entries)
        if (quirn::BookFileNames::isBookName(entry.fileName()))
            books << entry.absoluteFilePath();
    const auto byName = [](const QString &a, const QString &b) {
        return TextCollation::Compare(QFileInfo(a).fileName(), QFileInfo(b).fileName()) < 0;
    };
    std::sort(books.begin(), books.end(), byName);
    if (!recursive)
        return books;
    // Subfolders after the folder's own books, in name order; links to
    // folders are not followed, so that no folder is gone through twice.
    QStringList folders;
    for (const QFileInfo &entry : QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        if (!entry.isSymLink())
            folders << entry.absoluteFilePath();
    std::sort(folders.begin(), folders.end(), byName);
    for (const QString &subfolder : std::as_const(folders))
        books << BooksInFolder(subfolder, true);
    return books;
}

QStringList BatchBook::ExpandFolders(const QStringList &operands, bool recursive)
{
    QStringList books;
    for (const QString &operand : operands) {
        const QFileInfo info(operand);
        if (info.isDir())
            books << BooksInFolder(operand, recursive);
        else
            books << info.absoluteFilePath();
    }
    return books;
}

bool BatchBook::SaveAll(cExcel &excel, BatchReport &report, const QString &path)
{
    const qint32 result = excel.SaveExcel(path);
    report.passOnMessages(path);
    if (result == 0)
        return true;
    report.failure(path,
                   excel.LastSaveError().isEmpty() ? QStringLiteral("保存できませんでした。(%1)").arg(result)
                                                   : excel.LastSaveError(),
                   QStringLiteral("save-failed"));
    return false;
}

int BatchBook::Edit(cExcel &excel, BatchReport &report, const QString &path,
                    const std::function<void(Changes &)> &edit)
{
    report.book(path);
    if (!Open(excel, report, path))
        return report.exitCode();
    Changes changes;
    try {
        edit(changes);
    } catch (const Refusal &refusal) {
        report.passOnMessages(path);
        report.failure(path,
                       refusal.sheet.isEmpty() ? refusal.text : QStringLiteral("%1: %2").arg(refusal.sheet, refusal.text),
                       refusal.code);
        excel.CloseExcel(); // nothing is saved
        return report.exitCode();
    } catch (const ExcelError &error) {
        report.passOnMessages(path);
        report.failure(path, error);
        excel.CloseExcel();
        return report.exitCode();
    }
    // A dry run stops here: everything was checked in the engine, nothing is written.
    if (report.dryRun() || SaveAll(excel, report, path))
        for (const Change &change : std::as_const(changes))
            report.changed(path, change.sheet, change.action, QStringLiteral("records"), change.more);
    excel.CloseExcel();
    return report.exitCode();
}
