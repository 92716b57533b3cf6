#pragma once

#include <QString>

#include <optional>

class frmMain;

// The program's start: checks the system and the engine, converts older
// settings, and creates and shows the main window.
class EntryProcedure
{
public:
    // False when start-up was refused; the process then ends.
    static bool Run();
    static frmMain *MainWindow();

    // The operating system's version as major * 100 + minor.
    static int OSVersion();
    // Shows the refusal for a missing engine; false when the version is empty.
    static bool CheckEngineVersion(const QString &version);
    // Warns (and goes on) when the engine is older than the one the program
    // is tested with.
    static void WarnOldEngineVersion(const QString &version);

private:
    static bool CheckSystem();
    static bool CheckEngineInstalled();
    // The installed engine's version, empty without an engine.
    static QString QueryEngineVersion();
};
