#include "MimeAssociations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTextStream>

namespace {

QStringList envDirs(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    QStringList dirs = (value.isEmpty() ? fallback : value).split(u':', Qt::SkipEmptyParts);
    return dirs;
}

QString envDir(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

} // namespace

QStringList MimeAssociations::configDirs()
{
    return QStringList{envDir("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"))}
        + envDirs("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
}

QStringList MimeAssociations::dataDirs()
{
    return QStringList{envDir("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"))}
        + envDirs("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
}

QString MimeAssociations::desktopEntryPath(const QString &desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(u'/'))
        return QString();
    for (const QString &dir : dataDirs()) {
        const QString path = dir + QStringLiteral("/applications/") + desktopId;
        if (QFileInfo(path).isFile())
            return path;
        // "vendor-app.desktop" may live in the subfolder "vendor/app.desktop".
        const QString nested = dir + QStringLiteral("/applications/") + QString(desktopId).replace(u'-', u'/');
        if (QFileInfo(nested).isFile())
            return nested;
    }
    return QString();
}

QString MimeAssociations::firstInstalled(const QString &ids)
{
    for (const QString &id : ids.split(u';', Qt::SkipEmptyParts)) {
        const QString path = desktopEntryPath(id.trimmed());
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

QString MimeAssociations::groupValue(const QString &file, const QString &group, const QString &key)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream lines(&in);
    const QString header = u'[' + group + u']';
    bool inGroup = false;
    while (!lines.atEnd()) {
        const QString line = lines.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == header;
            continue;
        }
        if (!inGroup || line.startsWith(u'#'))
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return QString();
}

QString MimeAssociations::unescapeValue(const QString &value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const QChar next = value[++i];
        switch (next.unicode()) {
        case u's': text += u' '; break;
        case u'n': text += u'\n'; break;
        case u't': text += u'\t'; break;
        case u'r': text += u'\r'; break;
        default: text += next; break;
        }
    }
    return text;
}

QString MimeAssociations::openCommandForType(const QString &mimeType)
{
    QStringList listFiles;
    for (const QString &dir : configDirs())
        listFiles << dir + QStringLiteral("/mimeapps.list");
    for (const QString &dir : dataDirs())
        listFiles << dir + QStringLiteral("/applications/mimeapps.list");

    QString entry;
    for (const QString &group : {QStringLiteral("Default Applications"), QStringLiteral("Added Associations")}) {
        for (const QString &file : listFiles) {
            entry = firstInstalled(groupValue(file, group, mimeType));
            if (!entry.isEmpty())
                break;
        }
        if (!entry.isEmpty())
            break;
    }
    for (const QString &dir : dataDirs()) {
        if (!entry.isEmpty())
            break;
        entry = firstInstalled(groupValue(dir + QStringLiteral("/applications/defaults.list"), QStringLiteral("Default Applications"), mimeType));
        if (entry.isEmpty())
            entry = firstInstalled(groupValue(dir + QStringLiteral("/applications/mimeinfo.cache"), QStringLiteral("MIME Cache"), mimeType));
    }
    if (entry.isEmpty())
        return QString();
    return unescapeValue(groupValue(entry, QStringLiteral("Desktop Entry"), QStringLiteral("Exec")));
}

QString MimeAssociations::openCommand(const QString &mimeType)
{
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    QStringList candidates{mimeType};
    if (type.isValid())
        candidates += type.allAncestors();
    for (const QString &candidate : candidates) {
        // Every type derives from the generic byte stream; a handler for that
        // would open anything, which is no registration for this type.
        if (candidate == QStringLiteral("application/octet-stream"))
            continue;
        const QString command = openCommandForType(candidate);
        if (!command.isEmpty())
            return command;
    }
    return QString();
}
