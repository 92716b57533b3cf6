#pragma once

#include <QJsonObject>
#include <QList>
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
        QString code = QStringLiteral("refused"); // the reason for programs
    };
    // What an edit did to a sheet, reported once the book is saved.
    struct Change
    {
        QString sheet;
        QString action;
        QJsonObject more;
    };
    using Changes = QList<Change>;

    // Opens the book, runs `edit` (which lists what it did, and throws
    // Refusal to stop), saves the book when something changed (not in a dry
    // run), and reports what was done or what went wrong with the book and
    // sheet named. Returns the verb's exit status.
    static int Edit(cExcel &excel, BatchReport &report, const QString &path,
                    const std::function<void(Changes &)> &edit);
    // Opens the book as the active book; false (reported) when it cannot be read.
    static bool Open(cExcel &excel, BatchReport &report, const QString &path);
    // Saves every book of the engine that changed; false (reported) on failure.
    static bool SaveAll(cExcel &excel, BatchReport &report, const QString &path);
    // Whether the book named `name` (saved to `path`) may be saved: yes when
    // the save keeps everything; otherwise what it would lose is printed and
    // the save is refused (reported) unless `allowed` (--allow-loss).
    static bool AgreeToLosses(cExcel &excel, BatchReport &report, const QString &name, const QString &path,
                              bool allowed);
    // The books of a folder (.xls and today's .xlsx, .xlsm, .xltx, .xltm), in name
    // order (Japanese collation); with `recursive`, then those of its subfolders,
    // each in turn.
    static QStringList BooksInFolder(const QString &folder, bool recursive = false);
    // The operands as books: a folder stands for its books.
    static QStringList ExpandFolders(const QStringList &operands, bool recursive);
};
