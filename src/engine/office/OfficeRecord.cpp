#include "OfficeRecord.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <csignal>
#include <cerrno>

namespace {

QString roleText(OfficeRecord::Role role)
{
    return role == OfficeRecord::Role::User ? QStringLiteral("user") : QStringLiteral("engine");
}

bool isPidAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return false;
    // A reaped zombie is gone; an unreaped one reads as state Z.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const int close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) != "Z";
}

} // namespace

QString OfficeRecord::folder()
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    return base + QStringLiteral("/quirn-office");
}

QString OfficeRecord::filePath() const
{
    return folder() + QStringLiteral("/%1-%2.json").arg(roleText(role)).arg(pid);
}

bool OfficeRecord::write() const
{
    QDir().mkpath(folder());
    QJsonObject o;
    o.insert(QStringLiteral("pid"), pid);
    o.insert(QStringLiteral("pgid"), pgid);
    o.insert(QStringLiteral("owner"), ownerPid);
    o.insert(QStringLiteral("pipe"), pipe);
    o.insert(QStringLiteral("profile"), profile);
    o.insert(QStringLiteral("role"), roleText(role));
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(o).toJson());
    return file.commit();
}

void OfficeRecord::remove() const
{
    QFile::remove(filePath());
}

bool OfficeRecord::isProcessAlive() const
{
    return isPidAlive(pid) || hasLiveGroupMembers(pgid);
}

bool OfficeRecord::hasLiveGroupMembers(qint64 group)
{
    return group > 0 && ::kill(-pid_t(group), 0) == 0 && !liveGroupMembers(group).isEmpty();
}

// The running (not zombie) processes of the group. kill() also reaches
// zombies, so /proc is read.
QList<qint64> OfficeRecord::liveGroupMembers(qint64 group)
{
    QList<qint64> members;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (!isNumber)
            continue;
        QFile stat(QStringLiteral("/proc/") + entry + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const int close = text.lastIndexOf(')');
        if (close < 0)
            continue;
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (fields.size() > 2 && fields.at(2).toLongLong() == group && fields.at(0) != "Z")
            members.append(pid);
    }
    return members;
}

bool OfficeRecord::isOurs() const
{
    if (pipe.isEmpty() || profile.isEmpty())
        return false;
    const QByteArray pipeArgument = "--accept=pipe,name=" + pipe.toUtf8() + ";";
    const QByteArray profileArgument = "-env:UserInstallation=" + QUrl::fromLocalFile(profile).toEncoded();
    QList<qint64> candidates = pgid > 0 ? liveGroupMembers(pgid) : QList<qint64>();
    candidates.prepend(pid);
    for (const qint64 member : candidates) {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(member));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> arguments = file.readAll().split('\0');
        bool hasPipe = false, hasProfile = false;
        for (const QByteArray &argument : arguments) {
            hasPipe = hasPipe || argument.startsWith(pipeArgument);
            hasProfile = hasProfile || argument == profileArgument;
        }
        if (hasPipe && hasProfile)
            return true;
    }
    return false;
}

bool OfficeRecord::isOwnerAlive() const
{
    return isPidAlive(ownerPid);
}

QList<OfficeRecord> OfficeRecord::readAll()
{
    QList<OfficeRecord> records;
    const QDir dir(folder());
    const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
        OfficeRecord r;
        r.pid = o.value(QStringLiteral("pid")).toInteger();
        r.pgid = o.value(QStringLiteral("pgid")).toInteger();
        r.ownerPid = o.value(QStringLiteral("owner")).toInteger();
        r.pipe = o.value(QStringLiteral("pipe")).toString();
        r.profile = o.value(QStringLiteral("profile")).toString();
        r.role = o.value(QStringLiteral("role")).toString() == QLatin1String("user") ? Role::User
                                                                                    : Role::Engine;
        if (r.pid > 0 && !r.pipe.isEmpty())
            records.append(r);
    }
    return records;
}
