#include "SheetSort.h"

#include "ExcelAccess.h"
#include "MessageBox.h"
#include "SheetList.h"
#include "TextCollation.h"
#include "WaitCursor.h"
#include "WindowState.h"
#include "cExcel.h"
#include "cFile.h"
#include "cListView.h"

#include <QCoreApplication>
#include <QLabel>

#include <utility>

SheetSort::SheetSort(WindowState &state, SheetList &sheets, cListView &view, QLabel &header, ExcelAccess &excel,
                     QWidget *owner)
    : m_state(state)
    , m_sheets(sheets)
    , m_view(view)
    , m_header(header)
    , m_excel(excel)
    , m_owner(owner)
{
}

void SheetSort::SortSheetTable(QList<SheetTableEntry> &table, bool descending)
{
    const auto outOfOrder = [descending](const SheetTableEntry &a, const SheetTableEntry &b) {
        const int order = TextCollation::Compare(a.Name, b.Name);
        return descending ? order < 0 : order > 0;
    };
    const qsizetype n = table.size();
    for (qsizetype gap = n / 2; gap > 0; gap /= 2) {
        for (qsizetype i = gap; i < n; ++i) {
            for (qsizetype j = i - gap; j >= 0 && outOfOrder(table[j], table[j + gap]); j -= gap)
                std::swap(table[j], table[j + gap]);
        }
    }
}

bool SheetSort::ApplySheetOrder()
{
    WaitCursor wait;
    m_sheets.ReopenExcelIfNeeded();
    QStringList names;
    for (const SheetTableEntry &entry : std::as_const(m_state.SheetTable)) {
        if (!entry.Name.isEmpty())
            names << entry.Name;
    }
    const QString refusal = m_excel.Excel().SetSheetOrder(cFile::GetFileName(m_state.ActiveBookPath), names);
    if (refusal.isEmpty())
        return true;
    // The book kept its order: the list and the table are read from it again,
    // so that what the user sees is what the book holds.
    MessageBox::Show(QStringLiteral("ｼｰﾄの並べ替えができませんでした。") + QStringLiteral("\r\n") + refusal, 0x10,
                     QString(), m_owner);
    m_state.HasProtectedSheets = m_sheets.LoadSheetView(m_state.ActiveBookPath);
    return false;
}

void SheetSort::SortAll(bool descending)
{
    const Qt::SortOrder order = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_sheets.SortOrder = order;
    m_view.SortItems(order);
    SortSheetTable(m_state.SheetTable, descending);
    if (ApplySheetOrder())
        m_state.SheetsChanged = true;
}

void SheetSort::Sort(bool descending)
{
    if (m_state.ActiveBookPath.isEmpty() || m_sheets.Count() == 0)
        return;
    SortAll(descending);
}

void SheetSort::HeaderPressed()
{
    if (m_sheets.Count() == 0)
        return;
    m_header.setFrameStyle(QFrame::Box | QFrame::Plain);
    QCoreApplication::processEvents();
    if (m_state.ActiveBookPath.isEmpty())
        return;
    m_sheets.ReopenExcelIfNeeded();
    SortAll(m_sheets.SortOrder == Qt::AscendingOrder);
}

void SheetSort::HeaderReleased()
{
    m_header.setFrameStyle(QFrame::NoFrame);
}
