#include "WarningSetting.h"

#include "SettingsStore.h"

namespace {

bool On(const QString &setting, int position)
{
    return setting.size() > position && setting.at(position) == u'1';
}

} // namespace

QString WarningSetting::Read(const QString &key)
{
    return SettingsStore::GetSetting(SettingsStore::AppKey, QStringLiteral("Settings"), key, QStringLiteral("11"));
}

void WarningSetting::Write(const QString &key, const QString &value)
{
    SettingsStore::SaveSetting(SettingsStore::AppKey, QStringLiteral("Settings"), key, value);
}

bool WarningSetting::Due(const QString &setting, bool firstSelection)
{
    return On(setting, 1) || (On(setting, 0) && firstSelection);
}

WarningSetting::Mode WarningSetting::ModeOf(const QString &setting, bool firstSelection)
{
    return On(setting, 0) && firstSelection ? FirstSelection : EverySelection;
}

QString WarningSetting::Ticked(const QString &setting, Mode mode)
{
    QString result = setting.leftJustified(2, u'0', true);
    result[static_cast<int>(mode)] = u'0';
    return result;
}

QString WarningSetting::CheckCaption(Mode mode)
{
    return QStringLiteral("今後、")
           + (mode == FirstSelection ? QStringLiteral("最初のﾌﾞｯｸ選択時") : QStringLiteral("ﾌﾞｯｸを選択する毎"))
           + QStringLiteral("にこのﾒｯｾｰｼﾞを表示させない");
}
