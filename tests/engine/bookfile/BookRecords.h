#pragma once

#include "BiffRecord.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A book's records as a test compares them: the streams other than the
// workbook stream, the globals records and each sheet's substream by name,
// with the absolute offsets a rewrite legitimately changes made relative.
struct BookRecords
{
    QString error;
    QHash<QString, QByteArray> otherStreams;
    QList<quirn::biff::Record> globals;
    QStringList sheetNames;
    QHash<QString, QByteArray> substreams;

    static BookRecords load(const QString &path, const QString &password = QString());

    // Types of the globals records that differ from `other`'s, record by
    // record (a different record count gives every type past the first difference).
    QList<quint16> differingGlobals(const BookRecords &other) const;
};
