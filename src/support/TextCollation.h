#pragma once

#include <QString>

// The order in which the program sorts names: Japanese collation without
// regard to case or width. Under it "a" and "A", "B" and "Ｂ", "あ", "ア" and
// "ｱ", "シート" and "ｼｰﾄ" compare equal; such names are then ordered by the case-sensitive
// collation (lower case first) and at last by their characters' code points
// (half-width letters before full-width, hiragana before katakana before
// half-width katakana). The order is therefore total: every sort of the same
// names, whatever its algorithm, ends in the same order.
class TextCollation
{
public:
    // Negative, zero or positive as a sorts before, with or after b.
    static int Compare(const QString &a, const QString &b);
};
