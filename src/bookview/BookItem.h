#pragma once

#include <QStandardItem>

// A cell of the book view. Books sort as a file list does for the user: by
// the user's locale, without regard to letter case ("a.xls" before "B.xls").
class BookItem : public QStandardItem
{
public:
    using QStandardItem::QStandardItem;

    bool operator<(const QStandardItem &other) const override;
    QStandardItem *clone() const override;

    // Below zero when a sorts before b, zero when they sort alike.
    static int Compare(const QString &a, const QString &b);
};
