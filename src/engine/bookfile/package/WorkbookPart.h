#pragma once

// WorkbookPart: what a package book's workbook part says: its sheets in tab
// order, the structure and window protection, the views' active and first
// tab, and the defined names.

#include "SheetFacts.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace quirn {

struct WorkbookPart
{
    struct Sheet
    {
        QString name;
        QString sheetId;
        QString relationshipId;
        SheetVisibility visibility = SheetVisibility::Visible;
    };
    struct DefinedName
    {
        QString name;
        int localSheetId = -1; // -1 for a name of the whole book
        QString formula;
    };

    QList<Sheet> sheets;
    QList<DefinedName> names;
    bool structureLocked = false;
    bool windowsLocked = false;
    bool strict = false;
    int activeTab = 0;
    int firstSheet = 0;

    static std::optional<WorkbookPart> parse(const QByteArray &xml, QString *reason);
    // The A1 text a print name gives one sheet, its sheet prefix left out:
    // "'My Sheet'!$A$1:$B$2,'My Sheet'!$D:$D" as "$A$1:$B$2,$D:$D".
    static QString withoutSheetPrefix(const QString &formula);
};

} // namespace quirn
