#include "MovedSheetLinks.h"

#include "ExternalCache.h"
#include "FormulaTokens.h"
#include "LinkTable.h"
#include "NameRecord.h"
#include "RecordCursor.h"
#include "SharedStrings.h"
#include "WorkbookStream.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace quirn {

using namespace biff;

void MovedSheetLinks::redirect(WorkbookStream &source, const QString &sourcePath, const QList<int> &tabs,
                               const QString &targetPath, const QStringList &targetSheets,
                               const QList<int> &targetTabs)
{
    QHash<int, int> movedTo;
    for (int i = 0; i < tabs.size() && i < targetTabs.size(); ++i)
        movedTo.insert(tabs[i], targetTabs[i]);
    const QList<LinkTable::Book> books = LinkTable::books(source.m_globals);
    const QList<LinkTable::Entry> entries = LinkTable::entries(source.m_globals);
    // Entries wholly on moved sheets that stay next to each other there.
    QHash<int, std::pair<int, int>> redirected;
    for (int x = 0; x < entries.size(); ++x) {
        const LinkTable::Entry e = entries[x];
        if (e.book >= books.size() || !books[e.book].self || !movedTo.contains(e.first) || !movedTo.contains(e.last))
            continue;
        bool together = movedTo[e.last] - movedTo[e.first] == e.last - e.first;
        for (int t = e.first; together && t <= e.last; ++t)
            together = movedTo.value(t, -1) == movedTo[e.first] + (t - e.first);
        if (together)
            redirected.insert(x, {movedTo[e.first], movedTo[e.last]});
    }
    const QByteArray link = LinkTable::externalBook(targetPath, sourcePath, targetSheets);
    if (redirected.isEmpty() || link.isEmpty())
        return;

    // The cells the source's formulas and names refer to there, for the cache.
    QHash<int, QList<ExternalCache::Area>> cells;
    FormulaTokens::ReferenceMap collect;
    collect.name = [](int i) { return i; };
    collect.sheetEntry = [](int e) { return e; };
    collect.externalName = [](int e, int i) { return std::pair<int, int>(e, i); };
    collect.cells = [&](int e, int r1, int r2, int c1, int c2) {
        if (redirected.contains(e))
            for (int t = entries[e].first; t <= entries[e].last; ++t)
                cells[t].append({r1, r2, c1, c2});
    };
    for (const Record &r : source.m_globals) {
        if (r.type != rtName)
            continue;
        QByteArray d = r.data;
        const NameRecord n = NameRecord::parse(d);
        if (n.valid)
            FormulaTokens::remapReferences(d, n.rgceAt, n.cce, collect);
    }
    for (int t = 0; t < source.sheetCount(); ++t) {
        if (movedTo.contains(t))
            continue;
        for (const SubstreamRecord &r : RecordCursor::all(source.substream(t))) {
            QByteArray d = source.substream(t).mid(r.offset + 4, r.length);
            if (r.type == rtFormula && d.size() >= 22)
                FormulaTokens::remapReferences(d, 22, qMin<int>(u16(d, 20), int(d.size()) - 22), collect);
            else if (r.type == rtArray && d.size() >= 14)
                FormulaTokens::remapReferences(d, 14, qMin<int>(u16(d, 12), int(d.size()) - 14), collect);
            else if (r.type == rtSharedFormula && d.size() >= 10)
                FormulaTokens::remapReferences(d, 10, qMin<int>(u16(d, 8), int(d.size()) - 10), collect);
        }
    }

    LinkTable links(source.m_globals, source.sheetCount());
    const int book = links.book(link);
    int externAt = -1;
    for (int i = 0; i < source.m_globals.size() && externAt < 0; ++i)
        if (source.m_globals[i].type == rtExternSheet)
            externAt = i;
    QByteArray &d = source.m_globals[externAt].data;
    for (auto it = redirected.cbegin(); it != redirected.cend(); ++it) {
        put16(d, 2 + 6 * it.key(), quint16(book));
        put16(d, 4 + 6 * it.key(), quint16(it.value().first));
        put16(d, 6 + 6 * it.key(), quint16(it.value().second));
    }
    SharedStrings strings;
    QList<Record> sst;
    for (const Record &r : source.m_globals) {
        if (r.type == rtSst || (!sst.isEmpty() && r.type == rtContinue))
            sst.append(r);
        else if (!sst.isEmpty())
            break;
    }
    if (!sst.isEmpty() && !strings.read(sst))
        return;
    QList<int> cached = cells.keys();
    std::sort(cached.begin(), cached.end());
    QList<Record> cache;
    for (int t : cached)
        cache += ExternalCache::records(movedTo[t], source.substream(t), strings, cells[t]);
    links.appendToBook(book, cache);
}

bool MovedSheetLinks::referredTo(const WorkbookStream &source, const QList<int> &tabs)
{
    const QList<LinkTable::Book> books = LinkTable::books(source.m_globals);
    const QList<LinkTable::Entry> entries = LinkTable::entries(source.m_globals);
    QSet<int> reaching; // the book's own entries that take in a sheet of `tabs`
    for (int x = 0; x < entries.size(); ++x) {
        const LinkTable::Entry e = entries[x];
        if (e.book >= books.size() || !books[e.book].self)
            continue;
        for (int t : tabs)
            if (t >= e.first && t <= e.last)
                reaching.insert(x);
    }
    if (reaching.isEmpty())
        return false;
    bool referred = false;
    FormulaTokens::ReferenceMap seek;
    seek.name = [](int i) { return i; };
    seek.sheetEntry = [&](int e) {
        if (reaching.contains(e))
            referred = true;
        return e;
    };
    seek.externalName = [](int e, int i) { return std::pair<int, int>(e, i); };
    const auto walk = [&](QByteArray data, qsizetype at, int length) {
        if (!FormulaTokens::remapReferences(data, at, length, seek))
            referred = true;
    };
    for (const Record &r : source.m_globals) {
        if (r.type != rtName)
            continue;
        const NameRecord n = NameRecord::parse(r.data);
        if (n.valid && !tabs.contains(n.itab - 1))
            walk(r.data, n.rgceAt, n.cce);
    }
    for (int t = 0; t < source.sheetCount() && !referred; ++t) {
        if (tabs.contains(t))
            continue;
        for (const SubstreamRecord &r : RecordCursor::all(source.substream(t))) {
            const QByteArray d = source.substream(t).mid(r.offset + 4, r.length);
            if (r.type == rtFormula && d.size() >= 22)
                walk(d, 22, qMin<int>(u16(d, 20), int(d.size()) - 22));
            else if (r.type == rtArray && d.size() >= 14)
                walk(d, 14, qMin<int>(u16(d, 12), int(d.size()) - 14));
            else if (r.type == rtSharedFormula && d.size() >= 10)
                walk(d, 10, qMin<int>(u16(d, 8), int(d.size()) - 10));
        }
    }
    return referred;
}

} // namespace quirn
