#include "WindowSettings.h"

#include "SettingsStore.h"
#include "cListView.h"
#include "frmMain.h"

#include <algorithm>

double WindowSettings::StoredSplitterLeft()
{
    return SettingsStore::GetNumber(SettingsStore::AppKey, "Settings", "SplitterLeft", 3700);
}

void WindowSettings::Restore(frmMain &form)
{
    const QString &key = SettingsStore::AppKey;
    const double left = SettingsStore::GetNumber(key, "Settings", "MainLeft", 1000);
    const double top = SettingsStore::GetNumber(key, "Settings", "MainTop", 1000);
    const double width = SettingsStore::GetNumber(key, "Settings", "MainWidth", 10000);
    const double height = SettingsStore::GetNumber(key, "Settings", "MainHeight", 7000);
    form.move(form.ToPixels(left), form.ToPixels(top));
    // The resize handler lays the panes out from these once the window has its size.
    form.resize(std::max(1, form.ToPixels(width)), std::max(1, form.ToPixels(height)));
}

void WindowSettings::Store(const frmMain &form)
{
    const QString &key = SettingsStore::AppKey;
    if (!form.isMinimized()) {
        auto twips = [&form](int pixels) { return SettingsStore::FromNumber(form.ToTwips(pixels)); };
        SettingsStore::SaveSetting(key, "Settings", "MainLeft", twips(form.x()));
        SettingsStore::SaveSetting(key, "Settings", "MainTop", twips(form.y()));
        SettingsStore::SaveSetting(key, "Settings", "MainWidth", twips(form.width()));
        SettingsStore::SaveSetting(key, "Settings", "MainHeight", twips(form.height()));
    }
    SettingsStore::SaveSetting(key, "Settings", "ViewMode", QString::number(form.BookView()->viewMode()));
    SettingsStore::SaveSetting(key, "Settings", "SplitterLeft", SettingsStore::FromNumber(form.SplitterLeft()));
    for (int i = 0; i < 5; ++i)
        SettingsStore::SaveSetting(key, "FileMRU", QStringLiteral("FileMRU_%1").arg(i), form.MruFiles.at(i));
}
