#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QString>

// The real test books (tests/data/real) and private copies of them: a test
// never opens a book in place, since opening one may leave a lock file beside
// it and a save would change it for every later test.
namespace TestBooks {

inline QString Fixture(const QString &name)
{
    return QStringLiteral(QUIRN_FIXTURES_DIR "/") + name;
}

// Copies the file at `source` to `target`, replacing what was there, readable
// by all and writable by its owner; `target`, or empty when it failed.
inline QString CopyFile(const QString &source, const QString &target)
{
    QFile::remove(target);
    if (!QFile::copy(source, target))
        return QString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return target;
}

// A copy of the test book `fixture` in `folder` (made when missing), under
// the name `as` when given.
inline QString Copy(const QString &folder, const QString &fixture, const QString &as = QString())
{
    QDir().mkpath(folder);
    return CopyFile(Fixture(fixture), folder + u'/' + (as.isEmpty() ? fixture : as));
}

// The file's bytes; empty when it cannot be read.
inline QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A digest of the file's bytes, to tell that a file stayed as it was; empty
// when it cannot be read, so that a missing file never matches a digest taken
// when it was there.
inline QByteArray Digest(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

} // namespace TestBooks
