#include "PackageBook.h"

#include "BookFileMessages.h"
#include "CompoundFile.h"
#include "DocumentTitles.h"
#include "FormulaRefs.h"
#include "PageSetupEdit.h"
#include "PartCloner.h"
#include "SheetCopy.h"
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

PackageBook::PackageBook(OpcPackage package) : m_parts(std::move(package)) {}

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
    if (!book->m_parts.part(workbookPart, &xml, &reason) || !(workbook = WorkbookPart::parse(xml, &reason))) {
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
    if (!m_parts.relationships(m_workbookPart, &relationships, reason))
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
        if (found == byId.constEnd() || found->external || !m_parts.hasPart(found->target)) {
            *reason = QStringLiteral("sheet %1 has no part").arg(sheet.name);
            return false;
        }
        SheetFacts facts;
        facts.name = sheet.name;
        facts.visibility = sheet.visibility;
        facts.kind = kindOf(found->type);
        QByteArray xml;
        QString drawingId;
        if (!m_parts.part(found->target, &xml, reason) || !SheetPart::read(xml, &facts, &drawingId, reason))
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
    if (!m_parts.relationships(sheetPart, &relationships, &reason))
        return 0;
    for (const auto &r : relationships) {
        if (r.id != drawingId || r.external)
            continue;
        QList<OpcPackage::Relationship> drawn;
        if (!m_parts.relationships(r.target, &drawn, &reason))
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
    if (m_parts.part(part, &bytes, &reason) && (container = CompoundFile::open(bytes))
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

// Parts that may hold a formula or a title naming a sheet; another book's
// link part names that book's sheets and is left alone.
bool PackageBook::mayReferToSheets(const PackageEdits &parts, const QString &part) const
{
    const QString type = parts.contentType(part);
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
    PackageEdits parts = m_parts;
    bool ok = editPart(parts, m_workbookPart, [&](const QByteArray &in, QByteArray *out) {
        return SheetRename::workbook(in, index, oldName, newName, out);
    });
    ok = ok && editReferringParts(parts, [&](const QByteArray &in) { return SheetRename::mayRefer(in, oldName); },
                                  [&](const QByteArray &in, QByteArray *out) {
                                      return SheetRename::part(in, oldName, newName, out);
                                  });
    const auto parsed = ok ? workbookIn(parts) : std::nullopt;
    if (!parsed)
        return BookFileMessages::unsupported(QStringLiteral("シートの名前を変更"));
    m_parts = parts;
    m_workbook = *parsed;
    m_facts[index].name = newName;
    return {};
}

bool PackageBook::editReferringParts(PackageEdits &parts, const std::function<bool(const QByteArray &)> &mayRefer,
                                     const std::function<bool(const QByteArray &, QByteArray *)> &edit) const
{
    for (const QString &name : parts.partNames()) {
        if (name.compare(m_workbookPart, Qt::CaseInsensitive) == 0 || !mayReferToSheets(parts, name))
            continue;
        const bool ok = editPart(parts, name, [&](const QByteArray &in, QByteArray *out) {
            if (!mayRefer(in)) {
                *out = in;
                return true;
            }
            return edit(in, out);
        });
        if (!ok)
            return false;
    }
    return true;
}

void PackageBook::keepSheets(const QList<int> &origin)
{
    QList<SheetFacts> facts;
    QList<QString> sheetParts;
    for (int i : origin) {
        facts.append(m_facts[i]);
        sheetParts.append(m_sheetParts[i]);
    }
    m_facts = facts;
    m_sheetParts = sheetParts;
}

bool PackageBook::editPart(PackageEdits &parts, const QString &part,
                           const std::function<bool(const QByteArray &, QByteArray *)> &edit)
{
    QByteArray bytes, edited;
    QString reason;
    if (!parts.part(part, &bytes, &reason) || !edit(bytes, &edited))
        return false;
    // The edited part is read again as a check: its tags must still pair up.
    XmlSpans check;
    if (edited != bytes && !check.read(edited))
        return false;
    if (edited != bytes)
        parts.replace(part, edited);
    return true;
}

std::optional<WorkbookPart> PackageBook::workbookIn(const PackageEdits &parts) const
{
    QByteArray xml;
    QString reason;
    if (!parts.part(m_workbookPart, &xml, &reason))
        return std::nullopt;
    return WorkbookPart::parse(xml, &reason);
}

QStringList PackageBook::sheetNames() const
{
    QStringList names;
    for (const SheetFacts &f : m_facts)
        names << f.name;
    return names;
}

bool PackageBook::editTitles(PackageEdits &parts, const QStringList &after, const QList<int> &origin) const
{
    QList<OpcPackage::Relationship> relationships;
    QString reason;
    if (!parts.relationships(QString(), &relationships, &reason))
        return false;
    const QStringList before = sheetNames();
    for (const auto &r : relationships)
        if (!r.external && OpcPackage::typeName(r.type) == QLatin1String("extended-properties") && parts.hasPart(r.target))
            return editPart(parts, r.target, [&](const QByteArray &in, QByteArray *out) {
                return DocumentTitles::edit(in, before, after, origin, out);
            });
    return true;
}

bool PackageBook::selectTab(PackageEdits &parts, const QString &sheetPart, bool selected) const
{
    return editPart(parts, sheetPart, [&](const QByteArray &in, QByteArray *out) {
        return WorkbookEdit::setTabSelected(in, selected, out);
    });
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
    PackageEdits parts = m_parts;
    bool ok = editPart(parts, m_workbookPart, [&](const QByteArray &in, QByteArray *out) {
        return WorkbookEdit::setVisibility(in, index, visibility, replacement, out);
    });
    // A hidden sheet stays out of the selected tabs; the sheet shown instead is selected.
    if (ok && replacement != index) {
        ok = selectTab(parts, m_sheetParts[index], false);
        if (ok && m_workbook.activeTab == index)
            ok = selectTab(parts, m_sheetParts[replacement], true);
    }
    const auto parsed = ok ? workbookIn(parts) : std::nullopt;
    if (!parsed)
        return BookFileMessages::unsupported(QStringLiteral("シートの表示と非表示を切り替え"));
    m_parts = parts;
    m_workbook = *parsed;
    m_facts[index].visibility = visibility;
    return {};
}

BookFileError PackageBook::reorderSheets(const QList<int> &order)
{
    PackageEdits parts = m_parts;
    QStringList after;
    for (int i : order)
        after << m_facts[i].name;
    const bool ok = editPart(parts, m_workbookPart, [&](const QByteArray &in, QByteArray *out) {
        return WorkbookEdit::reorder(in, order, out);
    }) && editTitles(parts, after, order);
    const auto parsed = ok ? workbookIn(parts) : std::nullopt;
    if (!parsed)
        return BookFileMessages::unsupported(QStringLiteral("シートを移動"));
    m_parts = parts;
    m_workbook = *parsed;
    keepSheets(order);
    return {};
}

QStringList PackageBook::sheetRelationshipIds() const
{
    QStringList ids;
    for (const WorkbookPart::Sheet &s : m_workbook.sheets)
        ids << s.relationshipId;
    return ids;
}

BookFileError PackageBook::deleteSheets(const QList<int> &indexes)
{
    const QSet<int> gone(indexes.begin(), indexes.end());
    const QStringList before = sheetNames();
    QStringList goneNames;
    QSet<QString> goneFolded, relationshipIds, sheetIds;
    for (int i : gone) {
        goneNames << before[i];
        goneFolded.insert(before[i].toCaseFolded());
        relationshipIds.insert(m_workbook.sheets[i].relationshipId);
        sheetIds.insert(m_workbook.sheets[i].sheetId);
    }
    QList<int> origin;
    QStringList after;
    for (int i = 0; i < before.size(); ++i)
        if (!gone.contains(i)) {
            origin << i;
            after << before[i];
        }
    // A deleted active sheet leaves the view to the next visible sheet, or the one before.
    int active = qBound(0, m_workbook.activeTab, int(before.size()) - 1);
    const bool activeGoes = gone.contains(active);
    for (int step : {1, -1})
        for (int t = active + step; gone.contains(active) && t >= 0 && t < before.size(); t += step)
            if (!gone.contains(t) && m_facts[t].visibility == SheetVisibility::Visible)
                active = t;
    if (gone.contains(active))
        active = origin.first();

    PackageEdits parts = m_parts;
    const QSet<QString> reachedBefore = parts.reachable();
    QString reason;
    bool recalculate = false; // formulas changed, their cached results stale
    auto toRef = [&](const QByteArray &in, QByteArray *out) {
        const bool done = SheetRename::deleted(in, before, goneFolded, out);
        recalculate = recalculate || *out != in;
        return done;
    };
    bool ok = editPart(parts, m_workbookPart, [&](const QByteArray &in, QByteArray *out) {
        return WorkbookEdit::removeSheets(in, gone, int(origin.indexOf(active)), out);
    }) && editPart(parts, m_workbookPart, toRef) && parts.removeRelationships(m_workbookPart, relationshipIds, &reason);
    if (ok && activeGoes)
        ok = selectTab(parts, m_sheetParts[active], true);
    // The calculation chain without the deleted sheets' cells; none when none is left.
    QList<OpcPackage::Relationship> relationships;
    ok = ok && parts.relationships(m_workbookPart, &relationships, &reason);
    for (const auto &r : relationships) {
        if (!ok || r.external || OpcPackage::typeName(r.type) != QLatin1String("calcChain") || !parts.hasPart(r.target))
            continue;
        bool empty = false;
        ok = editPart(parts, r.target, [&](const QByteArray &in, QByteArray *out) {
            return WorkbookEdit::dropCalculations(in, sheetIds, out, &empty);
        });
        if (ok && empty)
            ok = parts.removeRelationships(m_workbookPart, {r.id}, &reason);
    }
    // What only the deleted sheets used goes with them.
    const QSet<QString> reachedAfter = parts.reachable();
    for (const QString &part : reachedBefore)
        if (ok && !reachedAfter.contains(part))
            ok = parts.remove(part, &reason);
    // What referred to them elsewhere refers to nothing, and is calculated again.
    ok = ok && editReferringParts(parts, [&](const QByteArray &in) { return SheetRename::mayReferAny(in, goneNames); },
                                  toRef);
    if (ok && recalculate)
        ok = editPart(parts, m_workbookPart, [](const QByteArray &in, QByteArray *out) {
            return WorkbookEdit::calculateOnLoad(in, out);
        });
    ok = ok && editTitles(parts, after, origin);
    const auto parsed = ok ? workbookIn(parts) : std::nullopt;
    if (!parsed || parsed->sheets.size() != after.size())
        return BookFileMessages::unsupported(QStringLiteral("シートを削除"));
    m_parts = parts;
    m_workbook = *parsed;
    keepSheets(origin);
    return {};
}

QString PackageBook::copyRefusal(const PackageEdits &parts, const QString &sheetPart) const
{
    // What a copy cannot take faithfully: parts tied to the whole book by ids of their own.
    QString reason;
    QStringList queue{sheetPart};
    QSet<QString> seen;
    while (!queue.isEmpty()) {
        QList<OpcPackage::Relationship> relationships;
        if (!parts.relationships(queue.takeLast(), &relationships, &reason))
            return QStringLiteral("シートのコピー (関係の読み取り)");
        for (const auto &r : relationships) {
            const QString type = OpcPackage::typeName(r.type);
            if (type == QLatin1String("pivotTable"))
                return QStringLiteral("ピボットテーブルのあるシートのコピー");
            if (type == QLatin1String("slicer") || type == QLatin1String("timeline"))
                return QStringLiteral("スライサーのあるシートのコピー");
            if (type == QLatin1String("queryTable"))
                return QStringLiteral("外部データの範囲のあるシートのコピー");
            if (type == QLatin1String("threadedComment"))
                return QStringLiteral("スレッド形式のコメントのあるシートのコピー");
            if (!r.external && !seen.contains(r.target.toLower()) && type != QLatin1String("image")) {
                seen.insert(r.target.toLower());
                queue.append(r.target);
            }
        }
    }
    return QString();
}

BookFileError PackageBook::duplicateSheet(int index, const QString &newName, int before)
{
    const QString sheetPart = m_sheetParts[index];
    const QString oldName = m_facts[index].name;
    if (const QString refusal = copyRefusal(m_parts, sheetPart); !refusal.isEmpty())
        return BookFileMessages::unsupported(refusal);
    PackageEdits parts = m_parts;
    QString reason;
    QList<OpcPackage::Relationship> relationships;
    if (!parts.relationships(m_workbookPart, &relationships, &reason))
        return BookFileMessages::damaged();
    QString sheetType;
    for (const auto &r : relationships)
        if (r.id == m_workbook.sheets[index].relationshipId)
            sheetType = r.type;
    // Parts the book reaches without this sheet are shared by the copy, and so are images.
    PackageEdits without = parts;
    without.removeRelationships(m_workbookPart, {m_workbook.sheets[index].relationshipId}, &reason);
    const QSet<QString> elsewhere = without.reachable();
    // Tables are named and numbered across the book.
    QSet<QString> tableNames; // with the book's names, which they must differ from
    for (const WorkbookPart::DefinedName &n : m_workbook.names)
        tableNames.insert(n.name.toCaseFolded());
    int lastTableId = 0;
    for (const QString &name : parts.partNames()) {
        if (!parts.contentType(name).endsWith(QLatin1String(".table+xml")))
            continue;
        QByteArray bytes;
        XmlSpans table;
        if (!parts.part(name, &bytes, &reason) || !table.read(bytes))
            return BookFileMessages::damaged();
        const XmlSpans::Element &root = table.all().first();
        for (const char *attribute : {"name", "displayName"})
            if (const auto a = table.attribute(root, attribute))
                tableNames.insert(table.value(*a).toCaseFolded());
        if (const auto id = table.attribute(root, "id"))
            lastTableId = qMax(lastTableId, table.value(*id).toInt());
    }
    QHash<QString, QString> tableRenames;
    auto rewrite = [&](const QString &source, const QString &type, QByteArray *bytes) {
        if (!type.endsWith(QLatin1String("xml")) && !type.contains(QLatin1String("vml")))
            return true; // printer settings, embedded objects: as they are
        QByteArray out;
        if (type.endsWith(QLatin1String(".table+xml"))) {
            if (!SheetCopy::renameTable(*bytes, ++lastTableId, &tableNames, &tableRenames, &out))
                return false;
            *bytes = out;
        }
        if (source == sheetPart && !SheetCopy::forCopy(*bytes, bytes))
            return false;
        if (!SheetRename::copied(*bytes, oldName, newName, tableRenames, &out))
            return false;
        *bytes = out;
        return true;
    };
    auto share = [&](const OpcPackage::Relationship &r) {
        return OpcPackage::typeName(r.type) == QLatin1String("image") || elsewhere.contains(r.target.toLower())
            ? r.target
            : QString();
    };
    PartCloner cloner(parts, parts, share, rewrite);
    const QString copy = cloner.clone(sheetPart, &reason);
    const QString relationshipId = copy.isEmpty() ? QString() : parts.addRelationship(m_workbookPart, sheetType, copy, &reason);
    int sheetId = 0;
    for (const WorkbookPart::Sheet &s : m_workbook.sheets)
        sheetId = qMax(sheetId, s.sheetId.toInt());
    QStringList after = sheetNames();
    after << newName;
    QList<int> origin;
    for (int i = 0; i < m_facts.size(); ++i)
        origin << i;
    origin << index;
    bool ok = !relationshipId.isEmpty() && editPart(parts, m_workbookPart, [&](const QByteArray &in, QByteArray *out) {
        return WorkbookEdit::appendCopy(in, index, newName, sheetId + 1, relationshipId, [&](const QString &f) {
            return FormulaRefs::renameSheet(f, oldName, newName);
        }, out);
    }) && editTitles(parts, after, origin);
    const auto parsed = ok ? workbookIn(parts) : std::nullopt;
    if (!parsed || parsed->sheets.size() != after.size()) {
        return BookFileMessages::unsupported(QStringLiteral("シートをコピー"));
    }
    const PackageBook kept = *this;
    m_parts = parts;
    m_workbook = *parsed;
    SheetFacts facts = m_facts[index];
    facts.name = newName;
    m_facts.append(facts);
    m_sheetParts.append(copy);
    if (before == m_facts.size() - 1)
        return {};
    QList<int> order;
    for (int t = 0; t < m_facts.size() - 1; ++t) {
        if (t == before)
            order << int(m_facts.size()) - 1;
        order << t;
    }
    if (auto e = reorderSheets(order)) {
        *this = kept;
        return e;
    }
    return {};
}

BookFileError PackageBook::setPrintNames(int index, const QString &area, const QString &titleRows,
                                         const QString &titleColumns)
{
    const QString sheet = m_facts[index].name;
    const QString areaFormula = area.isEmpty() ? QString() : PageSetupEdit::areasFormula(sheet, area);
    // Excel writes the title columns first.
    QStringList titles;
    for (const QString &t : {titleColumns, titleRows})
        if (!t.isEmpty())
            titles << PageSetupEdit::areasFormula(sheet, t);
    if ((!area.isEmpty() && areaFormula.isEmpty()) || titles.contains(QString()))
        return BookFileMessages::invalidReference();
    PackageEdits parts = m_parts;
    const bool ok = editPart(parts, m_workbookPart, [&](const QByteArray &in, QByteArray *out) {
        QByteArray withArea;
        return WorkbookEdit::setLocalName(in, index, QStringLiteral("_xlnm.Print_Area"), areaFormula, &withArea)
            && WorkbookEdit::setLocalName(withArea, index, QStringLiteral("_xlnm.Print_Titles"),
                                          titles.join(QLatin1Char(',')), out);
    });
    const auto parsed = ok ? workbookIn(parts) : std::nullopt;
    if (!parsed)
        return BookFileMessages::unsupported(QStringLiteral("印刷範囲を設定"));
    m_parts = parts;
    m_workbook = *parsed;
    for (SheetFacts &facts : m_facts) {
        facts.pageSetup.printArea.clear();
        facts.pageSetup.printTitleRows.clear();
        facts.pageSetup.printTitleColumns.clear();
    }
    readPrintNames();
    return {};
}

BookFileError PackageBook::setPageSetup(int index, const PageSetupFacts &setup)
{
    PackageEdits parts = m_parts;
    const SheetFacts current = m_facts[index];
    const bool chart = current.kind == SheetKind::Chart;
    if (current.kind != SheetKind::Worksheet && !chart)
        return BookFileMessages::unsupported(QStringLiteral("このシートのページ設定を変更"));
    QByteArray xml;
    QString reason, drawingId;
    SheetFacts facts;
    const bool ok = editPart(parts, m_sheetParts[index], [&](const QByteArray &in, QByteArray *out) {
        return PageSetupEdit::apply(in, current.pageSetup, setup, chart, out);
    }) && parts.part(m_sheetParts[index], &xml, &reason) && SheetPart::read(xml, &facts, &drawingId, &reason);
    if (!ok)
        return BookFileMessages::unsupported(QStringLiteral("ページ設定を変更"));
    m_parts = parts;
    // The page setup as the part now says, the print names as they were.
    PageSetupFacts &now = m_facts[index].pageSetup;
    const PageSetupFacts names = now;
    now = facts.pageSetup;
    now.printArea = names.printArea;
    now.printTitleRows = names.printTitleRows;
    now.printTitleColumns = names.printTitleColumns;
    return {};
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
    return ZipSplice::write(m_parts.zip(), m_parts.changes(), path, reason, &m_deflated);
}

} // namespace quirn
