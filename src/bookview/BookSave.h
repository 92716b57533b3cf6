#pragma once

class frmMain;

// Saving the active book: in place, or under another name the user chooses.
class BookSave
{
public:
    explicit BookSave(frmMain &form);

    // Saves every book open in the engine under its own path and lists the
    // active book again. A save that would lose something asks first; a
    // refused or failed save is told and leaves the changes unsaved.
    void Save();
    // Saves the active book under a name the user chooses. The book view and
    // the active book stay on the old path, and the engine holds that book as
    // its file has it: the changes went to the new file.
    void SaveAs();

    // "Excel Book が選択されていません。"
    static void WarnNoBook(frmMain &form);

private:
    void ReopenIfGone();

    frmMain &m_form;
};
