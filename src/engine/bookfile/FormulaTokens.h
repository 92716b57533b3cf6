#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace quirn::biff {

// Walks a BIFF8 parsed formula (rgce) token by token.
class FormulaTokens
{
public:
    // Renumbers every name token (1-based indexes into the book's NAME table)
    // in the `length` bytes of formula at `offset`: index i becomes
    // newIndex[i - 1]. False, with nothing changed, when the formula holds a
    // token this walker does not know or a name that is gone (newIndex 0).
    static bool renumberNames(QByteArray &data, qsizetype offset, int length, const QList<int> &newIndex);

    // Points every 3-D reference of the formula whose sheet entry (ixti) is
    // `from` at `to` instead. False, with nothing changed, on an unknown token.
    static bool replaceSheetEntry(QByteArray &data, qsizetype offset, int length, int from, int to);

    // The A1 text Excel gives for a print area or print titles name: its
    // areas ("$A$1:$C$9", whole rows "$1:$2", whole columns "$A:$B") joined by
    // commas. Empty when the formula is anything else.
    static QStringList areasAsText(const QByteArray &rgce);
};

} // namespace quirn::biff
