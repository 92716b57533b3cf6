#pragma once

#include <QObject>

class PrintReserve;
class QAction;
class QLabel;
class SheetList;
class cListView;
struct WindowState;

// The title above the sheet list names the current sheet. It stays with the
// sheet last chosen while that sheet is listed and selected; when a delete,
// paste, move or selection takes it away, the title follows to the current
// item when it is selected, else to the last selected sheet, and is emptied
// when nothing is selected.
class CurrentSheetTitle : public QObject
{
    Q_OBJECT

public:
    // display, hide: the sheet popup's items checked for the sheet named.
    CurrentSheetTitle(const WindowState &state, SheetList &sheets, cListView &view, QLabel &title,
                      PrintReserve &reserve, QAction *display, QAction *hide, QObject *parent);

    // Watches the sheet list; the title is brought in step once the change
    // that moved it is over.
    void Watch();
    void Follow();

private:
    void FollowSoon();

    const WindowState &m_state;
    SheetList &m_sheets;
    cListView &m_view;
    QLabel &m_title;
    PrintReserve &m_reserve;
    QAction *m_display;
    QAction *m_hide;
    bool m_due = false;
};
