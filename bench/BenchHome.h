#pragma once

#include "InstanceLock.h"
#include "MessageBox.h"
#include "SettingsMigration.h"
#include "WarningSeam.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A home of the benchmark's own for its settings and runtime folder (where
// the instance lock lives), so that a run never touches the user's. Made
// before the application object; when it goes, the lock is released before
// its folder is removed.
class BenchHome
{
public:
    BenchHome()
    {
        const QString config = m_dir.filePath(QStringLiteral("config"));
        const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
        QDir().mkpath(config);
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    }

    ~BenchHome() { InstanceLock::Release(); }

    BenchHome(const BenchHome &) = delete;
    BenchHome &operator=(const BenchHome &) = delete;

    QString path() const { return m_dir.path(); }

    // Once the application object is made: messages and warnings answered by
    // script, settings as a first start leaves them.
    static void ScriptTheWindow()
    {
        MessageBox::SetTestMode(true);
        WarningSeam::SetTestMode(true);
        SettingsMigration::DeleteAllSettings();
    }

private:
    QTemporaryDir m_dir;
};
