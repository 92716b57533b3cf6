#pragma once

#include <QString>
#include <QStringView>

// Measures and cuts text by its byte length in the Japanese ANSI code page
// (Windows-31J): full-width characters take two bytes, ASCII and half-width
// katakana one. A character the code page cannot hold counts one byte, the
// "?" it would become.
//
// Cuts never split a character: a slice keeps exactly the characters whose
// bytes lie wholly inside the byte window, and returns them unchanged, so no
// text is lost or garbled by the round trip through the code page.
class AnsiBytes
{
public:
    static int charLength(char32_t ch);
    static qsizetype length(QStringView text);

    // The characters whose bytes lie in [from, from + count) (0-based byte
    // offsets); a negative count reaches to the end of the text.
    static QString slice(QStringView text, qsizetype from, qsizetype count);
};
