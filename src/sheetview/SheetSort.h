#pragma once

#include "SheetTableEntry.h"

#include <QList>

class ExcelAccess;
class QLabel;
class QWidget;
class SheetList;
class cListView;
struct WindowState;

// Sorting the sheets of the active book by name: the list, the sheet table
// and the book itself, from the Sort menu and toolbar and from a press on
// the sheet view's header.
class SheetSort
{
public:
    // header: the sheet view's header, shown pressed while it sorts; owner:
    // the window the messages belong to.
    SheetSort(WindowState &state, SheetList &sheets, cListView &view, QLabel &header, ExcelAccess &excel,
              QWidget *owner);

    // Sort ascending or descending.
    void Sort(bool descending);
    // A press on the header sorts in the direction opposite to the list's
    // last; the header shows pressed until the release.
    void HeaderPressed();
    void HeaderReleased();

    // A Shell sort of the table on the names in the program's collation
    // (blank names take part as empty text); entries move whole.
    static void SortSheetTable(QList<SheetTableEntry> &table, bool descending);
    // Makes the book's sheet order follow the sheet table. When the book
    // refuses (a protected structure), says so and lists the book again as
    // it is: false.
    bool ApplySheetOrder();

private:
    void SortAll(bool descending);

    WindowState &m_state;
    SheetList &m_sheets;
    cListView &m_view;
    QLabel &m_header;
    ExcelAccess &m_excel;
    QWidget *m_owner;
};
