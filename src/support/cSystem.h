#pragma once

#include <QString>

// Facts about the operating system.
class cSystem
{
public:
    // The kernel's version as major × 100 + minor (6.1 gives 601).
    static qint16 OSVersion();
    // The folder of the system's own configuration: "/etc".
    static QString WindowsDirectory();
    // The folder of the system's shared libraries: "/usr/lib".
    static QString SystemDirectory();
    // Always 2: the family of systems with per-user permissions, whose
    // shell names file types itself.
    static qint32 PlatformId();
};
