#pragma once

#include <QList>
#include <QString>

class MenuState;
class QAction;
class QLabel;
class QWidget;
class SheetList;
class StatusPanels;
class cListView;
struct WindowState;

// Finding sheets of the active book by name: the find dialog, then the
// matching list items selected as the user chose (first or all matches, from
// the top or from the last selected sheet).
class SheetFind
{
public:
    // sheetInfo: the sheet information items of the Edit menu and the sheet
    // popup, enabled for exactly one sheet found; owner: the window the
    // dialog and messages belong to.
    SheetFind(const WindowState &state, SheetList &sheets, cListView &view, QLabel &title, StatusPanels &panels,
              MenuState &menus, QList<QAction *> sheetInfo, QWidget *owner);

    void Find();

    // The first item at or after `start` (0-based) whose text matches `text`
    // ignoring case: the whole text (whole) or its beginning; -1 when none.
    int FindItem(const QString &text, int start, bool whole) const;

private:
    // Selects the matches from `start` on; their number, `last` the last one.
    int SelectMatches(int start, int &last);
    void ShowFound(int found, int last);
    void ShowNotFound();

    const WindowState &m_state;
    SheetList &m_sheets;
    cListView &m_view;
    QLabel &m_title;
    StatusPanels &m_panels;
    MenuState &m_menus;
    QList<QAction *> m_sheetInfo;
    QWidget *m_owner;
};
