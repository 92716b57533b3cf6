#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// The open-file dialog. Its start folder persists between calls: a call
// whose initial text is a book's file name proposes that name and opens in
// the folder the last call with a folder gave.
//
// Tests script it: in scripted mode no dialog appears; each call takes the
// next queued answer (a path, or empty text for Cancel), answers Cancel when
// none is queued, and is recorded with what the dialog would have shown.
class CommonDialog
{
public:
    // The chosen file's full path; empty text when the user cancels.
    // filter is "description|pattern|description|pattern…".
    // existingOnly false lets the user type the name of a file not there yet.
    static QString ShowOpenFileDialog(QWidget *owner, const QString &title, const QString &filter,
                                      const QString &initial, bool existingOnly = true);

    // filter in Qt's form: "description (patterns)" entries joined by ";;".
    static QString qtNameFilters(const QString &filter);

    struct Shown
    {
        QString title;
        QString filter;     // in Qt's form
        QString directory;  // the folder it opens in
        QString fileName;   // the file name it proposes
        bool answered = false; // false: nothing was queued, Cancel was given
        bool existingOnly = true;
    };
    static void setScripted(bool scripted);
    static void queueAnswer(const QString &path);
    static QList<Shown> shownDialogs();
    static void resetScript();

private:
    static QString runDialog(QWidget *owner, const Shown &shown);
};
