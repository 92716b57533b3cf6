#include "MenuRules.h"

#include "BookList.h"
#include "BookPresentation.h"
#include "BookSelection.h"
#include "PrintReserve.h"
#include "SheetEditing.h"
#include "SheetList.h"
#include "cListView.h"
#include "frmMain.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QAction>

namespace {

// The book restriction's bit for a book that may not be saved.
constexpr int kMayNotSave = 1;

} // namespace

MenuRules::MenuRules(frmMain &form)
    : m_form(form)
{
}

void MenuRules::DropDown(const QString &menu)
{
    if (menu == QLatin1String("mnuFile") || menu == QLatin1String("mnuEdit"))
        FinishPendingRename();
    if (menu == QLatin1String("mnuFile"))
        FileMenu();
    else if (menu == QLatin1String("mnuEdit"))
        EditMenu();
    else if (menu == QLatin1String("mnuTool"))
        ToolMenu();
}

int MenuRules::SelectedBooks() const
{
    const BookList &books = m_form.Books();
    int selected = 0;
    for (int row = 0; row < books.Count() && selected < 2; ++row) {
        if (books.IsSelected(row))
            ++selected;
    }
    return selected;
}

void MenuRules::Enable(const char *name, bool enabled)
{
    if (QAction *item = m_form.Action(QString::fromLatin1(name)))
        item->setEnabled(enabled);
}

void MenuRules::FileMenu()
{
    if (SelectedBooks() > 1) {
        // Several books: the commands that work on every selected book.
        m_form.Selection().SetFileMenuState({}, {}, false, false, {}, true, true, true);
        return;
    }
    const bool active = !m_form.ActiveBookPath.isEmpty();
    const bool maySave = active && (m_form.BookRestriction & kMayNotSave) == 0;
    Enable("mnuFileProperties", maySave);
    Enable("mnuFileSave", maySave);
    Enable("mnuFileNewSave", maySave);
    Enable("mnuFileDelete", active);
    Enable("mnuPrint", active);
    Enable("mnuReservePrint", active && m_form.Reserve.CountReservedBooks() > 0);
}

void MenuRules::EditMenu()
{
    if (!m_form.BookView()->currentView()->currentIndex().isValid()) {
        m_form.SetEditMenuState(false, false, false, false, false);
        return;
    }
    if (SelectedBooks() > 1)
        m_form.SetEditMenuState(false, false, false, true, true);
    else
        m_form.SetEditMenuState(true, true, true, true);
}

void MenuRules::ToolMenu()
{
    if (m_form.ActiveBookPath.isEmpty()) {
        m_form.SetToolMenuState({}, false, false, false, false, false, false, false, false, false);
        return;
    }
    const bool paste = m_form.SheetClipboardMode != -1;
    if (m_form.BookRestriction != 0)
        m_form.SetToolMenuState({}, true, true, false, false, false, false, paste, true, false);
    else if (m_form.Sheets().MultipleSheetsSelected())
        m_form.SetToolMenuState({}, true, true, false, true, true, true, paste, true, true);
    else
        m_form.SetToolMenuState({}, true, true, true, true, true, true, paste, true, true);
    m_form.Reservations().SetReserveMenuState();
}

bool MenuRules::RenamePending() const
{
    return m_form.Editing().EditedSheetItem.isValid();
}

// The name typed so far is handed to the rename first, as a click elsewhere
// would; then the views are read again from the book.
void MenuRules::FinishPendingRename(bool forget)
{
    if (!RenamePending())
        return;
    QAbstractItemView *view = m_form.SheetView()->currentView();
    const QPersistentModelIndex item = m_form.Editing().EditedSheetItem;
    if (QWidget *editor = view->indexWidget(item)) {
        emit view->itemDelegate()->commitData(editor);
        emit view->itemDelegate()->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    m_form.Presentation().Refresh();
    if (forget)
        m_form.Editing().EditedSheetItem = QPersistentModelIndex();
}
