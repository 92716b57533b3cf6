#include "SettingsMigration.h"

#include "MessageBox.h"
#include "SettingsStore.h"

#include <QStringList>

void SettingsMigration::ConvertOldSettings()
{
    const QString &key = SettingsStore::AppKey;
    const QString &oldKey = SettingsStore::OldAppKey;
    if (SettingsStore::GetSetting(key, "Settings", "#100", "0") != QLatin1String("0"))
        return;
    SettingsStore::SaveSetting(key, "Settings", "#100", "1");
    if (SettingsStore::GetAllSettings(oldKey, "Settings").isEmpty())
        return;
    const QString question = QStringLiteral("旧ﾊﾞｰｼﾞｮﾝの登録情報を新ﾊﾞｰｼﾞｮﾝ用に変更します。")
                             + QStringLiteral("\r\n\r\n") + QStringLiteral("この処理を行いますか？");
    if (MessageBox::Show(question, 0x34) != MessageBox::IDYES)
        return;
    for (const char *section : {"Settings", "Option", "FileMRU"}) {
        const SettingsStore::Pairs pairs = SettingsStore::GetAllSettings(oldKey, section);
        for (const auto &[name, value] : pairs)
            SettingsStore::SaveSetting(key, section, name, value);
    }
    SettingsStore::DeleteSetting(oldKey);
}

void SettingsMigration::ConvertOldWarnings()
{
    const QString &key = SettingsStore::AppKey;
    const QList<QPair<QString, QString>> pairs = {
        {"Warninng1Cut", "Warninng2"}, {"Warninng2Cut", "Warninng1"}, {"Warninng3Cut", "Warninng3"}};
    for (const auto &[oldName, newName] : pairs) {
        const QString old = SettingsStore::GetSetting(key, "Settings", oldName);
        if (!old.isEmpty())
            SettingsStore::SaveSetting(key, "Settings", newName,
                                       old == QLatin1String("1") ? QStringLiteral("00") : QStringLiteral("11"));
    }
    for (const auto &pair : pairs) {
        try {
            SettingsStore::DeleteSetting(key, "Settings", pair.first);
        } catch (const SettingsStore::NotFound &) {
        }
    }
}

void SettingsMigration::DeleteAllSettings()
{
    try {
        SettingsStore::DeleteSetting(SettingsStore::AppKey);
    } catch (const SettingsStore::NotFound &) {
    }
}
