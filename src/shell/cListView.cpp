#include "cListView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QStandardItemModel>
#include <QTreeView>

cListView::cListView(QWidget *parent)
    : QStackedWidget(parent)
    , m_model(new QStandardItemModel(this))
    , m_selection(new QItemSelectionModel(m_model, this))
    , m_list(new QListView(this))
    , m_report(new QTreeView(this))
{
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_list),
                                    static_cast<QAbstractItemView *>(m_report)}) {
        view->setModel(m_model);
        view->setSelectionModel(m_selection);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    m_report->setRootIsDecorated(false);
    m_report->setUniformRowHeights(true);
    m_report->setAllColumnsShowFocus(true);
    m_report->header()->setStretchLastSection(false);
    addWidget(m_list);
    addWidget(m_report);
    setViewMode(Report);
}

void cListView::setViewMode(int mode)
{
    if (mode < LargeIcon || mode > Report)
        return;
    m_mode = mode;
    switch (mode) {
    case LargeIcon:
        m_list->setViewMode(QListView::IconMode);
        m_list->setIconSize(QSize(32, 32));
        m_list->setGridSize(QSize(88, 64));
        m_list->setFlow(QListView::LeftToRight);
        m_list->setWrapping(true);
        break;
    case SmallIcon:
        m_list->setViewMode(QListView::ListMode);
        m_list->setIconSize(QSize(16, 16));
        m_list->setGridSize(QSize(160, 20));
        m_list->setFlow(QListView::LeftToRight);
        m_list->setWrapping(true);
        break;
    case List:
        m_list->setViewMode(QListView::ListMode);
        m_list->setIconSize(QSize(16, 16));
        m_list->setGridSize(QSize());
        m_list->setFlow(QListView::TopToBottom);
        m_list->setWrapping(true);
        break;
    default:
        break;
    }
    m_list->setMovement(QListView::Static);
    m_list->setResizeMode(QListView::Adjust);
    setCurrentWidget(mode == Report ? static_cast<QWidget *>(m_report) : m_list);
}

QAbstractItemView *cListView::currentView() const
{
    if (m_mode == Report)
        return m_report;
    return m_list;
}
