#include "PrintNames.h"

#include "BookFileMessages.h"
#include "FormulaTokens.h"
#include "NameRecord.h"
#include "WorkbookStream.h"

#include <QSet>

#include <algorithm>

namespace quirn {

using namespace biff;

namespace {

constexpr quint8 kBuiltinPrintArea = 0x06;
constexpr quint8 kBuiltinPrintTitles = 0x07;

} // namespace

void PrintNames::read(const QByteArray &name, PageSetupFacts *setup)
{
    const NameRecord n = NameRecord::parse(name);
    const QStringList areas = FormulaTokens::areasAsText(name.mid(n.rgceAt, n.cce));
    if (n.builtinCode == kBuiltinPrintArea) {
        setup->printArea = areas.join(QLatin1Char(','));
    } else if (n.builtinCode == kBuiltinPrintTitles) {
        for (const QString &a : areas) {
            // "$1:$2" holds rows, "$A:$B" columns.
            if (a.size() > 1 && a.at(1).isDigit())
                setup->printTitleRows = a;
            else
                setup->printTitleColumns = a;
        }
    }
}

int PrintNames::ownSheetEntry(int tab, QList<Record> *globals) const
{
    // The own book's SUPBOOK, made when the book has none.
    int supBooks = 0, self = -1, externAt = -1, firstName = -1, beforeTail = -1;
    for (int i = 0; i < globals->size(); ++i) {
        const Record &r = (*globals)[i];
        if (r.type == rtSupBook) {
            if (r.data.size() >= 4 && u16(r.data, 2) == kSelfSupBookMarker && self < 0)
                self = supBooks;
            ++supBooks;
        } else if (r.type == rtExternSheet && externAt < 0) {
            externAt = i;
        } else if (r.type == rtName && firstName < 0) {
            firstName = i;
        } else if ((r.type == rtMsoDrawingGroup || r.type == rtSst || r.type == rtEof) && beforeTail < 0) {
            beforeTail = i;
        }
    }
    if (self < 0) {
        const Record supBook{rtSupBook, le16(quint16(m_book.sheetCount())) + le16(kSelfSupBookMarker)};
        if (externAt >= 0) {
            globals->insert(externAt++, supBook);
        } else {
            externAt = firstName >= 0 ? firstName : beforeTail;
            globals->insert(externAt, supBook);
            globals->insert(++externAt, Record{rtExternSheet, le16(0)});
        }
        self = supBooks;
    } else if (externAt < 0) {
        externAt = firstName >= 0 ? firstName : beforeTail;
        globals->insert(externAt, Record{rtExternSheet, le16(0)});
    }
    QByteArray &d = (*globals)[externAt].data;
    const int n = u16(d, 0);
    for (int x = 0; x < n && 2 + 6 * x + 6 <= d.size(); ++x)
        if (int(u16(d, 2 + 6 * x)) == self && u16(d, 4 + 6 * x) == tab && u16(d, 6 + 6 * x) == tab)
            return x;
    if (d.size() != 2 + 6 * n || d.size() + 6 > kMaxRecordData)
        return -1;
    d += le16(quint16(self)) + le16(quint16(tab)) + le16(quint16(tab));
    put16(d, 0, quint16(n + 1));
    return n;
}

bool PrintNames::write(int tab, const QString &area, const QString &titleRows, const QString &titleColumns,
                       BookFileError *error)
{
    QList<FormulaTokens::Area> areaList, rowList, columnList;
    if ((!area.isEmpty() && !FormulaTokens::parseAreas(area, &areaList))
        || (!titleRows.isEmpty() && !FormulaTokens::parseAreas(titleRows, &rowList))
        || (!titleColumns.isEmpty() && !FormulaTokens::parseAreas(titleColumns, &columnList))) {
        *error = BookFileMessages::invalidReference();
        return false;
    }
    // Titles are whole rows and whole columns.
    for (auto &a : rowList) {
        a.firstColumn = 0;
        a.lastColumn = 0xFF;
    }
    for (auto &a : columnList) {
        a.firstRow = 0;
        a.lastRow = 0xFFFF;
    }

    QList<Record> globals = m_book.m_globals;
    const bool needsEntry = !areaList.isEmpty() || !rowList.isEmpty() || !columnList.isEmpty();
    const int entry = needsEntry ? ownSheetEntry(tab, &globals) : -1;
    if (needsEntry && entry < 0) {
        *error = BookFileMessages::unsupported(QStringLiteral("印刷範囲を設定"));
        return false;
    }
    const QByteArray areaFormula = areaList.isEmpty() ? QByteArray() : FormulaTokens::areasFormula(areaList, entry);
    const QByteArray titleFormula = rowList.isEmpty() && columnList.isEmpty()
        ? QByteArray() : FormulaTokens::areasFormula(columnList + rowList, entry);
    // A name's record holds its whole formula: no record is written longer
    // than Excel reads.
    if (NameRecord::builtinData(kBuiltinPrintArea, tab + 1, areaFormula).size() > kMaxRecordData
        || NameRecord::builtinData(kBuiltinPrintTitles, tab + 1, titleFormula).size() > kMaxRecordData) {
        *error = BookFileMessages::printNamesTooLong();
        return false;
    }

    QSet<int> removed;
    int lastName = -1;
    bool haveArea = false, haveTitles = false;
    for (int i = 0; i < globals.size(); ++i) {
        if (globals[i].type != rtName)
            continue;
        lastName = i;
        const NameRecord n = NameRecord::parse(globals[i].data);
        if (!n.builtin || n.itab != tab + 1
            || (n.builtinCode != kBuiltinPrintArea && n.builtinCode != kBuiltinPrintTitles))
            continue;
        const QByteArray &formula = n.builtinCode == kBuiltinPrintArea ? areaFormula : titleFormula;
        (n.builtinCode == kBuiltinPrintArea ? haveArea : haveTitles) = true;
        if (formula.isEmpty()) {
            removed.insert(i);
            continue;
        }
        QByteArray &d = globals[i].data;
        if (n.rgceAt + n.cce > d.size()) {
            *error = BookFileMessages::unsupported(QStringLiteral("印刷範囲を設定"));
            return false;
        }
        d = d.left(n.rgceAt) + formula + d.mid(n.rgceAt + n.cce);
        put16(d, 4, quint16(formula.size()));
    }
    // New names go after the last one, so that no index into the table moves.
    QList<Record> added;
    if (!haveArea && !areaFormula.isEmpty())
        added.append({rtName, NameRecord::builtinData(kBuiltinPrintArea, tab + 1, areaFormula)});
    if (!haveTitles && !titleFormula.isEmpty())
        added.append({rtName, NameRecord::builtinData(kBuiltinPrintTitles, tab + 1, titleFormula)});
    if (!added.isEmpty()) {
        int at = lastName >= 0 ? lastName + 1 : -1;
        if (at < 0) {
            for (int i = 0; i < globals.size() && at < 0; ++i)
                if (globals[i].type == rtExternSheet)
                    at = i + 1;
        }
        for (int k = 0; k < added.size(); ++k)
            globals.insert(at + k, added[k]);
    }

    QList<WorkbookStream::Body> bodies = m_book.m_bodies;
    if (!m_book.renumberNamesWithout(removed, {}, &globals, &bodies)) {
        *error = BookFileMessages::unsupported(QStringLiteral("名前の参照を更新できないため、印刷範囲を解除"));
        return false;
    }
    QList<int> dropped(removed.begin(), removed.end());
    std::sort(dropped.begin(), dropped.end(), std::greater<int>());
    for (int i : dropped)
        globals.removeAt(i);
    m_book.m_globals = globals;
    m_book.m_bodies = bodies;
    return true;
}

} // namespace quirn
