#pragma once

#include "BiffRecord.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace quirn {

// A book's link table: the SUPBOOK records (its own book, other books,
// add-in functions) with their external names, and the EXTERNSHEET entries
// 3-D references and names point through. Reads it, and adds to it without
// moving any index already in use.
class LinkTable
{
public:
    struct Book
    {
        QByteArray data;
        QList<QByteArray> names; // EXTERNNAME records, 1-based in formulas
        bool self = false;
    };
    struct Entry
    {
        int book = 0, first = 0, last = 0;
    };

    static QList<Book> books(const QList<biff::Record> &globals);
    static QList<Entry> entries(const QList<biff::Record> &globals);

    // The SUPBOOK of another book: its path as the referring book at
    // `fromPath` stores it, and its sheets. Empty when the path cannot be stored.
    static QByteArray externalBook(const QString &path, const QString &fromPath, const QStringList &sheets);

    // Edits `globals` in place; `sheetCount` is the book's number of sheets.
    LinkTable(QList<biff::Record> &globals, int sheetCount) : m_globals(globals), m_sheetCount(sheetCount) {}

    // Index of the own book's SUPBOOK, made (with an EXTERNSHEET) when missing.
    int selfBook();
    // Index of a SUPBOOK equal to `data`, appended when missing.
    int book(const QByteArray &data);
    // Index of the entry (book, first, last), appended when missing; -1 when
    // the table cannot grow.
    int entry(int book, int first, int last);
    // 1-based index of an external name of `book` equal to `data`, appended
    // when missing.
    int externalName(int book, const QByteArray &data);
    // Puts records (cached cells) at the end of `book`'s block.
    void appendToBook(int book, const QList<biff::Record> &records);

private:
    QList<int> bookPositions() const;
    int externSheetPosition() const;
    int bookEnd(int position) const;
    int insertBook(const QByteArray &data);

    QList<biff::Record> &m_globals;
    int m_sheetCount;
};

} // namespace quirn
