#pragma once

#include <QString>
#include <QStringList>

// Finds the program the desktop registers to open a type of file, from the
// freedesktop MIME associations (mimeapps.list, defaults.list,
// mimeinfo.cache) and desktop entries, in the XDG base folders the
// environment names at the time of the call.
class MimeAssociations
{
public:
    // The Exec line of the desktop entry that opens files of mimeType (or,
    // failing that, of the nearest type it derives from); empty when none.
    static QString openCommand(const QString &mimeType);

private:
    static QString openCommandForType(const QString &mimeType);
    static QStringList configDirs();
    static QStringList dataDirs();
    static QString desktopEntryPath(const QString &desktopId);
    static QString firstInstalled(const QString &ids);
    static QString groupValue(const QString &file, const QString &group, const QString &key);
    static QString unescapeValue(const QString &value);
};
