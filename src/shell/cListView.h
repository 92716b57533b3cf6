#pragma once

#include <QStackedWidget>

class QAbstractItemView;
class QListView;
class QStandardItemModel;
class QItemSelectionModel;
class QTreeView;

// A list view with the four presentations of an explorer pane: large icons (0),
// small icons (1), list (2) and report (3). One item model and one selection
// are shared by an icon/list view and a report view; the mode picks the one shown.
class cListView : public QStackedWidget
{
    Q_OBJECT

public:
    enum ViewMode { LargeIcon = 0, SmallIcon = 1, List = 2, Report = 3 };

    explicit cListView(QWidget *parent = nullptr);

    QStandardItemModel *model() const { return m_model; }
    QItemSelectionModel *selectionModel() const { return m_selection; }
    int viewMode() const { return m_mode; }
    void setViewMode(int mode);
    // The view now shown (the list view for modes 0..2, the report view for 3).
    QAbstractItemView *currentView() const;
    QListView *listView() const { return m_list; }
    QTreeView *reportView() const { return m_report; }
    // Orders the items by their text (first column) in the program's
    // collation of names; selection and current item stay with their items.
    void SortItems(Qt::SortOrder order);

private:
    QStandardItemModel *m_model;
    QItemSelectionModel *m_selection;
    QListView *m_list;
    QTreeView *m_report;
    int m_mode = Report;
};
