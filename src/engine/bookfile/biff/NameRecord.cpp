#include "NameRecord.h"

#include "BiffRecord.h"

#include <QRegularExpression>
#include <QString>

namespace quirn {

using namespace biff;

namespace {

constexpr qsizetype kNameText = 15; // where the name's characters start
constexpr quint16 kNameBuiltin = 0x0020;

} // namespace

NameRecord NameRecord::parse(const QByteArray &d)
{
    NameRecord n;
    if (d.size() < kNameText)
        return n;
    const int cch = quint8(d.at(3));
    const bool wide = quint8(d.at(14)) & 1;
    n.builtin = u16(d, 0) & kNameBuiltin;
    n.builtinCode = d.size() > kNameText ? quint8(d.at(kNameText)) : 0;
    n.itab = u16(d, 8);
    n.cce = u16(d, 4);
    n.rgceAt = kNameText + qsizetype(cch) * (wide ? 2 : 1);
    n.valid = n.rgceAt + n.cce <= d.size();
    return n;
}

QByteArray NameRecord::key(const QByteArray &d)
{
    if (d.size() < kNameText)
        return QByteArray();
    if (u16(d, 0) & kNameBuiltin)
        return QByteArray("\x01") + d.mid(kNameText, 1);
    return text(d).toLower().toUtf8();
}

QString NameRecord::text(const QByteArray &d)
{
    if (d.size() < kNameText || (u16(d, 0) & kNameBuiltin))
        return QString();
    const int cch = quint8(d.at(3));
    const bool wide = quint8(d.at(14)) & 1;
    QString text;
    for (int i = 0; i < cch; ++i)
        text += wide ? QChar(kNameText + 2 * i + 1 < d.size() ? u16(d, kNameText + 2 * i) : 0)
                     : QChar(quint8(d.at(qMin<qsizetype>(kNameText + i, d.size() - 1))));
    return text;
}

QByteArray NameRecord::renamed(const QByteArray &d, const QString &name)
{
    const NameRecord n = parse(d);
    if (!n.valid || n.builtin || name.isEmpty() || name.size() > 255)
        return d;
    QByteArray out = d.left(kNameText - 1);
    out[3] = char(name.size());
    bool wide = false;
    for (QChar c : name)
        wide = wide || c.unicode() > 0xFF;
    out += char(wide ? 1 : 0);
    for (QChar c : name) {
        if (wide) {
            out += char(c.unicode() & 0xFF);
            out += char(c.unicode() >> 8);
        } else {
            out += char(c.unicode());
        }
    }
    return out + d.mid(n.rgceAt);
}

bool NameRecord::isValidName(const QString &name)
{
    if (name.isEmpty() || name.size() > 255)
        return false;
    const QChar first = name.front();
    if (!first.isLetter() && first != u'_' && first != u'\\')
        return false;
    for (QChar c : name)
        if (!c.isLetterOrNumber() && c != u'_' && c != u'.' && c != u'\\')
            return false;
    // Excel reads these as cells: A1, XFD1048576, R, C, R1C1.
    static const QRegularExpression address(QStringLiteral("^([A-Za-z]{1,3}\\d+|[RrCc]|[Rr]\\d*[Cc]\\d*)$"));
    return !address.match(name).hasMatch();
}

QByteArray NameRecord::builtinData(quint8 code, int itab, const QByteArray &formula)
{
    QByteArray d(14, '\0');
    put16(d, 0, kNameBuiltin);
    d[3] = 1;                      // one character: the built-in code
    put16(d, 4, quint16(formula.size()));
    put16(d, 8, quint16(itab));
    d += char(0);                  // 8-bit characters
    d += char(code);
    return d + formula;
}

} // namespace quirn
