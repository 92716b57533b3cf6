#include "cSystem.h"

#include <QRegularExpression>
#include <QSysInfo>

qint16 cSystem::OSVersion()
{
    static const QRegularExpression majorMinor(QStringLiteral("^(\\d+)\\.(\\d+)"));
    const QRegularExpressionMatch match = majorMinor.match(QSysInfo::kernelVersion());
    if (!match.hasMatch())
        return 0;
    const int version = match.captured(1).toInt() * 100 + qMin(match.captured(2).toInt(), 99);
    return qint16(qMin(version, 32767));
}

QString cSystem::WindowsDirectory()
{
    return QStringLiteral("/etc");
}

QString cSystem::SystemDirectory()
{
    return QStringLiteral("/usr/lib");
}

qint32 cSystem::PlatformId()
{
    return 2;
}
