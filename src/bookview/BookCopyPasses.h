#pragma once

#include <QList>
#include <QStringList>

// The order in which books are copied into one book. The engine holds one
// book of a file name at a time, so a book whose file name comes again later
// in the list waits for a later pass; the passes run in turn, each in list
// order. The window and quirn-batch copy in this order, and print runs
// open their books in the same passes.
class BookCopyPasses
{
public:
    static QList<QStringList> Split(const QStringList &sources);
    // The books of every pass, one after the other.
    static QStringList Order(const QStringList &sources);
};
