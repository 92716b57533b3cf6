#include "SheetEditing.h"

#include "MessageBox.h"
#include "SheetKey.h"
#include "SheetLabelEditor.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cFile.h"
#include "cListView.h"
#include "frmMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QListView>
#include <QStandardItemModel>
#include <QTreeView>

namespace {

constexpr unsigned CriticalOk = 0x10;
constexpr unsigned QuestionOkCancel = 0x21;
constexpr unsigned WarningOk = 0x30;

QString HeaderText(int count)
{
    return QStringLiteral("  ｼｰﾄ    (ﾌﾞｯｸ内ｼｰﾄ数 : %1)").arg(count);
}

} // namespace

SheetEditing::SheetEditing(frmMain &form)
    : m_form(form)
{
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(form.SheetView()->listView()),
                                    static_cast<QAbstractItemView *>(form.SheetView()->reportView())}) {
        view->setItemDelegate(new SheetLabelEditor([this](const QString &text) { return AfterLabelEdit(text); },
                                                   [this] { EndLabelEdit(); }, view));
    }
}

// ---------------------------------------------------------------- rename

void SheetEditing::StartRename()
{
    if (m_form.BookRestriction & 1)
        return;
    const QList<int> selected = m_form.Sheets().SelectedRows();
    if (selected.size() != 1)
        return;
    QStandardItem *item = m_form.SheetView()->model()->item(selected.first());
    QAbstractItemView *view = m_form.SheetView()->currentView();
    view->selectionModel()->setCurrentIndex(item->index(), QItemSelectionModel::NoUpdate);
    item->setEditable(true);
    BeforeLabelEdit();
    view->edit(item->index());
}

void SheetEditing::BeforeLabelEdit()
{
    const QModelIndex current = m_form.SheetView()->selectionModel()->currentIndex();
    EditedSheetItem = current.isValid() ? QPersistentModelIndex(current) : QPersistentModelIndex();
}

void SheetEditing::EndLabelEdit()
{
    if (EditedSheetItem.isValid()) {
        if (QStandardItem *item = m_form.SheetView()->model()->itemFromIndex(EditedSheetItem))
            item->setEditable(false);
    }
    EditedSheetItem = QPersistentModelIndex();
}

bool SheetEditing::AfterLabelEdit(const QString &newString)
{
    // A message box below takes the focus from the editor, which would end
    // the edit a second time.
    if (m_committing || !EditedSheetItem.isValid())
        return false;
    m_committing = true;
    struct Done
    {
        SheetEditing &self;
        ~Done() { self.m_committing = false; }
    } done{*this};

    m_form.Sheets().ReopenExcelIfNeeded();
    const QString key = EditedSheetItem.data(SheetList::KeyRole).toString();
    const QString oldName = SheetList::NameOfItem(EditedSheetItem);
    if (newString == oldName)
        return true;
    const QString message = m_form.Excel().RenameSheet(oldName, newString);
    if (!message.isEmpty()) {
        MessageBox::Show(message, CriticalOk, QString(), &m_form);
        return false;
    }
    m_form.SheetsChanged = true;
    const QString newKey = key.left(key.size() - oldName.size()) + newString;
    m_form.SheetView()->model()->setData(EditedSheetItem, newKey, SheetList::KeyRole);
    m_form.SheetView()->model()->setData(EditedSheetItem, newString, SheetList::NameRole);
    RenameInTables(oldName, newString, newKey);
    return true;
}

// The sheet table, the current sheet's title and the print reservations
// follow the new name, so that nothing later works on a name that is gone.
void SheetEditing::RenameInTables(const QString &oldName, const QString &newName, const QString &newKey)
{
    const int index = m_form.Sheets().FindSheetInTable(oldName);
    if (index >= 0)
        m_form.SheetTable[index] = {newName, newKey};
    if (m_form.Title(1)->text() == oldName)
        m_form.Title(1)->setText(newName);
    const int book = m_form.Reserve.FindReserveBook(m_form.ActiveBookPath);
    if (book >= 0) {
        QList<ReserveSheetEntry> &sheets = m_form.Reserve.Entries[book].Sheets;
        const int sheet = ReserveTable::FindReserveSheet(sheets, oldName);
        if (sheet >= 0)
            sheets[sheet].Name = newName;
    }
}

// ---------------------------------------------------------------- delete

void SheetEditing::DeleteSelectedSheets()
{
    SheetList &list = m_form.Sheets();
    QStringList names;
    QList<SheetTableEntry> entries;
    bool visibleRemains = false;
    const QList<int> selected = list.SelectedRows();
    for (int row = 0; row < list.Count(); ++row) {
        const QString key = list.Key(row);
        if (selected.contains(row)) {
            names << list.Name(row);
            continue;
        }
        entries.append({list.Name(row), key});
        if (SheetKey::TestSheetKeyBit(key, SheetKey::Visible, true))
            visibleRemains = true;
    }
    if (names.isEmpty()) {
        MessageBox::Show(QStringLiteral("削除するｼｰﾄを選択してください。"), WarningOk, QString(), &m_form);
        return;
    }
    if (list.RefuseAmbiguousNames(names))
        return;
    if (!visibleRemains) {
        MessageBox::Show(QStringLiteral("ﾌﾞｯｸ内に表示ｼｰﾄがなくなるため削除できません。"), WarningOk, QString(),
                         &m_form);
        return;
    }
    if (MessageBox::Show(m_form.ActiveBookPath + QStringLiteral(" から 選択された ｼｰﾄ を削除します。よろしいですか。"),
                         QuestionOkCancel, QString(), &m_form)
        != MessageBox::IDOK)
        return;

    WaitCursor wait;
    const QString panel = m_form.PanelText(1);
    m_form.SetPanelText(1, QStringLiteral("ｼｰﾄを削除しています。"));
    list.ReopenExcelIfNeeded();
    cExcel &excel = m_form.Excel();
    const QString file = cFile::GetFileName(m_form.ActiveBookPath);
    for (const QString &name : names) {
        if (!(excel.GetSheetAttribute(file, name) & SheetKey::Visible))
            excel.SetSheetAttribute(file, name, SheetKey::Visible);
        excel.DeleteSheet(name);
    }
    m_form.SheetHeader()->setText(HeaderText(excel.GetSheetCount()));
    list.RebuildSheetView(entries);
    m_form.SheetsChanged = true;
    list.BlankSheetNames(names);
    m_form.SetPanelText(1, panel);
    m_form.SetPanelText(3, QStringLiteral("1ｼｰﾄ選択"));
}

// ---------------------------------------------------------------- show and hide

void SheetEditing::ShowSelectedSheets()
{
    SetSelectedVisibility(true);
}

void SheetEditing::HideSelectedSheets()
{
    SetSelectedVisibility(false);
}

void SheetEditing::SetSelectedVisibility(bool show)
{
    SheetList &list = m_form.Sheets();
    QAction *display = m_form.Action(QStringLiteral("SheetPopDisplay"));
    QAction *hide = m_form.Action(QStringLiteral("SheetPopHide"));
    const QList<int> selected = list.SelectedRows();
    QList<SheetTableEntry> entries;
    QStringList names;
    bool visibleRemains = false;
    for (int row = 0; row < list.Count(); ++row) {
        const QString key = list.Key(row);
        const bool macroSheet = SheetKey::TestSheetKeyBit(key, SheetKey::MacroSheet, true);
        // An Excel 4 macro sheet's attribute word is exactly 2 whatever it
        // shows: these commands leave it as it is.
        if (!selected.contains(row) || macroSheet) {
            entries.append({list.Name(row), key});
            if (!selected.contains(row) && SheetKey::TestSheetKeyBit(key, SheetKey::Visible, true))
                visibleRemains = true;
            continue;
        }
        const int code = SheetKey::AttributesOf(key);
        const int newCode = show ? (code | SheetKey::Visible) : (code & ~SheetKey::Visible);
        const QString name = list.Name(row);
        entries.append({name, SheetKey::Make(SheetKey::BookPathOf(key), newCode, name)});
        names << name;
    }
    if (list.RefuseAmbiguousNames(names)) {
        // Nothing changed: the checks say what the current sheet shows.
        (show ? display : hide)->setChecked(!(show ? display : hide)->isChecked());
        return;
    }
    if (!show && !visibleRemains) {
        MessageBox::Show(QStringLiteral("ﾌﾞｯｸ内に表示ｼｰﾄがなくなるため設定できません。"), WarningOk, QString(),
                         &m_form);
        // Nothing changed: the checks say what the current sheet shows.
        hide->setChecked(!hide->isChecked());
        return;
    }

    WaitCursor wait;
    cExcel &excel = m_form.Excel();
    const QString file = cFile::GetFileName(m_form.ActiveBookPath);
    for (const QString &name : names) {
        const bool visible = excel.GetSheetAttribute(file, name) & SheetKey::Visible;
        if (visible == show)
            continue;
        if (show)
            excel.SetSheetAttribute(file, name, SheetKey::Visible);
        else
            excel.HideSheet(file, name);
    }
    list.RebuildSheetView(entries);
    for (const SheetTableEntry &entry : entries)
        UpdateTableKey(entry.Name, entry.Key);
    display->setChecked(show);
    hide->setChecked(!show);
    m_form.SheetsChanged = true;
}

// The sheet table keeps the codes the list shows, so that a later sort does
// not give a sheet back the visibility it had at the last fill.
void SheetEditing::UpdateTableKey(const QString &name, const QString &key)
{
    const int index = m_form.Sheets().FindSheetInTable(name);
    if (index >= 0)
        m_form.SheetTable[index].Key = key;
}
