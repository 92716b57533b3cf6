#include "CombineVerb.h"

#include "BatchArguments.h"
#include "BatchBook.h"
#include "BatchReport.h"
#include "BookCopy.h"
#include "BookCopyPasses.h"
#include "ExcelError.h"
#include "cExcel.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

namespace {

using Sources = QList<std::pair<QString, QStringList>>;
using PerSource = QList<cExcel::CombinedBook>;

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

// The source a line of the records' list of skipped sheets ("book: sheet
// (why)", or "book (why)" for the whole book) concerns; `otherwise` when none.
QString sourceOf(const Sources &sources, const QString &line, const QString &otherwise)
{
    for (const auto &[path, sheets] : sources) {
        const QString name = QFileInfo(path).fileName();
        if (line.startsWith(name + QStringLiteral(": ")) || line.startsWith(name + QStringLiteral(" (")))
            return path;
    }
    return otherwise;
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
    excel.CreateExcel(); // the records' pass ended the engine
    const QString name = excel.AddNewBook(1).toString();
    placeholder = BookCopy::TemporarySheetName();
    const QString refused = excel.RenameSheet(excel.GetSheetName(1), placeholder);
    if (!refused.isEmpty())
        throw ExcelError::refused(refused);
    return name;
}

// Copies one source's sheets into the target through the office, after the
// sheet `anchor` (at the start when there is none); returns the copies' names.
QStringList copySheets(cExcel &excel, BatchReport &report, const QString &source, const QStringList &sheets,
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
    QStringList copies;
    for (int k = 1; k <= sheets.size(); ++k)
        copies << excel.GetSheetName(qint16(at + k));
    if (atStart) {
        const QString refused = excel.SetSheetOrder(targetName, copies);
        if (!refused.isEmpty())
            throw ExcelError::refused(refused);
    }
    excel.BookActive(sourceName);
    excel.CloseBook(sourceName); // read only: never saved
    return copies;
}

// The sheets the records could not carry, copied through the office, each
// source's after its other sheets; the target is then saved by the office,
// which is refused while it would lose something unless the user allowed it.
// `target` is where the book is saved (a scratch copy in a dry run),
// `shown` the target as the user named it.
bool copyThroughOffice(cExcel &excel, BatchReport &report, const QString &target, const QString &shown,
                       const Sources &sources, const PerSource &perSource, bool allowLoss)
{
    excel.CloseExcel();
    QTemporaryDir scratch;
    struct OfficeCopy
    {
        QString copy;   // its name in the target
        QString source; // the book
        QString sheet;  // its name there
        QString why;    // why the records could not carry it
    };
    QList<OfficeCopy> officeCopies;
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
            if (perSource.at(i).OfficeOnly.isEmpty())
                continue;
            const QStringList copies = copySheets(excel, report, sources.at(i).first, perSource.at(i).OfficeOnly,
                                                  targetName, anchor, scratch);
            anchor = copies.last();
            for (qsizetype k = 0; k < copies.size(); ++k)
                officeCopies.append({copies[k], sources.at(i).first, perSource.at(i).OfficeOnly.value(k),
                                     perSource.at(i).OfficeWhy.value(k)});
        }
        excel.BookActive(targetName);
        if (!placeholder.isEmpty())
            excel.DeleteSheet(placeholder);
        if (!BatchBook::AgreeToLosses(excel, report, targetName, shown, allowLoss)) {
            excel.CloseExcel();
            return false;
        }
        excel.BookActive(targetName);
        if (excel.SaveBook(target) != 0) {
            report.failure(shown, excel.LastSaveError(), QStringLiteral("save-failed"));
            excel.CloseExcel();
            return false;
        }
    } catch (const ExcelError &error) {
        report.passOnMessages(shown);
        report.failure(shown, error);
        excel.CloseExcel();
        return false;
    }
    excel.CloseExcel();
    for (const OfficeCopy &made : std::as_const(officeCopies)) {
        // A name longer than Excel's 31 characters (another program's book) was cut.
        if (made.sheet.size() > 31)
            report.note(shown, QStringLiteral("ｼｰﾄ名 \"%1\" は 31 文字を超えるため、\"%2\" としてｺﾋﾟｰしました。")
                                   .arg(made.sheet, made.copy));
        report.changed(shown, made.copy, QStringLiteral("added"), QStringLiteral("office"),
                       {{QStringLiteral("from"), made.source}, {QStringLiteral("sheet"), made.sheet},
                        {QStringLiteral("why"), made.why}});
    }
    return true;
}

// The copies the records made, each with the procedures of its source's
// standard modules its module calls: those stay behind, as in Excel.
void reportRecordCopies(BatchReport &report, const QString &target, const QString &source,
                        const cExcel::CombinedBook &book)
{
    for (const QString &copy : book.Copies) {
        QJsonObject more{{QStringLiteral("from"), source}};
        for (const quirn::VbaProcedureUse &use : book.ProcedureUses) {
            if (use.sheet != copy)
                continue;
            more.insert(QStringLiteral("module"), use.module);
            more.insert(QStringLiteral("calls-source-procedures"), QJsonArray::fromStringList(use.procedures));
            report.note(target, QStringLiteral("ｼｰﾄ \"%1\" のﾓｼﾞｭｰﾙ %2 はｺﾋﾟｰ元ﾌﾞｯｸ \"%3\" のﾌﾟﾛｼｰｼﾞｬを使っています"
                                               " (%4)。ｺﾋﾟｰ元の標準ﾓｼﾞｭｰﾙはｺﾋﾟｰされません。")
                                    .arg(copy, use.module, QFileInfo(source).fileName(),
                                         use.procedures.join(QStringLiteral(", "))));
        }
        report.changed(target, copy, QStringLiteral("added"), QStringLiteral("records"), more);
    }
}

} // namespace

int CombineVerb::Run(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    if (!arguments.hasValue(QStringLiteral("into")))
        return BatchReport::usageError(QStringLiteral("--into TARGET がありません。"));
    const QString target = QFileInfo(arguments.value(QStringLiteral("into"))).absoluteFilePath();
    report.book(target);
    const QStringList books = BatchBook::ExpandFolders(arguments.operands, arguments.flag(QStringLiteral("recursive")));
    if (books.isEmpty()) {
        report.failure(target, QStringLiteral("ｺﾋﾟｰするﾌﾞｯｸがありません。"), QStringLiteral("no-books"));
        return report.exitCode();
    }
    const QString targetForm = QFileInfo(target).canonicalFilePath();
    for (const QString &book : books) {
        if (book == target || (!targetForm.isEmpty() && QFileInfo(book).canonicalFilePath() == targetForm)) {
            report.failure(target, QStringLiteral("ｺﾋﾟｰ元ﾌﾞｯｸにｺﾋﾟｰすることはできません。"), QStringLiteral("source-is-target"));
            return report.exitCode();
        }
    }
    if (QFileInfo::exists(target) && !arguments.flag(QStringLiteral("force"))) {
        report.failure(target, QStringLiteral("\"%1\" は既に存在します。追加するには --force を付けて下さい。").arg(target),
                       QStringLiteral("exists"));
        return report.exitCode();
    }
    // A dry run combines into a copy of the target that is thrown away.
    QTemporaryDir dryRunFolder;
    QString work = target;
    if (report.dryRun()) {
        work = dryRunFolder.filePath(QFileInfo(target).fileName());
        if (QFileInfo::exists(target) && !QFile::copy(target, work)) {
            report.failure(target, QStringLiteral("\"%1\" を読めません。").arg(target), QStringLiteral("not-readable"));
            return report.exitCode();
        }
    }
    Sources sources;
    for (const QString &book : BookCopyPasses::Order(books)) {
        sources.append({book, QStringList()});
        report.book(book);
    }

    // The records carry what they can, in one pass.
    PerSource perSource;
    QStringList skipped;
    QString recordsError;
    QString recordsReason;
    report.progress(1, 1, target);
    try {
        skipped = excel.CopyBooksIntoBook(work, sources, &perSource);
    } catch (const ExcelError &error) {
        recordsError = error.description();
        recordsReason = error.reason();
    }
    report.passOnMessages(target);
    for (const auto &conflict : excel.LastNameConflicts())
        report.note(target, QStringLiteral("名前 \"%1\" はｺﾋﾟｰ元とｺﾋﾟｰ先で定義が異なるため、ｺﾋﾟｰ先の定義を使いました。")
                                .arg(conflict.first));
    // The office takes the rest when the records' pass was saved, or had
    // nothing it could copy.
    const bool officeStep = count(perSource, &cExcel::CombinedBook::OfficeOnly) > 0
                         && (recordsError.isEmpty() || count(perSource, &cExcel::CombinedBook::Copies) == 0);
    if (!recordsError.isEmpty() && !officeStep) {
        report.failure(target, recordsError, recordsReason);
        return report.exitCode();
    }
    if (recordsError.isEmpty())
        for (qsizetype i = 0; i < perSource.size(); ++i)
            reportRecordCopies(report, target, sources.at(i).first, perSource.at(i));
    const QSet<QString> officeLines = officeStep ? officeOnlyLines(sources, perSource) : QSet<QString>();
    QStringList forOffice;
    for (const QString &line : std::as_const(skipped)) {
        if (isMacroSheetSkip(line))
            report.skipped(target, QString(), QStringLiteral("macro-sheet"), QStringLiteral("ｺﾋﾟｰしませんでした: ") + line);
        else if (startsWithAny(line, officeLines))
            forOffice << line;
        else
            report.failure(sourceOf(sources, line, target), QStringLiteral("ｺﾋﾟｰできませんでした: ") + line,
                           QStringLiteral("not-copied"));
    }
    if (officeStep) {
        for (const QString &line : std::as_const(forOffice))
            report.note(target, QStringLiteral("LibreOffice でｺﾋﾟｰします: ") + line);
        if (!copyThroughOffice(excel, report, work, target, sources, perSource, arguments.flag(QStringLiteral("allow-loss"))))
            for (const QString &line : std::as_const(forOffice))
                report.failure(target, QStringLiteral("ｺﾋﾟｰできませんでした: ") + line, QStringLiteral("not-copied"));
    }
    report.passOnMessages(target);
    return report.exitCode();
}
