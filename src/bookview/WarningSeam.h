#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <Qt>

// The test seam of the two warning dialogs: while it is on, no dialog is
// shown; each one is recorded with what it would have shown, and takes the
// next queued state of its don't-show-again box (unticked when none is queued).
class WarningSeam
{
public:
    struct Shown
    {
        QString form;          // "frmWarninng1" or "frmMacroWarninng"
        QString text;          // the message (all labels, joined by line feeds)
        QString checkCaption;
        QStringList modules;   // the listed project components
        Qt::CursorShape pointer = Qt::ArrowCursor; // what the user saw over the dialog
    };

    static void SetTestMode(bool on);
    static bool TestMode();
    static void QueueChoice(bool ticked);
    static QList<Shown> TakeShown();

    // Used by the dialogs.
    static bool Record(const Shown &shown);
};
