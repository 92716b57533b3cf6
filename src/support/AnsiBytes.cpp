#include "AnsiBytes.h"

#include <QHash>
#include <QStringEncoder>

namespace {

int encodedLength(char32_t ch)
{
    static QStringEncoder encoder("Windows-31J");
    if (!encoder.isValid())
        return 2; // no converter: everything outside the one-byte ranges is double-byte
    encoder.resetState();
    const QByteArray bytes = encoder.encode(QString::fromUcs4(&ch, 1));
    if (encoder.hasError() || bytes.isEmpty())
        return 1;
    return int(bytes.size());
}

} // namespace

int AnsiBytes::charLength(char32_t ch)
{
    if (ch < 0x80 || (ch >= 0xFF61 && ch <= 0xFF9F))
        return 1;
    static QHash<char32_t, int> known;
    auto it = known.constFind(ch);
    if (it != known.constEnd())
        return *it;
    const int length = encodedLength(ch);
    known.insert(ch, length);
    return length;
}

namespace {

// Calls visit(position, units, bytes) for each character of text, where
// position and units locate it in UTF-16 units.
template<typename Visit>
void forEachChar(QStringView text, Visit visit)
{
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            visit(i, 2, AnsiBytes::charLength(QChar::surrogateToUcs4(c, text[i + 1])));
            i += 2;
        } else {
            visit(i, 1, AnsiBytes::charLength(c.unicode()));
            ++i;
        }
    }
}

} // namespace

qsizetype AnsiBytes::length(QStringView text)
{
    qsizetype total = 0;
    forEachChar(text, [&](qsizetype, qsizetype, int bytes) { total += bytes; });
    return total;
}

QString AnsiBytes::slice(QStringView text, qsizetype from, qsizetype count)
{
    QString result;
    qsizetype offset = 0;
    forEachChar(text, [&](qsizetype position, qsizetype units, int bytes) {
        const bool startsInside = offset >= from;
        const bool endsInside = count < 0 || offset + bytes <= from + count;
        if (startsInside && endsInside)
            result += text.mid(position, units);
        offset += bytes;
    });
    return result;
}
