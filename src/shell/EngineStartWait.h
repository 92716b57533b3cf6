#pragma once

class frmMain;

// What the window shows while a command waits for the engine to start: the
// hourglass and "表計算エンジンを起動中…" in the first status panel, the window
// disabled but painting. Installed once the main window is shown.
class EngineStartWait
{
public:
    static void Install(frmMain &window);
    static void Remove();
};
