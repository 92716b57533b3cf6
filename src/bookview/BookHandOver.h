#pragma once

#include <QString>

class ExcelAccess;
class QWidget;
class SheetList;
struct WindowState;

// Hands the active book to the user: the book, with any unsaved changes, is
// shown in a window of the office process, which then belongs to the user; the
// gateway lets go of it.
class BookHandOver
{
public:
    // `sheet` is made the book's active sheet first when it is not empty.
    // False (after telling the user why) when the book cannot be shown.
    // owner: the window the messages belong to.
    static bool HandOver(WindowState &state, SheetList &sheets, ExcelAccess &excel, const QString &sheet,
                         QWidget *owner);
    // The open-in-Excel command: asks first when changes are unsaved; the
    // window then shows the book with them.
    static void ExcelOpen(WindowState &state, SheetList &sheets, ExcelAccess &excel, QWidget *owner);

private:
    static bool ConsentToOfficeSave(ExcelAccess &excel, QWidget *owner);
};
