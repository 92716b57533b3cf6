#pragma once

#include <QString>

// The key of a sheet-view item: book path, "/", the attribute code as five
// digits, "*", the sheet name. Paths may contain "/" and "*", and so may the
// sheet names of books written by other programs than Excel, so a key is
// taken apart from the right at the last "/", five digits and "*" in it: the
// name follows, the path goes before. Where the name is at hand (a sheet-view
// item's name role, the sheet table) it is taken from there instead.
class SheetKey
{
public:
    static constexpr int Visible = 1;
    static constexpr int MacroSheet = 2;
    static constexpr int Chart = 4;
    static constexpr int Protected = 16;

    static QString Make(const QString &bookPath, int attributes, const QString &name);
    // "0000#": 1 becomes "00001".
    static QString Code(int attributes);
    static QString NameOf(const QString &key);
    static QString CodeOf(const QString &key);
    static QString BookPathOf(const QString &key);
    // The attribute word the key carries; -1 when the key has no code.
    static int AttributesOf(const QString &key);
    // Whether `bit` is set (wantSet) or clear (!wantSet) in the key's code;
    // false for a key without a code.
    static bool TestSheetKeyBit(const QString &key, int bit, bool wantSet);
};
