#pragma once

#include <QString>

// Keeps one copy of the program running per user: a lock file in the user's
// runtime folder, held until the process ends (a lock left by a killed run is
// recognised as stale by its process id).
class InstanceLock
{
public:
    // True when this process holds the lock (taking it now if free).
    static bool Acquire();
    static void Release();
    static QString Path();
};
