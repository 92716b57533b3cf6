#pragma once

#include "BiffRecord.h"
#include "BookFileError.h"
#include "CellFormatMap.h"
#include "DrawingMerge.h"
#include "ExternalCache.h"
#include "LinkTable.h"
#include "SharedStrings.h"
#include "SheetImport.h"
#include "WorkbookStream.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>

#include <optional>

namespace quirn {

// One copy of a group of sheets into a target book: the maps from the
// source's tables (names, links, strings, formats, drawings) to the
// target's, filled as the sheets' records are carried across, and what the
// target's tables gain, written when every sheet came across.
class SheetImportRun
{
public:
    SheetImportRun(WorkbookStream &target, const SheetImport::Request &request, BookFileError *error);

    bool run();

private:
    bool fail(const QString &what);
    int newTab(int groupPosition) const { return m_target.sheetCount() + groupPosition; }
    bool carryNamesOfGroup();
    bool carryNamesReferringToGroup();
    bool refersToGroup(const QByteArray &name) const;
    bool sameDefinition(const QByteArray &incoming, int targetIndex) const;
    int settleConflict(QByteArray &incoming, int existing);
    bool carrySheet(int tab, QByteArray *out);
    bool carryControl(QByteArray &record);
    bool remapFormula(QByteArray &data, qsizetype at, int length);
    bool remapCell(QByteArray &record, quint16 type);
    bool remapStrings(QByteArray &record);
    bool remapValidation(QByteArray &record);
    int mapName(int sourceIndex);
    int mapEntry(int sourceEntry);
    std::pair<int, int> mapExternalName(int sourceEntry, int index);
    int sourceLink();
    bool loadStrings();
    bool commitStrings();
    void cacheStrings();
    void commitLinkedCells();
    void commitNames();
    bool placeSheets(const QList<QByteArray> &bodies);

    WorkbookStream &m_target;
    const SheetImport::Request &m_request;
    const WorkbookStream &m_source;
    BookFileError *m_error;
    QList<biff::Record> m_globals;
    LinkTable m_links;
    CellFormatMap m_formats;
    DrawingMerge m_drawings;
    QList<LinkTable::Book> m_sourceBooks;
    QList<LinkTable::Entry> m_sourceEntries;
    QList<QByteArray> m_sourceNames;
    QHash<QByteArray, int> m_targetGlobalNames;
    QList<QByteArray> m_targetNames;
    QSet<QByteArray> m_sourceGlobalNames;
    QString m_nameRefused; // a new name the caller gave that cannot be used
    int m_targetNameCount = 0;
    QList<QByteArray> m_newNames;
    QHash<int, int> m_nameMemo, m_entryMemo;
    QHash<int, int> m_groupPosition;
    int m_sourceLink = -2;
    bool m_sourceLinkIsNew = false;
    QHash<int, QList<ExternalCache::Area>> m_linkedCells; // source sheet -> cells referred to
    std::optional<SharedStrings> m_sourceStrings, m_targetStrings;
    QHash<quint32, int> m_stringMemo;
    quint32 m_stringReferences = 0;
    bool m_stringsFailed = false;
};

} // namespace quirn
