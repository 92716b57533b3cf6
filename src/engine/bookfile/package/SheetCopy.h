#pragma once

// SheetCopy: what changes in the parts of a sheet's copy besides its
// references: the copy's view is not selected and has no code name of its
// own yet, and each table it holds takes a new id and a name of its own.

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

namespace quirn {

struct SheetCopy
{
    // The sheet part for the copy: its views unselected, its code name left out.
    static bool forCopy(const QByteArray &sheet, QByteArray *out);
    // The table part with `id` and a name not in `taken` (folded; the new
    // one is added), recorded in `renames` (old name to new).
    static bool renameTable(const QByteArray &table, int id, QSet<QString> *taken, QHash<QString, QString> *renames,
                            QByteArray *out);
};

} // namespace quirn
