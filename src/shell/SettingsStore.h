#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>
#include <stdexcept>

// The per-user settings store: every value is a string, addressed by an
// application key ("Oakmere\1465340056"), a section and a key. The four
// operations keep the semantics the rest of the program relies on: a missing
// key reads as the caller's default, and deleting something that does not
// exist is an error.
class SettingsStore
{
public:
    using Pairs = QList<QPair<QString, QString>>;

    // Thrown by DeleteSetting when the key, section or application key is missing.
    class NotFound : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    static const QString AppKey;        // "Oakmere\1465340056"
    static const QString OldAppKey;     // the older versions' key: the application title

    static QString GetSetting(const QString &appKey, const QString &section, const QString &key,
                              const QString &defaultValue = QString());
    static void SaveSetting(const QString &appKey, const QString &section, const QString &key,
                            const QString &value);
    static Pairs GetAllSettings(const QString &appKey, const QString &section);
    // An empty key deletes the whole section; an empty section the whole application key.
    static void DeleteSetting(const QString &appKey, const QString &section = QString(),
                              const QString &key = QString());

    // Readers that convert a stored value. A malformed value reads as missing
    // (the default), so a damaged settings file cannot stop the program.
    static double GetNumber(const QString &appKey, const QString &section, const QString &key,
                            double defaultValue);
    static bool GetBool(const QString &appKey, const QString &section, const QString &key,
                        bool defaultValue);
    static std::optional<double> ToNumber(const QString &text);
    static std::optional<bool> ToBool(const QString &text);
    static QString FromNumber(double value);
    static QString FromBool(bool value);

    // Where an application key is kept (for tests and diagnostics).
    static QString FileOf(const QString &appKey);
};
