#pragma once

#include "BiffRecord.h"
#include "BookFileError.h"
#include "SheetFacts.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

namespace quirn {

class SharedStrings;

// The BIFF8 Workbook stream (decrypted) as globals records plus the sheets'
// substreams, edited in place and written back with every absolute offset
// the format keeps (BOUNDSHEET, INDEX, EXTSST) recomputed. Bytes the reader
// does not understand (gaps between substreams, trailing bytes) are kept.
class WorkbookStream
{
public:
    // Sheet positions stay within what the gateway counts in 16 bits; a book
    // with more sheets is refused when it is read.
    static constexpr int kMostSheets = 32767;

    static std::optional<WorkbookStream> parse(const QByteArray &stream, BookFileError *error);

    int sheetCount() const { return int(m_tabBody.size()); }
    QString sheetName(int tab) const;
    int sheetType(int tab) const;
    SheetVisibility visibility(int tab) const;
    const QByteArray &substream(int tab) const;
    SheetFacts sheetFacts(int tab) const;
    // Every sheet's facts, in tab order, in one pass over the book.
    QList<SheetFacts> allSheetFacts() const;

    bool structureProtected() const;
    bool windowsProtected() const;
    bool hasFilePass() const;
    QByteArray filePassPayload() const;

    void renameSheet(int tab, const QString &name);
    void setVisibility(int tab, SheetVisibility visibility);
    // order[newTab] = oldTab; a permutation of every tab.
    void reorderSheets(const QList<int> &order);
    // Removes the sheets at `tabs`; references to them become #REF!, names
    // scoped to them go. False, with nothing changed, when a formula could
    // not be followed.
    bool deleteSheets(const QList<int> &tabs, BookFileError *error);
    void setPageSetup(int tab, const PageSetupFacts &setup);
    // Writes the print area and print titles names of the sheet from A1
    // text (empty removes the name). False, with nothing changed, for text
    // that is no list of areas or a name that cannot go.
    bool setPrintNames(int tab, const QString &area, const QString &titleRows, const QString &titleColumns,
                       BookFileError *error);
    // Copies the sheet at `tab` under `name` in front of `before`, with its
    // own names (print area, titles, local names). False, with nothing
    // changed, for a sheet whose copy would need more than its records
    // (drawings, pivot tables, a VBA module).
    bool duplicateSheet(int tab, const QString &name, int before, bool hasVbaProject, BookFileError *error);

    QByteArray serialize() const;

private:
    friend class BookCodeNames;
    friend class MovedSheetLinks;
    friend class PrintNames;
    friend class SheetDuplicate;
    friend class SheetImportRun; // adds sheets of another book to the records

    struct Body
    {
        QByteArray bytes;
        qint64 originalOffset = 0;
        bool isSheet = false;
        bool removed = false;
    };

    QList<int> boundSheetSlots() const;
    // Adds sheets last in tab order, then moves them as a group in front of
    // `before`: `globals` (the book's, with what the sheets need) gains their
    // directory `entries`, the stream their `bodies`. False, with nothing
    // changed, when the sheet ids cannot grow.
    bool addSheets(QList<biff::Record> globals, const QList<biff::Record> &entries, const QList<Body> &bodies,
                   int before);
    int recordIndex(quint16 type) const;
    int selfSupBook() const;
    void remapSheetIndexes(const QList<int> &newTabOfOld);
    // Renumbers name tokens in the given copies as if the NAME records at
    // `removedRecords` were gone (sheets at `skippedTabs` are not visited).
    bool renumberNamesWithout(const QSet<int> &removedRecords, const QSet<int> &skippedTabs,
                              QList<biff::Record> *globals, QList<Body> *bodies) const;
    void makeActiveSheetVisible();
    bool isWindowSelected(int tab) const;
    void setWindowSelected(int tab, bool selected);
    void fillPrintNames(int tab, PageSetupFacts *setup) const;

    QList<biff::Record> m_globals;
    QList<Body> m_bodies;          // physical order
    QList<int> m_tabBody;          // tab position -> body index
    qint64 m_originalSstOffset = -1;
    // The shared strings an import last wrote, with the SST and CONTINUE
    // records it wrote them to: the next import takes them from here while
    // the book's table is still those very records (a record changed since
    // would no longer share their bytes), instead of reading it again.
    struct StringsCache
    {
        QList<QByteArray> records;
        std::shared_ptr<const SharedStrings> strings;
    };
    std::shared_ptr<const StringsCache> m_stringsCache;
};

} // namespace quirn
