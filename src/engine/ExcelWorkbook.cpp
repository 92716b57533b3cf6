#include "ExcelWorkbook.h"

#include "ExcelApplication.h"
#include "ExcelError.h"
#include "OfficeDocument.h"
#include "OfficeError.h"
#include "OfficeProcess.h"
#include "OfficeSaveLosses.h"
#include "WorkbookSheetCopies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using quirn::BookFileError;
using quirn::SheetFacts;
using quirn::SheetKind;
using quirn::SheetVisibility;

namespace {

// Runs a call into the office's copy; its failures reach callers as Excel's.
template <typename Call>
auto viaOffice(Call &&call) -> decltype(call())
{
    try {
        return call();
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
}

SheetFacts factsOfNewSheet(const QString &name)
{
    SheetFacts facts;
    facts.name = name;
    return facts;
}

} // namespace

ExcelWorkbook::ExcelWorkbook(ExcelApplication &app, const QString &path)
    : m_app(app)
    , m_path(QFileInfo(path).absoluteFilePath())
{
    openRecords(m_path);
}

ExcelWorkbook::ExcelWorkbook(ExcelApplication &app, std::unique_ptr<OfficeDocument> document,
                             const QString &name)
    : m_app(app)
    , m_caption(name)
    , m_office(std::move(document))
    , m_officeCurrent(true)
    , m_officeOwnsState(true)
{
    for (const QString &sheet : m_office->sheetNames())
        m_officeFacts.insert(sheet, factsOfNewSheet(sheet));
}

ExcelWorkbook::~ExcelWorkbook()
{
    m_office.reset();
    if (!m_officeCopyPath.isEmpty())
        QFile::remove(m_officeCopyPath);
}

void ExcelWorkbook::openRecords(const QString &path)
{
    const BookFileError error = m_records.open(path, m_password);
    if (!error) {
        m_structureProtected = m_records.structureProtected();
        m_windowsProtected = m_records.windowsProtected();
        m_vbaModules = m_records.vbaModules();
        return;
    }
    if (error.code != BookFileError::Code::OldFormat)
        throw ExcelError::fromBookFile(error);
    // Older and newer formats are shown through the office, read-only.
    OfficeDocument::LoadOptions options;
    options.allowOtherFormats = true;
    try {
        m_office = OfficeDocument::load(m_app.office(), path, options);
    } catch (const OfficeError &officeError) {
        throw ExcelError::refused(officeError.message());
    }
    m_officeCurrent = true;
    m_structureProtected = m_office->isProtected();
    for (const QString &sheet : m_office->sheetNames())
        m_officeFacts.insert(sheet, factsOfNewSheet(sheet));
}

QString ExcelWorkbook::Name() const
{
    return m_path.isEmpty() ? m_caption : QFileInfo(m_path).fileName();
}

QString ExcelWorkbook::Path() const
{
    return m_path.isEmpty() ? QString() : QFileInfo(m_path).absolutePath();
}

QString ExcelWorkbook::FullName() const
{
    return m_path.isEmpty() ? m_caption : m_path;
}

QString ExcelWorkbook::fileOf(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

bool ExcelWorkbook::ProtectStructure() const { return m_structureProtected; }
bool ExcelWorkbook::ProtectWindows() const { return m_windowsProtected; }

bool ExcelWorkbook::Saved() const
{
    if (ownedByOffice())
        try {
            return !m_path.isEmpty() && m_office && !m_office->isModified() && !m_officeOwnsState;
        } catch (const OfficeError &) {
            return false; // the office's copy is gone with its process
        }
    return !m_records.isModified();
}

bool ExcelWorkbook::isReadOnlyFormat() const
{
    return !m_records.isOpen() && !m_path.isEmpty();
}

int ExcelWorkbook::sheetCount() const
{
    if (ownedByOffice())
        return viaOffice([this] { return m_office->sheetCount(); });
    return m_records.sheetCount();
}

QStringList ExcelWorkbook::sheetNames() const
{
    if (ownedByOffice())
        return viaOffice([this] { return m_office->sheetNames(); });
    QStringList names;
    for (const SheetFacts &facts : m_records.sheets())
        names << facts.name;
    return names;
}

QString ExcelWorkbook::sheetName(int position) const
{
    if (position < 1 || position > sheetCount())
        throw ExcelError::noSuchSheet();
    if (ownedByOffice())
        return viaOffice([&] { return m_office->sheetName(position - 1); });
    return m_records.sheet(position - 1).name;
}

int ExcelWorkbook::sheetPosition(const QString &name) const
{
    if (ownedByOffice())
        return sheetNames().indexOf(name) + 1;
    // Other programs than Excel may write names that differ only in case,
    // or the same name twice: only an exact match counts.
    return m_records.exactIndexOf(name) + 1;
}

// The sheet a command names; a name two sheets have is refused, so that no
// command acts on a sheet the user did not mean.
int ExcelWorkbook::recordIndex(const QString &name) const
{
    const int position = sheetPosition(name);
    if (position == 0)
        throw ExcelError::noSuchSheet();
    if (!ownedByOffice() && m_records.exactIndexOf(name, position) >= 0)
        throw ExcelError::refused(
            QStringLiteral("このブックには \"%1\" という名前のシートが複数あるため、どのシートか決められません。"
                           "シートの名前を変更してから、もう一度実行してください。").arg(name));
    return position - 1;
}

ExcelWorkbook::SheetState ExcelWorkbook::sheetStateAt(int position) const
{
    if (ownedByOffice())
        return sheetState(sheetName(position));
    if (position < 1 || position > m_records.sheetCount())
        throw ExcelError::noSuchSheet();
    SheetState state;
    const SheetFacts facts = m_records.sheet(position - 1);
    state.kind = facts.kind;
    state.visible = facts.visibility == SheetVisibility::Visible;
    state.veryHidden = facts.visibility == SheetVisibility::VeryHidden;
    state.contentsProtected = facts.contentsProtected;
    state.embeddedCharts = facts.embeddedCharts;
    return state;
}

ExcelWorkbook::SheetState ExcelWorkbook::sheetState(const QString &name) const
{
    SheetState state;
    if (!ownedByOffice())
        return sheetStateAt(recordIndex(name) + 1);
    if (sheetPosition(name) == 0)
        throw ExcelError::noSuchSheet();
    const SheetFacts facts = officeFacts(name);
    state.kind = facts.kind;
    state.embeddedCharts = facts.embeddedCharts;
    viaOffice([&] {
        state.visible = m_office->isSheetVisible(name);
        state.contentsProtected = m_office->isSheetProtected(name);
    });
    state.veryHidden = !state.visible && facts.visibility == SheetVisibility::VeryHidden;
    return state;
}

QList<quirn::VbaModuleFacts> ExcelWorkbook::vbaModules() const
{
    return m_vbaModules;
}

std::pair<int, int> ExcelWorkbook::lastCellAt(int position)
{
    if (ownedByOffice())
        return lastCell(sheetName(position));
    if (position < 1 || position > m_records.sheetCount())
        throw ExcelError::noSuchSheet();
    const SheetFacts facts = m_records.sheet(position - 1);
    if (facts.lastRow == 0 || facts.lastColumn == 0)
        return {1, 1}; // Excel's last cell of an empty sheet is A1
    return {facts.lastRow, facts.lastColumn};
}

std::pair<int, int> ExcelWorkbook::lastCell(const QString &name)
{
    if (!ownedByOffice())
        return lastCellAt(recordIndex(name) + 1);
    try {
        const OfficeDocument::CellPosition cell = m_office->lastUsedCell(name);
        return {cell.row, cell.column};
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
}

int ExcelWorkbook::pageCount(const QString &name)
{
    if (sheetPosition(name) == 0)
        throw ExcelError::noSuchSheet();
    try {
        return currentDocument().pageCount(name);
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
}

QString ExcelWorkbook::fileAsItStands() const
{
    return ownedByOffice() || m_records.isModified() ? QString() : m_path;
}

OfficeDocument &ExcelWorkbook::currentDocument()
{
    // A copy loaded into an office process that has since been ended is gone,
    // even when a new process answers now.
    const auto live = [this] { return m_office->isOpen() && m_app.officeAnswers(); };
    if (m_office && m_officeCurrent && live())
        return *m_office;
    if (ownedByOffice() && m_office && !live())
        throw ExcelError::refused(QStringLiteral(
            "表計算エンジンが終了したため、保存されていない変更が失われました。ブックを開き直してください。"));
    loadOfficeCopy();
    return *m_office;
}

void ExcelWorkbook::showToUser()
{
    if (m_path.isEmpty())
        throw ExcelError::refused(QStringLiteral("変更を保存してから、ブックを開いてください。"));
    if (!m_app.office().runsWithDisplay())
        throw ExcelError::refused(QStringLiteral("画面がないため、ブックを表示できません。"));
    OfficeDocument::LoadOptions options;
    options.password = m_password;
    // Older formats and package books are shown read-only.
    options.allowOtherFormats = true;
    QString source = m_path;
    if (!Saved()) {
        // The changes go along: the window shows a copy of the book as it is
        // now, standing for the book itself.
        source = writeCurrentState();
        options.presentedAs = m_path;
    }
    try {
        const bool selected = sheetPosition(m_selectedSheet) != 0;
        std::unique_ptr<OfficeDocument> shown = OfficeDocument::load(m_app.office(), source, options);
        // Nothing of ours stays in the process the user is given.
        m_office.reset();
        m_officeCurrent = false;
        if (selected)
            shown->activateSheet(m_selectedSheet);
        shown->showToUser();
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
}

// A copy of the book's current state, in a folder of the application's own.
QString ExcelWorkbook::writeCurrentState()
{
    const QString copy = m_app.snapshotPath(Name());
    if (ownedByOffice())
        viaOffice([&] { m_office->saveAs(copy); });
    else
        check(m_records.saveCopy(copy));
    return copy;
}

void ExcelWorkbook::selectSheet(const QString &name)
{
    if (!sheetState(name).visible)
        throw ExcelError::refused(QStringLiteral("Worksheet クラスの Select メソッドが失敗しました。"));
    m_selectedSheet = name;
}

void ExcelWorkbook::releaseOfficeCopy()
{
    if (ownedByOffice())
        return;
    m_office.reset();
    m_officeCurrent = false;
}

// Loads the records' current state into the office: the book itself when it is
// unchanged, otherwise a snapshot written beside nothing the user owns.
void ExcelWorkbook::loadOfficeCopy()
{
    m_office.reset();
    QString source = m_path;
    if (m_records.isModified()) {
        if (m_officeCopyPath.isEmpty())
            m_officeCopyPath = m_app.snapshotPath(Name());
        check(m_records.saveCopy(m_officeCopyPath));
        source = m_officeCopyPath;
    }
    OfficeDocument::LoadOptions options;
    options.password = m_password;
    // The records read it: an Excel 97-2003 book, or a package book the
    // office shows read-only (it is only ever saved through its records).
    options.allowOtherFormats = true;
    try {
        m_office = OfficeDocument::load(m_app.office(), source, options);
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
    m_officeCurrent = true;
}

// Nothing reached the office's copy after all: the records are the book again
// (so a failed copy never leaves the book behind a dead office).
void ExcelWorkbook::giveBackToRecords()
{
    m_officeOwnsState = false;
    m_officeFacts.clear();
    m_officeChanges.clear();
    m_office.reset();
    m_officeCurrent = false;
}

// From here on the office's copy is the book, until it is saved.
void ExcelWorkbook::takeOverInOffice()
{
    if (ownedByOffice())
        return;
    // A package book is only ever saved through its records: the office
    // holds it read-only and could not save what it would change.
    if (currentDocument().isReadOnly())
        throw ExcelError::refused(QStringLiteral("このブックでは、この操作はできません。"));
    m_officeFacts.clear();
    for (const SheetFacts &facts : m_records.sheets())
        m_officeFacts.insert(facts.name, facts);
    m_officeOwnsState = true;
}

// What the records knew of a sheet the office holds; nothing for a sheet the
// office made.
SheetFacts ExcelWorkbook::officeFacts(const QString &name) const
{
    return m_officeFacts.value(name, factsOfNewSheet(name));
}

void ExcelWorkbook::recordsEdited()
{
    m_officeCurrent = false;
}

void ExcelWorkbook::check(const BookFileError &error) const
{
    if (error)
        throw ExcelError::fromBookFile(error);
}

void ExcelWorkbook::checkStructureEditable() const
{
    if (m_structureProtected)
        throw ExcelError::refused(QStringLiteral("ブックが保護されているため、変更できません。"));
    if (isReadOnlyFormat())
        throw ExcelError::refused(QStringLiteral(
            "このブックは Excel 97-2003 形式ではないため、変更できません。"));
}

void ExcelWorkbook::checkOfficeRename(const QString &name, const QString &newName) const
{
    checkStructureEditable();
    if (!quirn::BookFile::isValidSheetName(newName))
        throw ExcelError::refused(QStringLiteral(
            "入力されたシート名が正しくありません。31 文字以内で、: \\ / ? * [ ] を含まず、"
            "先頭と末尾が ' でない名前を入力してください。"));
    for (const QString &other : sheetNames())
        if (other != name && other.compare(newName, Qt::CaseInsensitive) == 0)
            throw ExcelError::refused(QStringLiteral(
                "この名前は既に使用されています。別の名前を入力してください。"));
}

bool ExcelWorkbook::otherSheetsReferTo(const QStringList &names) const
{
    if (ownedByOffice())
        return false;
    QList<int> indexes;
    for (const QString &name : names)
        indexes << recordIndex(name);
    return m_records.sheetsReferredTo(indexes);
}

void ExcelWorkbook::checkKeepsVisibleSheet(const QStringList &hiding) const
{
    const QStringList names = sheetNames();
    for (int position = 1; position <= names.size(); ++position)
        if (!hiding.contains(names.at(position - 1)) && sheetStateAt(position).visible)
            return;
    throw ExcelError::refused(QStringLiteral("ブックには少なくとも 1 枚の表示されたシートが必要です。"));
}

void ExcelWorkbook::renameSheet(const QString &name, const QString &newName)
{
    if (!ownedByOffice()) {
        check(m_records.renameSheet(recordIndex(name), newName));
        recordsEdited();
        return;
    }
    if (sheetPosition(name) == 0)
        throw ExcelError::noSuchSheet();
    if (name == newName)
        return;
    checkOfficeRename(name, newName);
    try {
        m_office->renameSheet(name, newName);
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
    SheetFacts facts = m_officeFacts.take(name);
    facts.name = newName;
    m_officeFacts.insert(newName, facts);
}

void ExcelWorkbook::setSheetVisible(const QString &name, bool visible)
{
    if (!ownedByOffice()) {
        // A very hidden sheet shown for a while (to set up its page, say)
        // goes back to very hidden, as the office's copy does from its facts.
        const int index = recordIndex(name);
        const bool wasVeryHidden = m_records.sheet(index).visibility == SheetVisibility::VeryHidden;
        SheetVisibility wanted = visible ? SheetVisibility::Visible : SheetVisibility::Hidden;
        if (!visible && m_shownVeryHidden.contains(name))
            wanted = SheetVisibility::VeryHidden;
        check(m_records.setSheetVisibility(index, wanted));
        if (visible && wasVeryHidden)
            m_shownVeryHidden.insert(name);
        else if (!visible)
            m_shownVeryHidden.remove(name);
        recordsEdited();
        return;
    }
    if (sheetPosition(name) == 0)
        throw ExcelError::noSuchSheet();
    if (sheetState(name).visible == visible)
        return;
    checkStructureEditable();
    if (!visible)
        checkKeepsVisibleSheet({name});
    try {
        m_office->setSheetVisible(name, visible);
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
}

void ExcelWorkbook::hideSheet(const QString &name)
{
    m_shownVeryHidden.remove(name);
    if (ownedByOffice()) {
        const auto known = m_officeFacts.find(name);
        if (known != m_officeFacts.end() && known->visibility == SheetVisibility::VeryHidden
            && sheetState(name).visible)
            known->visibility = SheetVisibility::Hidden;
    }
    setSheetVisible(name, false);
}

void ExcelWorkbook::setSheetVeryHidden(const QString &name)
{
    if (!ownedByOffice()) {
        check(m_records.setSheetVisibility(recordIndex(name), SheetVisibility::VeryHidden));
        recordsEdited();
        return;
    }
    // The office knows only hidden; its save puts very hidden back from these facts.
    setSheetVisible(name, false);
    SheetFacts facts = officeFacts(name);
    facts.visibility = SheetVisibility::VeryHidden;
    m_officeFacts.insert(name, facts);
}

void ExcelWorkbook::deleteSheets(const QStringList &names)
{
    for (const QString &name : names)
        if (sheetPosition(name) == 0)
            throw ExcelError::noSuchSheet();
    if (!ownedByOffice()) {
        QList<int> indexes;
        for (const QString &name : names)
            indexes << recordIndex(name);
        check(m_records.deleteSheets(indexes));
        recordsEdited();
        return;
    }
    checkStructureEditable();
    if (names.size() >= sheetCount())
        throw ExcelError::refused(QStringLiteral("ブックには少なくとも 1 枚のシートが必要です。"));
    checkKeepsVisibleSheet(names);
    try {
        for (const QString &name : names) {
            m_office->removeSheet(name);
            m_officeFacts.remove(name);
        }
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
}

void ExcelWorkbook::moveSheets(const QStringList &names, const QString &target, bool before)
{
    if (sheetPosition(target) == 0)
        throw ExcelError::noSuchSheet();
    for (const QString &name : names)
        if (sheetPosition(name) == 0)
            throw ExcelError::noSuchSheet();
    if (!ownedByOffice()) {
        // Excel's order: each sheet lands in front of the target, or behind
        // the one placed last; that is the whole group, in the order listed,
        // next to the target, placed in one step.
        QList<int> indexes;
        for (const QString &name : names)
            indexes << recordIndex(name);
        check(m_records.moveSheets(indexes, recordIndex(target) + (before ? 0 : 1)));
        recordsEdited();
        return;
    }
    checkStructureEditable();
    try {
        m_office->moveSheets(names, target, before);
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
}

void ExcelWorkbook::reorderSheets(const QStringList &names)
{
    const QStringList current = sheetNames();
    // A name two sheets have (a book written by another program) stands for
    // them in their present order: each time it is listed, the next of them.
    QHash<QString, QList<int>> positionsOf;
    for (int i = 0; i < current.size(); ++i)
        positionsOf[current.at(i)].append(i);
    QList<int> order;
    QList<bool> placed(current.size(), false);
    for (const QString &name : names) {
        QList<int> &left = positionsOf[name];
        if (left.isEmpty())
            continue;
        const int index = left.takeFirst();
        order << index;
        placed[index] = true;
    }
    for (int i = 0; i < current.size(); ++i)
        if (!placed[i])
            order << i;
    bool unchanged = true;
    for (int i = 0; i < order.size() && unchanged; ++i)
        unchanged = order[i] == i;
    if (unchanged)
        return;
    if (!ownedByOffice()) {
        // Every sheet, in the new order, in front of the first: one edit.
        check(m_records.moveSheets(order, 0));
        recordsEdited();
        return;
    }
    checkStructureEditable();
    try {
        for (int position = 0; position < order.size(); ++position) {
            const QString &name = current.at(order[position]);
            const QString there = m_office->sheetName(position);
            if (there != name)
                m_office->moveSheets({name}, there, true);
        }
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
}

QString ExcelWorkbook::copyName(const QString &name) const
{
    const QStringList names = sheetNames();
    auto taken = [&names](const QString &candidate) {
        for (const QString &other : names)
            if (other.compare(candidate, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    return quirn::BookFile::numberedCopyName(name, taken);
}

void ExcelWorkbook::copySheets(const QStringList &names, const QString &target, bool before)
{
    WorkbookSheetCopies(*this).copy(names, target, before);
}

QStringList ExcelWorkbook::importSheets(ExcelWorkbook &source, const QStringList &names, int beforePosition)
{
    return WorkbookSheetCopies(*this).import(source, names, beforePosition);
}

QStringList ExcelWorkbook::moveSheetsFrom(ExcelWorkbook &source, const QStringList &names, int beforePosition)
{
    return WorkbookSheetCopies(*this).moveFrom(source, names, beforePosition);
}

// How a sheet the office holds should be saved: hidden as the office shows it,
// very hidden as its records knew it.
SheetVisibility ExcelWorkbook::intendedVisibility(const QString &name) const
{
    if (m_office->isSheetVisible(name))
        return SheetVisibility::Visible;
    const auto known = m_officeFacts.constFind(name);
    if (known != m_officeFacts.constEnd() && known->visibility == SheetVisibility::VeryHidden)
        return SheetVisibility::VeryHidden;
    return SheetVisibility::Hidden;
}

// The office's export drops some sheets' hidden state (and never writes very
// hidden): what it wrote is read back and put right through the records.
void ExcelWorkbook::restoreVisibility(const QHash<QString, SheetVisibility> &intended)
{
    bool changed = false;
    for (int index = 0; index < m_records.sheetCount(); ++index) {
        const SheetFacts facts = m_records.sheet(index);
        const auto wanted = intended.constFind(facts.name);
        if (wanted == intended.constEnd() || *wanted == facts.visibility)
            continue;
        if (!m_records.setSheetVisibility(index, *wanted))
            changed = true;
    }
    if (!changed)
        return;
    recordsEdited();
    // The book on disk is already the office's save: say so, and keep the
    // correction as an unsaved change that the next save writes.
    if (const BookFileError error = m_records.save())
        throw ExcelError::refused(
            QStringLiteral("ブックは保存されましたが、シートの表示状態 (非表示、完全な非表示) を書き込めませんでした。"
                           "もう一度保存してください。\n") + error.message);
}

quirn::PageSetupFacts ExcelWorkbook::pageSetup(const QString &name) const
{
    if (ownedByOffice())
        throw ExcelError::refused(QStringLiteral(
            "このブックのページ設定は、ブックを保存してから変更してください。"));
    return m_records.pageSetup(recordIndex(name));
}

void ExcelWorkbook::setPageSetup(const QString &name, const quirn::PageSetupFacts &setup)
{
    if (ownedByOffice())
        throw ExcelError::refused(QStringLiteral(
            "このブックのページ設定は、ブックを保存してから変更してください。"));
    check(m_records.setPageSetup(recordIndex(name), setup));
    recordsEdited();
}

QStringList ExcelWorkbook::officeSaveLosses() const
{
    if (!ownedByOffice())
        return {};
    return exportLosses(false);
}

QStringList ExcelWorkbook::officeExportLosses() const
{
    return exportLosses(true);
}

// What the office's export of the book loses; very hidden sheets count
// unless the program puts them right after the export.
QStringList ExcelWorkbook::exportLosses(bool veryHiddenLost) const
{
    QList<SheetFacts> sheets;
    if (ownedByOffice()) {
        for (const QString &name : sheetNames()) {
            const auto known = m_officeFacts.constFind(name);
            if (known != m_officeFacts.constEnd())
                sheets << *known;
        }
    } else {
        sheets = m_records.sheets();
    }
    OfficeSaveLosses losses(sheets, m_vbaModules);
    losses.passwordLost = !m_password.isEmpty();
    losses.veryHiddenLost = veryHiddenLost;
    // What the office's copies of other books' sheets were found to lack.
    if (ownedByOffice())
        losses.copiesDiffer = m_officeChanges.values();
    return losses.named();
}

void ExcelWorkbook::allowLossySave()
{
    m_agreedLosses = officeSaveLosses();
}

void ExcelWorkbook::undoOfficeChanges()
{
    if (!m_records.isOpen() || !m_officeOwnsState)
        throw ExcelError::refused(QStringLiteral("このブックの変更は元に戻せません。"));
    giveBackToRecords();
    m_agreedLosses.clear();
}

void ExcelWorkbook::save()
{
    if (m_path.isEmpty())
        throw ExcelError::refused(QStringLiteral("このブックはまだ保存されていません。名前を付けて保存してください。"));
    saveAs(m_path);
}

void ExcelWorkbook::saveAs(const QString &path)
{
    // A bare name (a new book's caption) names no folder the user chose.
    if (QFileInfo(path).isRelative())
        throw ExcelError::refused(QStringLiteral("保存先のフォルダが指定されていません。名前を付けて保存してください。"));
    const QString target = QFileInfo(path).absoluteFilePath();
    if (isReadOnlyFormat())
        throw ExcelError::refused(QStringLiteral(
            "このブックは Excel 97-2003 形式ではないため、保存できません。"));
    if (ownedByOffice()) {
        saveThroughOffice(target);
        return;
    }
    check(m_records.saveAs(target));
    m_path = target;
    m_receivedMovedSheets = false;
}

void ExcelWorkbook::saveThroughOffice(const QString &path)
{
    // Agreeing covers what was named then, not what was added since.
    QStringList losses = officeSaveLosses();
    losses.removeIf([this](const QString &loss) { return m_agreedLosses.contains(loss); });
    if (!losses.isEmpty())
        throw ExcelError::refused(
            QStringLiteral("このブックを保存すると、次の内容が失われます。保存は中止されました。\n・")
            + losses.join(QStringLiteral("\n・")));
    if (!m_app.officeAnswers())
        throw ExcelError::refused(QStringLiteral(
            "表計算エンジンが終了したため、保存されていない変更が失われました。ブックを開き直してください。"));
    QHash<QString, SheetVisibility> intended;
    try {
        for (const QString &name : m_office->sheetNames())
            intended.insert(name, intendedVisibility(name));
        m_office->saveAs(fileOf(path)); // through a link, to the book it leads to
    } catch (const OfficeError &error) {
        throw ExcelError::fromOffice(error);
    }
    m_path = path;
    m_caption.clear();
    m_password.clear();
    m_agreedLosses.clear();
    m_receivedMovedSheets = false;
    // The saved file is the book now: read its records again.
    quirn::BookFile saved;
    if (saved.open(path)) {
        m_officeOwnsState = true; // the office still holds the only readable state
        return;
    }
    m_records = std::move(saved);
    m_structureProtected = m_records.structureProtected();
    m_windowsProtected = m_records.windowsProtected();
    m_vbaModules = m_records.vbaModules();
    m_officeOwnsState = false;
    m_officeCurrent = true;
    restoreVisibility(intended);
    m_officeFacts.clear();
    m_officeChanges.clear();
}
