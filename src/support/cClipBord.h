#pragma once

#include <QString>
#include <QVariant>

// Plain text on the system clipboard.
class cClipBord
{
public:
    // The clipboard's text (also left in sBuffer), cut at the first NUL;
    // empty text when the text is empty; boolean false when the clipboard
    // holds no text or cannot be reached.
    static QVariant GetClipboardText(QString &sBuffer);
    // True when the clipboard now holds string1 as text.
    static bool SetClipboardText(const QString &string1);
    // True when the clipboard was emptied.
    static bool ClipboardClear();
};
