#pragma once

#include <QByteArray>
#include <QString>

namespace quirn {

// The name a sheet has in its book's VBA project (its CODENAME record): the
// name of the sheet's document module.
namespace SheetCodeName {

// The name in the sheet's substream `body`, or empty when it has none.
QString read(const QByteArray &body);

// Whether a record of `type` belongs after the CODENAME record at the end of a sheet.
bool followsCodeName(quint16 type);

// A CODENAME record (header included) naming `name`.
QByteArray record(const QString &name);

} // namespace SheetCodeName

} // namespace quirn
