#pragma once

#include <QString>
#include <QStringList>

class BookList;
class QWidget;
class SheetClipboard;
class SheetList;
class SheetTransfer;

// "別のﾌﾞｯｸへ移動またはｺﾋﾟｰ": the selected sheets go to another book of the
// book view, before the sheet the user picks or after the last one, moved or
// copied, by the same transfer as a drop on that book.
class SheetMoveCopy
{
public:
    SheetMoveCopy(const BookList &books, const SheetList &sheets, SheetClipboard &clipboard, SheetTransfer &transfer,
                  QWidget *parent);

    // `activeBook` is the book whose sheets are listed.
    void Run(const QString &activeBook);

    // The sheets of a book as its own records name them (empty when it
    // cannot be read).
    static QStringList SheetNamesOf(const QString &path);

private:
    const BookList &m_books;
    const SheetList &m_sheets;
    SheetClipboard &m_clipboard;
    SheetTransfer &m_transfer;
    QWidget *m_parent;
};
