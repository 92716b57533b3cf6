#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

// Points the user's config and runtime folders at a fresh temporary folder, so
// that a test never reads or writes the user's own settings. Create one before
// the first settings access of the test process.
class IsolatedStore
{
public:
    IsolatedStore()
    {
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").toUtf8());
        qputenv("XDG_RUNTIME_DIR", (m_dir.path() + "/runtime").toUtf8());
        QDir().mkpath(m_dir.path() + "/config");
        QDir().mkpath(m_dir.path() + "/runtime");
        QFile::setPermissions(m_dir.path() + "/runtime",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
