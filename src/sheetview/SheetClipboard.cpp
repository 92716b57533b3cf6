#include "SheetClipboard.h"

#include "BookSelection.h"
#include "MessageBox.h"
#include "SheetKey.h"
#include "SheetList.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cFile.h"
#include "cListView.h"
#include "frmMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QStandardItemModel>

namespace {

constexpr unsigned WarningOk = 0x30;

QString HeaderText(int count)
{
    return QStringLiteral("  ｼｰﾄ    (ﾌﾞｯｸ内ｼｰﾄ数 : %1)").arg(count);
}

} // namespace

SheetClipboard::SheetClipboard(frmMain &form)
    : m_form(form)
{
    // The chosen item runs before the menu's hiding is handled here.
    connect(form.Popup(QStringLiteral("menuSheetMovePopup")), &QMenu::aboutToHide, this,
            &SheetClipboard::AfterPastePopup, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- taking sheets

int SheetClipboard::CollectSelectedSheets()
{
    SheetClipboardNames.clear();
    SheetClipboardSources.clear();
    SheetList &list = m_form.Sheets();
    for (int row : list.SelectedRows()) {
        const QString key = list.Key(row);
        const QString name = list.Name(row);
        SheetClipboardNames << name;
        SheetClipboardSources.append({QString(), key.left(key.size() - name.size() - 1)});
    }
    if (list.RefuseAmbiguousNames(SheetClipboardNames)) {
        SheetClipboardNames.clear();
        SheetClipboardSources.clear();
    }
    return static_cast<int>(SheetClipboardNames.size());
}

int SheetClipboard::TakeDraggedSheets(const QMimeData &data)
{
    if (!data.hasFormat(SheetList::DragFormat))
        return 0;
    QStringList names;
    QList<SheetTableEntry> sources;
    const QStringList keys = QString::fromUtf8(data.data(SheetList::DragFormat)).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &key : keys) {
        // Only sheets of the current book can be pasted into it.
        if (SheetKey::AttributesOf(key) < 0 || SheetKey::BookPathOf(key) != m_form.ActiveBookPath)
            return 0;
        const QString name = SheetKey::NameOf(key);
        names << name;
        sources.append({QString(), key.left(key.size() - name.size() - 1)});
    }
    if (names.isEmpty() || m_form.Sheets().RefuseAmbiguousNames(names))
        return 0;
    SheetClipboardNames = names;
    SheetClipboardSources = sources;
    return static_cast<int>(names.size());
}

QString SheetClipboard::ClipboardKey(int index) const
{
    return SheetClipboardSources.at(index).Key + u'*' + SheetClipboardNames.at(index);
}

bool SheetClipboard::IsClipboardSheet(const QString &key) const
{
    for (int i = 0; i < SheetClipboardNames.size(); ++i) {
        if (ClipboardKey(i) == key)
            return true;
    }
    return false;
}

void SheetClipboard::Copy()
{
    if (m_form.ActivePane != 1 || m_form.ActiveBookPath.isEmpty() || (m_form.BookRestriction & 1))
        return;
    if (CollectSelectedSheets() > 0)
        m_form.SheetClipboardMode = 0;
}

void SheetClipboard::Cut()
{
    if (m_form.ActivePane != 1 || m_form.ActiveBookPath.isEmpty() || (m_form.BookRestriction & 1))
        return;
    if (CollectSelectedSheets() > 0)
        m_form.SheetClipboardMode = 1;
}

void SheetClipboard::Paste()
{
    if (m_form.ActivePane != 1 || m_form.ActiveBookPath.isEmpty() || m_form.SheetClipboardMode == -1)
        return;
    ShowSheetPastePopup(m_form.SheetClipboardMode);
}

// ---------------------------------------------------------------- the popup

int SheetClipboard::SelectedItemRow() const
{
    const QItemSelectionModel *selection = m_form.SheetView()->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isSelected(current))
        return current.row();
    const QList<int> selected = m_form.Sheets().SelectedRows();
    return selected.isEmpty() ? -1 : selected.first();
}

void SheetClipboard::ShowSheetPastePopup(int mode, std::function<void()> afterwards)
{
    const int row = SelectedItemRow();
    if (row < 0 || SheetClipboardNames.isEmpty()) {
        if (afterwards)
            afterwards();
        return;
    }
    // The name as it is: "&" in a caption would mark a mnemonic.
    const QString text = QString(m_form.Sheets().Text(row)).replace(u'&', QStringLiteral("&&"));
    const bool move = mode == 1;
    m_form.Action(QStringLiteral("PopBeforSheet"))->setText(text + (move ? QStringLiteral("の前に移動")
                                                                         : QStringLiteral("の前にｺﾋﾟｰ")));
    m_form.Action(QStringLiteral("PopAfterSheet"))->setText(text + (move ? QStringLiteral("の後に移動")
                                                                        : QStringLiteral("の後にｺﾋﾟｰ")));
    SheetDropIsCopy = move ? 0 : 1;
    m_afterPopup = std::move(afterwards);
    QAbstractItemView *view = m_form.SheetView()->currentView();
    const QRect item = view->visualRect(m_form.SheetView()->model()->index(row, 0));
    m_form.Popup(QStringLiteral("menuSheetMovePopup"))->popup(view->viewport()->mapToGlobal(item.bottomLeft()));
}

void SheetClipboard::AfterPastePopup()
{
    if (m_form.Sheets().Count() == 0)
        m_form.Selection().DisableSheetCommandsWhenEmpty();
    m_form.SetPanelText(3, QStringLiteral("1ｼｰﾄ選択"));
    if (m_afterPopup) {
        const std::function<void()> afterwards = std::move(m_afterPopup);
        m_afterPopup = nullptr;
        afterwards();
    }
}

// ---------------------------------------------------------------- dragging

bool SheetClipboard::IsMove(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == Qt::ShiftModifier;
}

bool SheetClipboard::AcceptsDrag(const QMimeData &data) const
{
    return data.hasFormat(SheetList::DragFormat) && !data.hasUrls() && !(m_form.BookRestriction & 1);
}

int SheetClipboard::RowAt(const QPoint &pos) const
{
    return m_form.SheetView()->currentView()->indexAt(pos).row();
}

Qt::DropAction SheetClipboard::DragOver(const QMimeData &data, Qt::KeyboardModifiers modifiers, const QPoint &pos)
{
    const int row = RowAt(pos);
    if (row < 0 || data.hasUrls() || (m_form.BookRestriction & 1) || TakeDraggedSheets(data) == 0)
        return Qt::IgnoreAction;
    // The drop mark: the item under the pointer is the selected one; other
    // selected items stay only when they are being dragged.
    QItemSelectionModel *selection = m_form.SheetView()->selectionModel();
    SheetList &list = m_form.Sheets();
    for (int selected : list.SelectedRows()) {
        if (!IsClipboardSheet(list.Key(selected)))
            selection->select(m_form.SheetView()->model()->index(selected, 0), QItemSelectionModel::Deselect);
    }
    selection->setCurrentIndex(m_form.SheetView()->model()->index(row, 0), QItemSelectionModel::Select);
    return IsMove(modifiers) ? Qt::MoveAction : Qt::CopyAction;
}

void SheetClipboard::Drop(const QMimeData &data, Qt::KeyboardModifiers modifiers, const QPoint &pos)
{
    if (DragOver(data, modifiers, pos) == Qt::IgnoreAction)
        return;
    ShowSheetPastePopup(IsMove(modifiers) ? 1 : 0, [this, pos] { SelectOnly(RowAt(pos)); });
}

void SheetClipboard::SelectOnly(int row)
{
    QItemSelectionModel *selection = m_form.SheetView()->selectionModel();
    selection->clearSelection();
    if (row < 0 || row >= m_form.Sheets().Count())
        return;
    selection->setCurrentIndex(m_form.SheetView()->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
}

// ---------------------------------------------------------------- pasting

void SheetClipboard::PasteNextToSelected(bool before)
{
    if (SheetClipboardNames.isEmpty() || SelectedItemRow() < 0)
        return;
    WaitCursor wait;
    m_form.Sheets().ReopenExcelIfNeeded();
    if (SheetDropIsCopy == 1) {
        if (!CopySheetsWithinBook(before))
            return;
        RefillAfterPaste(true, before);
    } else if (RemoveTargetFromClipboard() >= 0) {
        if (!MoveSheetsWithinBook(before))
            return;
        RefillAfterPaste(false, before);
    }
    AppendCopiesToSheetTable(SheetDropIsCopy == 1);
}

bool SheetClipboard::CopySheetsWithinBook(bool before)
{
    cExcel &excel = m_form.Excel();
    const QString file = cFile::GetFileName(m_form.ActiveBookPath);
    const QString target = m_form.Sheets().Name(SelectedItemRow());
    const int n = static_cast<int>(SheetClipboardNames.size());
    excel.BookActive(file);
    const int count = excel.GetSheetCount();
    // The engine keeps each copy's visibility (very hidden included), so no
    // sheet is shown for the copy and hidden again.
    excel.CopySheet(file, SheetClipboardNames, file, target, before ? 1 : 0);
    if (excel.GetSheetCount() != count + n) {
        ReloadAfterFailure(QStringLiteral("ｼｰﾄをｺﾋﾟｰできませんでした。"));
        return false;
    }
    const int p = excel.GetSheetNo(target);
    const int first = before ? p - n : p + 1;
    QStringList copies;
    for (int i = 0; i < n; ++i)
        copies << excel.GetSheetName(static_cast<qint16>(first + i));
    for (int i = 0; i < n; ++i) {
        const QString source = ClipboardKey(i);
        if (SheetKey::TestSheetKeyBit(source, SheetKey::Visible, false)
            && SheetKey::TestSheetKeyBit(source, SheetKey::MacroSheet, false)
            && (excel.GetSheetAttribute(file, copies.at(i)) & SheetKey::Visible))
            excel.SetSheetAttribute(file, copies.at(i), 0);
    }
    SheetClipboardNames = copies;
    m_form.SheetsChanged = true;
    return true;
}

bool SheetClipboard::MoveSheetsWithinBook(bool before)
{
    cExcel &excel = m_form.Excel();
    const QString file = cFile::GetFileName(m_form.ActiveBookPath);
    const QString target = m_form.Sheets().Name(SelectedItemRow());
    const int n = static_cast<int>(SheetClipboardNames.size());
    excel.BookActive(file);
    excel.MoveSheet(file, SheetClipboardNames, file, target, before ? 1 : 0);
    m_form.SheetsChanged = true;
    // The engine reports no failure: the moved sheets must now stand next to
    // the target, in order.
    const int p = excel.GetSheetNo(target);
    const int first = before ? p - n : p + 1;
    for (int i = 0; i < n; ++i) {
        if (p == 0 || excel.GetSheetName(static_cast<qint16>(first + i)) != SheetClipboardNames.at(i)) {
            ReloadAfterFailure(QStringLiteral("ｼｰﾄを移動できませんでした。"));
            return false;
        }
    }
    return true;
}

// The engine did not do what was asked: say so, and list the book as it is.
void SheetClipboard::ReloadAfterFailure(const QString &message)
{
    MessageBox::Show(message, WarningOk, QString(), &m_form);
    m_form.HasProtectedSheets = m_form.Sheets().LoadSheetView(m_form.ActiveBookPath);
    if (m_form.Sheets().Count() > 0)
        m_form.Sheets().SelectFirstSheet();
}

int SheetClipboard::RemoveTargetFromClipboard()
{
    const QString target = m_form.Sheets().Key(SelectedItemRow());
    QStringList names;
    QList<SheetTableEntry> sources;
    for (int i = 0; i < SheetClipboardNames.size(); ++i) {
        if (ClipboardKey(i) == target)
            continue;
        names << SheetClipboardNames.at(i);
        sources << SheetClipboardSources.at(i);
    }
    SheetClipboardNames = names;
    SheetClipboardSources = sources;
    return static_cast<int>(names.size()) - 1;
}

void SheetClipboard::RefillAfterPaste(bool isCopy, bool before)
{
    SheetList &list = m_form.Sheets();
    const int s = SelectedItemRow() + 1;
    const int c = list.Count();
    const int n = static_cast<int>(SheetClipboardNames.size());
    const int insertion = before ? s : s + 1;
    QList<SheetTableEntry> entries;
    for (int j = 1; j <= c + n; ++j) {
        if (j == insertion) {
            for (int i = 0; i < n; ++i)
                entries.append({QString(), ClipboardKey(i)});
        }
        if (j <= c && !IsClipboardSheet(list.Key(j - 1)))
            entries.append({QString(), list.Key(j - 1)});
    }
    m_form.SheetHeader()->setText(HeaderText(m_form.Excel().GetSheetCount()));
    list.RebuildSheetView(entries);
    int position = (!isCopy && before) ? insertion - n : insertion;
    position = std::clamp(position, 1, std::max(1, list.Count()));
    SelectOnly(position - 1);
}

void SheetClipboard::AppendCopiesToSheetTable(bool isCopy)
{
    if (!isCopy)
        return;
    for (int i = 0; i < SheetClipboardNames.size(); ++i)
        m_form.SheetTable.append({SheetClipboardNames.at(i), ClipboardKey(i)});
}
