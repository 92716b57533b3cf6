#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>

class QDateTime;
class QStandardItem;
class QMimeType;
class frmMain;

// The book view's items: one per workbook file, keyed by its full path
// (unique, compared ignoring case). The items are the program's only book
// collection; rows are in display order.
class BookList
{
public:
    static constexpr int KeyRole = 0x0101; // Qt::UserRole + 1
    static constexpr int TagRole = 0x0102; // how many times the book was opened by selection

    explicit BookList(frmMain &form);

    // Adds the file to the end of the view (in its sorted place while the view
    // is sorted). False when an item with that key, ignoring case, exists.
    // A file whose details cannot be read keeps its item and raises
    // RunTimeError 53.
    bool AddBookItem(const QString &path);
    void AutoSizeBookColumns();
    // Size, type, date and attributes read again from the file (after a save).
    void UpdateDetails(const QString &path);

    int Count() const;
    // The row of the item whose key equals path ignoring case, or -1.
    int FindItem(const QString &path) const;
    QString Key(int row) const;
    QString Text(int row) const;
    QString Tag(int row) const;
    void SetTag(int row, const QString &tag);
    // The sub-item text of a column (0 the name).
    QString ColumnText(int row, int column) const;
    QIcon SmallIcon(const QString &path) const;

    bool IsSelected(int row) const;
    int CountSelected() const;
    QList<int> SelectedRows() const;
    void Select(int row);
    void Deselect(int row);
    void DeselectAll();
    void SelectAll();
    void RemoveRow(int row);
    void Clear();

    // "#,###ﾊﾞｲﾄ" right-aligned in 15 characters (longer texts lose their head).
    static QString SizeText(qint64 bytes);
    // "yy/mm/dd hh:nn:ss".
    static QString DateText(const QDateTime &time);

private:
    void AddIcons(const QString &path);
    static QIcon TypeIcon(const QString &path, const QMimeType &type);
    int InsertPosition(const QString &text, int column) const;
    void WriteSubItems(QList<QStandardItem *> &row, const QString &path);

    frmMain &m_form;
    QHash<QString, QIcon> m_icons;        // by path, lower case; never removed
    QHash<QString, QIcon> m_iconsOfType;  // by MIME type
    QHash<QString, QStandardItem *> m_items; // by path, lower case
};
