#include "TransferVerb.h"

#include "BatchArguments.h"
#include "BatchBook.h"
#include "BatchReport.h"
#include "ExcelError.h"
#include "cExcel.h"

#include <QFileInfo>

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

// Reads the command line into a transfer; an empty optional text is fine,
// otherwise it is the usage error.
QString readTransfer(const BatchArguments &arguments, Transfer &transfer)
{
    if (!arguments.hasValue(QStringLiteral("to")))
        return QStringLiteral("--to TARGET がありません。");
    if (arguments.hasValue(QStringLiteral("before")) && arguments.hasValue(QStringLiteral("after")))
        return QStringLiteral("--before と --after は同時に使えません。");
    transfer.source = arguments.operands.at(0);
    transfer.sheets = arguments.operands.mid(1);
    transfer.target = arguments.value(QStringLiteral("to"));
    transfer.before = arguments.hasValue(QStringLiteral("before"));
    transfer.place = arguments.value(transfer.before ? QStringLiteral("before") : QStringLiteral("after"));
    transfer.sameBook = QFileInfo(transfer.source).canonicalFilePath() == QFileInfo(transfer.target).canonicalFilePath()
                     && QFileInfo::exists(transfer.source);
    if (!transfer.sameBook && bookName(transfer.source).compare(bookName(transfer.target), Qt::CaseInsensitive) == 0)
        return QStringLiteral("同じ名前のﾌﾞｯｸを同時に開くことはできません。");
    return QString();
}

bool checkSheets(cExcel &excel, BatchReport &report, const Transfer &transfer)
{
    excel.BookActive(bookName(transfer.source));
    for (const QString &sheet : transfer.sheets) {
        if (excel.GetSheetNo(sheet) == 0) {
            report.failure(transfer.source, QStringLiteral("%1: ｼｰﾄ \"%1\" は存在しません。").arg(sheet));
            return false;
        }
    }
    excel.BookActive(bookName(transfer.target));
    if (!transfer.place.isEmpty() && excel.GetSheetNo(transfer.place) == 0) {
        report.failure(transfer.target, QStringLiteral("%1: ｼｰﾄ \"%1\" は存在しません。").arg(transfer.place));
        return false;
    }
    return true;
}

int run(bool move, const BatchArguments &arguments, cExcel &excel, BatchReport &report)
{
    Transfer transfer;
    const QString usage = readTransfer(arguments, transfer);
    if (!usage.isEmpty())
        return BatchReport::usageError(usage);
    if (!BatchBook::Open(excel, report, transfer.source))
        return report.exitCode();
    if (!transfer.sameBook) {
        try {
            excel.OpenBook(transfer.target);
        } catch (const ExcelError &error) {
            report.failure(transfer.target, error.description());
            excel.CloseExcel();
            return report.exitCode();
        }
    }
    if (!checkSheets(excel, report, transfer)) {
        excel.CloseExcel();
        return report.exitCode();
    }
    const QString target = bookName(transfer.target);
    excel.BookActive(target);
    const int countBefore = excel.GetSheetCount();
    const QString place = transfer.place.isEmpty() ? excel.GetSheetName(qint16(countBefore)) : transfer.place;
    if (move)
        excel.MoveSheet(bookName(transfer.source), transfer.sheets, target, place, transfer.before ? 1 : 0);
    else
        excel.CopySheet(bookName(transfer.source), transfer.sheets, target, place, transfer.before ? 1 : 0);
    report.passOnMessages(transfer.target);
    excel.BookActive(target);
    const int expected = countBefore + (transfer.sameBook && move ? 0 : int(transfer.sheets.size()));
    if (excel.GetSheetCount() != expected || (transfer.sameBook && move && excel.GetSheetNo(transfer.sheets.first()) == 0)) {
        report.failure(transfer.target, move ? QStringLiteral("ｼｰﾄを移動できませんでした。")
                                             : QStringLiteral("ｼｰﾄをｺﾋﾟｰできませんでした。"));
        excel.CloseExcel();
        return report.exitCode();
    }
    if (!BatchBook::AgreeToLosses(excel, report, bookName(transfer.target), transfer.target,
                                  arguments.flag(QStringLiteral("allow-loss")))) {
        excel.CloseExcel();
        return report.exitCode();
    }
    // The target first: a failure before the source is saved leaves the sheets twice, never lost.
    excel.BookActive(target);
    if (excel.SaveBook(QFileInfo(transfer.target).absoluteFilePath()) != 0) {
        report.failure(transfer.target, excel.LastSaveError());
    } else if (move && !transfer.sameBook) {
        excel.BookActive(bookName(transfer.source));
        if (excel.SaveBook(QFileInfo(transfer.source).absoluteFilePath()) != 0)
            report.failure(transfer.source, excel.LastSaveError());
    }
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
