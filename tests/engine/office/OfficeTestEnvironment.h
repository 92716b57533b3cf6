#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
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

private:
    QTemporaryDir m_root;
};
