#include "OfficeInstallation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

QString &root()
{
    static QString path = QDir::cleanPath(QStringLiteral(QUIRN_LO_PROGRAM "/.."));
    return path;
}

// The value of one property of the product's configuration node. The schema
// declares the properties with empty values; the installation's own layer
// sets them ("oor:name" followed directly by the value).
QString productValue(const char *property)
{
    if (!QFileInfo(root() + QStringLiteral("/program/soffice")).isExecutable())
        return QString();
    QFile file(root() + QStringLiteral("/share/registry/main.xcd"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray text = file.readAll();
    const QByteArray key = QByteArray("oor:name=\"") + property + "\">";
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return QString();
    static const QRegularExpression value(QStringLiteral("^\\s*<value>([^<]+)</value>"));
    return value.match(QString::fromUtf8(text.mid(at + key.size(), 200))).captured(1).trimmed();
}

} // namespace

QString OfficeInstallation::version()
{
    return productValue("ooSetupVersionAboutBox");
}

QString OfficeInstallation::productName()
{
    return productValue("ooName");
}

void OfficeInstallation::setRoot(const QString &path)
{
    root() = path;
}
