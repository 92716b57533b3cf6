#pragma once

#include <QList>
#include <QString>
#include <Qt>

class QWidget;

// The one message-box function of the program. It takes the Win32 style word
// (buttons in the low nibble, icon in 0x10..0x40, default button in 0x100 and
// 0x200, 0x1000 system-modal), beeps first, and returns the Win32 answer code.
//
// Tests switch on the test seam: no box is shown, every call is recorded, and
// the answers queued beforehand are handed back in order (when none is queued
// the default button answers).
class MessageBox
{
public:
    enum Answer { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

    struct Shown
    {
        QString text;
        unsigned style = 0;
        QString title;
        Qt::CursorShape pointer = Qt::ArrowCursor; // what the user saw over the box
    };

    // An empty title is the application title (Globals::AppTitle).
    static int Show(const QString &text, unsigned style, const QString &title = QString(),
                    QWidget *parent = nullptr);

    // The default button's answer for a style word.
    static int DefaultAnswer(unsigned style);

    // Test seam.
    static void SetTestMode(bool on);
    static bool TestMode();
    static void QueueAnswer(int answer);
    static QList<Shown> TakeShown();

private:
    static int ShowDialog(const QString &text, unsigned style, const QString &title, QWidget *parent);
};
