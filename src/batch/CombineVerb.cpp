#include "CombineVerb.h"

#include "BatchArguments.h"
#include "BatchBook.h"
#include "BatchReport.h"
#include "BookCopy.h"
#include "BookCopyPasses.h"
#include "ExcelError.h"
#include "cExcel.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

namespace {

using Sources = QList<std::pair<QString, QStringList>>;
using PerSource = QList<cExcel::CombinedBook>;

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

// How the records' list of skipped sheets begins a line for each sheet that
// only the office can carry.
QSet<QString> officeOnlyLines(const Sources &sources, const PerSource &perSource)
{
    QSet<QString> lines;
    for (qsizetype i = 0; i < perSource.size(); ++i)
        for (const QString &sheet : perSource.at(i).OfficeOnly)
            lines.insert(QFileInfo(sources.at(i).first).fileName() + QStringLiteral(": ") + sheet + QStringLiteral(" ("));
    return lines;
}

bool startsWithAny(const QString &line, const QSet<QString> &starts)
{
    for (const QString &start : starts)
        if (line.startsWith(start))
            return true;
    return false;
}

int count(const PerSource &perSource, QStringList cExcel::CombinedBook::*list)
{
    int n = 0;
    for (const cExcel::CombinedBook &book : perSource)
        n += int((book.*list).size());
    return n;
}

// Opens the target in the engine (a new book when there is none yet, its
// first sheet to go once the copies are in); its name in the engine.
QString openTarget(cExcel &excel, const QString &target, QString &placeholder)
{
    if (QFileInfo::exists(target)) {
        excel.OpenBook(target);
        return QFileInfo(target).fileName();
    }
    const QString name = excel.AddNewBook(1).toString();
    placeholder = BookCopy::TemporarySheetName();
    const QString refused = excel.RenameSheet(excel.GetSheetName(1), placeholder);
    if (!refused.isEmpty())
        throw ExcelError::refused(refused);
    return name;
}

// Copies one source's sheets into the target through the office, after the
// sheet `anchor` (at the start when there is none); returns the last copy's name.
QString copySheets(cExcel &excel, BatchReport &report, const QString &source, const QStringList &sheets,
                   const QString &targetName, const QString &anchor, QTemporaryDir &scratch)
{
    // The engine holds one book of a file name: a source named as the target
    // is read from a copy under another name.
    QString path = source;
    if (QFileInfo(source).fileName().compare(targetName, Qt::CaseInsensitive) == 0) {
        path = scratch.filePath(QStringLiteral("source-") + QFileInfo(source).fileName());
        QFile::remove(path);
        QFile::copy(source, path);
    }
    excel.OpenBook(path);
    const QString sourceName = QFileInfo(path).fileName();
    excel.BookActive(targetName);
    const int before = excel.GetSheetCount();
    // The office may end when a chart sheet lands in front of every other
    // sheet: a group for the start lands at the end and is then put first.
    const bool atStart = anchor.isEmpty();
    const int at = atStart ? before : excel.GetSheetNo(anchor);
    excel.CopySheet(sourceName, sheets, targetName, atStart ? excel.GetSheetName(qint16(before)) : anchor, 0);
    report.passOnMessages(source);
    excel.BookActive(targetName);
    if (excel.GetSheetCount() != before + sheets.size())
        throw ExcelError::refused(QStringLiteral("\"%1\" のｼｰﾄをｺﾋﾟｰできませんでした。").arg(source));
    const QString last = excel.GetSheetName(qint16(at + sheets.size()));
    if (atStart) {
        QStringList copies;
        for (int k = 1; k <= sheets.size(); ++k)
            copies << excel.GetSheetName(qint16(before + k));
        const QString refused = excel.SetSheetOrder(targetName, copies);
        if (!refused.isEmpty())
            throw ExcelError::refused(refused);
    }
    excel.BookActive(sourceName);
    excel.CloseBook(sourceName); // read only: never saved
    return last;
}

// The sheets the records could not carry, copied through the office, each
// source's after its other sheets; the target is then saved by the office,
// which is refused while it would lose something unless the user allowed it.
bool copyThroughOffice(cExcel &excel, BatchReport &report, const QString &target, const Sources &sources,
                       const PerSource &perSource, bool allowLoss)
{
    excel.CloseExcel();
    QTemporaryDir scratch;
    try {
        QString placeholder;
        const QString targetName = openTarget(excel, target, placeholder);
        excel.BookActive(targetName);
        // The last of the sheets the target had before the copy.
        const int kept = excel.GetSheetCount() - count(perSource, &cExcel::CombinedBook::Copies);
        QString anchor = !placeholder.isEmpty() ? placeholder : kept > 0 ? excel.GetSheetName(qint16(kept)) : QString();
        for (qsizetype i = 0; i < perSource.size(); ++i) {
            if (!perSource.at(i).Copies.isEmpty())
                anchor = perSource.at(i).Copies.last();
            if (!perSource.at(i).OfficeOnly.isEmpty())
                anchor = copySheets(excel, report, sources.at(i).first, perSource.at(i).OfficeOnly, targetName, anchor,
                                    scratch);
        }
        excel.BookActive(targetName);
        if (!placeholder.isEmpty())
            excel.DeleteSheet(placeholder);
        if (!BatchBook::AgreeToLosses(excel, report, targetName, target, allowLoss)) {
            excel.CloseExcel();
            return false;
        }
        excel.BookActive(targetName);
        if (excel.SaveBook(target) != 0) {
            report.failure(target, excel.LastSaveError());
            excel.CloseExcel();
            return false;
        }
    } catch (const ExcelError &error) {
        report.passOnMessages(target);
        report.failure(target, error.description());
        excel.CloseExcel();
        return false;
    }
    excel.CloseExcel();
    return true;
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
    Sources sources;
    for (const QString &book : BookCopyPasses::Order(books))
        sources.append({book, QStringList()});

    // The records carry what they can, in one pass.
    PerSource perSource;
    QStringList skipped;
    QString recordsError;
    try {
        skipped = excel.CopyBooksIntoBook(target, sources, &perSource);
    } catch (const ExcelError &error) {
        recordsError = error.description();
    }
    report.passOnMessages(target);
    // The office takes the rest when the records' pass was saved, or had
    // nothing it could copy.
    const bool officeStep = count(perSource, &cExcel::CombinedBook::OfficeOnly) > 0
                         && (recordsError.isEmpty() || count(perSource, &cExcel::CombinedBook::Copies) == 0);
    if (!recordsError.isEmpty() && !officeStep) {
        report.failure(target, recordsError);
        return report.exitCode();
    }
    const QSet<QString> officeLines = officeStep ? officeOnlyLines(sources, perSource) : QSet<QString>();
    QStringList forOffice;
    for (const QString &line : std::as_const(skipped)) {
        if (isMacroSheetSkip(line))
            report.note(QString(), QStringLiteral("ｺﾋﾟｰしませんでした: ") + line);
        else if (startsWithAny(line, officeLines))
            forOffice << line;
        else
            report.failure(QString(), QStringLiteral("ｺﾋﾟｰできませんでした: ") + line);
    }
    if (officeStep) {
        for (const QString &line : std::as_const(forOffice))
            report.note(QString(), QStringLiteral("LibreOffice でｺﾋﾟｰします: ") + line);
        if (!copyThroughOffice(excel, report, target, sources, perSource, arguments.flag(QStringLiteral("allow-loss"))))
            for (const QString &line : std::as_const(forOffice))
                report.failure(QString(), QStringLiteral("ｺﾋﾟｰできませんでした: ") + line);
    }
    report.passOnMessages(target);
    return report.exitCode();
}
