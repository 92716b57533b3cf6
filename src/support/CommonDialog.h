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

    // The same dialog taking several files and folders at once (a folder
    // is chosen by selecting it and pressing Open; a double click enters it).
    // The chosen paths in the order listed; nothing when the user cancels.
    static QStringList ShowOpenFilesDialog(QWidget *owner, const QString &title, const QString &filter,
                                           const QString &initial);

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
        bool several = false; // several files and folders may be chosen
    };
    static void setScripted(bool scripted);
    static void queueAnswer(const QString &path);
    // Several paths chosen at once (ShowOpenFileDialog takes the first).
    static void queueAnswer(const QStringList &paths);
    static QList<Shown> shownDialogs();
    static void resetScript();

private:
    static Shown Prepare(const QString &title, const QString &filter, const QString &initial);
    static QStringList Answer(QWidget *owner, const Shown &shown);
    static QStringList runDialog(QWidget *owner, const Shown &shown);
};
