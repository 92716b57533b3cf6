#pragma once

#include "SheetTableEntry.h"

#include <QList>
#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>

class frmMain;

// The editing commands of the sheet view: rename a sheet in place, delete the
// selected sheets, show or hide them. Every change goes to the engine's book
// at once and marks the sheet structure changed; the file changes only when
// the user saves.
class SheetEditing
{
public:
    explicit SheetEditing(frmMain &form);

    // Rename (F2, menu and popup): starts editing the selected sheet's label.
    void StartRename();
    // The label edit has begun on the selected item.
    void BeforeLabelEdit();
    // The label edit has ended with newString; false when the new name was
    // refused and the label keeps its old text.
    bool AfterLabelEdit(const QString &newString);

    // Delete (menu, popup and the Delete key).
    void DeleteSelectedSheets();
    // Show and hide (popup).
    void ShowSelectedSheets();
    void HideSelectedSheets();

    // The item whose label is being edited; invalid outside an edit.
    QPersistentModelIndex EditedSheetItem;

private:
    void SetSelectedVisibility(bool show);
    void RenameInTables(const QString &oldName, const QString &newName, const QString &newKey);
    void UpdateTableKey(const QString &name, const QString &key);
    void EndLabelEdit();

    frmMain &m_form;
    bool m_committing = false;
};
