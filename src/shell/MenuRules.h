#pragma once

#include <QString>

class frmMain;

// Which items of the File, Edit and Tool menus are enabled, decided when the
// user opens the menu, from the state the window holds: the books selected,
// the active book and what it may do, the sheets selected, the sheet
// clipboard and the print reservations.
class MenuRules
{
public:
    explicit MenuRules(frmMain &form);

    // A top-level menu drops down (the hand-over check has passed).
    void DropDown(const QString &menu);

    void FileMenu();
    void EditMenu();
    void ToolMenu();

    // A sheet name edited in place and not yet settled: the edit is ended
    // and the views are read again from the book, so that the command works
    // on what the book holds. A toolbar click also forgets the edited item.
    bool RenamePending() const;
    void FinishPendingRename(bool forget = false);

private:
    // Selected books, counted up to two.
    int SelectedBooks() const;
    void Enable(const char *name, bool enabled);

    frmMain &m_form;
};
