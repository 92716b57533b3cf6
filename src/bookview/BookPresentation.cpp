#include "BookPresentation.h"

#include "BookList.h"
#include "BookSelection.h"
#include "SettingsStore.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cListView.h"
#include "frmMain.h"

#include <QAction>
#include <QListView>
#include <QStandardItemModel>

#include <cstdlib>

namespace {

constexpr int ViewButtonPosition = 24;

} // namespace

BookPresentation::BookPresentation(frmMain &form)
    : m_form(form)
{
}

void BookPresentation::ListViewMode(int index)
{
    if (index < 0 || index > 3)
        return;
    m_form.Action(QStringLiteral("mnuListViewMode_%1").arg(m_form.BookView()->viewMode()))->setChecked(false);
    m_form.BookView()->setViewMode(index);
    m_form.Action(QStringLiteral("mnuListViewMode_%1").arg(index))->setChecked(true);
    m_form.ToolbarButton(ViewButtonPosition + index)->setChecked(true);
    if (index == 3 && m_form.Books().Count() > 0)
        m_form.Books().AutoSizeBookColumns();
}

void BookPresentation::ToolbarViewMode(int index)
{
    if (index < 0 || index > 3)
        return;
    ListViewMode(index);
    SettingsStore::SaveSetting(SettingsStore::AppKey, QStringLiteral("Settings"), QStringLiteral("ViewMode"),
                               QString::number(index));
}

void BookPresentation::SortBooksBy(int column)
{
    if (column >= 0 && column < 5)
        Sort(m_form.ColumnSortKey[column]);
}

void BookPresentation::ColumnClick(int column)
{
    Sort(column);
}

void BookPresentation::Sort(int key)
{
    m_sorted = true;
    m_order = std::abs(std::abs(m_order) - 1);
    QStandardItemModel *model = m_form.BookView()->model();
    // A key beyond the columns shown sorts by name.
    m_key = key >= 0 && key < model->columnCount() ? key : 0;
    model->sort(m_key, SortOrder());
}

void BookPresentation::LineUpIcons()
{
    m_form.BookView()->listView()->doItemsLayout();
}

void BookPresentation::Refresh()
{
    if (m_form.ActiveBookPath.isEmpty())
        return;
    WaitCursor wait;
    QCoreApplication::processEvents();
    m_form.setEnabled(false);
    try {
        m_form.Excel().ReOpenExcel(m_form.ActiveBookPath);
    } catch (...) {
        m_form.setEnabled(true);
        throw;
    }
    m_form.setEnabled(true);
    m_form.HasProtectedSheets = m_form.Sheets().LoadSheetView(m_form.ActiveBookPath);
}

void BookPresentation::SelectAllBooks()
{
    m_form.ActivePane = 0;
    m_form.SetPanelText(2, QStringLiteral("ﾌﾞｯｸﾋﾞｭｰ"));
    if (m_form.Books().Count() > 1)
        m_form.Selection().DisableSingleBookCommands();
    m_form.Books().SelectAll();
    m_form.BookView()->currentView()->setFocus();
    m_form.Selection().UpdateSelectionCountText();
}
