#pragma once

#include <QString>

class frmMain;

// The print reservation commands on the sheet view's selection: reserve the
// selected sheets of the active book, release them, release everything; the
// enabled state of the six reservation items; the reservation mark above the
// sheet view and the reserved-print button.
class PrintReserve
{
public:
    // The marker beside the name of a reserved sheet.
    static const QString MarkText;

    explicit PrintReserve(frmMain &form);

    void PrintReserveSet();
    void PrintReserveReset();
    void PrintReserveAllReset();
    // Enables the reservation items of the sheet popup and the Tool menu for
    // the sheet view's current selection.
    void SetReserveMenuState();

    // Whether any book holds a reserved sheet (enables the reserved print).
    bool AnyReserved() const;
    // The mark above the sheet view: "印刷予約" on blue, or empty.
    void ShowMark(bool marked);
    // The reserved-print button and menu item follow AnyReserved().
    void UpdateReservePrintCommands();

private:
    frmMain &m_form;
};
