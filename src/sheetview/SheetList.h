#pragma once

#include "SheetTableEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

class QMimeData;
class QModelIndex;
class frmMain;

// The sheet view: the sheets of the active book in book order, each with the
// icon of its kind, visibility and protection; the sheet table beside it; and
// the view's clicks, keys and popup.
class SheetList
{
public:
    // The drag format of sheet items: their keys, one per line.
    static const QString DragFormat;
    // An item's sheet key, and its sheet's name as the book has it.
    static constexpr int KeyRole = Qt::UserRole + 1;
    static constexpr int NameRole = Qt::UserRole + 2;

    explicit SheetList(frmMain &form);

    // Fills the view, the header and the sheet table from the engine's active
    // book, filtered by the option "SheetVisible". True when a listed sheet is
    // protected.
    bool LoadSheetView(const QString &bookPath);
    // Refills the view from the entries' keys without asking the engine.
    void RebuildSheetView(const QList<SheetTableEntry> &entries);
    void Clear();
    int FindSheetInTable(const QString &name) const;
    void BlankSheetNames(const QStringList &names);
    // True, having said so, when another sheet of the book has one of these
    // names (as books written by other programs may): a command by name
    // would not know which sheet is meant.
    bool RefuseAmbiguousNames(const QStringList &names);
    bool MultipleSheetsSelected() const;

    QString Key(int row) const;
    // The sheet's name, whatever characters it holds.
    QString Name(int row) const;
    QString Text(int row) const;
    int Count() const;
    QList<int> SelectedRows() const;

    // Handlers.
    void ItemClick(int row, Qt::KeyboardModifiers modifiers);
    void Click();
    void DblClick();
    void MouseDown(int button);
    void GotFocus();
    void KeyDown(int key, Qt::KeyboardModifiers modifiers);
    bool KeyPress(int key, Qt::KeyboardModifiers modifiers);
    void KeyUp(int key);
    void SelectAllSheets();
    // Selects the first sheet alone, as a click on it.
    void SelectFirstSheet();
    // The data a drag of the selected sheets carries; null when none is selected.
    QMimeData *DragData() const;
    void StartDrag();

    // "印刷予約" in the title pane when the sheet is reserved for printing.
    void ShowReserveMark(const QString &name);
    // Restarts the engine on the active book when it is gone.
    void ReopenExcelIfNeeded();

    int SheetMouseButton = 0;
    bool ShiftAtKeyDown = false;
    // The order of the next header sort (Qt::SortOrder): a fill makes it descending.
    int SortOrder = 1;

private:
    void AddItem(const QString &key, const QString &name, int icon);
public:
    // The name an item stands for: its name role, else taken from its key.
    static QString NameOfItem(const QModelIndex &item);

private:
    void UpdateSelectionCount();
    void SetSingleSheetCommands(bool enabled);
    void ShowPopup(const QList<int> &selected, int reference);
    bool OfferToOpenUnsaved();

    frmMain &m_form;
};
