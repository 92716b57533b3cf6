#pragma once

// The office windows of the program's own outside the engine: the book the
// user was handed, or an office a killed run left behind.
class OfficeWindow
{
public:
    static bool IsOpen();
    static void AskToClose();
    static void WaitUntilClosed();
};
