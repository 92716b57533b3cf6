#pragma once

#include <QString>

// The installed office as its files describe it, read without starting it:
// whether its program is there, and the version and product name its
// configuration gives (the same values a running office reports).
class OfficeInstallation
{
public:
    // Empty when the office is not installed or its version cannot be read.
    static QString version();
    static QString productName();

    // For tests: the installation root read instead of the built-in one.
    static void setRoot(const QString &root);
};
