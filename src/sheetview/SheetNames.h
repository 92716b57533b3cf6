#pragma once

class frmMain;

// Copies the names of the selected sheets to the clipboard, one line each.
class SheetNames
{
public:
    explicit SheetNames(frmMain &form);

    void CopyNamesToClipboard();

private:
    frmMain &m_form;
};
