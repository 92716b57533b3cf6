#include "CurrentSheetTitle.h"

#include "PrintReserve.h"
#include "ReportSystemError.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "cListView.h"
#include "frmMain.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStandardItemModel>
#include <QTimer>

CurrentSheetTitle::CurrentSheetTitle(frmMain &form)
    : QObject(&form)
    , m_form(form)
{
}

void CurrentSheetTitle::Watch()
{
    QItemSelectionModel *selection = m_form.SheetView()->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &CurrentSheetTitle::FollowSoon);
    QStandardItemModel *model = m_form.SheetView()->model();
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
    if (m_form.ActiveBookPath.isEmpty() || m_form.BookLoading)
        return;
    SheetList &sheets = m_form.Sheets();
    const QList<int> selected = sheets.SelectedRows();
    QLabel *title = m_form.Title(1);
    for (int row : selected) {
        if (sheets.Text(row) == title->text())
            return;
    }
    if (selected.isEmpty()) {
        if (title->text().isEmpty())
            return;
        title->clear();
        m_form.Reservations().ShowMark(false);
        return;
    }
    const int current = m_form.SheetView()->selectionModel()->currentIndex().row();
    const int row = selected.contains(current) ? current : selected.last();
    const QString name = sheets.Text(row);
    const bool visible = SheetKey::TestSheetKeyBit(sheets.Key(row), SheetKey::Visible, true);
    m_form.Action(QStringLiteral("SheetPopDisplay"))->setChecked(visible);
    m_form.Action(QStringLiteral("SheetPopHide"))->setChecked(!visible);
    sheets.ShowReserveMark(name);
    title->setText(name);
}
