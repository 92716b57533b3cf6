#pragma once

#include <QString>

class frmMain;

// The recently used books of the File menu: frmMain::MruFiles slots 0..4
// (slot 4 the newest) shown as mnuFileMRU_1 .. mnuFileMRU_5.
class RecentBooks
{
public:
    explicit RecentBooks(frmMain &form);

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

    frmMain &m_form;
};
