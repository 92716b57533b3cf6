#include "TransferVerb.h"

#include "BatchArguments.h"
#include "BatchBook.h"
#include "BatchReport.h"
#include "ExcelError.h"
#include "ExcelApplication.h"
#include "ExcelWorkbook.h"
#include "cExcel.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

struct Transfer
{
    QString source;
    QString target;
    QStringList sheets;
    QString place;    // the target's sheet the group lands next to
    bool before = false;
    bool sameBook = false;
};

QString bookName(const QString &path)
{
    return QFileInfo(path).fileName();
}

// One file, one book: a link or a second spelling of a path names the book it leads to.
QString bookPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// Reads the command line into a transfer; an empty optional text is fine,
// otherwise it is the usage error.
QString readTransfer(const BatchArguments &arguments, Transfer &transfer)
{
    if (!arguments.hasValue(QStringLiteral("to")))
        return QStringLiteral("--to TARGET がありません。");
    if (arguments.hasValue(QStringLiteral("before")) && arguments.hasValue(QStringLiteral("after")))
        return QStringLiteral("--before と --after は同時に使えません。");
    transfer.source = bookPath(arguments.operands.at(0));
    transfer.sheets = arguments.operands.mid(1);
    transfer.target = bookPath(arguments.value(QStringLiteral("to")));
    transfer.before = arguments.hasValue(QStringLiteral("before"));
    transfer.place = arguments.value(transfer.before ? QStringLiteral("before") : QStringLiteral("after"));
    transfer.sameBook = transfer.source == transfer.target && QFileInfo::exists(transfer.source);
    return QString();
}

QStringList sheetNames(cExcel &excel, const QString &book)
{
    excel.BookActive(book);
    QStringList names;
    for (qint16 i = 1, count = excel.GetSheetCount(); i <= count; ++i)
        names << excel.GetSheetName(i);
    return names;
}

// Whether the book's changes are held by the office (to be saved by it).
bool throughOffice(cExcel &excel, const QString &book)
{
    return excel.xlApp && excel.xlApp->Workbook(book).holdsUnsavedOfficeState();
}

// What the transfer did, for the report: the sheets the target gained (by
// their names there) and those the source lost.
void reportChanges(BatchReport &report, const Transfer &transfer, bool move, const QStringList &targetBefore,
                   const QStringList &targetAfter, const QString &way)
{
    if (transfer.sameBook && move) {
        for (const QString &sheet : transfer.sheets)
            report.changed(transfer.target, sheet, QStringLiteral("moved"), way);
        return;
    }
    for (const QString &sheet : targetAfter)
        if (!targetBefore.contains(sheet))
            report.changed(transfer.target, sheet, QStringLiteral("added"), way,
                           {{QStringLiteral("from"), QFileInfo(transfer.source).absoluteFilePath()}});
    if (move)
        for (const QString &sheet : transfer.sheets)
            report.changed(transfer.source, sheet, QStringLiteral("removed"), way);
}

bool checkSheets(cExcel &excel, BatchReport &report, const Transfer &transfer, const QString &target)
{
    excel.BookActive(bookName(transfer.source));
    for (const QString &sheet : transfer.sheets) {
        if (excel.GetSheetNo(sheet) == 0) {
            report.failure(transfer.source, QStringLiteral("%1: ｼｰﾄ \"%1\" は存在しません。").arg(sheet),
                           QStringLiteral("not-found"));
            return false;
        }
    }
    excel.BookActive(target);
    if (!transfer.place.isEmpty() && excel.GetSheetNo(transfer.place) == 0) {
        report.failure(transfer.target, QStringLiteral("%1: ｼｰﾄ \"%1\" は存在しません。").arg(transfer.place),
                       QStringLiteral("not-found"));
        return false;
    }
    return true;
}

void reportNameConflicts(cExcel &excel, BatchReport &report, const QString &target)
{
    for (const auto &[name, renamed] : excel.LastNameConflicts())
        report.note(target, renamed.isEmpty()
                                ? QStringLiteral("名前 \"%1\" はｺﾋﾟｰ元とｺﾋﾟｰ先で定義が異なるため、ｺﾋﾟｰ先の定義を使いました。").arg(name)
                                : QStringLiteral("名前 \"%1\" はｺﾋﾟｰ元とｺﾋﾟｰ先で定義が異なるため、ｺﾋﾟｰ元の定義を \"%2\" としました。")
                                      .arg(name, renamed));
}

int run(bool move, const BatchArguments &arguments, cExcel &excel, BatchReport &report)
{
    Transfer transfer;
    const QString usage = readTransfer(arguments, transfer);
    if (!usage.isEmpty())
        return BatchReport::usageError(usage);
    report.book(transfer.source);
    report.book(transfer.target);
    report.progress(1, 1, transfer.target);
    // The engine holds one book of a file name at a time: a target named as
    // the source is worked on as a copy under another name, saved over the
    // target. (The source keeps its path, which links to it must name.)
    QTemporaryDir scratch;
    const bool sameName = !transfer.sameBook
                          && bookName(transfer.source).compare(bookName(transfer.target), Qt::CaseInsensitive) == 0;
    const QString opened = sameName ? scratch.filePath(QStringLiteral("target-") + bookName(transfer.target))
                                    : transfer.target;
    if (sameName && !QFile::copy(transfer.target, opened)) {
        report.failure(transfer.target, QStringLiteral("ﾌﾞｯｸ \"%1\" を開けませんでした。").arg(transfer.target),
                       QFileInfo::exists(transfer.target) ? QStringLiteral("not-readable") : QStringLiteral("not-found"));
        return report.exitCode();
    }
    if (!BatchBook::Open(excel, report, transfer.source))
        return report.exitCode();
    if (!transfer.sameBook) {
        try {
            excel.OpenBook(opened);
        } catch (const ExcelError &error) {
            report.failure(transfer.target, error);
            excel.CloseExcel();
            return report.exitCode();
        }
    }
    const QString target = bookName(opened);
    if (!checkSheets(excel, report, transfer, target)) {
        excel.CloseExcel();
        return report.exitCode();
    }
    // Formulas of the source's other sheets would be left pointing at the
    // copy, which goes: such a move is refused.
    const QString refusal = move && sameName ? excel.CompleteMoveRefusal(bookName(transfer.source), transfer.sheets)
                                             : QString();
    if (!refusal.isEmpty()) {
        report.failure(transfer.source, QStringLiteral("同じ名前のﾌﾞｯｸの間では、ほかのｼｰﾄから参照されているｼｰﾄは移動できません。"),
                       QStringLiteral("same-file-name"));
        excel.CloseExcel();
        return report.exitCode();
    }
    const int sourceBefore = int(sheetNames(excel, bookName(transfer.source)).size());
    const QStringList targetBefore = sheetNames(excel, target);
    const int countBefore = int(targetBefore.size());
    const QString place = transfer.place.isEmpty() ? targetBefore.last() : transfer.place;
    // A name both books define differently keeps the target's definition,
    // or with --rename-names brings the source's under a name of its own.
    const bool renameNames = arguments.flag(QStringLiteral("rename-names"));
    excel.SetNameConflictResolver([renameNames](const QString &, const QString &free) {
        return renameNames ? free : QString();
    });
    if (!transfer.sameBook) {
        const QStringList viaOffice = excel.OfficeTransferSheets(bookName(transfer.source), transfer.sheets, target);
        for (const QString &sheet : viaOffice)
            report.note(transfer.source, (move ? QStringLiteral("LibreOffice で移動します: ")
                                               : QStringLiteral("LibreOffice でｺﾋﾟｰします: ")) + sheet);
    }
    try {
        if (move)
            excel.MoveSheet(bookName(transfer.source), transfer.sheets, target, place, transfer.before ? 1 : 0);
        else
            excel.CopySheet(bookName(transfer.source), transfer.sheets, target, place, transfer.before ? 1 : 0);
    } catch (const ExcelError &error) {
        report.passOnMessages(transfer.target);
        report.failure(transfer.target, error); // nothing was saved
        excel.CloseExcel();
        return report.exitCode();
    }
    report.passOnMessages(transfer.target);
    reportNameConflicts(excel, report, transfer.target);
    // A move between books is checked on both sides: never a copy reported as a move.
    const bool sourceLeft = !move || transfer.sameBook
                            || sheetNames(excel, bookName(transfer.source)).size() == sourceBefore - transfer.sheets.size();
    excel.BookActive(target);
    const int expected = countBefore + (transfer.sameBook && move ? 0 : int(transfer.sheets.size()));
    if (excel.GetSheetCount() != expected || !sourceLeft
        || (transfer.sameBook && move && excel.GetSheetNo(transfer.sheets.first()) == 0)) {
        QString failure = move ? QStringLiteral("ｼｰﾄを移動できませんでした。") : QStringLiteral("ｼｰﾄをｺﾋﾟｰできませんでした。");
        if (!excel.LastTransferError().isEmpty())
            failure += u' ' + excel.LastTransferError();
        report.failure(transfer.target, failure);
        excel.CloseExcel();
        return report.exitCode();
    }
    if (!BatchBook::AgreeToLosses(excel, report, target, transfer.target,
                                  arguments.flag(QStringLiteral("allow-loss")))) {
        excel.CloseExcel();
        return report.exitCode();
    }
    const QString way = throughOffice(excel, target) ? QStringLiteral("office") : QStringLiteral("records");
    // Read before the save: a target worked on under another name takes its own then.
    const QStringList targetAfter = sheetNames(excel, target);
    if (report.dryRun()) {
        reportChanges(report, transfer, move, targetBefore, targetAfter, way);
        excel.CloseExcel();
        return report.exitCode();
    }
    // The target first: a failure before the source is saved leaves the sheets twice, never lost.
    excel.BookActive(target);
    if (excel.SaveBook(transfer.target) != 0) {
        report.failure(transfer.target, excel.LastSaveError(), QStringLiteral("save-failed"));
        excel.CloseExcel();
        return report.exitCode();
    }
    if (move && !transfer.sameBook) {
        excel.BookActive(bookName(transfer.source));
        if (excel.SaveBook(transfer.source) != 0) {
            report.failure(transfer.source, excel.LastSaveError(), QStringLiteral("save-failed"));
            move = false; // the sheets are in both books
        }
    }
    reportChanges(report, transfer, move, targetBefore, targetAfter, way);
    excel.CloseExcel();
    return report.exitCode();
}

} // namespace

int TransferVerb::Copy(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    return run(false, arguments, excel, report);
}

int TransferVerb::Move(const BatchArguments &arguments, cExcel &excel, BatchReport &report, QTextStream &)
{
    return run(true, arguments, excel, report);
}
