#include "SheetFind.h"

#include "MenuState.h"
#include "MessageBox.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "StatusPanels.h"
#include "WindowState.h"
#include "cListView.h"
#include "frmSheetFind.h"

#include <QAbstractItemView>
#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStandardItemModel>

#include <utility>

namespace {

QString SelectedText(int count)
{
    return QString::number(count) + QStringLiteral("ｼｰﾄ選択");
}

} // namespace

SheetFind::SheetFind(const WindowState &state, SheetList &sheets, cListView &view, QLabel &title,
                     StatusPanels &panels, MenuState &menus, QList<QAction *> sheetInfo, QWidget *owner)
    : m_state(state)
    , m_sheets(sheets)
    , m_view(view)
    , m_title(title)
    , m_panels(panels)
    , m_menus(menus)
    , m_sheetInfo(std::move(sheetInfo))
    , m_owner(owner)
{
}

int SheetFind::FindItem(const QString &text, int start, bool whole) const
{
    const SheetList &sheets = m_sheets;
    for (int row = std::max(0, start); row < sheets.Count(); ++row) {
        const QString item = sheets.Text(row);
        if (whole ? item.compare(text, Qt::CaseInsensitive) == 0 : item.startsWith(text, Qt::CaseInsensitive))
            return row;
    }
    return -1;
}

void SheetFind::Find()
{
    if (m_state.ActiveBookPath.isEmpty())
        return;
    frmSheetFind::Show(m_owner);
    const QList<int> selected = m_sheets.SelectedRows();
    int start = selected.isEmpty() || frmSheetFind::FindStart == 0 ? 0 : selected.last();
    m_view.selectionModel()->clearSelection();
    if (frmSheetFind::FindSheetName.isEmpty()) {
        // Cancelled: nothing stays selected, and the status bar says so.
        m_panels.SetPanelText(3, QString());
        m_menus.SetToolbarState({}, {}, {}, {}, false, {}, {}, {}, {}, {}, false);
        return;
    }
    int last = -1;
    const int found = SelectMatches(start, last);
    m_menus.SetToolbarState({}, {}, {}, {}, found < 2, {}, {}, {}, {}, {}, found < 2);
    for (QAction *item : std::as_const(m_sheetInfo))
        item->setEnabled(found == 1);
    if (found == 0)
        ShowNotFound();
    else
        ShowFound(found, last);
}

int SheetFind::SelectMatches(int start, int &last)
{
    QAbstractItemView *view = m_view.currentView();
    QItemSelectionModel *selection = m_view.selectionModel();
    const bool whole = frmSheetFind::FindWhole == 0;
    int found = 0;
    while (start < m_sheets.Count()) {
        const int hit = FindItem(frmSheetFind::FindSheetName, start, whole);
        if (hit < 0)
            break;
        const QModelIndex index = m_view.model()->index(hit, 0);
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
    m_panels.SetPanelText(3, QString());
    MessageBox::Show(QStringLiteral("ｼｰﾄ\"") + frmSheetFind::FindSheetName + QStringLiteral("\" は見つかりませんでした。"),
                     0x10, QString(), m_owner);
}

void SheetFind::ShowFound(int found, int last)
{
    const QString name = m_sheets.Name(last);
    m_title.setText(name);
    m_sheets.ShowReserveMark(name);
    m_view.currentView()->setFocus();
    if (frmSheetFind::AllFind == 1) {
        m_panels.SetPanelText(3, SelectedText(found));
        MessageBox::Show(QString::number(found) + QStringLiteral("ｼｰﾄ検索されました。"), 0x40, QString(), m_owner);
    } else {
        m_panels.SetPanelText(3, SelectedText(1));
    }
}
