#pragma once

#include <QString>

// One sheet of the active book as the sheet table holds it: its name (empty
// for a sheet deleted since the last fill) and its sheet key.
struct SheetTableEntry
{
    QString Name;
    QString Key;
};
