#pragma once

#include <QObject>
#include <QString>

class QAction;
class frmMain;

// Which menu items, toolbar buttons and popup print items are enabled,
// decided from the state the window holds: the books selected, the active
// book and what it may do, the sheets listed and selected, the sheet
// clipboard and the print reservations. The rules run when a menu drops
// down and whenever that state changes, and once more right before a
// shortcut key is matched, so that a shortcut works exactly when its menu
// item would be enabled.
class MenuRules : public QObject
{
    Q_OBJECT

public:
    explicit MenuRules(frmMain &form);
    ~MenuRules() override;

    // A top-level menu drops down (the hand-over check has passed).
    void DropDown(const QString &menu);

    void FileMenu();
    void EditMenu();
    void ToolMenu();

    // Every rule: the menus, the commands that need listed sheets, the
    // popups' print items and the toolbar buttons.
    void Apply();
    // The same, once the current event is handled (many changes coalesce).
    void ApplySoon();
    // Follows the selections and items of both views and the shortcut keys
    // of the window.
    void WatchChanges();

    // A sheet name edited in place and not yet settled: the edit is ended
    // and the views are read again from the book, so that the command works
    // on what the book holds. A toolbar click also forgets the edited item.
    bool RenamePending() const;
    void FinishPendingRename(bool forget = false);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Selected books, counted up to two.
    int SelectedBooks() const;
    void Enable(const char *name, bool enabled);
    bool Enabled(const char *name) const;
    void PopupRules();
    void ToolbarRules();
    // Page setup may be asked for the current sheet (not a macro sheet, not a
    // hidden protected one, the book not restricted).
    bool CurrentSheetTakesPageSetup() const;

    frmMain &m_form;
    bool m_applyDue = false;
};
