#include "cNum.h"

bool cNum::TestBitOn(qint32 CheckBit, qint32 TestBit)
{
    return (CheckBit & TestBit) != 0;
}

bool cNum::TestBitOff(qint32 CheckBit, qint32 TestBit)
{
    return (TestBit & ~CheckBit) != 0;
}

QString cNum::ExchgNumtoAlph(qint32 Num)
{
    // Bijective base 26: the digits run from 1 ("A") to 26 ("Z").
    QString letters;
    while (Num > 0) {
        const int digit = (Num - 1) % 26;
        letters.prepend(QChar(u'A' + digit));
        Num = (Num - 1) / 26;
    }
    return letters;
}
