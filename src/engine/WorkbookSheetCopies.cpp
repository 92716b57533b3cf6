#include "WorkbookSheetCopies.h"

#include "BookFile.h"
#include "ExcelApplication.h"
#include "ExcelError.h"
#include "ExcelWorkbook.h"
#include "OfficeDocument.h"
#include "OfficeCopyCheck.h"
#include "OfficeError.h"

#include <algorithm>

using quirn::BookFileError;
using quirn::SheetFacts;

void WorkbookSheetCopies::copy(const QStringList &names, const QString &target, bool before)
{
    if (m_book.sheetPosition(target) == 0)
        throw ExcelError::noSuchSheet();
    for (const QString &name : names)
        if (m_book.sheetPosition(name) == 0)
            throw ExcelError::noSuchSheet();
    m_book.checkStructureEditable();
    if (!m_book.ownedByOffice() && copyInRecords(names, target, before))
        return;
    const bool wasOwned = m_book.ownedByOffice();
    m_book.takeOverInOffice();
    QString previous = target;
    try {
        for (const QString &name : names) {
            const QString copy = m_book.copyName(name);
            const int to = before ? m_book.m_office->sheetIndex(target) : m_book.m_office->sheetIndex(previous) + 1;
            m_book.m_office->copySheet(name, copy, to);
            SheetFacts facts = m_book.officeFacts(name);
            facts.name = copy;
            m_book.m_officeFacts.insert(copy, facts);
            previous = copy;
        }
    } catch (const OfficeError &error) {
        if (!wasOwned && previous == target)
            m_book.giveBackToRecords();
        throw ExcelError::fromOffice(error);
    }
}

// Copies the sheets through the book's own records, which keeps everything;
// false (with nothing changed) when the records cannot copy one of them, so
// that the office copies them instead.
bool WorkbookSheetCopies::copyInRecords(const QStringList &names, const QString &target, bool before)
{
    QStringList made;
    auto undo = [this, &made] {
        QList<int> indexes;
        for (const QString &copy : made)
            indexes << m_book.recordIndex(copy);
        if (!indexes.isEmpty())
            m_book.m_records.deleteSheets(indexes);
    };
    QString previous = target;
    for (const QString &name : names) {
        const QString copy = m_book.copyName(name);
        const int to = before ? m_book.recordIndex(target) : m_book.recordIndex(previous) + 1;
        const BookFileError error = m_book.m_records.duplicateSheet(m_book.recordIndex(name), copy, to);
        if (error) {
            undo();
            if (error.code == BookFileError::Code::Unsupported)
                return false;
            m_book.check(error);
        }
        made << copy;
        previous = copy;
    }
    m_book.recordsEdited();
    return true;
}

QStringList WorkbookSheetCopies::import(ExcelWorkbook &source, const QStringList &names, int beforePosition)
{
    for (const QString &name : names)
        if (source.sheetPosition(name) == 0)
            throw ExcelError::noSuchSheet();
    m_book.checkStructureEditable();
    QStringList made;
    if (importInRecords(source, names, std::clamp(beforePosition - 1, 0, m_book.sheetCount()), false, &made))
        return made;
    OfficeDocument &from = source.currentDocument();
    const bool wasOwned = m_book.ownedByOffice();
    m_book.takeOverInOffice();
    QStringList copies;
    int before = std::clamp(beforePosition - 1, 0, m_book.sheetCount());
    try {
        for (const QString &name : names) {
            // A clash is named as Excel names it ("Data (2)"), not as the office
            // does; so is a name longer than Excel's 31 characters (another
            // program's book), cut first.
            const QString cut = quirn::BookFile::cutSheetName(name);
            const QStringList present = m_book.sheetNames();
            const bool clash = std::any_of(present.cbegin(), present.cend(), [&](const QString &other) {
                return other.compare(cut, Qt::CaseInsensitive) == 0;
            });
            const QString wanted = clash ? m_book.copyName(cut) : cut;
            QString copy = m_book.m_office->importSheet(from, name, before);
            if (copy != wanted) {
                m_book.m_office->renameSheet(copy, wanted);
                copy = wanted;
            }
            SheetFacts facts = source.ownedByOffice()
                                   ? source.officeFacts(name)
                                   : source.m_records.sheet(source.recordIndex(name));
            facts.name = copy;
            m_book.m_officeFacts.insert(copy, facts);
            copies << copy;
            ++before;
        }
        checkOfficeCopies(from, names, copies);
    } catch (const OfficeError &error) {
        if (!wasOwned && copies.isEmpty())
            m_book.giveBackToRecords();
        throw ExcelError::fromOffice(error);
    }
    return copies;
}

// The office brought the sheets one at a time: references among them are
// joined again, and what still differs from the originals is kept to be
// named before the book is saved.
void WorkbookSheetCopies::checkOfficeCopies(const OfficeDocument &from, const QStringList &names,
                                            const QStringList &copies)
{
    OfficeCopyCheck::Copies pairs;
    for (qsizetype i = 0; i < copies.size(); ++i)
        pairs.append({names.at(i), copies.at(i)});
    OfficeCopyCheck check(*m_book.m_office, from, pairs);
    check.joinGroup();
    for (const auto &[copy, line] : check.differences())
        m_book.m_officeChanges.insert(copy, line);
}

// Brings the sheets through both books' records, which keeps everything;
// false (with nothing changed) when either book is held by the office or the
// records cannot carry one of the sheets, so that the office brings them.
bool WorkbookSheetCopies::importInRecords(ExcelWorkbook &source, const QStringList &names, int before, bool move,
                                          QStringList *copies)
{
    if (m_book.ownedByOffice() || source.ownedByOffice() || &source == &m_book)
        return false;
    QList<int> indexes;
    for (const QString &name : names) {
        const int index = source.recordIndex(name);
        if (!m_book.m_records.importRefusal(source.m_records, index).isEmpty())
            return false;
        indexes << index;
    }
    m_book.m_records.setNameConflictResolver(m_book.m_app.NameConflictResolver);
    const BookFileError error = move ? m_book.m_records.moveSheetsFrom(source.m_records, indexes, before, copies)
                                     : m_book.m_records.importSheets(source.m_records, indexes, before, copies);
    m_book.m_app.NameConflicts += m_book.m_records.lastNameConflicts();
    if (error.code == BookFileError::Code::Unsupported)
        return false;
    m_book.check(error);
    m_book.recordsEdited();
    if (move) {
        source.recordsEdited();
        m_book.m_receivedMovedSheets = true;
    }
    return true;
}

QStringList WorkbookSheetCopies::throughOffice(const ExcelWorkbook &source, const QStringList &names) const
{
    QStringList reasons;
    bool any = m_book.ownedByOffice() || source.ownedByOffice();
    for (const QString &name : names) {
        const int index = source.sheetPosition(name) - 1;
        QString why = any || index < 0 || source.ownedByOffice()
                          ? QString()
                          : m_book.m_records.importRefusal(source.m_records, index);
        any = any || !why.isEmpty();
        reasons << (why.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, why));
    }
    return any ? reasons : QStringList();
}

QStringList WorkbookSheetCopies::moveFrom(ExcelWorkbook &source, const QStringList &names, int beforePosition)
{
    for (const QString &name : names)
        if (source.sheetPosition(name) == 0)
            throw ExcelError::noSuchSheet();
    m_book.checkStructureEditable();
    source.checkStructureEditable();
    QStringList made;
    if (importInRecords(source, names, std::clamp(beforePosition - 1, 0, m_book.sheetCount()), true, &made))
        return made;
    // The source must be able to let the sheets go before any copy is made:
    // a move never ends as a copy.
    if (names.size() >= source.sheetCount())
        throw ExcelError::refused(QStringLiteral("ブックには少なくとも 1 枚のシートが必要です。"));
    source.checkKeepsVisibleSheet(names);
    if (source.otherSheetsReferTo(names))
        throw ExcelError::refused(
            QStringLiteral("ﾌﾞｯｸ \"%1\" のほかのｼｰﾄの数式または名前が、移動するｼｰﾄを参照しています。"
                           "このｼｰﾄは LibreOffice で移動するため、その参照が #REF! に変わります。移動しませんでした。")
                .arg(source.Name()));
    const bool wasOwned = m_book.ownedByOffice();
    made = import(source, names, beforePosition);
    try {
        source.deleteSheets(names);
    } catch (const ExcelError &) {
        takeBack(made, wasOwned);
        throw;
    }
    m_book.m_receivedMovedSheets = true;
    return made;
}

// Undoes an import whose move could not be completed: the copies go again.
void WorkbookSheetCopies::takeBack(const QStringList &copies, bool wasOwned)
{
    if (!wasOwned) {
        m_book.giveBackToRecords();
        return;
    }
    try {
        for (const QString &copy : copies) {
            m_book.m_office->removeSheet(copy);
            m_book.m_officeFacts.remove(copy);
        }
    } catch (const OfficeError &) {
        // the caller's check of both books tells what is left
    }
}
