#pragma once

#include <QList>
#include <Qt>
#include <QString>

class QWidget;

// The dialog that asks where to save a workbook (.xls), proposing a path.
// The answer always ends in ".xls"; an existing file is overwritten only
// when the user agreed in the dialog.
//
// Tests script it: in scripted mode no dialog appears; each call takes the
// next queued answer (a path, or empty text for Cancel), answers Cancel when
// none is queued, and is recorded with what the dialog would have shown.
class BookSaveDialog
{
public:
    // The chosen path; empty text when the user cancels.
    static QString Show(const QString &title, const QString &proposedPath, QWidget *owner = nullptr);

    struct Shown
    {
        QString title;
        QString proposedPath;
        bool answered = false; // false: nothing was queued, Cancel was given
        Qt::CursorShape pointer = Qt::ArrowCursor; // what the user saw meanwhile
    };
    static void setScripted(bool scripted);
    static void queueAnswer(const QString &path);
    static QList<Shown> shownDialogs();
    static void resetScript();

    static QString withBookSuffix(const QString &path);
};
