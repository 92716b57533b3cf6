#pragma once

#include <Qt>

class frmMain;

// How the book view shows its books: view mode, sort order, icon arrangement,
// the refresh of the active book's sheets and select-all.
class BookPresentation
{
public:
    explicit BookPresentation(frmMain &form);

    // 0 large icons, 1 small icons, 2 list, 3 details.
    void ListViewMode(int index);
    // The toolbar's view buttons: the mode, stored at once as "ViewMode".
    void ToolbarViewMode(int index);
    // Arrange-by: column 0 name .. 4 attributes, sorted by that column's key.
    void SortBooksBy(int column);
    // A click on a column header (0 the name column).
    void ColumnClick(int column);
    void LineUpIcons();
    void Refresh();
    void SelectAllBooks();

    bool Sorted() const { return m_sorted; }
    // The column the view is sorted by.
    int SortKey() const { return m_key; }
    Qt::SortOrder SortOrder() const { return m_order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder; }

private:
    void Sort(int key);

    frmMain &m_form;
    bool m_sorted = false;
    int m_order = 0;
    int m_key = 0;
};
