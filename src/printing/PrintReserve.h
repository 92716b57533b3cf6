#pragma once

#include <QList>
#include <QString>

class QAction;
class QLabel;
class SheetList;
struct WindowState;

// The print reservation commands on the sheet view's selection: reserve the
// selected sheets of the active book, release them, release everything; the
// enabled state of the six reservation items; the reservation mark above the
// sheet view and the reserved-print button.
class PrintReserve
{
public:
    // The marker beside the name of a reserved sheet.
    static const QString MarkText;

    // The items it enables: set, reset and reset-all in the sheet popup and
    // the Tool menu, and the reserved-print button and menu item.
    struct Items
    {
        QList<QAction *> set;
        QList<QAction *> reset;
        QList<QAction *> allReset;
        QList<QAction *> reservedPrint;
    };

    // mark: the label beside the current sheet's name.
    PrintReserve(WindowState &state, SheetList &sheets, QLabel &mark, Items items);

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
    WindowState &m_state;
    SheetList &m_sheets;
    QLabel &m_mark;
    Items m_items;
};
