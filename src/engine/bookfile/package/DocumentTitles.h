#pragma once

// DocumentTitles: the sheet titles the extended document properties
// (docProps/app.xml) list, kept in step with the sheets when they are
// deleted, reordered or copied: each heading's titles in tab order, its
// count, and the titles of names on deleted sheets dropped. A part whose
// counts and titles disagree is left as it is.

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace quirn {

struct DocumentTitles
{
    // `before` are the sheets' names before the edit; `after` after it, each
    // coming from the sheet at `origin` of `before` (a copy from the sheet
    // it copies).
    static bool edit(const QByteArray &xml, const QStringList &before, const QStringList &after,
                     const QList<int> &origin, QByteArray *out);
};

} // namespace quirn
