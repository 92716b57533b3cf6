#include "BookFile.h"

#include "BiffBook.h"
#include "BookFileMessages.h"
#include "BookFileNames.h"
#include "BookFormat.h"
#include "CompoundFile.h"
#include "FileReplacement.h"
#include "HeaderFooterText.h"
#include "NameRecord.h"
#include "PackageBook.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace quirn {

namespace {

// Far beyond any book Excel writes; a file this big is not read into memory.
constexpr qint64 kLargestBook = qint64(1) << 30;

// Excel keeps a header or footer (its three sections and their codes) to
// 255 characters; one it wrote longer is kept as it is, only not made so here.
bool headerFooterTooLong(const PageSetupFacts &setup, const PageSetupFacts &current)
{
    constexpr qsizetype kLongest = 255;
    const QString header = HeaderFooterText{setup.leftHeader, setup.centerHeader, setup.rightHeader}.join();
    const QString footer = HeaderFooterText{setup.leftFooter, setup.centerFooter, setup.rightFooter}.join();
    const QString oldHeader = HeaderFooterText{current.leftHeader, current.centerHeader, current.rightHeader}.join();
    const QString oldFooter = HeaderFooterText{current.leftFooter, current.centerFooter, current.rightFooter}.join();
    return (header.size() > kLongest && header != oldHeader) || (footer.size() > kLongest && footer != oldFooter);
}

// The book in `bytes`, by what the file holds rather than by its name: a
// package (a ZIP), a compound file holding an encrypted package, or one
// holding a workbook stream.
std::unique_ptr<BookFormat> openFormat(const QByteArray &bytes, const QString &password, BookFileError *error)
{
    if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06"))
        return PackageBook::open(bytes, error);
    auto container = CompoundFile::open(bytes);
    if (container && container->hasEntry(QStringLiteral("EncryptedPackage"))) {
        *error = BookFileMessages::encryptedPackage();
        return nullptr;
    }
    return BiffBook::open(bytes, std::move(container), password, error);
}

} // namespace

struct BookFile::Private
{
    QString path;
    std::unique_ptr<BookFormat> format;
    QList<SheetFacts> facts;
    QHash<QString, int> indexOfFoldedName;
    bool modified = false;
    BookFile::NameConflictResolver nameResolver;
    QList<std::pair<QString, QString>> nameConflicts;
    QList<VbaProcedureUse> procedureUses;
};

BookFile::BookFile() : d(std::make_unique<Private>()) {}
BookFile::~BookFile() = default;
BookFile::BookFile(BookFile &&) noexcept = default;
BookFile &BookFile::operator=(BookFile &&) noexcept = default;

BookFileError BookFile::open(const QString &path, const QString &password)
{
    d = std::make_unique<Private>();
    QFileInfo info(path);
    if (!info.exists())
        return BookFileMessages::notFound(path);
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly))
        return BookFileMessages::notReadable(path);
    if (info.size() > kLargestBook)
        return BookFileMessages::tooLarge(path);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return BookFileMessages::notReadable(path);
    file.close();

    BookFileError error;
    auto format = openFormat(bytes, password, &error);
    if (!format)
        return error;
    d->path = path;
    d->format = std::move(format);
    refreshFacts();
    return {};
}

BookFileError BookFile::createNew(const QString &path, const QString &sheetName)
{
    d = std::make_unique<Private>();
    if (!isValidSheetName(sheetName))
        return BookFileMessages::invalidSheetName();
    // A new book is an Excel 97-2003 book; it is not written under a package book's name.
    if (BookFileNames::isBookName(path)
        && QFileInfo(path).suffix().normalized(QString::NormalizationForm_KC).toLower() != QLatin1String("xls"))
        return BookFileMessages::unsupported(QStringLiteral("この名前 (.xls 以外) で新しいブックを作成"));
    auto format = BiffBook::createNew(sheetName);
    if (!format)
        return BookFileMessages::saveFailed(path, QStringLiteral("新しいブックを作成できません"));
    d->path = path;
    d->format = std::move(format);
    d->modified = true;
    refreshFacts();
    return {};
}

void BookFile::refreshFacts()
{
    d->facts = d->format->sheetFacts();
    d->indexOfFoldedName.clear();
    d->indexOfFoldedName.reserve(d->facts.size());
    for (int i = 0; i < d->facts.size(); ++i)
        d->indexOfFoldedName.insert(d->facts[i].name.toCaseFolded(), i);
}

bool BookFile::isOpen() const { return d->format != nullptr; }
QString BookFile::path() const { return d->path; }
int BookFile::sheetCount() const { return int(d->facts.size()); }
QList<SheetFacts> BookFile::sheets() const { return d->facts; }

SheetFacts BookFile::sheet(int index) const
{
    return index >= 0 && index < d->facts.size() ? d->facts.at(index) : SheetFacts();
}

int BookFile::indexOf(const QString &name) const
{
    return d->indexOfFoldedName.value(name.toCaseFolded(), -1);
}

int BookFile::exactIndexOf(const QString &name, int from) const
{
    for (int i = std::max(from, 0); i < d->facts.size(); ++i)
        if (d->facts.at(i).name == name)
            return i;
    return -1;
}

bool BookFile::structureProtected() const { return isOpen() && d->format->structureProtected(); }
bool BookFile::windowsProtected() const { return isOpen() && d->format->windowsProtected(); }
bool BookFile::isEncrypted() const { return !encryptionName().isEmpty(); }
QString BookFile::encryptionName() const { return isOpen() ? d->format->encryptionName() : QString(); }
bool BookFile::hasVbaProject() const { return isOpen() && d->format->hasVbaProject(); }
QList<VbaModuleFacts> BookFile::vbaModules() const { return isOpen() ? d->format->vbaModules() : QList<VbaModuleFacts>(); }
BookFileError BookFile::vbaProjectError() const { return isOpen() ? d->format->vbaProjectError() : BookFileError(); }
bool BookFile::isModified() const { return d->modified; }

bool BookFile::isValidDefinedName(const QString &name)
{
    return NameRecord::isValidName(name);
}

bool BookFile::isValidSheetName(const QString &name)
{
    if (name.isEmpty() || name.size() > 31)
        return false;
    if (name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return false;
    for (QChar c : name)
        if (QStringLiteral("[]:*?/\\").contains(c) || c.unicode() < 0x20)
            return false;
    return true;
}

BookFileError BookFile::checkIndex(int index) const
{
    if (!isOpen() || index < 0 || index >= sheetCount())
        return BookFileMessages::noSuchSheet(QString::number(index + 1));
    return {};
}

BookFileError BookFile::checkStructureEditable() const
{
    if (!isOpen())
        return BookFileMessages::noSuchSheet(QString());
    if (structureProtected())
        return BookFileMessages::structureProtected();
    return {};
}

BookFileError BookFile::renameSheet(int index, const QString &newName)
{
    if (auto e = checkIndex(index))
        return e;
    if (auto e = checkStructureEditable())
        return e;
    if (!isValidSheetName(newName))
        return BookFileMessages::invalidSheetName();
    const int other = indexOf(newName);
    if (other >= 0 && other != index)
        return BookFileMessages::duplicateSheetName(newName);
    if (d->facts[index].name == newName)
        return {};
    if (auto e = d->format->renameSheet(index, newName))
        return e;
    d->modified = true;
    refreshFacts();
    return {};
}

BookFileError BookFile::setSheetVisibility(int index, SheetVisibility visibility)
{
    if (auto e = checkIndex(index))
        return e;
    if (auto e = checkStructureEditable())
        return e;
    const SheetVisibility current = d->facts[index].visibility;
    if (visibility == SheetVisibility::Hidden && current == SheetVisibility::VeryHidden)
        return {};
    if (visibility == current)
        return {};
    if (visibility != SheetVisibility::Visible && current == SheetVisibility::Visible) {
        int visible = 0;
        for (const SheetFacts &f : d->facts)
            visible += f.visibility == SheetVisibility::Visible;
        if (visible <= 1)
            return BookFileMessages::noVisibleSheet();
    }
    if (auto e = d->format->setVisibility(index, visibility))
        return e;
    d->modified = true;
    refreshFacts();
    return {};
}

BookFileError BookFile::moveSheets(const QList<int> &indexes, int before)
{
    if (auto e = checkStructureEditable())
        return e;
    const int count = sheetCount();
    if (before < 0 || before > count)
        return BookFileMessages::noSuchSheet(QString::number(before + 1));
    QSet<int> moving;
    for (int i : indexes) {
        if (auto e = checkIndex(i))
            return e;
        moving.insert(i);
    }
    if (moving.size() != indexes.size() || indexes.isEmpty())
        return BookFileMessages::noSuchSheet(QString());
    QList<int> order;
    for (int t = 0; t < count; ++t) {
        if (t == before)
            order += indexes;
        if (!moving.contains(t))
            order.append(t);
    }
    if (before == count)
        order += indexes;
    bool unchanged = true;
    for (int t = 0; t < count; ++t)
        unchanged = unchanged && order[t] == t;
    if (unchanged)
        return {};
    if (auto e = d->format->reorderSheets(order))
        return e;
    d->modified = true;
    refreshFacts();
    return {};
}

BookFileError BookFile::deleteSheets(const QList<int> &indexes)
{
    if (auto e = checkStructureEditable())
        return e;
    QSet<int> gone;
    for (int i : indexes) {
        if (auto e = checkIndex(i))
            return e;
        gone.insert(i);
    }
    if (gone.isEmpty())
        return {};
    int visibleLeft = 0;
    for (int t = 0; t < sheetCount(); ++t)
        visibleLeft += !gone.contains(t) && d->facts[t].visibility == SheetVisibility::Visible;
    if (visibleLeft == 0)
        return BookFileMessages::noVisibleSheet();
    if (auto e = d->format->deleteSheets(QList<int>(gone.begin(), gone.end())))
        return e;
    d->modified = true;
    refreshFacts();
    return {};
}

BookFileError BookFile::duplicateSheet(int index, const QString &newName, int before)
{
    if (auto e = checkIndex(index))
        return e;
    if (auto e = checkStructureEditable())
        return e;
    if (before < 0 || before > sheetCount())
        return BookFileMessages::noSuchSheet(QString::number(before + 1));
    if (!isValidSheetName(newName))
        return BookFileMessages::invalidSheetName();
    if (indexOf(newName) >= 0)
        return BookFileMessages::duplicateSheetName(newName);
    if (sheetCount() >= d->format->mostSheets())
        return BookFileMessages::unsupported(QStringLiteral("これ以上シートを追加"));
    if (auto e = d->format->duplicateSheet(index, newName, before))
        return e;
    d->modified = true;
    refreshFacts();
    return {};
}

QString BookFile::freeSheetName(const QString &name, const QStringList &alsoTaken) const
{
    auto taken = [&](const QString &candidate) {
        if (indexOf(candidate) >= 0)
            return true;
        for (const QString &other : alsoTaken)
            if (other.compare(candidate, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    return taken(name) ? numberedCopyName(name, taken) : name;
}

QString BookFile::numberedCopyName(const QString &name, const std::function<bool(const QString &)> &taken)
{
    QString base = name;
    static const QRegularExpression numbered(QStringLiteral("^(.*) \\((\\d+)\\)$"));
    const QRegularExpressionMatch match = numbered.match(name);
    if (match.hasMatch())
        base = match.captured(1);
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        // Cut to fit 31 UTF-16 units, never through a character's surrogate pair.
        QString cut = base.left(31 - suffix.size());
        if (!cut.isEmpty() && cut.back().isHighSurrogate())
            cut.chop(1);
        const QString candidate = cut + suffix;
        if (!taken(candidate))
            return candidate;
    }
}

QString BookFile::cutSheetName(const QString &name)
{
    constexpr qsizetype kLongest = 31;
    if (name.size() <= kLongest)
        return name;
    QString cut = name.left(kLongest);
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return cut;
}

void BookFile::setNameConflictResolver(NameConflictResolver resolver)
{
    d->nameResolver = std::move(resolver);
}

QList<std::pair<QString, QString>> BookFile::lastNameConflicts() const
{
    return d->nameConflicts;
}

QList<VbaProcedureUse> BookFile::lastProcedureUses() const
{
    return d->procedureUses;
}

QString BookFile::importRefusal(const BookFile &source, int index) const
{
    if (!isOpen() || !source.isOpen() || index < 0 || index >= source.sheetCount())
        return QString();
    return d->format->importRefusal(*source.d->format, index);
}

bool BookFile::sheetsReferredTo(const QList<int> &indexes) const
{
    return isOpen() && d->format->sheetsReferredTo(indexes);
}

BookFileError BookFile::checkImport(const BookFile &source, const QList<int> &indexes, int before) const
{
    if (!isOpen() || !source.isOpen() || &source == this)
        return BookFileMessages::noSuchSheet(QString());
    if (auto e = checkStructureEditable())
        return e;
    // A book whose structure is protected gives none of its sheets away.
    if (source.structureProtected())
        return BookFileMessages::structureProtected();
    if (before < 0 || before > sheetCount())
        return BookFileMessages::noSuchSheet(QString::number(before + 1));
    QSet<int> seen;
    for (int i : indexes) {
        if (auto e = source.checkIndex(i))
            return e;
        seen.insert(i);
    }
    if (indexes.isEmpty() || seen.size() != indexes.size())
        return BookFileMessages::noSuchSheet(QString());
    return {};
}

BookFileError BookFile::importSheets(const BookFile &source, const QList<int> &indexes, int before,
                                     QStringList *names)
{
    if (auto e = checkImport(source, indexes, before))
        return e;
    QStringList copies;
    if (auto e = carrySheets(source, indexes, before, false, &copies))
        return e;
    d->modified = true;
    refreshFacts();
    if (names)
        *names = copies;
    return {};
}

BookFileError BookFile::moveSheetsFrom(BookFile &source, const QList<int> &indexes, int before, QStringList *names)
{
    if (auto e = checkImport(source, indexes, before))
        return e;
    int visibleLeft = 0;
    for (int t = 0; t < source.sheetCount(); ++t)
        visibleLeft += !indexes.contains(t) && source.d->facts[t].visibility == SheetVisibility::Visible;
    if (visibleLeft == 0)
        return BookFileMessages::noVisibleSheet();
    std::unique_ptr<BookFormat> targetBefore = d->format->clone();
    const bool wasModified = d->modified;
    QStringList copies;
    if (auto e = carrySheets(source, indexes, before, true, &copies))
        return e;
    // What the source kept that referred to the moved sheets now refers to
    // them in this book.
    std::unique_ptr<BookFormat> sourceBefore = source.d->format->clone();
    QList<int> landed;
    QStringList here;
    for (int g = 0; g < indexes.size(); ++g)
        landed << before + g;
    for (const SheetFacts &facts : d->format->sheetFacts())
        here << facts.name;
    source.d->format->redirectMovedSheets(source.path(), indexes, path(), here, landed);
    if (auto e = source.deleteSheets(indexes)) {
        d->format = std::move(targetBefore);
        source.d->format = std::move(sourceBefore);
        source.refreshFacts();
        d->modified = wasModified;
        refreshFacts();
        return e;
    }
    d->modified = true;
    refreshFacts();
    if (names)
        *names = copies;
    return {};
}

BookFileError BookFile::carrySheets(const BookFile &source, const QList<int> &indexes, int before, bool move,
                                    QStringList *copies)
{
    BookFormat::Import request;
    request.source = source.d->format.get();
    request.sourcePath = source.path();
    request.indexes = indexes;
    for (int i : indexes)
        request.names << freeSheetName(source.d->facts[i].name, request.names);
    // Links to the source name its sheets as they will be: without the moved ones.
    for (int t = 0; t < source.sheetCount(); ++t)
        if (!move || !indexes.contains(t))
            request.linkedSheets << source.d->facts[t].name;
    request.targetPath = path();
    request.before = before;
    request.resolveName = d->nameResolver;
    d->nameConflicts.clear();
    request.nameConflicts = &d->nameConflicts;
    d->procedureUses.clear();
    request.procedureUses = &d->procedureUses;
    if (auto e = d->format->importSheets(request))
        return e;
    *copies = request.names;
    return {};
}

PageSetupFacts BookFile::pageSetup(int index) const
{
    return sheet(index).pageSetup;
}

BookFileError BookFile::setPageSetup(int index, const PageSetupFacts &setup)
{
    if (auto e = checkIndex(index))
        return e;
    const PageSetupFacts current = d->facts[index].pageSetup;
    if (headerFooterTooLong(setup, current))
        return BookFileMessages::headerFooterTooLong();
    // Charts have no print area or titles.
    const bool printNames = d->facts[index].kind != SheetKind::Chart
        && (setup.printArea != current.printArea || setup.printTitleRows != current.printTitleRows
            || setup.printTitleColumns != current.printTitleColumns);
    PageSetupFacts records = setup;
    records.printArea = current.printArea;
    records.printTitleRows = current.printTitleRows;
    records.printTitleColumns = current.printTitleColumns;
    if (printNames) {
        if (auto e = d->format->setPrintNames(index, setup.printArea, setup.printTitleRows, setup.printTitleColumns))
            return e;
        d->modified = true;
    }
    if (!(records == current)) {
        if (auto e = d->format->setPageSetup(index, records)) {
            refreshFacts();
            return e;
        }
        d->modified = true;
    }
    refreshFacts();
    return {};
}

BookFileError BookFile::save()
{
    return saveAs(d->path);
}

BookFileError BookFile::saveAs(const QString &path)
{
    if (BookFileError error = writeFile(path))
        return error;
    d->path = path;
    d->modified = false;
    return {};
}

BookFileError BookFile::saveCopy(const QString &path) const
{
    return writeFile(path);
}

BookFileError BookFile::writeFile(const QString &path) const
{
    if (!isOpen())
        return BookFileMessages::saveFailed(path, QStringLiteral("ブックが開かれていません"));
    // Saving over a symbolic link writes the book it points to.
    FileReplacement replacement(path);
    if (FileReplacement::isReadOnly(replacement.targetPath()))
        return BookFileMessages::readOnly(path);
    QString reason;
    if (!replacement.begin(&reason))
        return BookFileMessages::saveFailed(path, reason);
    if (!d->format->writeTo(replacement.temporaryPath(), &reason))
        return BookFileMessages::saveFailed(path, reason.isEmpty() ? QStringLiteral("書き込みエラー") : reason);
    if (!replacement.commit(&reason))
        return BookFileMessages::saveFailed(path, reason);
    return {};
}

} // namespace quirn
