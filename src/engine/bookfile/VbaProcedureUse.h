#pragma once

#include <QString>
#include <QStringList>

namespace quirn {

// A sheet brought from another book whose module calls procedures of the
// source book's standard modules, which do not come along (as in Excel):
// the calls work only where the book gets them by other means.
struct VbaProcedureUse
{
    QString sheet;          // the copy's name in the book it came into
    QString module;         // its document module there
    QStringList procedures; // the source's procedures it calls
};

} // namespace quirn
