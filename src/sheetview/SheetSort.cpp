#include "SheetSort.h"

#include "MessageBox.h"
#include "SheetList.h"
#include "TextCollation.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cFile.h"
#include "cListView.h"
#include "frmMain.h"

#include <QCoreApplication>
#include <QLabel>

#include <utility>

SheetSort::SheetSort(frmMain &form)
    : m_form(form)
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
    m_form.Sheets().ReopenExcelIfNeeded();
    QStringList names;
    for (const SheetTableEntry &entry : std::as_const(m_form.SheetTable)) {
        if (!entry.Name.isEmpty())
            names << entry.Name;
    }
    const QString refusal = m_form.Excel().SetSheetOrder(cFile::GetFileName(m_form.ActiveBookPath), names);
    if (refusal.isEmpty())
        return true;
    // The book kept its order: the list and the table are read from it again,
    // so that what the user sees is what the book holds.
    MessageBox::Show(QStringLiteral("ｼｰﾄの並べ替えができませんでした。") + QStringLiteral("\r\n") + refusal, 0x10,
                     QString(), &m_form);
    m_form.HasProtectedSheets = m_form.Sheets().LoadSheetView(m_form.ActiveBookPath);
    return false;
}

void SheetSort::SortAll(bool descending)
{
    const Qt::SortOrder order = descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_form.Sheets().SortOrder = order;
    m_form.SheetView()->SortItems(order);
    SortSheetTable(m_form.SheetTable, descending);
    if (ApplySheetOrder())
        m_form.SheetsChanged = true;
}

void SheetSort::Sort(bool descending)
{
    if (m_form.ActiveBookPath.isEmpty() || m_form.Sheets().Count() == 0)
        return;
    SortAll(descending);
}

void SheetSort::HeaderPressed()
{
    if (m_form.Sheets().Count() == 0)
        return;
    m_form.SheetHeader()->setFrameStyle(QFrame::Box | QFrame::Plain);
    QCoreApplication::processEvents();
    if (m_form.ActiveBookPath.isEmpty())
        return;
    m_form.Sheets().ReopenExcelIfNeeded();
    SortAll(m_form.Sheets().SortOrder == Qt::AscendingOrder);
}

void SheetSort::HeaderReleased()
{
    m_form.SheetHeader()->setFrameStyle(QFrame::NoFrame);
}
