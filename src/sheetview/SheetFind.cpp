#include "SheetFind.h"

#include "MessageBox.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "cListView.h"
#include "frmMain.h"
#include "frmSheetFind.h"

#include <QAbstractItemView>
#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStandardItemModel>

namespace {

QString SelectedText(int count)
{
    return QString::number(count) + QStringLiteral("ｼｰﾄ選択");
}

} // namespace

SheetFind::SheetFind(frmMain &form)
    : m_form(form)
{
}

int SheetFind::FindItem(const QString &text, int start, bool whole) const
{
    const SheetList &sheets = m_form.Sheets();
    for (int row = std::max(0, start); row < sheets.Count(); ++row) {
        const QString item = sheets.Text(row);
        if (whole ? item.compare(text, Qt::CaseInsensitive) == 0 : item.startsWith(text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

void SheetFind::Find()
{
    if (m_form.ActiveBookPath.isEmpty())
        return;
    frmSheetFind::Show(&m_form);
    const QList<int> selected = m_form.Sheets().SelectedRows();
    int start = selected.isEmpty() || frmSheetFind::FindStart == 0 ? 0 : selected.last();
    m_form.SheetView()->selectionModel()->clearSelection();
    if (frmSheetFind::FindSheetName.isEmpty()) {
        // Cancelled: nothing stays selected, and the status bar says so.
        m_form.SetPanelText(3, QString());
        m_form.SetToolbarState({}, {}, {}, {}, false, {}, {}, {}, {}, {}, false);
        return;
    }
    int last = -1;
    const int found = SelectMatches(start, last);
    m_form.SetToolbarState({}, {}, {}, {}, found < 2, {}, {}, {}, {}, {}, found < 2);
    m_form.Action(QStringLiteral("mnuSheetInf"))->setEnabled(found == 1);
    m_form.Action(QStringLiteral("SheetPopPropaty"))->setEnabled(found == 1);
    if (found == 0)
        ShowNotFound();
    else
        ShowFound(found, last);
}

int SheetFind::SelectMatches(int start, int &last)
{
    QAbstractItemView *view = m_form.SheetView()->currentView();
    QItemSelectionModel *selection = m_form.SheetView()->selectionModel();
    const bool whole = frmSheetFind::FindWhole == 0;
    int found = 0;
    while (start < m_form.Sheets().Count()) {
        const int hit = FindItem(frmSheetFind::FindSheetName, start, whole);
        if (hit < 0)
            break;
        const QModelIndex index = m_form.SheetView()->model()->index(hit, 0);
        selection->select(index, QItemSelectionModel::Select);
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        view->scrollTo(index);
        start = hit + 1;
        last = hit;
        ++found;
        if (frmSheetFind::AllFind != 1)
            break;
    }
    return found;
}

void SheetFind::ShowNotFound()
{
    m_form.SetPanelText(3, QString());
    MessageBox::Show(QStringLiteral("ｼｰﾄ\"") + frmSheetFind::FindSheetName + QStringLiteral("\" は見つかりませんでした。"),
                     0x10, QString(), &m_form);
}

void SheetFind::ShowFound(int found, int last)
{
    const QString name = m_form.Sheets().Name(last);
    m_form.Title(1)->setText(name);
    m_form.Sheets().ShowReserveMark(name);
    m_form.SheetView()->currentView()->setFocus();
    if (frmSheetFind::AllFind == 1) {
        m_form.SetPanelText(3, SelectedText(found));
        MessageBox::Show(QString::number(found) + QStringLiteral("ｼｰﾄ検索されました。"), 0x40, QString(), &m_form);
    } else {
        m_form.SetPanelText(3, SelectedText(1));
    }
}
