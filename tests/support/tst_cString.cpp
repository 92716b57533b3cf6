#include "cNum.h"
#include "cString.h"

#include <QTest>

#include <optional>

class tst_cString : public QObject
{
    Q_OBJECT

private slots:
    void bitTests_data();
    void bitTests();
    void columnLetters_data();
    void columnLetters();
    void ansiLength_data();
    void ansiLength();
    void byteCuts_data();
    void byteCuts();
    void cutsNeverLoseText();
    void csvLine_data();
    void csvLine();
    void padding_data();
    void padding();
    void nullValues();
    void numbersFromBuffers_data();
    void numbersFromBuffers();
    void singlesFromBuffers();
    void characterTests_data();
    void characterTests();
    void countAndPoint_data();
    void countAndPoint();
    void changeCharactor_data();
    void changeCharactor();
};

void tst_cString::bitTests_data()
{
    QTest::addColumn<int>("check");
    QTest::addColumn<int>("test");
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("off");
    QTest::newRow("6,2 shares bit 2") << 6 << 2 << true << false;
    QTest::newRow("4,2 shares nothing") << 4 << 2 << false << true;
    QTest::newRow("6,3 bit 1 clear") << 6 << 3 << true << true;
    QTest::newRow("7,3 all set") << 7 << 3 << true << false;
    QTest::newRow("no test bits") << 7 << 0 << false << false;
    QTest::newRow("sign bit") << int(0x80000001) << int(0x80000000) << true << false;
}

void tst_cString::bitTests()
{
    QFETCH(int, check);
    QFETCH(int, test);
    QFETCH(bool, on);
    QFETCH(bool, off);
    QCOMPARE(cNum::TestBitOn(check, test), on);
    QCOMPARE(cNum::TestBitOff(check, test), off);
}

void tst_cString::columnLetters_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("letters");
    QTest::newRow("negative") << -3 << QString();
    QTest::newRow("0") << 0 << QString();
    QTest::newRow("1") << 1 << "A";
    QTest::newRow("26") << 26 << "Z";
    QTest::newRow("27") << 27 << "AA";
    QTest::newRow("28") << 28 << "AB";
    QTest::newRow("52") << 52 << "AZ";
    QTest::newRow("53") << 53 << "BA";
    QTest::newRow("256 last BIFF8 column") << 256 << "IV";
    QTest::newRow("702") << 702 << "ZZ";
    QTest::newRow("703 needs three letters") << 703 << "AAA";
    QTest::newRow("16384") << 16384 << "XFD";
}

void tst_cString::columnLetters()
{
    QFETCH(int, number);
    QFETCH(QString, letters);
    QCOMPARE(cNum::ExchgNumtoAlph(number), letters);
    QCOMPARE(cString::ExchgNumtoAlph(number), letters);
}

void tst_cString::ansiLength_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("bytes");
    QTest::newRow("empty") << QVariant(QString()) << 0;
    QTest::newRow("missing") << QVariant() << 0;
    QTest::newRow("null") << QVariant::fromValue(nullptr) << 0;
    QTest::newRow("ascii") << QVariant(u"Sheet1"_qs) << 6;
    QTest::newRow("two full-width, one half-width") << QVariant(u"日本a"_qs) << 5;
    QTest::newRow("half-width katakana") << QVariant(u"ﾌﾞｯｸ"_qs) << 4;
    QTest::newRow("full-width latin and punctuation") << QVariant(u"Ａ、～"_qs) << 6;
    QTest::newRow("circled digit of the vendor set") << QVariant(u"①"_qs) << 2;
    QTest::newRow("number as text") << QVariant(1234) << 4;
    QTest::newRow("outside the code page counts as ?") << QVariant(u"é😀"_qs) << 2;
}

void tst_cString::ansiLength()
{
    QFETCH(QVariant, value);
    QFETCH(int, bytes);
    QCOMPARE(cString::LenS(value), bytes);
}

void tst_cString::byteCuts_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("count"); // -1: omitted
    QTest::addColumn<QString>("expected");
    const QString mixed = u"日本a"_qs;
    QTest::newRow("left keeps whole characters") << "left" << mixed << 4 << -1 << u"日本"_qs;
    QTest::newRow("left at length") << "left" << mixed << 5 << -1 << mixed;
    QTest::newRow("left past length") << "left" << mixed << 9 << -1 << mixed;
    QTest::newRow("left through a double-byte character") << "left" << mixed << 3 << -1 << u"日"_qs;
    QTest::newRow("left zero") << "left" << mixed << 0 << -1 << QString();
    QTest::newRow("left negative") << "left" << mixed << -2 << -1 << QString();
    QTest::newRow("left half-width") << "left" << u"ﾌﾞｯｸ"_qs << 2 << -1 << u"ﾌﾞ"_qs;
    QTest::newRow("right one") << "right" << mixed << 1 << -1 << u"a"_qs;
    QTest::newRow("right through a double-byte character") << "right" << mixed << 2 << -1 << u"a"_qs;
    QTest::newRow("right three") << "right" << mixed << 3 << -1 << u"本a"_qs;
    QTest::newRow("right past length") << "right" << mixed << 8 << -1 << mixed;
    QTest::newRow("mid to the end") << "mid" << mixed << 3 << -1 << u"本a"_qs;
    QTest::newRow("mid from a trail byte") << "mid" << mixed << 2 << -1 << u"本a"_qs;
    QTest::newRow("mid counted") << "mid" << mixed << 3 << 2 << u"本"_qs;
    QTest::newRow("mid half a character") << "mid" << mixed << 3 << 1 << QString();
    QTest::newRow("mid past the end") << "mid" << mixed << 10 << -1 << QString();
    QTest::newRow("mid from zero") << "mid" << mixed << 0 << 2 << u"日"_qs;
    QTest::newRow("mid half-width") << "mid" << u"ｱｲｳ"_qs << 2 << 1 << u"ｲ"_qs;
}

void tst_cString::byteCuts()
{
    QFETCH(QString, operation);
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(int, count);
    QFETCH(QString, expected);
    QString actual;
    if (operation == u"left")
        actual = cString::LeftS(text, n);
    else if (operation == u"right")
        actual = cString::RightS(text, n);
    else
        actual = cString::MidS(text, n, count < 0 ? std::nullopt : std::optional<qint32>(count));
    QCOMPARE(actual, expected);
}

void tst_cString::cutsNeverLoseText()
{
    // Any text cut at any byte: the left part fits, and the rest is found again.
    const QString text = u"ｼｰﾄ1の印刷ﾍﾟｰｼﾞ😀é&x"_qs;
    const qint32 length = cString::LenS(text);
    for (qint32 n = 0; n <= length; ++n) {
        const QString left = cString::LeftS(text, n);
        const qint32 leftBytes = cString::LenS(left);
        QVERIFY2(leftBytes <= n && leftBytes >= n - 1, qPrintable(QString::number(n)));
        QCOMPARE(left + cString::MidS(text, leftBytes + 1), text);
        const QString right = cString::RightS(text, n);
        QVERIFY(cString::LenS(right) <= n);
        QVERIFY(text.endsWith(right));
    }
}

void tst_cString::csvLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("result");
    QTest::newRow("spaces trimmed, spare fields") << "a, b ,c" << "," << 5 << QStringList{"a", "b", "c", "", ""} << 2;
    QTest::newRow("array runs out first") << "a,b,c" << "," << 2 << QStringList{"a", "b"} << 2;
    QTest::newRow("exact fit") << "a,b" << "," << 2 << QStringList{"a", "b"} << 1;
    QTest::newRow("empty fields kept") << "a,,b" << "," << 3 << QStringList{"a", "", "b"} << 2;
    QTest::newRow("trailing delimiter") << "a," << "," << 3 << QStringList{"a", "", ""} << 1;
    QTest::newRow("empty line") << "" << "," << 3 << QStringList{"", "", ""} << 0;
    QTest::newRow("no array") << "a,b" << "," << 0 << QStringList{} << 0;
    QTest::newRow("quotes group nothing") << "\"a,b\",c" << "," << 3 << QStringList{"\"a", "b\"", "c"} << 2;
    QTest::newRow("two-character delimiter") << "a::b::c" << "::" << 3 << QStringList{"a", "b", "c"} << 2;
    QTest::newRow("tab kept inside a field") << "a\t,b" << "," << 2 << QStringList{"a\t", "b"} << 1;
    QTest::newRow("empty delimiter") << "a,b" << "" << 2 << QStringList{"a,b", ""} << 0;
    QTest::newRow("full-width text") << u"日本 , ｼｰﾄ"_qs << "," << 2 << QStringList{u"日本"_qs, u"ｼｰﾄ"_qs} << 1;
}

void tst_cString::csvLine()
{
    QFETCH(QString, line);
    QFETCH(QString, delimiter);
    QFETCH(int, size);
    QFETCH(QStringList, fields);
    QFETCH(int, result);
    QStringList data(size, QStringLiteral("old"));
    QCOMPARE(cString::SetCsvLine(line, delimiter, data), result);
    QCOMPARE(data, fields);
}

void tst_cString::padding_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("bytes");
    QTest::addColumn<QString>("chars");
    QTest::newRow("pad left") << QVariant(u"ab"_qs) << 5 << 0 << u"   ab"_qs << u"　　　ab"_qs;
    QTest::newRow("pad right") << QVariant(u"ab"_qs) << 5 << 1 << u"ab   "_qs << u"ab　　　"_qs;
    QTest::newRow("any non-zero direction pads right") << QVariant(u"ab"_qs) << 3 << -1 << u"ab "_qs << u"ab　"_qs;
    QTest::newRow("exact") << QVariant(u"ab"_qs) << 2 << 0 << u"ab"_qs << u"ab"_qs;
    QTest::newRow("cut") << QVariant(u"abcdef"_qs) << 3 << 0 << u"abc"_qs << u"abc"_qs;
    QTest::newRow("full-width counts two") << QVariant(u"日本"_qs) << 6 << 1 << u"日本  "_qs << u"日本　　　　"_qs;
    QTest::newRow("cut through a character fills the byte") << QVariant(u"日本"_qs) << 3 << 1 << u"日 "_qs << u"日本　"_qs;
    QTest::newRow("cut through a character, left") << QVariant(u"日本"_qs) << 3 << 0 << u" 日"_qs << u"　日本"_qs;
    QTest::newRow("null") << QVariant::fromValue(nullptr) << 2 << 1 << u"  "_qs << u"　　"_qs;
    QTest::newRow("number") << QVariant(42) << 4 << 0 << u"  42"_qs << u"　　42"_qs;
    QTest::newRow("zero length") << QVariant(u"ab"_qs) << 0 << 1 << QString() << QString();
}

void tst_cString::padding()
{
    QFETCH(QVariant, value);
    QFETCH(int, length);
    QFETCH(int, direction);
    QFETCH(QString, bytes);
    QFETCH(QString, chars);
    const QString padded = cString::SpacePadding(value, length, qint16(direction));
    QCOMPARE(padded, bytes);
    QCOMPARE(cString::LenS(padded), length);
    QCOMPARE(cString::SpacePaddingW(value, length, qint16(direction)), chars);
}

void tst_cString::nullValues()
{
    const QVariant null = QVariant::fromValue(nullptr);
    QCOMPARE(cString::NVL(null), QVariant(QString()));
    QCOMPARE(cString::NVL(QVariant()), QVariant(QString()));
    QCOMPARE(cString::NVL(null, 7), QVariant(7));
    QCOMPARE(cString::NVL(u"x"_qs, 7), QVariant(u"x"_qs));
    QCOMPARE(cString::NVL(QString(), 7), QVariant(QString()));
    QCOMPARE(cString::NVL(0, 7), QVariant(0));
}

void tst_cString::numbersFromBuffers_data()
{
    QTest::addColumn<QString>("buffer");
    QTest::addColumn<int>("fallback");
    QTest::addColumn<std::optional<qint32>>("expected");
    QTest::newRow("number then NUL") << u"12\0garbage"_qs << 7 << std::optional<qint32>(12);
    QTest::newRow("NUL only gives the default") << u"\0"_qs << 7 << std::optional<qint32>(7);
    QTest::newRow("empty gives the default") << QString() << 7 << std::optional<qint32>(7);
    QTest::newRow("no NUL takes the whole text") << u"345"_qs << 7 << std::optional<qint32>(345);
    QTest::newRow("spaces around") << u" -42 \0"_qs << 7 << std::optional<qint32>(-42);
    QTest::newRow("half rounds to even, down") << u"12.5\0"_qs << 0 << std::optional<qint32>(12);
    QTest::newRow("half rounds to even, up") << u"13.5\0"_qs << 0 << std::optional<qint32>(14);
    QTest::newRow("not a number") << u"abc\0"_qs << 7 << std::optional<qint32>();
    QTest::newRow("out of range") << u"99999999999\0"_qs << 7 << std::optional<qint32>();
}

void tst_cString::numbersFromBuffers()
{
    QFETCH(QString, buffer);
    QFETCH(int, fallback);
    QFETCH(std::optional<qint32>, expected);
    QCOMPARE(cString::StrToLong(buffer, qint16(fallback)), expected);
}

void tst_cString::singlesFromBuffers()
{
    QCOMPARE(cString::StrToSingle(u"1.5\0"_qs, 0.0f), std::optional<float>(1.5f));
    QCOMPARE(cString::StrToSingle(u"\0"_qs, 2.5f), std::optional<float>(2.5f));
    QCOMPARE(cString::StrToSingle(u"x\0"_qs, 2.5f), std::optional<float>());
    QCOMPARE(cString::GetMax(3, 9), 9);
    QCOMPARE(cString::GetMin(3, 9), 3);
}

void tst_cString::characterTests_data()
{
    QTest::addColumn<QString>("test");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("expected");
    QTest::newRow("alpha lower") << "alpha" << QVariant(u"abc"_qs) << true;
    QTest::newRow("alpha upper") << "alpha" << QVariant(u"Z"_qs) << true;
    QTest::newRow("alpha digit") << "alpha" << QVariant(u"1a"_qs) << false;
    QTest::newRow("alpha empty") << "alpha" << QVariant(QString()) << false;
    QTest::newRow("alpha null") << "alpha" << QVariant::fromValue(nullptr) << false;
    QTest::newRow("alpha full-width") << "alpha" << QVariant(u"ａ"_qs) << false;
    QTest::newRow("year 1899") << "year" << QVariant(u"1899"_qs) << false;
    QTest::newRow("year 2000") << "year" << QVariant(u"2000"_qs) << true;
    QTest::newRow("year 1899.5 rounds up") << "year" << QVariant(1899.5) << true;
    QTest::newRow("year 9999") << "year" << QVariant(9999) << true;
    QTest::newRow("year 10000") << "year" << QVariant(u"10000"_qs) << false;
    QTest::newRow("year text") << "year" << QVariant(u"abc"_qs) << false;
    QTest::newRow("year null") << "year" << QVariant::fromValue(nullptr) << false;
    QTest::newRow("month 0") << "month" << QVariant(0) << false;
    QTest::newRow("month 1") << "month" << QVariant(u" 1 "_qs) << true;
    QTest::newRow("month 12") << "month" << QVariant(12) << true;
    QTest::newRow("month 13") << "month" << QVariant(13) << false;
    QTest::newRow("day 31") << "day" << QVariant(u"31"_qs) << true;
    QTest::newRow("day 32") << "day" << QVariant(32) << false;
    QTest::newRow("week 5") << "week" << QVariant(5) << true;
    QTest::newRow("week 6") << "week" << QVariant(6) << false;
    QTest::newRow("week text") << "week" << QVariant(u"x"_qs) << false;
}

void tst_cString::characterTests()
{
    QFETCH(QString, test);
    QFETCH(QVariant, value);
    QFETCH(bool, expected);
    if (test == u"alpha")
        QCOMPARE(cString::IsAlpha(value), expected);
    else if (test == u"year")
        QCOMPARE(cString::IsYear(value), expected);
    else if (test == u"month")
        QCOMPARE(cString::IsMonth(value), expected);
    else if (test == u"day")
        QCOMPARE(cString::IsDay(value, 2), expected); // the month does not matter
    else
        QCOMPARE(cString::IsWeek(value), QVariant(expected));
}

void tst_cString::countAndPoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("positions"); // for Repeat -1, 0, 1, 2
    QTest::newRow("overlapping") << "aaa" << "aa" << 2 << QList<int>{0, 1, 2, 0};
    QTest::newRow("separators") << "a,b,c" << "," << 2 << QList<int>{0, 2, 4, 0};
    QTest::newRow("absent") << "abc" << "x" << 0 << QList<int>{0, 0, 0, 0};
    QTest::newRow("case matters") << "aAa" << "A" << 1 << QList<int>{0, 2, 0, 0};
    QTest::newRow("empty search") << "abc" << "" << 0 << QList<int>{0, 0, 0, 0};
    QTest::newRow("full-width") << u"日/本/語"_qs << "/" << 2 << QList<int>{0, 2, 4, 0};
}

void tst_cString::countAndPoint()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(int, count);
    QFETCH(QList<int>, positions);
    QCOMPARE(cString::CountCharInString(text, what), count);
    for (int repeat = -1; repeat <= 2; ++repeat)
        QCOMPARE(cString::PointCharInString(text, what, repeat), positions[repeat + 1]);
}

void tst_cString::changeCharactor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("expected");
    QTest::newRow("slashes to backslashes") << "a/b/c" << "/" << "\\" << "a\\b\\c";
    QTest::newRow("first character of the replacement") << "a|b" << "|" << "xy" << "axb";
    QTest::newRow("filter bars to NUL") << "x|y|" << "|" << QString(QChar(u'\0')) << u"x\0y\0"_qs;
    QTest::newRow("empty replacement changes nothing") << "a/b" << "/" << "" << "a/b";
    QTest::newRow("two characters match no character") << "a//b" << "//" << "x" << "a//b";
}

void tst_cString::changeCharactor()
{
    QFETCH(QString, text);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, expected);
    QCOMPARE(cString::ChangeCharactor(text, from, to), expected);
}

QTEST_APPLESS_MAIN(tst_cString)
#include "tst_cString.moc"
