#include "BookList.h"

#include "BookItem.h"
#include "BookPresentation.h"
#include "RecentBooks.h"
#include "RunTimeError.h"
#include "SettingsStore.h"
#include "cFile.h"
#include "cListView.h"
#include "frmMain.h"

#include <QApplication>
#include <QDateTime>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeDatabase>
#include <QStandardItemModel>
#include <QStyle>
#include <QTreeView>

#include <algorithm>

namespace {

constexpr int SizeWidth = 15;

QString Folded(const QString &path)
{
    return path.toCaseFolded();
}

} // namespace

BookList::BookList(frmMain &form)
    : m_form(form)
{
}

// ---------------------------------------------------------------- texts

QString BookList::SizeText(qint64 bytes)
{
    QString digits = bytes > 0 ? QString::number(bytes) : QString();
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, u',');
    const QString text = digits + QStringLiteral("ﾊﾞｲﾄ");
    return text.size() >= SizeWidth ? text.right(SizeWidth) : text.rightJustified(SizeWidth, u' ');
}

QString BookList::DateText(const QDateTime &time)
{
    return time.toLocalTime().toString(QStringLiteral("yy/MM/dd HH:mm:ss"));
}

// ---------------------------------------------------------------- adding

bool BookList::AddBookItem(const QString &path)
{
    AddIcons(path);
    if (m_items.contains(Folded(path)))
        return false;

    QList<QStandardItem *> row;
    auto *name = new BookItem(m_icons.value(Folded(path)), QFileInfo(path).fileName());
    name->setData(path, KeyRole);
    name->setEditable(false);
    row << name;
    const int columns = m_form.BookView()->model()->columnCount();
    for (int column = 1; column < columns; ++column) {
        auto *sub = new BookItem;
        sub->setEditable(false);
        row << sub;
    }
    QStandardItemModel *model = m_form.BookView()->model();
    model->appendRow(row);
    m_items.insert(Folded(path), name);
    WriteSubItems(row, path);
    const BookPresentation &presentation = m_form.Presentation();
    if (presentation.Sorted()) {
        // The sorted view puts the finished item in its place.
        const int column = std::min(presentation.SortKey(), static_cast<int>(row.size()) - 1);
        const QList<QStandardItem *> taken = model->takeRow(name->row());
        model->insertRow(InsertPosition(taken.at(column)->text(), column), taken);
    }
    m_form.Recent().RecordRecentBook(path);
    return true;
}

void BookList::UpdateDetails(const QString &path)
{
    const QStandardItem *name = m_items.value(Folded(path));
    if (!name || !QFileInfo::exists(path))
        return;
    const QStandardItemModel *model = m_form.BookView()->model();
    QList<QStandardItem *> row;
    for (int column = 0; column < model->columnCount(); ++column)
        row << model->item(name->row(), column);
    WriteSubItems(row, path);
}

void BookList::WriteSubItems(QList<QStandardItem *> &row, const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw RunTimeError(53, QStringLiteral("ファイルが見つかりません。"));
    const int *position = m_form.BookColumnPosition;
    if (position[1] > 0)
        row[position[1]]->setText(SizeText(info.size()));
    if (position[2] > 0)
        row[position[2]]->setText(cFile::GetFileType(path));
    if (position[3] > 0)
        row[position[3]]->setText(DateText(info.lastModified()));
    if (position[4] > 0)
        row[position[4]]->setText(cFile::AttribString(path));
    if (position[1] > 0)
        row[position[1]]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

// The row in front of which a text belongs in the sorted view.
int BookList::InsertPosition(const QString &text, int column) const
{
    const QStandardItemModel *model = m_form.BookView()->model();
    const bool descending = m_form.Presentation().SortOrder() == Qt::DescendingOrder;
    int low = 0;
    int high = model->rowCount();
    while (low < high) {
        const int middle = (low + high) / 2;
        const QString other = model->index(middle, column).data().toString();
        const int order = BookItem::Compare(text, other);
        const bool before = descending ? order > 0 : order < 0;
        if (before)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

// The icon the desktop shows for files of the type: the icon theme's for the
// type or its kind (a spreadsheet). A desktop that names no theme of its own
// (a bare window manager gives the base theme, which has no type icons) gets
// the common desktop theme, which builds on the base one; without either,
// the desktop's file icon.
QIcon BookList::TypeIcon(const QString &path, const QMimeType &type)
{
    static const QString BaseTheme = QStringLiteral("hicolor");
    static const QString CommonTheme = QStringLiteral("Adwaita");
    const auto themed = [&type] {
        for (const QString &name : {type.iconName(), type.genericIconName()}) {
            const QIcon icon = QIcon::fromTheme(name);
            if (!icon.isNull())
                return icon;
        }
        return QIcon();
    };
    QIcon icon = themed();
    if (icon.isNull() && (QIcon::themeName().isEmpty() || QIcon::themeName() == BaseTheme)) {
        for (const QString &folder : QIcon::themeSearchPaths()) {
            if (QFileInfo::exists(folder + u'/' + CommonTheme + QStringLiteral("/index.theme"))) {
                QIcon::setThemeName(CommonTheme);
                icon = themed();
                break;
            }
        }
    }
    if (!icon.isNull())
        return icon;
    const QIcon provided = QFileIconProvider().icon(QFileInfo(path));
    return provided.isNull() ? QApplication::style()->standardIcon(QStyle::SP_FileIcon) : provided;
}

void BookList::AddIcons(const QString &path)
{
    if (m_icons.contains(Folded(path)))
        return;
    // Files of one type share the desktop's icon for that type.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    QIcon icon = m_iconsOfType.value(type.name());
    if (icon.isNull()) {
        const QIcon source = TypeIcon(path, type);
        for (const int size : {16, 32})
            icon.addPixmap(source.pixmap(size, size));
        m_iconsOfType.insert(type.name(), icon);
    }
    m_icons.insert(Folded(path), icon);
}

QIcon BookList::SmallIcon(const QString &path) const
{
    return m_icons.value(Folded(path));
}

void BookList::AutoSizeBookColumns()
{
    QTreeView *report = m_form.BookView()->reportView();
    report->setUpdatesEnabled(false);
    const int columns = m_form.BookView()->model()->columnCount();
    for (int column = 0; column < columns; ++column)
        report->resizeColumnToContents(column);
    report->setUpdatesEnabled(true);
    report->viewport()->update();
}

// ---------------------------------------------------------------- items

int BookList::Count() const
{
    return m_form.BookView()->model()->rowCount();
}

int BookList::FindItem(const QString &path) const
{
    const QStandardItem *item = m_items.value(Folded(path));
    return item ? item->row() : -1;
}

QString BookList::Key(int row) const
{
    return m_form.BookView()->model()->index(row, 0).data(KeyRole).toString();
}

QString BookList::Text(int row) const
{
    return m_form.BookView()->model()->index(row, 0).data().toString();
}

QString BookList::Tag(int row) const
{
    return m_form.BookView()->model()->index(row, 0).data(TagRole).toString();
}

void BookList::SetTag(int row, const QString &tag)
{
    if (QStandardItem *item = m_form.BookView()->model()->item(row, 0))
        item->setData(tag, TagRole);
}

QString BookList::ColumnText(int row, int column) const
{
    return m_form.BookView()->model()->index(row, column).data().toString();
}

bool BookList::IsSelected(int row) const
{
    return m_form.BookView()->selectionModel()->isSelected(m_form.BookView()->model()->index(row, 0));
}

int BookList::CountSelected() const
{
    return static_cast<int>(SelectedRows().size());
}

QList<int> BookList::SelectedRows() const
{
    QList<int> rows;
    const int count = Count();
    for (int row = 0; row < count; ++row) {
        if (IsSelected(row))
            rows << row;
    }
    return rows;
}

void BookList::Select(int row)
{
    const QModelIndex index = m_form.BookView()->model()->index(row, 0);
    m_form.BookView()->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_form.BookView()->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
}

void BookList::Deselect(int row)
{
    const QModelIndex index = m_form.BookView()->model()->index(row, 0);
    m_form.BookView()->selectionModel()->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

void BookList::DeselectAll()
{
    m_form.BookView()->selectionModel()->clearSelection();
}

void BookList::SelectAll()
{
    const QStandardItemModel *model = m_form.BookView()->model();
    if (model->rowCount() == 0)
        return;
    const QItemSelection all(model->index(0, 0), model->index(model->rowCount() - 1, model->columnCount() - 1));
    m_form.BookView()->selectionModel()->select(all, QItemSelectionModel::Select);
}

void BookList::RemoveRow(int row)
{
    m_items.remove(Folded(Key(row)));
    m_form.BookView()->model()->removeRow(row);
}

void BookList::Clear()
{
    m_items.clear();
    QStandardItemModel *model = m_form.BookView()->model();
    model->removeRows(0, model->rowCount());
}
