#include "BiffText.h"

#include "BiffRecord.h"

namespace quirn::biff {

namespace {

QString readChars(const QByteArray &data, qsizetype offset, int count, bool wide)
{
    if (wide) {
        const qsizetype avail = qMax<qsizetype>(0, (data.size() - offset) / 2);
        const qsizetype n = qMin<qsizetype>(count, avail);
        QString s(n, Qt::Uninitialized);
        for (qsizetype i = 0; i < n; ++i)
            s[i] = QChar(u16(data, offset + 2 * i));
        return s;
    }
    const qsizetype n = qMin<qsizetype>(count, qMax<qsizetype>(0, data.size() - offset));
    return n > 0 ? QString::fromLatin1(data.constData() + offset, n) : QString();
}

bool fitsLatin1(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

QByteArray chars(const QString &text, bool wide)
{
    if (!wide)
        return text.toLatin1();
    QByteArray out(text.size() * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        put16(out, 2 * i, text.at(i).unicode());
    return out;
}

} // namespace

QString readShortString(const QByteArray &data, qsizetype offset)
{
    if (offset + 2 > data.size())
        return {};
    const int count = uchar(data.at(offset));
    const bool wide = uchar(data.at(offset + 1)) & 1;
    return readChars(data, offset + 2, count, wide);
}

QString readString(const QByteArray &data, qsizetype offset)
{
    if (offset + 3 > data.size())
        return {};
    const int count = u16(data, offset);
    const bool wide = uchar(data.at(offset + 2)) & 1;
    return readChars(data, offset + 3, count, wide);
}

QByteArray writeShortString(const QString &text)
{
    const bool wide = !fitsLatin1(text);
    QByteArray out;
    out += char(text.size());
    out += char(wide ? 1 : 0);
    out += chars(text, wide);
    return out;
}

QByteArray writeString(const QString &text)
{
    const bool wide = !fitsLatin1(text);
    QByteArray out = le16(quint16(text.size()));
    out += char(wide ? 1 : 0);
    out += chars(text, wide);
    return out;
}

} // namespace quirn::biff
