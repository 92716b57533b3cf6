#pragma once

#include <QList>
#include <QString>

// What is known about one running office process, written to the user's
// runtime folder so that a later run can find a process that outlived us.
struct OfficeRecord
{
    enum class Role { Engine, User };

    qint64 pid = 0;        // the launcher started by the program
    qint64 pgid = 0;       // its process group (every office process inside)
    qint64 ownerPid = 0;   // the program instance that started it
    QString pipe;          // UNO pipe name
    QString profile;       // private profile folder
    Role role = Role::Engine;

    QString filePath() const;
    bool write() const;
    void remove() const;
    bool isProcessAlive() const;
    bool isOwnerAlive() const;
    // A process of the record's group runs with the record's pipe and
    // profile on its command line: the process is an office we started, not
    // another program that was given the same process id later.
    bool isOurs() const;

    static bool hasLiveGroupMembers(qint64 group);
    static QList<qint64> liveGroupMembers(qint64 group);
    static QString folder();
    static QList<OfficeRecord> readAll();
};
