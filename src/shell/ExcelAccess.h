#pragma once

class cExcel;

// Where the commands get the gateway to the engine: it is made on first use
// and may be ended and made again (the engine closed at shut-down, a book
// handed to the user), so a command asks for it each time it needs it.
class ExcelAccess
{
public:
    virtual cExcel &Excel() = 0;

protected:
    ~ExcelAccess() = default;
};
