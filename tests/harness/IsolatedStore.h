#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

// Points HOME and the user's config, cache, data and runtime folders of the
// test process (and of every program it starts) into `root`: settings, office
// profiles, process records and lock files never meet those of a test running
// beside it, nor the user's own.
inline void isolateHome(const QString &root)
{
    const QList<std::pair<const char *, QString>> folders{
        {"HOME", QStringLiteral("home")},          {"XDG_CONFIG_HOME", QStringLiteral("config")},
        {"XDG_CACHE_HOME", QStringLiteral("cache")}, {"XDG_DATA_HOME", QStringLiteral("data")},
        {"XDG_RUNTIME_DIR", QStringLiteral("runtime")}};
    for (const auto &[variable, name] : folders) {
        const QString path = root + QLatin1Char('/') + name;
        QDir().mkpath(path);
        qputenv(variable, QFile::encodeName(path));
    }
    QFile::setPermissions(root + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A home of the test's own in a fresh temporary folder. Create one before the
// first settings or office access of the test process.
class IsolatedStore
{
public:
    IsolatedStore() { isolateHome(m_dir.path()); }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};
