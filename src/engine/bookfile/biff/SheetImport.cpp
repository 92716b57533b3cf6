#include "SheetImport.h"

#include "BookFileMessages.h"
#include "ControlObject.h"
#include "MovedSheetLinks.h"
#include "RecordCursor.h"
#include "SheetImportRun.h"
#include "WorkbookStream.h"

namespace quirn {

using namespace biff;

namespace {

constexpr quint16 kBofDtWorksheet = 0x0010;
constexpr int kWorksheetEntry = 0;
constexpr int kChartEntry = 2;

// What ties a sheet to parts of the book the records do not carry across.
QString refusedRecord(quint16 type)
{
    switch (type) {
    case 0x00B0:
        return QStringLiteral("ピボットテーブルのあるシート");
    case 0x0872: case 0x0877: case 0x0878:
        return QStringLiteral("テーブル (リスト) のあるシート");
    case 0x0879: case 0x087A: case 0x087B:
        return QStringLiteral("拡張された条件付き書式のあるシート");
    default:
        return QString();
    }
}

// Whether a drawing object is one whose records alone make it: shapes, text
// boxes, comments, pictures and charts, and ActiveX controls whose data is
// in the book's Ctls stream (which the copy takes along) and which link no
// cells; not form controls, OLE objects or objects with a macro assigned.
bool isPlainObject(const QByteArray &obj)
{
    if (const auto control = ControlObject::read(obj))
        return !control->linksCells;
    if (obj.size() < 6 || u16(obj, 0) != 0x0015)
        return false;
    switch (u16(obj, 4)) {
    case 0x01: case 0x02: case 0x03: case 0x04: case 0x05: case 0x06: case 0x08: case 0x09: case 0x19: case 0x1E:
        break;
    default:
        return false;
    }
    for (qsizetype p = 0; p + 4 <= obj.size();) {
        const quint16 ft = u16(obj, p), cb = u16(obj, p + 2);
        if (ft == 0x0000)
            break;
        if (ft == 0x0004 || ft == 0x0009 || ft == 0x000E || ft == 0x0013 || ft == 0x0014)
            return false; // a macro, an OLE link or a control's cell
        p += 4 + cb;
    }
    return true;
}

} // namespace

QString SheetImport::refusal(const WorkbookStream &source, int tab)
{
    const int entryType = source.sheetType(tab);
    if (entryType != kWorksheetEntry && entryType != kChartEntry)
        return QStringLiteral("マクロ シートやダイアログ シート");
    const QByteArray &body = source.substream(tab);
    const quint16 kind = entryType == kChartEntry ? kBofDtChart : kBofDtWorksheet;
    for (const SubstreamRecord &r : RecordCursor::all(body)) {
        if (r.depth > 1 && r.type == rtBof && u16(body, r.offset + 4 + 2) != kBofDtChart)
            return QStringLiteral("グラフ以外の埋め込みのあるシート");
        if (r.type == rtObj && !isPlainObject(body.mid(r.offset + 4, r.length)))
            return QStringLiteral("コントロール、OLE オブジェクトやマクロを登録した図形のあるシート");
        if (r.depth > 1)
            continue;
        if (r.type == rtBof && u16(body, r.offset + 4 + 2) != kind)
            return QStringLiteral("マクロ シートやダイアログ シート");
        const QString why = refusedRecord(r.type);
        if (!why.isEmpty())
            return why;
    }
    return QString();
}

void SheetImport::redirectToTarget(WorkbookStream &source, const QString &sourcePath, const QList<int> &tabs,
                                   const QString &targetPath, const QStringList &targetSheets,
                                   const QList<int> &targetTabs)
{
    MovedSheetLinks::redirect(source, sourcePath, tabs, targetPath, targetSheets, targetTabs);
}

bool SheetImport::run(WorkbookStream &target, const Request &request, BookFileError *error)
{
    if (!request.source || request.tabs.isEmpty() || request.tabs.size() != request.names.size()) {
        *error = BookFileMessages::noSuchSheet(QString());
        return false;
    }
    // Everything is prepared on a copy; the target changes only when all of it worked.
    WorkbookStream copy = target;
    SheetImportRun importer(copy, request, error);
    if (!importer.run())
        return false;
    target = std::move(copy);
    return true;
}

} // namespace quirn
