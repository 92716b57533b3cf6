#pragma once

class frmMain;

// The options command of the View menu: shows the options dialog and then
// applies at once what cannot wait until it is next read: the sheet
// information items of the sheet popup, the book view's columns and the
// sheet view's filter.
class OptionsCommand
{
public:
    explicit OptionsCommand(frmMain &form);

    void Run();

private:
    void ApplySheetInfoItems();
    void RebuildBookColumns();
    void RefillSheetView();

    frmMain &m_form;
};
