#include "SheetLabelEditor.h"

#include <QLineEdit>

SheetLabelEditor::SheetLabelEditor(Accept accept, Ended ended, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_accept(std::move(accept))
    , m_ended(std::move(ended))
{
}

void SheetLabelEditor::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    const auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line)
        return;
    // Taken first: a change of the item while the name is checked puts the
    // item's text back into the editor.
    const QString text = line->text();
    if (m_accept(text))
        model->setData(index, text);
}

void SheetLabelEditor::destroyEditor(QWidget *editor, const QModelIndex &index) const
{
    QStyledItemDelegate::destroyEditor(editor, index);
    m_ended();
}
