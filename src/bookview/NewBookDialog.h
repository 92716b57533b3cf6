#pragma once

#include <QList>
#include <QString>

class QWidget;

// The save dialog of the new-book command: where the new book is saved.
// Tests script it: in scripted mode no dialog appears and each call takes the
// next queued answer (empty text for Cancel, also when none is queued).
class NewBookDialog
{
public:
    static QString Ask(QWidget *owner, const QString &folder);

    static void SetScripted(bool scripted);
    static void QueueAnswer(const QString &path);
    static int Asked();
};
