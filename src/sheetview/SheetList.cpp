#include "SheetList.h"

#include "BookHandOver.h"
#include "BookList.h"
#include "BookSelection.h"
#include "MenuRules.h"
#include "MessageBox.h"
#include "PrintReserve.h"
#include "SettingsStore.h"
#include "SheetIcons.h"
#include "SheetKey.h"
#include "WaitCursor.h"
#include "cExcel.h"
#include "cFile.h"
#include "cListView.h"
#include "MenuState.h"
#include "frmMain.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QStandardItemModel>

namespace {

const QString SheetViewText = QStringLiteral("ｼｰﾄﾋﾞｭｰ");

QString SelectedText(int count)
{
    return QString::number(count) + QStringLiteral("ｼｰﾄ選択");
}

} // namespace

const QString SheetList::DragFormat = QStringLiteral("application/x-quirn-sheet-keys");

SheetList::SheetList(frmMain &form)
    : m_form(form)
{
}

// ---------------------------------------------------------------- filling

void SheetList::Clear()
{
    m_form.SheetView()->model()->clear();
}

void SheetList::AddItem(const QString &key, const QString &name, int icon)
{
    auto *item = new QStandardItem(SheetIcons::Icon(icon), name);
    item->setData(key, KeyRole);
    item->setData(name, NameRole);
    item->setEditable(false);
    item->setDragEnabled(true);
    m_form.SheetView()->model()->appendRow(item);
}

bool SheetList::LoadSheetView(const QString &bookPath)
{
    Clear();
    cExcel &excel = m_form.Excel();
    const int count = std::max<int>(0, excel.GetSheetCount());
    m_form.SheetHeader()->setText(QStringLiteral("  ｼｰﾄ    (ﾌﾞｯｸ内ｼｰﾄ数 : %1)").arg(count));
    const QString filter =
        SettingsStore::GetSetting(SettingsStore::AppKey, QStringLiteral("Option"), QStringLiteral("SheetVisible"),
                                  QStringLiteral("0000"));
    m_form.SheetTable = QList<SheetTableEntry>(count);
    m_form.StartProgress(0, count + 1);
    const QString fileName = cFile::GetFileName(bookPath);
    bool protectedListed = false;
    for (int i = 1; i <= count; ++i) {
        const QString name = excel.GetSheetName(static_cast<qint16>(i));
        // By position: a book another program wrote may name two sheets alike.
        const int attributes = excel.GetSheetAttributeAt(fileName, static_cast<qint16>(i));
        const QString key = SheetKey::Make(bookPath, attributes, name);
        m_form.SheetTable[i - 1] = {name, key};
        if (SheetIcons::Listed(attributes, filter)) {
            AddItem(key, name, SheetIcons::IconIndex(attributes));
            if (attributes & SheetKey::Protected)
                protectedListed = true;
        }
        m_form.StepProgress(i + 1);
    }
    SortOrder = Qt::DescendingOrder;
    m_form.SheetClipboardMode = -1;
    m_form.EndProgress();
    m_form.SetPanelText(3, SelectedText(1));
    return protectedListed;
}

void SheetList::RebuildSheetView(const QList<SheetTableEntry> &entries)
{
    Clear();
    for (const SheetTableEntry &entry : entries)
        AddItem(entry.Key, entry.Name.isEmpty() ? SheetKey::NameOf(entry.Key) : entry.Name,
                SheetIcons::IconIndex(SheetKey::AttributesOf(entry.Key)));
}

int SheetList::FindSheetInTable(const QString &name) const
{
    for (int i = 0; i < m_form.SheetTable.size(); ++i) {
        if (m_form.SheetTable.at(i).Name == name)
            return i;
    }
    return -1;
}

void SheetList::BlankSheetNames(const QStringList &names)
{
    for (const QString &name : names) {
        const int index = FindSheetInTable(name);
        if (index >= 0)
            m_form.SheetTable[index].Name.clear();
    }
}

bool SheetList::RefuseAmbiguousNames(const QStringList &names)
{
    for (const QString &name : names) {
        int sheets = 0;
        for (const SheetTableEntry &entry : std::as_const(m_form.SheetTable))
            sheets += !name.isEmpty() && entry.Name == name;
        if (sheets > 1) {
            MessageBox::Show(QStringLiteral("ﾌﾞｯｸ内に \"") + name
                                 + QStringLiteral("\" という名前のｼｰﾄが複数あるため、実行できません。") + u'\n'
                                 + QStringLiteral(" Excelでｼｰﾄ名称を変更してから、実行して下さい。"),
                             0x30, QString(), &m_form);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------- items

QString SheetList::Key(int row) const
{
    return m_form.SheetView()->model()->index(row, 0).data(KeyRole).toString();
}

QString SheetList::Name(int row) const
{
    return NameOfItem(m_form.SheetView()->model()->index(row, 0));
}

QString SheetList::NameOfItem(const QModelIndex &item)
{
    const QVariant name = item.data(NameRole);
    return name.isValid() ? name.toString() : SheetKey::NameOf(item.data(KeyRole).toString());
}

QString SheetList::Text(int row) const
{
    return m_form.SheetView()->model()->index(row, 0).data().toString();
}

int SheetList::Count() const
{
    return m_form.SheetView()->model()->rowCount();
}

QList<int> SheetList::SelectedRows() const
{
    QList<int> rows;
    const QItemSelectionModel *selection = m_form.SheetView()->selectionModel();
    for (int row = 0; row < Count(); ++row) {
        if (selection->isSelected(m_form.SheetView()->model()->index(row, 0)))
            rows << row;
    }
    return rows;
}

bool SheetList::MultipleSheetsSelected() const
{
    int selected = 0;
    const QItemSelectionModel *selection = m_form.SheetView()->selectionModel();
    for (int row = 0; row < Count() && selected < 2; ++row) {
        if (selection->isSelected(m_form.SheetView()->model()->index(row, 0)))
            ++selected;
    }
    return selected > 1;
}

void SheetList::ReopenExcelIfNeeded()
{
    if (m_form.Excel().ExcelStatus())
        return;
    WaitCursor wait;
    m_form.setEnabled(false);
    try {
        m_form.Excel().ReOpenExcel(m_form.ActiveBookPath);
    } catch (...) {
        m_form.setEnabled(true);
        throw;
    }
    m_form.setEnabled(true);
}

// ---------------------------------------------------------------- clicks

void SheetList::ItemClick(int row, Qt::KeyboardModifiers modifiers)
{
    const QString key = Key(row);
    const QString name = Name(row);
    if (name == m_form.Title(1)->text())
        return;
    m_form.ActivePane = 1;
    m_form.SetPanelText(2, SheetViewText);
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier))
        return;
    BookList &books = m_form.Books();
    books.DeselectAll();
    books.Select(books.FindItem(m_form.ActiveBookPath));
    m_form.SetPanelText(1, BookSelection::SelectionCountText(1, books.Count()));
    ReopenExcelIfNeeded();
    ShowReserveMark(name);
    if (name != m_form.Title(1)->text()) {
        WaitCursor wait;
        const int attributes =
            m_form.Excel().GetSheetAttribute(cFile::GetFileName(m_form.ActiveBookPath), name);
        const bool visible = attributes & SheetKey::Visible;
        m_form.Action(QStringLiteral("SheetPopDisplay"))->setChecked(visible);
        m_form.Action(QStringLiteral("SheetPopHide"))->setChecked(!visible);
        const bool noPageSetup = SheetKey::TestSheetKeyBit(key, SheetKey::MacroSheet, true)
                                 || (SheetKey::TestSheetKeyBit(key, SheetKey::Visible, false)
                                     && SheetKey::TestSheetKeyBit(key, SheetKey::Protected, true))
                                 || (m_form.BookRestriction & 1);
        m_form.Menus().SetToolbarState({}, {}, {}, {}, {}, !noPageSetup);
        m_form.Title(1)->setText(name);
    }
}

void SheetList::ShowReserveMark(const QString &name)
{
    m_form.Reservations().ShowMark(m_form.Reserve.IsSheetReserved(m_form.ActiveBookPath, name));
}

void SheetList::UpdateSelectionCount()
{
    const qsizetype count = SelectedRows().size();
    m_form.SetPanelText(3, count == 0 ? QString() : SelectedText(static_cast<int>(count)));
}

void SheetList::SetSingleSheetCommands(bool enabled)
{
    m_form.Menus().SetToolbarState({}, {}, {}, {}, enabled, {}, {}, {}, {}, {}, enabled);
    m_form.Action(QStringLiteral("mnuSheetInf"))->setEnabled(enabled);
    m_form.Action(QStringLiteral("SheetPopPropaty"))->setEnabled(enabled);
}

void SheetList::Click()
{
    const QList<int> selected = SelectedRows();
    int lastVisible = -1;
    for (int row : selected) {
        if (SheetKey::TestSheetKeyBit(Key(row), SheetKey::Visible, true))
            lastVisible = row;
    }
    UpdateSelectionCount();
    SetSingleSheetCommands(selected.size() == 1);
    if (selected.isEmpty()) {
        SheetMouseButton = 0;
        return;
    }
    ReopenExcelIfNeeded();
    const int last = selected.last();
    if (m_form.Excel().GetSheetNo(Name(last)) == 0) {
        MessageBox::Show(QStringLiteral("選択されているﾌﾞｯｸには、ｼｰﾄ \"") + Text(last)
                             + QStringLiteral("\" は存在しません。") + u'\n'
                             + QStringLiteral(" ｼｰﾄ名称を変更した場合には、１度保存して下さい。"),
                         0x10, QString(), &m_form);
        return;
    }
    if (SheetMouseButton == 2)
        ShowPopup(selected, lastVisible >= 0 ? lastVisible : last);
}

void SheetList::ShowPopup(const QList<int> &selected, int reference)
{
    const QString key = Key(reference);
    const bool restricted = m_form.BookRestriction & 1;
    if (SheetKey::TestSheetKeyBit(key, SheetKey::MacroSheet, true)
        || (SheetKey::TestSheetKeyBit(key, SheetKey::Visible, false) && restricted)) {
        SheetMouseButton = 0;
        return;
    }
    const bool one = selected.size() == 1;
    m_form.Rules().Apply();
    if (!restricted && !one) {
        m_form.Action(QStringLiteral("SheetPopDisplay"))->setChecked(false);
        m_form.Action(QStringLiteral("SheetPopHide"))->setChecked(false);
    }
    QAbstractItemView *view = m_form.SheetView()->currentView();
    QPoint at = view->visualRect(m_form.SheetView()->model()->index(selected.last(), 0)).bottomLeft();
    if (!view->viewport()->rect().contains(at)) {
        const QModelIndex first = view->indexAt(QPoint(1, 1));
        at = view->visualRect(first.isValid() ? first : m_form.SheetView()->model()->index(0, 0)).bottomLeft();
    }
    m_form.Popup(QStringLiteral("menuSheetPopup"))->popup(view->viewport()->mapToGlobal(at));
    SheetMouseButton = 0;
}

bool SheetList::OfferToOpenUnsaved()
{
    if (!m_form.SheetsChanged)
        return true;
    return MessageBox::Show(QStringLiteral("Quirnで変更した内容が保存されていませんが Ecxelで開きますか。"), 0x21,
                            QString(), &m_form)
           == MessageBox::IDOK;
}

void SheetList::DblClick()
{
    const QList<int> selected = SelectedRows();
    if (selected.isEmpty())
        return;
    const QString name = Text(selected.last());
    ReopenExcelIfNeeded();
    const int attributes = m_form.Excel().GetSheetAttribute(cFile::GetFileName(m_form.ActiveBookPath), name);
    if (!(attributes & SheetKey::Visible)) {
        MessageBox::Show(QStringLiteral("ｼｰﾄ \"") + name + QStringLiteral(" \"は非表示ｼｰﾄのためｱｸﾃｨﾌﾞにできません。"),
                         0x30, QString(), &m_form);
        return;
    }
    if (!OfferToOpenUnsaved())
        return;
    BookHandOver::HandOver(m_form, *this, m_form, name, &m_form);
}

void SheetList::MouseDown(int button)
{
    SheetMouseButton = m_form.Title(1)->text().isEmpty() ? 0 : button;
}

void SheetList::GotFocus()
{
    m_form.ActivePane = 1;
    m_form.SetPanelText(2, SheetViewText);
}

// ---------------------------------------------------------------- keys

void SheetList::KeyDown(int, Qt::KeyboardModifiers modifiers)
{
    ShiftAtKeyDown = (modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == Qt::ShiftModifier;
}

bool SheetList::KeyPress(int key, Qt::KeyboardModifiers modifiers)
{
    KeyDown(key, modifiers);
    if (key == Qt::Key_A && (modifiers & Qt::ControlModifier)) {
        SelectAllSheets();
        return true;
    }
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (ShiftAtKeyDown) {
        if (!MultipleSheetsSelected())
            DblClick();
        ShiftAtKeyDown = false;
    } else {
        SheetMouseButton = 2;
        Click();
    }
    return true;
}

void SheetList::KeyUp(int key)
{
    if (key >= Qt::Key_Left && key <= Qt::Key_Down)
        SetSingleSheetCommands(!MultipleSheetsSelected());
    UpdateSelectionCount();
}

void SheetList::SelectFirstSheet()
{
    const QModelIndex first = m_form.SheetView()->model()->index(0, 0);
    m_form.SheetView()->selectionModel()->setCurrentIndex(first, QItemSelectionModel::ClearAndSelect);
    ItemClick(0, Qt::NoModifier);
}

void SheetList::SelectAllSheets()
{
    m_form.ActivePane = 1;
    m_form.SetPanelText(2, SheetViewText);
    SetSingleSheetCommands(false);
    BookList &books = m_form.Books();
    books.DeselectAll();
    books.Select(books.FindItem(m_form.ActiveBookPath));
    m_form.SheetView()->currentView()->selectAll();
    m_form.SetPanelText(3, SelectedText(Count()));
    m_form.SheetView()->currentView()->setFocus();
}

// ---------------------------------------------------------------- dragging

QMimeData *SheetList::DragData() const
{
    QStringList keys;
    QStringList names;
    for (int row : SelectedRows()) {
        keys << Key(row);
        names << Text(row);
    }
    if (keys.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(DragFormat, keys.join(u'\n').toUtf8());
    data->setText(names.join(u'\n'));
    return data;
}

void SheetList::StartDrag()
{
    QMimeData *data = DragData();
    if (!data)
        return;
    auto *drag = new QDrag(m_form.SheetView());
    drag->setMimeData(data);
    drag->setPixmap(SheetIcons::Icon(0).pixmap(16, 16));
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}
