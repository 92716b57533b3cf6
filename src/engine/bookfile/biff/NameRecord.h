#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace quirn {

// Where the parts of a NAME record's data lie: its scope, its built-in code
// and its formula.
struct NameRecord
{
    bool builtin = false;
    quint8 builtinCode = 0;
    int itab = 0;          // the sheet the name is scoped to, 1-based; 0: the book
    qsizetype rgceAt = 0;  // the formula's offset in the data
    int cce = 0;           // the formula's length
    bool valid = false;    // the whole formula lies within the data

    static NameRecord parse(const QByteArray &data);
    // What tells names of one scope apart: the built-in code, or the name
    // in lower case.
    static QByteArray key(const QByteArray &data);
    // The name as written (empty for a built-in name).
    static QString text(const QByteArray &data);
    // The same record under another name; the formula and everything after
    // it are kept.
    static QByteArray renamed(const QByteArray &data, const QString &name);
    // Whether `name` may name a workbook name: a letter, "_" or "\" first,
    // then letters, digits, "_", "." or "\", at most 255 characters, and
    // not a cell's address.
    static bool isValidName(const QString &name);
    // The data of a built-in name scoped to sheet `itab` (1-based).
    static QByteArray builtinData(quint8 code, int itab, const QByteArray &formula);
};

} // namespace quirn
