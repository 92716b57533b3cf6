#include "WorkbookPart.h"

#include <QXmlStreamReader>

namespace quirn {

namespace {

bool isTrue(QStringView value)
{
    return value == QLatin1String("1") || value == QLatin1String("true");
}

// The r:id attribute, whichever relationships namespace the book uses.
QString relationshipId(const QXmlStreamAttributes &attributes)
{
    for (const QXmlStreamAttribute &a : attributes)
        if (a.name() == QLatin1String("id") && a.namespaceUri().endsWith(QLatin1String("relationships")))
            return a.value().toString();
    return QString();
}

} // namespace

std::optional<WorkbookPart> WorkbookPart::parse(const QByteArray &bytes, QString *reason)
{
    WorkbookPart part;
    QXmlStreamReader xml(bytes);
    bool views = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        const QXmlStreamAttributes attributes = xml.attributes();
        if (name == QLatin1String("workbook")) {
            part.strict = xml.namespaceUri().startsWith(QLatin1String("http://purl.oclc.org/"));
        } else if (name == QLatin1String("sheet")) {
            Sheet sheet;
            sheet.name = attributes.value(QLatin1String("name")).toString();
            sheet.sheetId = attributes.value(QLatin1String("sheetId")).toString();
            sheet.relationshipId = relationshipId(attributes);
            const QStringView state = attributes.value(QLatin1String("state"));
            if (state == QLatin1String("hidden"))
                sheet.visibility = SheetVisibility::Hidden;
            else if (state == QLatin1String("veryHidden"))
                sheet.visibility = SheetVisibility::VeryHidden;
            part.sheets.append(sheet);
        } else if (name == QLatin1String("workbookProtection")) {
            part.structureLocked = isTrue(attributes.value(QLatin1String("lockStructure")));
            part.windowsLocked = isTrue(attributes.value(QLatin1String("lockWindows")));
        } else if (name == QLatin1String("workbookView") && !views) {
            views = true; // the first view is the one the book opens in
            part.activeTab = attributes.value(QLatin1String("activeTab")).toInt();
            part.firstSheet = attributes.value(QLatin1String("firstSheet")).toInt();
        } else if (name == QLatin1String("definedName")) {
            DefinedName defined;
            defined.name = attributes.value(QLatin1String("name")).toString();
            if (attributes.hasAttribute(QLatin1String("localSheetId")))
                defined.localSheetId = attributes.value(QLatin1String("localSheetId")).toInt();
            defined.formula = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            part.names.append(defined);
        }
    }
    if (xml.hasError()) {
        *reason = QStringLiteral("workbook: %1").arg(xml.errorString());
        return std::nullopt;
    }
    return part;
}

QString WorkbookPart::withoutSheetPrefix(const QString &formula)
{
    QStringList areas;
    QString current;
    bool quoted = false;
    for (QChar c : formula) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (c == QLatin1Char(',') && !quoted) {
            areas.append(current);
            current.clear();
        } else {
            current.append(c);
        }
    }
    areas.append(current);
    for (QString &area : areas) {
        // The sheet part ends at the last "!" outside quotes.
        qsizetype bang = -1;
        bool inQuotes = false;
        for (qsizetype i = 0; i < area.size(); ++i) {
            if (area[i] == QLatin1Char('\''))
                inQuotes = !inQuotes;
            else if (area[i] == QLatin1Char('!') && !inQuotes)
                bang = i;
        }
        area = area.mid(bang + 1);
    }
    return areas.join(QLatin1Char(','));
}

} // namespace quirn
