#pragma once

#include <QString>

#include <functional>

// Reads and writes one string value of the program's own per-user settings
// store (QSettings, organisation "Oakmere", application "1465340056").
// A sub key "A\B" is the settings group "A/B"; an empty value name is the
// key's default value, stored under the name "@". The root key picks the
// store: the current user's, or the system-wide one for every other root.
class cReg
{
public:
    static constexpr qint32 HKeyClassesRoot = qint32(0x80000000);
    static constexpr qint32 HKeyCurrentUser = qint32(0x80000001);
    static constexpr qint32 HKeyLocalMachine = qint32(0x80000002);

    // The string value; empty when the key or value is missing or the value
    // is not text.
    static QString RegGetString(qint32 lnghInKey, QString strSubKey, QString strValName);
    // True when the value was written. A failure is shown as
    // "ERROR #<n> : <description>" with an OK button and gives False.
    static bool RegSetString(qint32 lnghKey, const QString &strSubKey, QString strSetValue, QString strValue);

    // Replaces how a write failure is shown (the default is a message box
    // with an OK button); the shell hands in its message box, tests a recorder.
    using ErrorReporter = std::function<void(const QString &text)>;
    static void setErrorReporter(ErrorReporter reporter);

private:
    static QString settingsKey(const QString &subKey, const QString &valueName);
};
