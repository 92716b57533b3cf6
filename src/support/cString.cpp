#include "cString.h"

#include "AnsiBytes.h"
#include "cNum.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace {

QString trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

QString beforeFirstNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

} // namespace

QString cString::textOf(const QVariant &value)
{
    return IsNull(value) ? QString() : value.toString();
}

std::optional<double> cString::numberOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QString: {
        bool ok = false;
        const double number = QLocale::c().toDouble(trimSpaces(value.toString()), &ok);
        if (ok)
            return number;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

qint32 cString::LenS(const QVariant &s)
{
    return qint32(AnsiBytes::length(textOf(s)));
}

QString cString::LeftS(const QString &s, qint32 n)
{
    if (n >= LenS(s))
        return s;
    return n <= 0 ? QString() : AnsiBytes::slice(s, 0, n);
}

QString cString::MidS(const QString &s, qint32 n, std::optional<qint32> c)
{
    const qsizetype from = qMax(n, 1) - 1;
    if (c && *c <= 0)
        return QString();
    return AnsiBytes::slice(s, from, c ? *c : -1);
}

QString cString::RightS(const QString &s, qint32 n)
{
    const qint32 length = LenS(s);
    if (n >= length)
        return s;
    return n <= 0 ? QString() : AnsiBytes::slice(s, length - n, n);
}

qint32 cString::SetCsvLine(const QString &Line, const QString &Delimita, QStringList &Data)
{
    for (QString &field : Data)
        field.clear();
    qint32 i = 0;
    qsizetype start = 0;
    while (i < Data.size()) {
        const qsizetype found = Delimita.isEmpty() ? -1 : Line.indexOf(Delimita, start);
        if (found < 0) {
            Data[i] = trimSpaces(Line.mid(start));
            break;
        }
        Data[i] = trimSpaces(Line.mid(start, found - start));
        ++i;
        start = found + Delimita.size();
    }
    return i;
}

QString cString::ExchgNumtoAlph(qint32 Num)
{
    return cNum::ExchgNumtoAlph(Num);
}

bool cString::IsNull(const QVariant &Val)
{
    return !Val.isValid() || Val.typeId() == QMetaType::Nullptr;
}

QVariant cString::NVL(const QVariant &Val, const QVariant &Default)
{
    if (!IsNull(Val))
        return Val;
    return Default.isValid() ? Default : QVariant(QString());
}

QString cString::SpacePadding(const QVariant &fStr, qint32 aLen, qint16 sDir)
{
    const QString s = textOf(fStr);
    QString fitted = LeftS(s, aLen);
    // A cut through a double-byte character leaves the field a byte short.
    const qint32 missing = aLen - LenS(fitted);
    if (missing <= 0)
        return fitted;
    const QString pad(missing, u' ');
    return sDir != 0 ? fitted + pad : pad + fitted;
}

QString cString::SpacePaddingW(const QVariant &fStr, qint32 aLen, qint16 sDir)
{
    const QString s = textOf(fStr);
    const qsizetype missing = aLen - s.size();
    if (missing > 0) {
        const QString pad(missing, QChar(0x3000));
        return sDir != 0 ? s + pad : pad + s;
    }
    if (aLen <= 0)
        return QString();
    qsizetype keep = aLen;
    if (s[keep - 1].isHighSurrogate())
        --keep; // never split a surrogate pair
    return s.left(keep);
}

std::optional<qint32> cString::StrToLong(const QString &sLong, qint16 Default)
{
    const QString text = beforeFirstNul(sLong);
    if (text.isEmpty())
        return Default;
    bool ok = false;
    const double number = QLocale::c().toDouble(trimSpaces(text), &ok);
    if (!ok)
        return std::nullopt;
    const double rounded = std::nearbyint(number); // halves go to the even neighbour
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(rounded);
}

std::optional<float> cString::StrToSingle(const QString &sSingle, float Default)
{
    const QString text = beforeFirstNul(sSingle);
    if (text.isEmpty())
        return Default;
    bool ok = false;
    const float number = QLocale::c().toFloat(trimSpaces(text), &ok);
    if (!ok)
        return std::nullopt;
    return number;
}

qint32 cString::GetMax(qint32 n1, qint32 n2)
{
    return n2 > n1 ? n2 : n1;
}

qint32 cString::GetMin(qint32 n1, qint32 n2)
{
    return n2 < n1 ? n2 : n1;
}

bool cString::IsAlpha(const QVariant &Char)
{
    const QString text = textOf(Char);
    if (text.isEmpty())
        return false;
    const char16_t first = text[0].toUpper().unicode();
    return first >= u'A' && first <= u'Z';
}

bool cString::IsYear(const QVariant &cYear)
{
    const auto number = numberOf(cYear);
    if (!number)
        return false;
    const double year = std::nearbyint(*number);
    return year >= 1900 && year <= 9999;
}

bool cString::IsMonth(const QVariant &cMonth)
{
    const auto number = numberOf(cMonth);
    return number && *number >= 1 && *number <= 12;
}

bool cString::IsDay(const QVariant &cDay, const QVariant &)
{
    const auto number = numberOf(cDay);
    return number && *number >= 1 && *number <= 31;
}

QVariant cString::IsWeek(const QVariant &cWeek)
{
    const auto number = numberOf(cWeek);
    return QVariant(bool(number && *number >= 1 && *number <= 5));
}

qint32 cString::CountCharInString(const QString &sString, const QString &Char)
{
    if (Char.isEmpty())
        return 0;
    qint32 count = 0;
    for (qsizetype at = sString.indexOf(Char); at >= 0; at = sString.indexOf(Char, at + 1))
        ++count;
    return count;
}

qint32 cString::PointCharInString(const QString &sString, const QString &Char, qint32 Repeat)
{
    if (Repeat < 0 || Char.isEmpty())
        return 0;
    qsizetype at = sString.indexOf(Char);
    for (qint32 seen = 0; at >= 0 && seen < Repeat; ++seen)
        at = sString.indexOf(Char, at + 1);
    return at < 0 ? 0 : qint32(at + 1);
}

QString cString::ChangeCharactor(const QString &sStr, const QString &sChar, const QString &dChar)
{
    if (sChar.size() != 1 || dChar.isEmpty())
        return sStr;
    QString changed = sStr;
    changed.replace(sChar[0], dChar[0]);
    return changed;
}
