#include "PackageBook.h"

#include "BookFileMessages.h"
#include "CompoundFile.h"
#include "SheetPart.h"
#include "SheetRename.h"
#include "VbaProjectReader.h"
#include "WorkbookEdit.h"
#include "XmlSpans.h"
#include "ZipSplice.h"


namespace quirn {

namespace {

// Excel's limit on sheets is memory alone; this one keeps a hostile book's cost bounded.
constexpr int kMostPackageSheets = 32767;

bool isSpreadsheetMain(const QString &contentType)
{
    return contentType.endsWith(QLatin1String(".main+xml"))
        && (contentType.contains(QLatin1String("spreadsheetml")) || contentType.startsWith(QLatin1String("application/vnd.ms-excel.")))
        && !contentType.contains(QLatin1String("binary"));
}

SheetKind kindOf(const QString &relationshipType)
{
    const QString type = OpcPackage::typeName(relationshipType);
    if (type == QLatin1String("worksheet"))
        return SheetKind::Worksheet;
    if (type == QLatin1String("chartsheet"))
        return SheetKind::Chart;
    if (type == QLatin1String("dialogsheet"))
        return SheetKind::DialogSheet;
    if (type == QLatin1String("xlMacrosheet") || type == QLatin1String("xlIntlMacrosheet"))
        return SheetKind::MacroSheet;
    return SheetKind::Other;
}

} // namespace

PackageBook::PackageBook(OpcPackage package) : m_package(std::move(package)) {}

std::unique_ptr<PackageBook> PackageBook::open(const QByteArray &bytes, BookFileError *error)
{
    QString reason;
    auto package = OpcPackage::read(bytes, &reason);
    if (!package) {
        *error = BookFileMessages::damaged();
        return nullptr;
    }
    QList<OpcPackage::Relationship> relationships;
    if (!package->relationships(QString(), &relationships, &reason)) {
        *error = BookFileMessages::damaged();
        return nullptr;
    }
    QString workbookPart;
    for (const auto &r : relationships)
        if (!r.external && OpcPackage::typeName(r.type) == QLatin1String("officeDocument"))
            workbookPart = r.target;
    if (workbookPart.isEmpty() || !package->hasPart(workbookPart)
        || !isSpreadsheetMain(package->contentType(workbookPart))) {
        *error = BookFileMessages::notAWorkbook();
        return nullptr;
    }
    std::unique_ptr<PackageBook> book(new PackageBook(std::move(*package)));
    book->m_workbookPart = workbookPart;
    QByteArray xml;
    std::optional<WorkbookPart> workbook;
    if (!book->m_package.part(workbookPart, &xml, &reason) || !(workbook = WorkbookPart::parse(xml, &reason))) {
        *error = BookFileMessages::damaged();
        return nullptr;
    }
    book->m_workbook = std::move(*workbook);
    if (book->m_workbook.sheets.size() > kMostPackageSheets) {
        *error = BookFileMessages::tooManySheets(int(book->m_workbook.sheets.size()));
        return nullptr;
    }
    if (book->m_workbook.sheets.isEmpty() || !book->readSheets(&reason)) {
        *error = BookFileMessages::damaged();
        return nullptr;
    }
    book->readPrintNames();
    return book;
}

bool PackageBook::readSheets(QString *reason)
{
    QList<OpcPackage::Relationship> relationships;
    if (!m_package.relationships(m_workbookPart, &relationships, reason))
        return false;
    QHash<QString, OpcPackage::Relationship> byId;
    for (const auto &r : relationships) {
        byId.insert(r.id, r);
        if (!r.external && OpcPackage::typeName(r.type) == QLatin1String("vbaProject"))
            readVbaProject(r.target);
    }
    m_facts.clear();
    m_sheetParts.clear();
    for (const WorkbookPart::Sheet &sheet : m_workbook.sheets) {
        const auto found = byId.constFind(sheet.relationshipId);
        if (found == byId.constEnd() || found->external || !m_package.hasPart(found->target)) {
            *reason = QStringLiteral("sheet %1 has no part").arg(sheet.name);
            return false;
        }
        SheetFacts facts;
        facts.name = sheet.name;
        facts.visibility = sheet.visibility;
        facts.kind = kindOf(found->type);
        QByteArray xml;
        QString drawingId;
        if (!m_package.part(found->target, &xml, reason) || !SheetPart::read(xml, &facts, &drawingId, reason))
            return false;
        if (facts.kind == SheetKind::Worksheet && !drawingId.isEmpty())
            facts.embeddedCharts = chartsOf(found->target, drawingId);
        m_sheetParts.append(found->target);
        m_facts.append(facts);
    }
    return true;
}

int PackageBook::chartsOf(const QString &sheetPart, const QString &drawingId) const
{
    QList<OpcPackage::Relationship> relationships;
    QString reason;
    if (!m_package.relationships(sheetPart, &relationships, &reason))
        return 0;
    for (const auto &r : relationships) {
        if (r.id != drawingId || r.external)
            continue;
        QList<OpcPackage::Relationship> drawn;
        if (!m_package.relationships(r.target, &drawn, &reason))
            return 0;
        int charts = 0;
        for (const auto &d : drawn)
            charts += OpcPackage::typeName(d.type) == QLatin1String("chart")
                || OpcPackage::typeName(d.type) == QLatin1String("chartEx");
        return charts;
    }
    return 0;
}

void PackageBook::readPrintNames()
{
    for (const WorkbookPart::DefinedName &name : m_workbook.names) {
        if (name.localSheetId < 0 || name.localSheetId >= m_facts.size())
            continue;
        PageSetupFacts &ps = m_facts[name.localSheetId].pageSetup;
        const QString areas = WorkbookPart::withoutSheetPrefix(name.formula);
        if (name.name.compare(QLatin1String("_xlnm.Print_Area"), Qt::CaseInsensitive) == 0) {
            ps.printArea = areas;
        } else if (name.name.compare(QLatin1String("_xlnm.Print_Titles"), Qt::CaseInsensitive) == 0) {
            // Rows ("$1:$2") and columns ("$A:$B"), in either order.
            for (const QString &area : areas.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                const QString bare = QString(area).remove(QLatin1Char('$'));
                if (!bare.isEmpty() && bare.at(0).isDigit())
                    ps.printTitleRows = area;
                else
                    ps.printTitleColumns = area;
            }
        }
    }
}

void PackageBook::readVbaProject(const QString &part)
{
    m_hasVba = true;
    QByteArray bytes, dir, project;
    QString reason;
    VbaProjectReader reader;
    std::unique_ptr<CompoundFile> container;
    if (m_package.part(part, &bytes, &reason) && (container = CompoundFile::open(bytes))
        && container->readStream(QStringLiteral("VBA/dir"), &dir) && container->readStream(QStringLiteral("PROJECT"), &project)
        && reader.read(dir, project)) {
        for (const auto &m : reader.modules())
            m_vbaModules.append({m.name, int(m.kind)});
    } else {
        m_vbaError = reader.error() ? reader.error() : BookFileMessages::damagedVbaProject();
    }
}

std::unique_ptr<BookFormat> PackageBook::clone() const
{
    return std::unique_ptr<BookFormat>(new PackageBook(*this));
}

int PackageBook::mostSheets() const { return kMostPackageSheets; }

bool PackageBook::currentPart(const QString &name, QByteArray *out, QString *reason) const
{
    const auto changed = m_changed.constFind(entryName(name));
    if (changed != m_changed.constEnd()) {
        *out = *changed;
        return true;
    }
    return m_package.part(name, out, reason);
}

// Parts that may hold a formula or a title naming a sheet; another book's
// link part names that book's sheets and is left alone.
bool PackageBook::mayReferToSheets(const QString &part) const
{
    const QString type = m_package.contentType(part);
    if (type.contains(QLatin1String("externalLink")) || !(type.endsWith(QLatin1String("xml")) || type.contains(QLatin1String("vml"))))
        return false;
    for (const char *kind : {"worksheet", "chartsheet", "dialogsheet", "macrosheet", "drawing", "chart",
                             "pivotCacheDefinition", "controlproperties", "extended-properties"})
        if (type.contains(QLatin1String(kind), Qt::CaseInsensitive))
            return true;
    return false;
}

BookFileError PackageBook::renameSheet(int index, const QString &newName)
{
    const QString oldName = m_facts[index].name;
    QHash<QString, QByteArray> changes;
    bool ok = editPart(m_workbookPart, [&](const QByteArray &in, QByteArray *out) {
        return SheetRename::workbook(in, index, oldName, newName, out);
    }, &changes);
    for (const ZipArchive::Entry &entry : m_package.zip().entries()) {
        if (!ok)
            break;
        if (entry.name.compare(m_workbookPart, Qt::CaseInsensitive) == 0 || !mayReferToSheets(entry.name))
            continue;
        ok = editPart(entry.name, [&](const QByteArray &in, QByteArray *out) {
            if (!SheetRename::mayRefer(in, oldName)) {
                *out = in;
                return true;
            }
            return SheetRename::part(in, oldName, newName, out);
        }, &changes);
    }
    QString reason;
    const auto parsed = ok ? WorkbookPart::parse(changes.value(entryName(m_workbookPart)), &reason) : std::nullopt;
    if (!parsed)
        return BookFileMessages::unsupported(QStringLiteral("シートの名前を変更"));
    m_changed.insert(changes);
    m_workbook = *parsed;
    m_facts[index].name = newName;
    return {};
}

QString PackageBook::entryName(const QString &part) const
{
    const int index = m_package.zip().find(part);
    return index < 0 ? part : m_package.zip().entries().at(index).name;
}

bool PackageBook::editPart(const QString &part, const std::function<bool(const QByteArray &, QByteArray *)> &edit,
                           QHash<QString, QByteArray> *changes) const
{
    QByteArray bytes, edited;
    QString reason;
    if (!currentPart(part, &bytes, &reason) || !edit(bytes, &edited))
        return false;
    // The edited part is read again as a check: its tags must still pair up.
    XmlSpans check;
    if (edited != bytes && !check.read(edited))
        return false;
    if (edited != bytes)
        changes->insert(entryName(part), edited);
    return true;
}

BookFileError PackageBook::setVisibility(int index, SheetVisibility visibility)
{
    // A view on a sheet now hidden goes to the next visible sheet, or the one before.
    int replacement = index;
    if (visibility != SheetVisibility::Visible) {
        for (int step : {1, -1})
            for (int t = index + step; replacement == index && t >= 0 && t < m_facts.size(); t += step)
                if (m_facts[t].visibility == SheetVisibility::Visible)
                    replacement = t;
    }
    QHash<QString, QByteArray> changes;
    bool ok = editPart(m_workbookPart, [&](const QByteArray &in, QByteArray *out) {
        return WorkbookEdit::setVisibility(in, index, visibility, replacement, out);
    }, &changes);
    // A hidden sheet stays out of the selected tabs; the sheet shown instead is selected.
    if (ok && replacement != index) {
        ok = editPart(m_sheetParts[index], [](const QByteArray &in, QByteArray *out) {
            return WorkbookEdit::setTabSelected(in, false, out);
        }, &changes);
        if (ok && m_workbook.activeTab == index)
            ok = editPart(m_sheetParts[replacement], [](const QByteArray &in, QByteArray *out) {
                return WorkbookEdit::setTabSelected(in, true, out);
            }, &changes);
    }
    QString reason;
    const auto parsed = ok ? WorkbookPart::parse(changes.value(entryName(m_workbookPart)), &reason) : std::nullopt;
    if (!parsed)
        return BookFileMessages::unsupported(QStringLiteral("シートの表示と非表示を切り替え"));
    m_changed.insert(changes);
    m_workbook = *parsed;
    m_facts[index].visibility = visibility;
    return {};
}

BookFileError PackageBook::reorderSheets(const QList<int> &order)
{
    QHash<QString, QByteArray> changes;
    QString reason;
    const bool ok = editPart(m_workbookPart, [&](const QByteArray &in, QByteArray *out) {
        return WorkbookEdit::reorder(in, order, out);
    }, &changes);
    const auto parsed = ok ? WorkbookPart::parse(changes.value(entryName(m_workbookPart)), &reason) : std::nullopt;
    if (!parsed)
        return BookFileMessages::unsupported(QStringLiteral("シートを移動"));
    m_changed.insert(changes);
    m_workbook = *parsed;
    QList<SheetFacts> facts;
    QList<QString> parts;
    for (int i : order) {
        facts.append(m_facts[i]);
        parts.append(m_sheetParts[i]);
    }
    m_facts = facts;
    m_sheetParts = parts;
    return {};
}

BookFileError PackageBook::deleteSheets(const QList<int> &)
{
    return BookFileMessages::unsupported(QStringLiteral("シートを削除"));
}

BookFileError PackageBook::duplicateSheet(int, const QString &, int)
{
    return BookFileMessages::unsupported(QStringLiteral("シートをコピー"));
}

BookFileError PackageBook::setPrintNames(int, const QString &, const QString &, const QString &)
{
    return BookFileMessages::unsupported(QStringLiteral("印刷範囲を設定"));
}

BookFileError PackageBook::setPageSetup(int, const PageSetupFacts &)
{
    return BookFileMessages::unsupported(QStringLiteral("ページ設定を変更"));
}

QString PackageBook::importRefusal(const BookFormat &, int) const
{
    return QStringLiteral("Excel 2007 以降の形式のブックのシート");
}

BookFileError PackageBook::importSheets(const Import &)
{
    return BookFileMessages::unsupported(QStringLiteral("別のブックのシートをコピー"));
}

bool PackageBook::writeTo(const QString &path, QString *reason) const
{
    return ZipSplice::write(m_package.zip(), m_changed, path, reason);
}

} // namespace quirn
