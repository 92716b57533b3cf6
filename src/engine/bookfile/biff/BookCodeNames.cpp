#include "BookCodeNames.h"

#include "BiffText.h"
#include "RecordCursor.h"
#include "SheetCodeName.h"
#include "WorkbookStream.h"

namespace quirn {

using namespace biff;

namespace {

constexpr quint16 rtObjProj = 0x00D3;
constexpr quint16 rtDsf = 0x0161;
constexpr quint16 rtCodePage = 0x0042;

} // namespace

QString BookCodeNames::workbook(const WorkbookStream &book)
{
    for (const Record &r : book.m_globals)
        if (r.type == rtCodeName && r.data.size() >= 3)
            return readString(r.data, 0);
    return QString();
}

QStringList BookCodeNames::sheets(const WorkbookStream &book)
{
    QStringList names;
    for (int tab = 0; tab < book.sheetCount(); ++tab)
        names << SheetCodeName::read(book.substream(tab));
    return names;
}

// In the globals the project's records follow the sheet id table (or, in a
// book without one, the DSF or CODEPAGE record): OBJPROJ, then CODENAME.
void BookCodeNames::giveProject(WorkbookStream &book, const QString &workbookName, const QStringList &sheetNames)
{
    QList<Record> &globals = book.m_globals;
    int after = -1;
    bool objProj = false, codeName = false;
    for (int i = 0; i < globals.size(); ++i) {
        const quint16 t = globals[i].type;
        if (t == rtTabId || ((t == rtDsf || t == rtCodePage) && after < 0))
            after = i;
        objProj = objProj || t == rtObjProj;
        codeName = codeName || t == rtCodeName;
    }
    int at = after < 0 ? 1 : after + 1;
    if (!objProj)
        globals.insert(at++, Record{rtObjProj, QByteArray()});
    for (Record &r : globals)
        if (r.type == rtCodeName)
            r.data = writeString(workbookName);
    if (!codeName)
        globals.insert(at, Record{rtCodeName, writeString(workbookName)});

    for (int tab = 0; tab < book.sheetCount() && tab < sheetNames.size(); ++tab) {
        if (sheetNames[tab].isEmpty())
            continue;
        QByteArray &body = book.m_bodies[book.m_tabBody[tab]].bytes;
        for (const SubstreamRecord &r : RecordCursor::all(body)) {
            if (r.depth == 1 && r.type == rtCodeName) {
                body.replace(r.offset, 4 + r.length, SheetCodeName::record(sheetNames[tab]));
                break;
            }
            if (r.depth == 1 && SheetCodeName::followsCodeName(r.type)) {
                body.insert(r.offset, SheetCodeName::record(sheetNames[tab]));
                break;
            }
        }
    }
}

} // namespace quirn
