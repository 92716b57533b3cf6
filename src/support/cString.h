#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// Text operations. Several measure and cut text by its byte length in the
// Japanese ANSI code page (see AnsiBytes) rather than by characters.
//
// A "tagged value" is a QVariant: an invalid QVariant stands for a missing
// value, a QVariant holding std::nullptr_t for null; anything else is taken
// as text or a number.
class cString
{
public:
    // Number of ANSI bytes of s taken as text (null counts as empty text).
    static qint32 LenS(const QVariant &s);
    // The first n ANSI bytes of s when n < LenS(s), otherwise s.
    static QString LeftS(const QString &s, qint32 n);
    // The ANSI bytes of s from byte position n (1-based), c bytes long or to
    // the end when c is omitted.
    static QString MidS(const QString &s, qint32 n, std::optional<qint32> c = std::nullopt);
    // The last n ANSI bytes of s when n < LenS(s), otherwise s.
    static QString RightS(const QString &s, qint32 n);

    // Splits Line at Delimita into the elements of Data (its size stays as
    // given), each trimmed of spaces. Returns the index of the last field
    // filled when the line ran out first, or Data.size() when Data did.
    static qint32 SetCsvLine(const QString &Line, const QString &Delimita, QStringList &Data);

    static QString ExchgNumtoAlph(qint32 Num);

    static bool IsNull(const QVariant &Val);
    // Val when it is not null; otherwise Default, or empty text without one.
    static QVariant NVL(const QVariant &Val, const QVariant &Default = QVariant());

    // fStr padded with half-width spaces (on the right when sDir is not 0,
    // on the left when it is 0) or cut, to exactly aLen ANSI bytes.
    static QString SpacePadding(const QVariant &fStr, qint32 aLen, qint16 sDir);
    // fStr padded with full-width spaces or cut, to aLen characters.
    static QString SpacePaddingW(const QVariant &fStr, qint32 aLen, qint16 sDir);

    // The text before the first NUL (the whole text when there is none)
    // converted to a number; Default when that text is empty; no value when
    // it is not a number in range.
    static std::optional<qint32> StrToLong(const QString &sLong, qint16 Default);
    static std::optional<float> StrToSingle(const QString &sSingle, float Default);

    static qint32 GetMax(qint32 n1, qint32 n2);
    static qint32 GetMin(qint32 n1, qint32 n2);

    // True when the first character of Char, in upper case, is "A" to "Z".
    static bool IsAlpha(const QVariant &Char);
    static bool IsYear(const QVariant &cYear);
    static bool IsMonth(const QVariant &cMonth);
    static bool IsDay(const QVariant &cDay, const QVariant &cMonth = QVariant());
    static QVariant IsWeek(const QVariant &cWeek);

    // Occurrences of Char in sString; overlapping ones count.
    static qint32 CountCharInString(const QString &sString, const QString &Char);
    // 1-based position of occurrence Repeat + 1 of Char; 0 when there is no
    // such occurrence or Repeat is negative.
    static qint32 PointCharInString(const QString &sString, const QString &Char, qint32 Repeat);
    // sStr with every character equal to sChar replaced by the first
    // character of dChar.
    static QString ChangeCharactor(const QString &sStr, const QString &sChar, const QString &dChar);

private:
    static QString textOf(const QVariant &value);
    static std::optional<double> numberOf(const QVariant &value);
};
