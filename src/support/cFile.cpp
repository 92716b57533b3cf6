#include "cFile.h"

#include "MimeAssociations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QTemporaryFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// File numbers handed out by FileLock, mapped to their open descriptors.
QHash<qint16, int> &lockedFiles()
{
    static QHash<qint16, int> files;
    return files;
}

QString rightTrimmed(const QString &text)
{
    qsizetype end = text.size();
    while (end > 0 && text[end - 1] == u' ')
        --end;
    return text.left(end);
}

QString newTempFile(const QString &pattern)
{
    QTemporaryFile file(cFile::TempPath() + pattern);
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    return file.fileName();
}

// The command line of an Exec value with the field codes resolved: the
// first file code becomes the quoted file name, the others are dropped.
QString commandWithFile(const QString &exec, const QString &file)
{
    const QString quoted = u'"' + file + u'"';
    QString command;
    bool placed = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        if (exec[i] != u'%' || i + 1 == exec.size()) {
            command += exec[i];
            continue;
        }
        const QChar code = exec[++i];
        if (code == u'%') {
            command += u'%';
        } else if (!placed && QStringLiteral("fFuU").contains(code)) {
            command += quoted;
            placed = true;
        }
    }
    if (!placed)
        command = rightTrimmed(command) + u' ' + quoted;
    return command.trimmed();
}

} // namespace

QString cFile::Executable(const QVariant &strFileName)
{
    const QString file = strFileName.toString();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension);
    if (type.isDefault())
        return QString();
    const QString exec = MimeAssociations::openCommand(type.name());
    if (exec.isEmpty())
        return QString();
    return commandWithFile(exec, file);
}

QString cFile::GetFileType(const QVariant &strFileName)
{
    const QString file = strFileName.toString();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension);
    if (!type.isDefault() && !type.comment().isEmpty())
        return type.comment();
    return Extension(file) + QStringLiteral(" ﾌｧｲﾙ");
}

QString cFile::Extension(const QVariant &strFileName)
{
    const QString file = strFileName.toString();
    for (qsizetype i = file.size() - 1; i >= 0; --i) {
        if (file[i] == u'/')
            break;
        if (file[i] == u'.')
            return file.mid(i + 1).toUpper();
    }
    return QString();
}

qint16 cFile::FileLock(const QString &strFileName)
{
    if (strFileName.isEmpty() || !QFileInfo(strFileName).isFile())
        return 0;
    const QByteArray path = QFile::encodeName(strFileName);
    int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return 0;
    }
    QHash<qint16, int> &files = lockedFiles();
    qint16 number = 1;
    while (files.contains(number))
        ++number;
    files.insert(number, fd);
    return number;
}

void cFile::FileUnlock(qint16 intFileNum)
{
    if (intFileNum == 0)
        return;
    const int fd = lockedFiles().take(intFileNum);
    if (fd > 0)
        ::close(fd); // closing the descriptor releases its lock
}

QString cFile::OmitPathName(const QString &strLongPathName)
{
    const QString &path = strLongPathName;
    QString result = path;
    const qsizetype lastSep = path.lastIndexOf(u'/');
    if (lastSep > 0) {
        const QString head = path.startsWith(u'/') ? QStringLiteral("/") : QString();
        const QString name = path.mid(lastSep + 1);
        const QString dirs = path.left(lastSep);
        const QString dir = dirs.mid(dirs.lastIndexOf(u'/') + 1);
        const QString shortened = head + QStringLiteral(".../") + dir + u'/' + name;
        if (shortened.size() < path.size())
            result = shortened;
    }
    return result.replace(u'&', QStringLiteral("&&"));
}

bool cFile::CheckExistFile(const QString &strTargetFileName)
{
    if (strTargetFileName.isEmpty())
        return false;
    if (strTargetFileName.contains(u'/'))
        return QFileInfo::exists(strTargetFileName);
    QStringList dirs;
    if (QCoreApplication::instance())
        dirs << QCoreApplication::applicationDirPath();
    dirs << QDir::currentPath();
    dirs += qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
    for (const QString &dir : dirs) {
        if (QFileInfo::exists(dir + u'/' + strTargetFileName))
            return true;
    }
    return false;
}

QString cFile::FileVersion(const QString &)
{
    return QString();
}

QString cFile::TempPath()
{
    return AddDirSep(QDir::tempPath());
}

QString cFile::GetFileName(QString strPath)
{
    return strPath.mid(strPath.lastIndexOf(u'/') + 1);
}

QString cFile::AddDirSep(const QString &strPathName)
{
    const QString path = rightTrimmed(strPathName);
    return path.endsWith(u'/') ? path : path + u'/';
}

bool cFile::DirExists(QString strDirName)
{
    return !strDirName.isEmpty() && QFileInfo(strDirName).isDir();
}

QString cFile::AddQuotesToFN(QVariant strFileName)
{
    const QString name = strFileName.toString();
    if (name.contains(u' ') || name.contains(u','))
        return u'"' + name + u'"';
    return name;
}

QString cFile::StripQuotes(QString str)
{
    if (str.startsWith(u'"'))
        str.remove(0, 1);
    if (str.endsWith(u'"'))
        str.chop(1);
    return str;
}

QString cFile::GetPathName(QString strFileName)
{
    const qsizetype lastSep = strFileName.lastIndexOf(u'/');
    if (lastSep < 0)
        return QDir::currentPath();
    QString dir = strFileName.left(lastSep);
    while (dir.endsWith(u'/'))
        dir.chop(1);
    return dir.isEmpty() && strFileName.startsWith(u'/') ? QStringLiteral("/") : dir;
}

QString cFile::GetDosShortPathName(QString strLongPath)
{
    if (!strLongPath.isEmpty() && QFileInfo::exists(strLongPath))
        return strLongPath;
    return AddQuotesToFN(strLongPath);
}

QString cFile::TempFile(const QString &strExtension)
{
    QString extension = strExtension.trimmed();
    if (extension.startsWith(u'.'))
        extension.remove(0, 1);
    if (extension.isEmpty() || extension.contains(u'/'))
        extension = QStringLiteral("Lzh");
    return newTempFile(QStringLiteral("TMPXXXXXX.") + extension);
}

QString cFile::ResponceFile()
{
    return newTempFile(QStringLiteral("~VBXXXXXX.tmp"));
}

bool cFile::FileExists(QString strPathName)
{
    if (strPathName.endsWith(u'/'))
        strPathName.chop(1);
    return !strPathName.isEmpty() && QFileInfo(strPathName).isFile();
}

bool cFile::MakeDirs(const QString &strDirs)
{
    return !strDirs.trimmed().isEmpty() && QDir().mkpath(strDirs);
}

QString cFile::RemoveDirSep(const QVariant &strDstDir)
{
    QString dir = strDstDir.toString().trimmed();
    if (dir == QStringLiteral("/"))
        return dir; // the root keeps its separator
    if (dir.endsWith(u'/'))
        dir.chop(1);
    return dir;
}

QString cFile::AttribString(const QString &strFileName)
{
    const QFileInfo info(strFileName);
    if (strFileName.isEmpty() || !info.exists())
        return QString();
    const QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    const bool readOnly = !info.isWritable() || !(info.permissions() & anyWrite);
    const bool hidden = info.fileName().startsWith(u'.');
    return QString(readOnly ? u'r' : u'-') + u'-' + QChar(hidden ? u'h' : u'-') + u'-';
}

QString cFile::MakePath(const QString &Path, const QString &File)
{
    if (Path.isEmpty())
        return File;
    if (File.isEmpty())
        return Path;
    return Path.endsWith(u'/') ? Path + File : Path + u'/' + File;
}
