#pragma once

#include <QByteArray>
#include <QString>

namespace quirn {

// Text stored in a Windows code page (a VBA project keeps its names in the
// project's code page).
class CodePageText
{
public:
    // `bytes` decoded from Windows code page `codePage` (1252, 1251, 932,
    // 10000, ...). Bytes the code page does not define, or an unknown code
    // page, fall back to Latin-1 so that a name is never lost.
    static QString decode(const QByteArray &bytes, int codePage);
    // `text` in code page `codePage`; false when the code page is unknown or
    // cannot hold every character.
    static bool encode(const QString &text, int codePage, QByteArray *out);
};

} // namespace quirn
