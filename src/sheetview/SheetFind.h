#pragma once

#include <QString>

class frmMain;

// Finding sheets of the active book by name: the find dialog, then the
// matching list items selected as the user chose (first or all matches, from
// the top or from the last selected sheet).
class SheetFind
{
public:
    explicit SheetFind(frmMain &form);

    void Find();

    // The first item at or after `start` (0-based) whose text matches `text`
    // ignoring case: the whole text (whole) or its beginning; -1 when none.
    int FindItem(const QString &text, int start, bool whole) const;

private:
    // Selects the matches from `start` on; their number, `last` the last one.
    int SelectMatches(int start, int &last);
    void ShowFound(int found, int last);
    void ShowNotFound();

    frmMain &m_form;
};
