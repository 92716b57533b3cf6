#pragma once

#include "SheetTableEntry.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <Qt>

#include <functional>

class QMimeData;
class frmMain;

// The sheet clipboard: the sheets taken by copy, cut or a drag, and pasting
// them before or after a sheet of the same book. The book's sheets are moved
// or copied by the engine; the view then follows from the keys it has,
// without asking the engine for every name again.
class SheetClipboard : public QObject
{
    Q_OBJECT

public:
    explicit SheetClipboard(frmMain &form);

    // Ctrl+C, Ctrl+X and Ctrl+V: only while the sheet view is the active pane.
    void Copy();
    void Cut();
    void Paste();

    // Takes the selected sheets in list order; the count taken.
    int CollectSelectedSheets();
    // Takes the sheets a drag carries (the selection when it started); the
    // count taken, 0 when the data names no sheet of the current book.
    int TakeDraggedSheets(const QMimeData &data);

    // The popup "before / after the selected sheet" for a move (mode 1) or a
    // copy (0); `afterwards` runs once it has closed.
    void ShowSheetPastePopup(int mode, std::function<void()> afterwards = {});
    // PopBeforSheet and PopAfterSheet.
    void PasteNextToSelected(bool before);

    // Drag within the sheet view, at a point of its viewport.
    Qt::DropAction DragOver(const QMimeData &data, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    void Drop(const QMimeData &data, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    // Whether the data is sheets of the current book that may be dropped here.
    bool AcceptsDrag(const QMimeData &data) const;
    // Shift alone moves; anything else copies.
    static bool IsMove(Qt::KeyboardModifiers modifiers);

    bool CopySheetsWithinBook(bool before);
    bool MoveSheetsWithinBook(bool before);
    // Drops the paste target from the clipboard; the new upper bound (-1 when empty).
    int RemoveTargetFromClipboard();
    void RefillAfterPaste(bool isCopy, bool before);
    bool IsClipboardSheet(const QString &key) const;
    void AppendCopiesToSheetTable(bool isCopy);
    // The key a clipboard entry had when it was taken.
    QString ClipboardKey(int index) const;
    // The row of the list's selected item (the current one when several
    // are selected), or -1.
    int SelectedItemRow() const;

    QStringList SheetClipboardNames;
    QList<SheetTableEntry> SheetClipboardSources;
    int SheetDropIsCopy = 0;

private:
    void AfterPastePopup();
    void SelectOnly(int row);
    void ReloadAfterFailure(const QString &message);
    int RowAt(const QPoint &pos) const;

    frmMain &m_form;
    std::function<void()> m_afterPopup;
};
