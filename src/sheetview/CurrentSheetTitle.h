#pragma once

#include <QObject>

class frmMain;

// The title above the sheet list names the current sheet. It stays with the
// sheet last chosen while that sheet is listed and selected; when a delete,
// paste, move or selection takes it away, the title follows to the current
// item when it is selected, else to the last selected sheet, and is emptied
// when nothing is selected.
class CurrentSheetTitle : public QObject
{
    Q_OBJECT

public:
    explicit CurrentSheetTitle(frmMain &form);

    // Watches the sheet list; the title is brought in step once the change
    // that moved it is over.
    void Watch();
    void Follow();

private:
    void FollowSoon();

    frmMain &m_form;
    bool m_due = false;
};
