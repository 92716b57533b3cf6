#include "BookItem.h"

#include <QCollator>

namespace {

const QCollator &Collator()
{
    static const QCollator collator = [] {
        QCollator c{QLocale()};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

} // namespace

int BookItem::Compare(const QString &a, const QString &b)
{
    const int order = Collator().compare(a, b);
    // Texts alike but for case keep a fixed order among themselves.
    return order != 0 ? order : QString::compare(a, b);
}

bool BookItem::operator<(const QStandardItem &other) const
{
    return Compare(text(), other.text()) < 0;
}

QStandardItem *BookItem::clone() const
{
    return new BookItem(*this);
}
