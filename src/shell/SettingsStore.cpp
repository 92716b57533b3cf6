#include "SettingsStore.h"

#include <QFile>
#include <QSettings>

#include <cmath>
#include <memory>

const QString SettingsStore::AppKey = QStringLiteral("Oakmere\\1465340056");
const QString SettingsStore::OldAppKey = QStringLiteral("Quirn");

namespace {

// QSettings gives "/" and "\" a meaning of their own in group and key names,
// so they (and the escape character) are escaped before they reach it.
QString EscapeName(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar ch : name) {
        if (ch == u'%')
            out += QStringLiteral("%25");
        else if (ch == u'/')
            out += QStringLiteral("%2F");
        else if (ch == u'\\')
            out += QStringLiteral("%5C");
        else
            out += ch;
    }
    return out;
}

QString UnescapeName(const QString &name)
{
    QString out = name;
    out.replace(QStringLiteral("%2F"), QStringLiteral("/"));
    out.replace(QStringLiteral("%5C"), QStringLiteral("\\"));
    out.replace(QStringLiteral("%25"), QStringLiteral("%"));
    return out;
}

// "Organisation\Application" is the organisation and application of QSettings;
// a key without a backslash (the older "Quirn") is an organisation-wide file.
std::unique_ptr<QSettings> Open(const QString &appKey)
{
    const qsizetype cut = appKey.indexOf(u'\\');
    const QString organisation = cut < 0 ? appKey : appKey.left(cut);
    const QString application = cut < 0 ? QString() : appKey.mid(cut + 1);
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                organisation, application);
    settings->setFallbacksEnabled(false);
    return settings;
}

QString ToText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    return value.toString();
}

} // namespace

QString SettingsStore::GetSetting(const QString &appKey, const QString &section, const QString &key,
                                  const QString &defaultValue)
{
    auto settings = Open(appKey);
    settings->beginGroup(EscapeName(section));
    const QString name = EscapeName(key);
    if (!settings->contains(name))
        return defaultValue;
    return ToText(settings->value(name));
}

void SettingsStore::SaveSetting(const QString &appKey, const QString &section, const QString &key,
                                const QString &value)
{
    auto settings = Open(appKey);
    settings->beginGroup(EscapeName(section));
    settings->setValue(EscapeName(key), value);
    settings->endGroup();
    settings->sync();
}

SettingsStore::Pairs SettingsStore::GetAllSettings(const QString &appKey, const QString &section)
{
    auto settings = Open(appKey);
    settings->beginGroup(EscapeName(section));
    Pairs pairs;
    const QStringList keys = settings->childKeys();
    for (const QString &name : keys)
        pairs.append({UnescapeName(name), ToText(settings->value(name))});
    return pairs;
}

void SettingsStore::DeleteSetting(const QString &appKey, const QString &section, const QString &key)
{
    auto settings = Open(appKey);
    if (section.isEmpty()) {
        if (settings->allKeys().isEmpty())
            throw NotFound("the settings of " + appKey.toStdString() + " do not exist");
        settings->clear();
        settings->sync();
        const QString path = settings->fileName();
        settings.reset();
        QFile::remove(path);
        return;
    }
    settings->beginGroup(EscapeName(section));
    if (key.isEmpty()) {
        if (settings->allKeys().isEmpty())
            throw NotFound("the section " + section.toStdString() + " does not exist");
        settings->remove(QString());
    } else {
        const QString name = EscapeName(key);
        if (!settings->contains(name))
            throw NotFound("the key " + key.toStdString() + " does not exist");
        settings->remove(name);
    }
    settings->endGroup();
    settings->sync();
}

double SettingsStore::GetNumber(const QString &appKey, const QString &section, const QString &key,
                                double defaultValue)
{
    return ToNumber(GetSetting(appKey, section, key)).value_or(defaultValue);
}

bool SettingsStore::GetBool(const QString &appKey, const QString &section, const QString &key,
                            bool defaultValue)
{
    return ToBool(GetSetting(appKey, section, key)).value_or(defaultValue);
}

std::optional<double> SettingsStore::ToNumber(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> SettingsStore::ToBool(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    if (const auto number = ToNumber(trimmed))
        return *number != 0.0;
    return std::nullopt;
}

QString SettingsStore::FromNumber(double value)
{
    return QString::number(value, 'g', 15);
}

QString SettingsStore::FromBool(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString SettingsStore::FileOf(const QString &appKey)
{
    return Open(appKey)->fileName();
}
