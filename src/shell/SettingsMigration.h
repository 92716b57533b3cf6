#pragma once

// The conversions of older versions' settings, run once at start-up, and the
// store side of "delete all settings".
class SettingsMigration
{
public:
    // First step: once (guarded by "#100"), offers to copy the older key's
    // sections into the current key and then deletes the older key.
    static void ConvertOldSettings();
    // Second step: the older warning switches become the current ones.
    static void ConvertOldWarnings();
    // Deletes the whole application key; nothing stored is not an error here.
    static void DeleteAllSettings();
};
