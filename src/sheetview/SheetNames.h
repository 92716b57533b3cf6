#pragma once

class QWidget;
class SheetList;

// Copies the names of the selected sheets to the clipboard, one line each.
class SheetNames
{
public:
    // owner: the window the messages belong to.
    SheetNames(const SheetList &sheets, QWidget *owner);

    void CopyNamesToClipboard();

private:
    const SheetList &m_sheets;
    QWidget *m_owner;
};
