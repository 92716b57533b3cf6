#include "InstanceLock.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <memory>

namespace {

std::unique_ptr<QLockFile> g_lock;

} // namespace

QString InstanceLock::Path()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/quirn.lock");
}

bool InstanceLock::Acquire()
{
    if (g_lock)
        return true;
    auto lock = std::make_unique<QLockFile>(Path());
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0))
        return false;
    g_lock = std::move(lock);
    return true;
}

void InstanceLock::Release()
{
    g_lock.reset();
}
