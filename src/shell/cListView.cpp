#include "cListView.h"

#include "TextCollation.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListView>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>

namespace {

// Items of the small-icon presentation keep to their cell of the grid: a
// long name is cut with an ellipsis rather than drawn over its neighbour.
class GridCellDelegate : public QStyledItemDelegate
{
public:
    explicit GridCellDelegate(QListView *view)
        : QStyledItemDelegate(view)
        , m_view(view)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QSize grid = m_view->gridSize();
        if (grid.isValid() && m_view->viewMode() == QListView::ListMode)
            size.setWidth(std::min(size.width(), grid.width() - 2 * m_view->spacing() - 4));
        return size;
    }

private:
    QListView *m_view;
};

} // namespace

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
    m_list->setItemDelegate(new GridCellDelegate(m_list));
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

void cListView::SortItems(Qt::SortOrder order)
{
    // Each item gets its text's rank in the collation, and the model sorts
    // on the ranks: a stable sort that keeps selection and current item.
    constexpr int RankRole = Qt::UserRole + 100;
    const int rows = m_model->rowCount();
    QStringList texts;
    texts.reserve(rows);
    for (int row = 0; row < rows; ++row)
        texts << m_model->item(row)->text();
    const auto less = [](const QString &a, const QString &b) { return TextCollation::Compare(a, b) < 0; };
    QStringList ranked = texts;
    std::sort(ranked.begin(), ranked.end(), less);
    for (int row = 0; row < rows; ++row) {
        const auto rank = std::lower_bound(ranked.cbegin(), ranked.cend(), texts.at(row), less) - ranked.cbegin();
        m_model->item(row)->setData(int(rank), RankRole);
    }
    const int sortRole = m_model->sortRole();
    m_model->setSortRole(RankRole);
    m_model->sort(0, order);
    m_model->setSortRole(sortRole);
}
