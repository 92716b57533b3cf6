#pragma once

// PageSetupEdit: a sheet part's page setup set by splices: the attributes
// of pageSetup, pageMargins and printOptions that differ, the header and
// footer, and the fit-to-page flag, each element added at its place in the
// schema's order when the part has none. Chart sheets take what their page
// setup has (no print options, no fitting to pages).

#include "PageSetupFacts.h"

#include <QByteArray>
#include <QString>

namespace quirn {

struct PageSetupEdit
{
    // The part with `setup` where it differs from `current` (what the part says now).
    static bool apply(const QByteArray &sheet, const PageSetupFacts &current, const PageSetupFacts &setup,
                      bool chartSheet, QByteArray *out);
    // "$A$1:$C$9,$E:$E" as a print name's formula on sheet `sheet`
    // ("'My data'!$A$1:$C$9,'My data'!$E:$E"), rows and columns absolute;
    // empty when the text is no list of areas inside a sheet.
    static QString areasFormula(const QString &sheet, const QString &areas);
};

} // namespace quirn
