#pragma once

#include <QString>

class frmMain;

// The sheet information submenu of the sheet popup: a sheet's name, the
// pages it prints and its last used row and column.
class SheetInformation
{
public:
    explicit SheetInformation(frmMain &form);

    // Fills the submenu's lines for the sheet and shows the ones the options
    // ask for ("SheetInf0".."SheetInf3").
    void FillSheetInfoMenu(const QString &name);
    // Before the sheet popup opens: the submenu for the current sheet.
    void PopupOpening();
    // The submenu on its own, under the one selected sheet.
    void ShowSheetInfo();

private:
    frmMain &m_form;
};
