#pragma once

class QWidget;

// Width and place of a warning dialog: its widest label plus 1200 twips,
// centred on the main window's stored position ("MainLeft", "MainWidth").
class WarningDialogLayout
{
public:
    static void Place(QWidget &dialog, int labelWidth);
};
