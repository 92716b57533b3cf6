#pragma once

class frmMain;

// Where the window was and how it looked when the program last ended: its
// place and size, the splitter, the book view's mode and the recent books.
class WindowSettings
{
public:
    // The splitter's stored position (twips).
    static double StoredSplitterLeft();
    // Puts the window where it was, at the size it had.
    static void Restore(frmMain &form);
    static void Store(const frmMain &form);
};
