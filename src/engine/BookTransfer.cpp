#include "BookTransfer.h"

#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "WorkbookSheetCopies.h"

#include <algorithm>

void BookTransfer::transfer(bool move, const QString &fromBook, const QStringList &fromSheets, const QVariant &toBook,
                            const QVariant &toSheet, bool before)
{
    ExcelWorkbook &source = m_app.Workbook(fromBook);
    if (move && fromSheets.size() >= source.sheetCount())
        return; // a book cannot give away all its sheets
    if (!toBook.isValid()) {
        // Into a new book holding exactly these sheets.
        const int sheetsBefore = m_app.SheetsInNewWorkbook;
        m_app.SheetsInNewWorkbook = 1;
        ExcelWorkbook &target = m_app.Add();
        m_app.SheetsInNewWorkbook = sheetsBefore;
        const QString blank = target.sheetName(1);
        target.importSheets(source, fromSheets, target.sheetCount() + 1);
        target.deleteSheets({blank});
        if (move)
            source.deleteSheets(fromSheets);
        m_app.Activate(target);
        return;
    }
    ExcelWorkbook &target = m_app.Workbook(toBook.toString());
    const QString targetSheet = toSheet.toString();
    if (target.sheetPosition(targetSheet) == 0)
        return;
    if (&target == &source) {
        if (move)
            source.moveSheets(fromSheets, targetSheet, before);
        else
            source.copySheets(fromSheets, targetSheet, before);
        return;
    }
    const int position = target.sheetPosition(targetSheet) + (before ? 0 : 1);
    if (!move) {
        target.importSheets(source, fromSheets, position);
        return;
    }
    const int sourceCount = source.sheetCount();
    const int targetCount = target.sheetCount();
    const QStringList copies = target.moveSheetsFrom(source, fromSheets, position);
    checkMoved(source, fromSheets, sourceCount, target, copies, targetCount);
}

// After a move between books: the source lost exactly the moved sheets and
// the target gained them, or the move is reported as failed.
void BookTransfer::checkMoved(const ExcelWorkbook &source, const QStringList &moved, int sourceCount,
                              const ExcelWorkbook &target, const QStringList &copies, int targetCount)
{
    const bool left = source.sheetCount() == sourceCount - moved.size()
                      && std::none_of(moved.cbegin(), moved.cend(),
                                      [&](const QString &name) { return source.sheetPosition(name) != 0; });
    const bool arrived = target.sheetCount() == targetCount + moved.size() && copies.size() == moved.size()
                         && std::all_of(copies.cbegin(), copies.cend(),
                                        [&](const QString &name) { return target.sheetPosition(name) != 0; });
    if (!left)
        throw ExcelError::refused(QStringLiteral("ｼｰﾄは \"%1\" から取り除かれませんでした。").arg(source.Name()));
    if (!arrived)
        throw ExcelError::refused(QStringLiteral("ｼｰﾄは \"%1\" に届きませんでした。").arg(target.Name()));
}

QStringList BookTransfer::officeSheets(const QString &fromBook, const QStringList &fromSheets,
                                      const QString &toBook) const
{
    return WorkbookSheetCopies(m_app.Workbook(toBook)).throughOffice(m_app.Workbook(fromBook), fromSheets);
}

QString BookTransfer::completeMoveRefusal(const QString &fromBook, const QStringList &fromSheets) const
{
    const ExcelWorkbook &source = m_app.Workbook(fromBook);
    if (!source.otherSheetsReferTo(fromSheets))
        return QString();
    return QStringLiteral("ﾌﾞｯｸ \"%1\" のほかのｼｰﾄの数式または名前が、移動するｼｰﾄを参照しています。"
                          "参照をﾘﾝｸとして残すため、移動元の変更を保存してから移動してください。")
        .arg(source.Name());
}

void BookTransfer::completeMove(const QString &fromBook, const QStringList &fromSheets, const QString &toBook)
{
    ExcelWorkbook &source = m_app.Workbook(fromBook);
    ExcelWorkbook &target = m_app.Workbook(toBook);
    const QString refusal = completeMoveRefusal(fromBook, fromSheets);
    if (!refusal.isEmpty())
        throw ExcelError::refused(refusal);
    const int sourceCount = source.sheetCount();
    target.markReceivedMovedSheets();
    source.deleteSheets(fromSheets);
    if (source.sheetCount() != sourceCount - fromSheets.size())
        throw ExcelError::refused(QStringLiteral("ｼｰﾄは \"%1\" から取り除かれませんでした。").arg(source.Name()));
}
