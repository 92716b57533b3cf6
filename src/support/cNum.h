#pragma once

#include <QString>

// Bit-mask tests for the flag words of book and sheet records, and column
// letters for column numbers.
class cNum
{
public:
    // True when CheckBit and TestBit share at least one set bit.
    static bool TestBitOn(qint32 CheckBit, qint32 TestBit);
    // True when at least one set bit of TestBit is clear in CheckBit.
    static bool TestBitOff(qint32 CheckBit, qint32 TestBit);
    // Spreadsheet column letters: 1 "A", 26 "Z", 27 "AA", 702 "ZZ", 703 "AAA";
    // empty for 0 and negative numbers.
    static QString ExchgNumtoAlph(qint32 Num);
};
