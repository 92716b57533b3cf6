#pragma once

#include <QStyledItemDelegate>

#include <functional>

// The in-place editor of a sheet's label. A finished edit is offered to the
// rename command first; the label takes the new text only when the command
// accepts it, so a refused name leaves the old one in place.
class SheetLabelEditor : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using Accept = std::function<bool(const QString &newText)>;
    using Ended = std::function<void()>;

    SheetLabelEditor(Accept accept, Ended ended, QObject *parent);

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void destroyEditor(QWidget *editor, const QModelIndex &index) const override;

private:
    Accept m_accept;
    Ended m_ended;
};
