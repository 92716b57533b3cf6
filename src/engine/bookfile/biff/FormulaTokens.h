#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace quirn::biff {

// Walks a BIFF8 parsed formula (rgce) token by token.
class FormulaTokens
{
public:
    // A rectangle of cells, 0-based and inclusive.
    struct Area
    {
        int firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;
    };

    // Areas from A1 text as Excel takes it for a print area or titles
    // ("$A$1:$C$9,$E$1:$F$4", "$1:$2", "$A:$B", "A1", an optional "Sheet!"
    // ahead of each); false when the text is not such a list.
    static bool parseAreas(const QString &text, QList<Area> *areas);

    // The formula of a print area or titles name: the areas on the sheet of
    // entry `ixti`, joined as a union when there are several.
    static QByteArray areasFormula(const QList<Area> &areas, int ixti);

    // Renumbers every name token (1-based indexes into the book's NAME table)
    // in the `length` bytes of formula at `offset`: index i becomes
    // newIndex[i - 1]. False, with nothing changed, when the formula holds a
    // token this walker does not know or a name that is gone (newIndex 0).
    static bool renumberNames(QByteArray &data, qsizetype offset, int length, const QList<int> &newIndex);

    // Points every 3-D reference of the formula whose sheet entry (ixti) is
    // `from` at `to` instead. False, with nothing changed, on an unknown token.
    static bool replaceSheetEntry(QByteArray &data, qsizetype offset, int length, int from, int to);

    // Where a formula's references go when its sheet lands in another book.
    // Each function returns the new index, or -1 to refuse the formula.
    struct ReferenceMap
    {
        std::function<int(int)> name;                 // 1-based NAME index
        std::function<int(int)> sheetEntry;           // 0-based EXTERNSHEET entry
        // (entry, 1-based external name index) -> the same pair in the new book
        std::function<std::pair<int, int>(int, int)> externalName;
        // Told the cells of each 3-D reference: (entry, rows, columns), inclusive.
        std::function<void(int, int, int, int, int)> cells;
    };

    // Rewrites every name, 3-D reference and external name token of the
    // formula through `map`. False, with nothing changed, on an unknown token
    // or a reference the map refuses.
    static bool remapReferences(QByteArray &data, qsizetype offset, int length, const ReferenceMap &map);

    // The A1 text Excel gives for a print area or print titles name: its
    // areas ("$A$1:$C$9", whole rows "$1:$2", whole columns "$A:$B") joined by
    // commas. Empty when the formula is anything else.
    static QStringList areasAsText(const QByteArray &rgce);
};

} // namespace quirn::biff
