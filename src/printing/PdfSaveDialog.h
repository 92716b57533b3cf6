#pragma once

#include <QList>
#include <QString>

class QWidget;

// Asks where to write a PDF file, proposing a path. The answer always ends
// in ".pdf"; a destination that cannot take it (no such folder, a folder the
// user may not write, a read-only file) is named and the user chooses again;
// when that file exists the user is asked whether to replace it, and No gives
// Cancel.
//
// Tests script it as the book save dialog: in scripted mode no dialog
// appears, each call takes the next queued answer (empty text for Cancel;
// Cancel when none is queued) and is recorded. The replace question is a
// message box, so it is scripted with the message boxes.
class PdfSaveDialog
{
public:
    static QString Show(const QString &proposedPath, QWidget *owner = nullptr);

    static void setScripted(bool scripted);
    static void queueAnswer(const QString &path);
    static QStringList proposedPaths();
    static void resetScript();

    static QString withPdfSuffix(const QString &path);
};
