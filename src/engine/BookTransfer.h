#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class ExcelApplication;
class ExcelWorkbook;

// Sheets moved or copied within a book of the engine, into another one or
// into a new one; a move between books is checked on both sides, and one the
// user still has to agree to is ended once they have. Failures throw
// ExcelError.
class BookTransfer
{
public:
    explicit BookTransfer(ExcelApplication &app) : m_app(app) {}

    // The sheets of fromBook go next to toSheet of toBook (before or after
    // it), or into a new book holding only them when toBook is not given.
    void transfer(bool move, const QString &fromBook, const QStringList &fromSheets, const QVariant &toBook,
                  const QVariant &toSheet, bool before);
    // The sheets a copy or move into toBook would bring through the office,
    // each as "sheet (why)"; empty when the books' records carry them all.
    QStringList officeSheets(const QString &fromBook, const QStringList &fromSheets, const QString &toBook) const;
    // Why the sheets cannot be taken out of fromBook after their copy (a
    // name or formula of its other sheets refers to them); empty when not.
    QString completeMoveRefusal(const QString &fromBook, const QStringList &fromSheets) const;
    // Ends a move made as a copy: the sheets leave fromBook, and toBook,
    // which holds them now, is saved before it.
    void completeMove(const QString &fromBook, const QStringList &fromSheets, const QString &toBook);

private:
    static void checkMoved(const ExcelWorkbook &source, const QStringList &moved, int sourceCount,
                           const ExcelWorkbook &target, const QStringList &copies, int targetCount);

    ExcelApplication &m_app;
};
