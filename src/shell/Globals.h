#pragma once

#include <QString>

#include <cstdlib>

// Process-wide state of the program (one copy, set up by the entry procedure).
struct Globals
{
    // The application title: the title of every message box.
    static inline QString AppTitle = QStringLiteral("Quirn");
    // The engine's version text; empty when no engine is installed.
    static inline QString ExcelVersion;
    static inline bool IsNTPlatform = true;
    // The active book was handed to the user in a visible office window.
    static inline bool ExcelHandedOver = false;
    // Start-up was refused: the main window closes with no question and no saving.
    static inline bool QuitWithoutPrompt = false;
    // Ends the process at once, writing nothing back. Tests replace it to watch
    // for the end instead of ending.
    static inline void (*EndProcess)(int code) = [](int code) { std::exit(code); };
};
