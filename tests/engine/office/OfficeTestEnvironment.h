#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "IsolatedStore.h"

// A home of the test's own (see isolateHome): office profiles and process
// records of a test never touch the user's own or another test's. Create it
// before the first OfficeProcess.
class OfficeTestEnvironment
{
public:
    OfficeTestEnvironment() { isolateHome(m_root.path()); }

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
