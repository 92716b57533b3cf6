#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class BatchReport;
class cExcel;

// One book opened for a batch verb, edited and saved in place.
class BatchBook
{
public:
    // A sheet edit the engine or the verb refused.
    struct Refusal
    {
        QString sheet;
        QString text;
    };

    // Opens the book, runs `edit` (which throws Refusal to stop), saves the
    // book when something changed, and reports what went wrong with the book
    // and sheet named. Returns the verb's exit status.
    static int Edit(cExcel &excel, BatchReport &report, const QString &path,
                    const std::function<void()> &edit);
    // Opens the book as the active book; false (reported) when it cannot be read.
    static bool Open(cExcel &excel, BatchReport &report, const QString &path);
    // Saves every book of the engine that changed; false (reported) on failure.
    static bool SaveAll(cExcel &excel, BatchReport &report, const QString &path);
    // Whether the book named `name` (saved to `path`) may be saved: yes when
    // the save keeps everything; otherwise what it would lose is printed and
    // the save is refused (reported) unless `allowed` (--allow-loss).
    static bool AgreeToLosses(cExcel &excel, BatchReport &report, const QString &name, const QString &path,
                              bool allowed);
    // The .xls books of a folder, in name order (Japanese collation).
    static QStringList BooksInFolder(const QString &folder);
};
