#pragma once

#include <QList>
#include <QString>

class BookSelection;
class QAction;
class QWidget;
struct WindowState;

// The recently used books of the File menu: WindowState::MruFiles slots 0..4
// (slot 4 the newest) shown as mnuFileMRU_1 .. mnuFileMRU_5.
class RecentBooks
{
public:
    // items: mnuFileMRU_1 .. mnuFileMRU_5; bar: the separator above them
    // (mnuFileBar4); owner: the window the messages belong to.
    RecentBooks(WindowState &state, BookSelection &selection, QList<QAction *> items, QAction *bar, QWidget *owner);

    // After loading the slots: the used ones shown and numbered 1, 2, ... from
    // the top; mnuFileBar4 hidden when none is used.
    void ShowLoaded();
    // A path not listed yet (exact comparison) enters as the newest; the oldest
    // falls out. Every used slot is then shown numbered by its position.
    void RecordRecentBook(const QString &path);
    // mnuFileMRU_k: opens the book of slot k - 1 as a book selection does.
    void OpenRecent(int k);

private:
    void SetCaption(int slot, int number);

    WindowState &m_state;
    BookSelection &m_selection;
    QList<QAction *> m_items;
    QAction *m_bar;
    QWidget *m_owner;
};
