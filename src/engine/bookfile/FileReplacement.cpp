#include "FileReplacement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quirn {

namespace {

// ".<book>.~<pid>-<random>": the process that writes it is named, so that a
// later save can tell a killed save's leftover from a save in progress.
QString temporaryPrefix(const QString &target)
{
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".~");
}

// The system's reason in the user's words: the common ones in Japanese,
// the rest as the system gives them.
QString systemError()
{
    switch (errno) {
    case EACCES:
    case EPERM:
        return QStringLiteral("ｱｸｾｽが拒否されました");
    case EROFS:
        return QStringLiteral("読み取り専用の場所です");
    case ENOSPC:
        return QStringLiteral("ﾃﾞｨｽｸの空き領域が足りません");
    case EDQUOT:
        return QStringLiteral("ﾃﾞｨｽｸの使用量の上限を超えました");
    case ENOENT:
        return QStringLiteral("ﾌｧｲﾙまたはﾌｫﾙﾀﾞが見つかりません");
    case EIO:
        return QStringLiteral("ﾃﾞｨｽｸの読み書きに失敗しました");
    default:
        return QString::fromLocal8Bit(std::strerror(errno));
    }
}

bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool processExists(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace

FileReplacement::FileReplacement(const QString &target)
{
    const QFileInfo link(target);
    m_target = link.isSymLink() ? link.symLinkTarget() : link.absoluteFilePath();
}

FileReplacement::~FileReplacement()
{
    if (!m_committed && !m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

bool FileReplacement::isReadOnly(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    struct stat st;
    if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &st) != 0)
        return false;
    return !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) || !info.isWritable();
}

bool FileReplacement::isInReadOnlyFolder(const QString &path)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    return folder.isDir() && isReadOnly(folder.absoluteFilePath());
}

bool FileReplacement::syncWritten(const QString &path)
{
    return syncPath(path, O_RDONLY) && syncPath(QFileInfo(path).absolutePath(), O_RDONLY | O_DIRECTORY);
}

void FileReplacement::removeLeftovers() const
{
    const QFileInfo info(temporaryPrefix(m_target));
    const QString prefix = info.fileName();
    static const QRegularExpression tail(QStringLiteral("^(\\d+)-[0-9a-f]{8}$"));
    const QDir folder = info.absoluteDir();
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.startsWith(prefix))
            continue;
        const QRegularExpressionMatch match = tail.match(name.mid(prefix.size()));
        if (!match.hasMatch())
            continue;
        const qint64 writer = match.captured(1).toLongLong();
        if (writer == QCoreApplication::applicationPid() || !processExists(writer))
            QFile::remove(folder.filePath(name));
    }
}

bool FileReplacement::begin(QString *reason)
{
    if (isInReadOnlyFolder(m_target)) {
        *reason = QStringLiteral("フォルダに書き込めません");
        return false;
    }
    removeLeftovers();
    const QString prefix = temporaryPrefix(m_target) + QString::number(QCoreApplication::applicationPid())
                           + QLatin1Char('-');
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString path = prefix + QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            m_temporary = path;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    *reason = systemError();
    return false;
}

bool FileReplacement::commit(QString *reason)
{
    const QByteArray temporary = QFile::encodeName(m_temporary);
    const QByteArray target = QFile::encodeName(m_target);
    if (!syncPath(m_temporary, O_RDONLY)) {
        *reason = systemError();
        return false;
    }
    struct stat st;
    if (::stat(target.constData(), &st) == 0) {
        // Owner first: changing it clears the set-id bits the mode restores.
        if (::chown(temporary.constData(), st.st_uid, st.st_gid) != 0)
            (void)::chown(temporary.constData(), uid_t(-1), st.st_gid);
        ::chmod(temporary.constData(), st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(temporary.constData(), 0666 & ~mask);
    }
    if (std::rename(temporary.constData(), target.constData()) != 0) {
        *reason = systemError();
        return false;
    }
    m_committed = true;
    // The rename itself is only durable once the folder is.
    syncPath(QFileInfo(m_target).absolutePath(), O_RDONLY | O_DIRECTORY);
    return true;
}

} // namespace quirn
