#pragma once

class QWidget;

// Width and place of a warning dialog: its widest label plus 1200 twips,
// centred over the main window (its owner; without one, the window's stored
// "MainLeft" and "MainWidth"), kept on the screen.
class WarningDialogLayout
{
public:
    static void Place(QWidget &dialog, int labelWidth);
};
