#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// Points the user's cache and runtime folders at a private temporary folder,
// so that office profiles and process records of a test never touch the
// user's own. Create it before the first OfficeProcess.
class OfficeTestEnvironment
{
public:
    OfficeTestEnvironment()
    {
        const QString cache = m_root.filePath(QStringLiteral("cache"));
        const QString runtime = m_root.filePath(QStringLiteral("runtime"));
        QDir().mkpath(cache);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }

    QString root() const { return m_root.path(); }

    // A private copy of a fixture: loading a book puts the office's lock file
    // beside it, which must never land in the repository or meet the lock of
    // a test running at the same time.
    QString fixture(const QString &name) const
    {
        const QString folder = m_root.filePath(QStringLiteral("fixtures"));
        QDir().mkpath(folder);
        const QString copy = folder + QLatin1Char('/') + name;
        if (!QFileInfo::exists(copy)) {
            QFile::copy(QStringLiteral(QUIRN_FIXTURES_DIR "/") + name, copy);
            QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                            | QFile::ReadOther);
        }
        return copy;
    }

private:
    QTemporaryDir m_root;
};
