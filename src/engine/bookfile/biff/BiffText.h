#pragma once

#include <QByteArray>
#include <QString>

namespace quirn::biff {

// BIFF8 strings: "short" ones carry an 8-bit length, the others a 16-bit one;
// a flag byte tells 8-bit (Latin-1 compressed) from UTF-16 characters.
QString readShortString(const QByteArray &data, qsizetype offset);
QString readString(const QByteArray &data, qsizetype offset);
QByteArray writeShortString(const QString &text);
QByteArray writeString(const QString &text);

} // namespace quirn::biff
