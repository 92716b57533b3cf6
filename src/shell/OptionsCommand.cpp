#include "OptionsCommand.h"

#include "BookList.h"
#include "RunTimeError.h"
#include "SettingsStore.h"
#include "SheetList.h"
#include "cListView.h"
#include "MenuState.h"
#include "frmMain.h"
#include "frmOptions.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCoreApplication>
#include <QStringList>

OptionsCommand::OptionsCommand(frmMain &form)
    : m_form(form)
{
}

void OptionsCommand::Run()
{
    frmOptions dialog(&m_form);
    dialog.exec();
    QCoreApplication::processEvents();
    ApplySheetInfoItems();
    if (frmOptions::ColumnsChanged)
        RebuildBookColumns();
    if (frmOptions::SheetFilterChanged)
        RefillSheetView();
}

void OptionsCommand::ApplySheetInfoItems()
{
    const bool hideInfo = SettingsStore::GetSetting(SettingsStore::AppKey, "Option", "SheetPageInf", "0")
                          == QLatin1String("1");
    QAction *info = m_form.Action(QStringLiteral("SheetPopPropaty"));
    if (info->isVisible() == !hideInfo)
        return;
    info->setVisible(!hideInfo);
    m_form.Action(QStringLiteral("PopBar2"))->setVisible(!hideInfo);
}

// The columns are built anew, which empties the view; the books come back in
// their order with the same item selected. The view keeps the mode it shows
// now (a mode chosen from the menu is stored only at shut-down).
void OptionsCommand::RebuildBookColumns()
{
    BookList &books = m_form.Books();
    QStringList keys;
    for (int row = 0; row < books.Count(); ++row)
        keys << books.Key(row);
    const QList<int> selected = books.SelectedRows();
    const int position = selected.isEmpty() ? 0 : selected.last();
    m_form.BuildBookColumns(m_form.BookView()->viewMode());
    // The books come back also when none is active: a column switch never
    // empties the user's collection.
    for (const QString &key : keys) {
        // A book whose file details cannot be read any more keeps its item;
        // the others are added all the same.
        try {
            books.AddBookItem(key);
        } catch (const RunTimeError &) {
        }
    }
    books.AutoSizeBookColumns();
    if (position < books.Count()) {
        books.DeselectAll();
        books.Select(position);
    }
}

void OptionsCommand::RefillSheetView()
{
    if (!m_form.BookView()->currentView()->currentIndex().isValid() || m_form.ActiveBookPath.isEmpty())
        return;
    // The engine may have let the book go since (after a print run, say).
    m_form.Sheets().ReopenExcelIfNeeded();
    m_form.HasProtectedSheets = m_form.Sheets().LoadSheetView(m_form.ActiveBookPath);
    // The refilled view has no sheet selected: the commands for one sheet are off.
    m_form.Menus().SetToolbarState({}, {}, {}, {}, false, {}, {}, {}, {}, {}, false);
    m_form.Action(QStringLiteral("mnuSheetInf"))->setEnabled(false);
    m_form.Action(QStringLiteral("SheetPopPropaty"))->setEnabled(false);
}
