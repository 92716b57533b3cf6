#include "CurrentSheetTitle.h"

#include "PrintReserve.h"
#include "ReportSystemError.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "WindowState.h"
#include "cListView.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStandardItemModel>
#include <QTimer>

CurrentSheetTitle::CurrentSheetTitle(const WindowState &state, SheetList &sheets, cListView &view, QLabel &title,
                                     PrintReserve &reserve, QAction *display, QAction *hide, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_sheets(sheets)
    , m_view(view)
    , m_title(title)
    , m_reserve(reserve)
    , m_display(display)
    , m_hide(hide)
{
}

void CurrentSheetTitle::Watch()
{
    QItemSelectionModel *selection = m_view.selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &CurrentSheetTitle::FollowSoon);
    QStandardItemModel *model = m_view.model();
    connect(model, &QAbstractItemModel::rowsRemoved, this, &CurrentSheetTitle::FollowSoon);
    connect(model, &QAbstractItemModel::modelReset, this, &CurrentSheetTitle::FollowSoon);
}

void CurrentSheetTitle::FollowSoon()
{
    if (m_due)
        return;
    m_due = true;
    QTimer::singleShot(0, this, [this] {
        m_due = false;
        TrapErrors([this] { Follow(); });
    });
}

void CurrentSheetTitle::Follow()
{
    if (m_state.ActiveBookPath.isEmpty() || m_state.BookLoading)
        return;
    SheetList &sheets = m_sheets;
    const QList<int> selected = sheets.SelectedRows();
    QLabel *title = &m_title;
    for (int row : selected) {
        if (sheets.Text(row) == title->text())
            return;
    }
    if (selected.isEmpty()) {
        if (title->text().isEmpty())
            return;
        title->clear();
        m_reserve.ShowMark(false);
        return;
    }
    const int current = m_view.selectionModel()->currentIndex().row();
    const int row = selected.contains(current) ? current : selected.last();
    const QString name = sheets.Text(row);
    const bool visible = SheetKey::TestSheetKeyBit(sheets.Key(row), SheetKey::Visible, true);
    m_display->setChecked(visible);
    m_hide->setChecked(!visible);
    sheets.ShowReserveMark(name);
    title->setText(name);
}
