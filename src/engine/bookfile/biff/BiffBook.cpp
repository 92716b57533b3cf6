#include "BiffBook.h"

#include "BiffCipher.h"
#include "BiffRecord.h"
#include "BlankBook.h"
#include "BookCodeNames.h"
#include "BookFileMessages.h"
#include "CodePageText.h"
#include "CompoundFile.h"
#include "SheetCodeName.h"
#include "MovedSheetLinks.h"
#include "SheetImport.h"
#include "VbaProject.h"
#include "VbaSourceScan.h"
#include "WorkbookStream.h"

#include <QMap>

namespace quirn {

namespace {

const QString kVbaStorage = QStringLiteral("_VBA_PROJECT_CUR");
const QString kControlsStream = QStringLiteral("Ctls");
// BOUNDSHEET sheet types.
constexpr int kWorksheetEntry = 0;
constexpr int kChartEntry = 2;

bool startsWithOldBof(const QByteArray &bytes)
{
    const quint16 type = biff::u16(bytes, 0);
    return bytes.size() >= 4 && (type == 0x0009 || type == 0x0209 || type == 0x0409 || type == 0x0809);
}

// The FILEPASS payload of a stream's globals, or null when there is none.
QByteArray findFilePass(const QByteArray &stream)
{
    qsizetype pos = 0;
    quint16 type = 0, length = 0;
    while (biff::recordAt(stream, pos, &type, &length) && pos + 4 + length <= stream.size()) {
        if (type == biff::rtFilePass)
            return stream.mid(pos + 4, length).append(char(0)).chopped(1); // never null
        if (type == biff::rtEof)
            break;
        pos += 4 + length;
    }
    return QByteArray();
}

} // namespace

BiffBook::BiffBook() = default;
BiffBook::~BiffBook() = default;

std::unique_ptr<BiffBook> BiffBook::open(const QByteArray &bytes, std::unique_ptr<CompoundFile> container,
                                         const QString &password, BookFileError *error)
{
    if (!container) {
        if (bytes.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)))
            *error = BookFileMessages::damaged();
        else
            *error = startsWithOldBof(bytes) ? BookFileMessages::oldFormat() : BookFileMessages::notAWorkbook();
        return nullptr;
    }
    QString streamName = container->findTopLevelStream(QStringLiteral("Workbook"));
    if (streamName.isEmpty())
        streamName = container->findTopLevelStream(QStringLiteral("Book"));
    if (streamName.isEmpty()) { // the container may list no stream it cannot read
        *error = BookFileMessages::notAWorkbookOrDamaged();
        return nullptr;
    }
    QByteArray stream;
    if (!container->readStream(streamName, &stream)) {
        *error = BookFileMessages::damaged();
        return nullptr;
    }

    std::unique_ptr<BiffCipher> cipher;
    const QByteArray filePass = findFilePass(stream);
    if (!filePass.isNull() && biff::u16(stream, 4) == biff::kBiff8Version) {
        cipher = BiffCipher::create(filePass, password, error);
        if (!cipher)
            return nullptr;
        stream = cipher->decrypt(stream);
    }
    auto parsed = WorkbookStream::parse(stream, error);
    if (!parsed)
        return nullptr;
    if (!filePass.isNull() && !cipher) { // an older book's obfuscation
        *error = BookFileMessages::oldFormat();
        return nullptr;
    }

    std::unique_ptr<BiffBook> book(new BiffBook);
    book->m_container = std::move(container);
    book->m_streamName = streamName;
    book->m_stream = std::make_unique<WorkbookStream>(std::move(*parsed));
    book->m_cipher = std::move(cipher);
    book->readVbaProject();
    return book;
}

std::unique_ptr<BiffBook> BiffBook::createNew(const QString &sheetName)
{
    const QString streamName = QStringLiteral("Workbook");
    const QByteArray stream = BlankBook::workbookStream(sheetName);
    auto container = CompoundFile::create(streamName, stream);
    BookFileError error;
    auto parsed = container ? WorkbookStream::parse(stream, &error) : std::nullopt;
    if (!parsed)
        return nullptr;
    std::unique_ptr<BiffBook> book(new BiffBook);
    book->m_container = std::move(container);
    book->m_streamName = streamName;
    book->m_stream = std::make_unique<WorkbookStream>(std::move(*parsed));
    return book;
}

void BiffBook::readVbaProject()
{
    m_hasVba = m_container->hasEntry(kVbaStorage);
    if (!m_hasVba)
        return;
    const std::shared_ptr<const CompoundFile> file = m_container;
    const auto readStream = [file](const QString &path, QByteArray *out) {
        return file->readStream(kVbaStorage + QLatin1Char('/') + path, out);
    };
    QStringList streams;
    for (const QString &stream : m_container->streamPaths())
        if (stream.startsWith(kVbaStorage + QLatin1Char('/')))
            streams << stream.mid(kVbaStorage.size() + 1);
    auto project = std::make_shared<VbaProject>();
    if (project->read(readStream, streams)) {
        for (const auto &m : project->modules())
            m_vbaModules.append({m.name, int(m.kind)});
    } else {
        m_vbaError = project->error() ? project->error() : BookFileMessages::damagedVbaProject();
    }
    m_vba = std::move(project);
}

bool BiffBook::hasVbaProject() const
{
    return m_hasVba || (m_vbaEdit && m_vbaEdit->isNew());
}

std::unique_ptr<BookFormat> BiffBook::clone() const
{
    std::unique_ptr<BiffBook> copy(new BiffBook);
    copy->m_container = m_container;
    copy->m_streamName = m_streamName;
    copy->m_stream = std::make_unique<WorkbookStream>(*m_stream);
    copy->m_cipher = m_cipher;
    copy->m_vba = m_vba;
    copy->m_vbaEdit = m_vbaEdit;
    copy->m_controls = m_controls;
    copy->m_vbaModules = m_vbaModules;
    copy->m_vbaError = m_vbaError;
    copy->m_hasVba = m_hasVba;
    return copy;
}

QList<SheetFacts> BiffBook::sheetFacts() const { return m_stream->allSheetFacts(); }
bool BiffBook::structureProtected() const { return m_stream->structureProtected(); }
bool BiffBook::windowsProtected() const { return m_stream->windowsProtected(); }
QString BiffBook::encryptionName() const { return m_cipher ? m_cipher->schemeName() : QString(); }
int BiffBook::mostSheets() const { return WorkbookStream::kMostSheets; }

BookFileError BiffBook::renameSheet(int index, const QString &newName)
{
    m_stream->renameSheet(index, newName);
    return {};
}

BookFileError BiffBook::setVisibility(int index, SheetVisibility visibility)
{
    m_stream->setVisibility(index, visibility);
    return {};
}

BookFileError BiffBook::reorderSheets(const QList<int> &order)
{
    m_stream->reorderSheets(order);
    return {};
}

BookFileError BiffBook::deleteSheets(const QList<int> &indexes)
{
    QStringList codeNames;
    for (int i : indexes)
        codeNames << SheetCodeName::read(m_stream->substream(i));
    BookFileError error;
    if (!m_stream->deleteSheets(indexes, &error))
        return error;
    // A module given to a sheet since the book was read goes with it.
    if (m_vbaEdit)
        for (const QString &name : codeNames)
            m_vbaEdit->removeAdded(name);
    return error;
}

BookFileError BiffBook::duplicateSheet(int index, const QString &newName, int before)
{
    BookFileError error;
    m_stream->duplicateSheet(index, newName, before, m_hasVba, &error);
    return error;
}

BookFileError BiffBook::setPrintNames(int index, const QString &area, const QString &titleRows,
                                      const QString &titleColumns)
{
    BookFileError error;
    m_stream->setPrintNames(index, area, titleRows, titleColumns, &error);
    return error;
}

BookFileError BiffBook::setPageSetup(int index, const PageSetupFacts &setup)
{
    m_stream->setPageSetup(index, setup);
    return {};
}

QString BiffBook::importRefusal(const BookFormat &source, int index) const
{
    const auto *biff = dynamic_cast<const BiffBook *>(&source);
    if (!biff)
        return QStringLiteral("形式の異なるブックのシート");
    const QString why = SheetImport::refusal(*biff->m_stream, index);
    return why.isEmpty() ? moduleRefusal(*biff, index) : why;
}

BookFileError BiffBook::importSheets(const Import &import)
{
    const auto *biff = dynamic_cast<const BiffBook *>(import.source);
    if (!biff)
        return BookFileMessages::unsupported(QStringLiteral("形式の異なるブックからシートをコピー"));
    SheetImport::Request request;
    request.source = biff->m_stream.get();
    request.sourcePath = import.sourcePath;
    request.tabs = import.indexes;
    request.names = import.names;
    request.linkedSheets = import.linkedSheets;
    request.targetPath = import.targetPath;
    request.before = import.before;
    request.resolveName = import.resolveName;
    request.nameConflicts = import.nameConflicts;
    std::optional<VbaProjectWriter> vbaEdit = m_vbaEdit;
    NewProject made;
    if (auto e = carryModules(*biff, import.indexes, &vbaEdit, &request.codeNames, &made))
        return e;
    QByteArray controls = controlsStream();
    request.sourceControls = biff->controlsStream();
    request.controls = &controls;
    std::optional<WorkbookStream> without;
    if (made.wanted) {
        without = *m_stream;
        BookCodeNames::giveProject(*m_stream, made.workbook, made.sheets);
    }
    BookFileError error;
    if (!SheetImport::run(*m_stream, request, &error)) {
        if (without)
            *m_stream = std::move(*without);
        return error;
    }
    m_vbaEdit = std::move(vbaEdit);
    if (controls.size() != controlsStream().size())
        m_controls = std::move(controls);
    if (import.procedureUses)
        *import.procedureUses = sourceProcedureUses(*biff, import.indexes, import.names, request.codeNames);
    return {};
}

QByteArray BiffBook::controlsStream() const
{
    if (m_controls)
        return *m_controls;
    QByteArray stream;
    const QString name = m_container->findTopLevelStream(kControlsStream);
    if (!name.isEmpty())
        m_container->readStream(name, &stream);
    return stream;
}

void BiffBook::standardProcedures(QHash<QString, QString> *procedures, QSet<QString> *modules) const
{
    if (!m_hasVba || m_vbaError || !m_vba)
        return;
    for (int i = 0; i < m_vba->modules().size(); ++i) {
        if (m_vba->modules()[i].kind != VbaProjectReader::ModuleKind::Standard)
            continue;
        QByteArray text;
        if (!m_vba->source(i, &text))
            continue;
        modules->insert(m_vba->modules()[i].name.toLower());
        for (const QString &name : VbaSourceScan::publicProcedures(CodePageText::decode(text, m_vba->codePage())))
            procedures->insert(name.toLower(), name);
    }
}

QList<VbaProcedureUse> BiffBook::sourceProcedureUses(const BiffBook &source, const QList<int> &indexes,
                                                     const QStringList &names, const QStringList &codeNames) const
{
    QList<VbaProcedureUse> uses;
    QHash<QString, QString> offered;
    QSet<QString> modules;
    bool read = false;
    for (int g = 0; g < indexes.size(); ++g) {
        const SheetModule module = source.sheetModule(indexes[g]);
        if (!module.holdsCode)
            continue;
        if (!read) {
            read = true;
            source.standardProcedures(&offered, &modules);
            // What this book's own standard modules offer is found here.
            QHash<QString, QString> own;
            QSet<QString> ownModules;
            standardProcedures(&own, &ownModules);
            for (auto it = own.cbegin(); it != own.cend(); ++it)
                offered.remove(it.key());
        }
        const QStringList called = VbaSourceScan::namesUsed(module.source, offered, modules);
        if (!called.isEmpty())
            uses.append({names.value(g), codeNames.value(g, module.codeName), called});
    }
    return uses;
}

BiffBook::SheetModule BiffBook::sheetModule(int index) const
{
    SheetModule module;
    module.codeName = SheetCodeName::read(m_stream->substream(index));
    if (module.codeName.isEmpty())
        return module;
    const QString added = m_vbaEdit ? m_vbaEdit->addedSource(module.codeName) : QString();
    if (!added.isNull()) {
        module.inProject = true;
        module.source = added;
        module.holdsCode = VbaProject::holdsCode(added.toUtf8());
        // A project made here has nothing read to model another one on.
        if (!m_hasVba && module.holdsCode)
            module.refusal = QStringLiteral("保存されていないマクロ (VBA) のコードのあるシート");
        return module;
    }
    // A sheet of a book without a project only keeps a name once given.
    if (!m_hasVba)
        return module;
    if (m_vbaError || !m_vba) {
        module.refusal = QStringLiteral("マクロ (VBA) の情報を読めないブックのシート");
        return module;
    }
    const int at = m_vba->indexOf(module.codeName);
    QByteArray text;
    if (at < 0)
        return module;
    if (!m_vba->source(at, &text)) {
        module.refusal = QStringLiteral("マクロ (VBA) の情報を読めないブックのシート");
        return module;
    }
    module.inProject = true;
    module.source = CodePageText::decode(text, m_vba->codePage());
    module.holdsCode = VbaProject::holdsCode(text);
    return module;
}

QString BiffBook::moduleRefusal(const BiffBook &source, int index) const
{
    const SheetModule module = source.sheetModule(index);
    if (!module.refusal.isEmpty())
        return module.refusal;
    if (m_hasVba && (m_vbaError || !m_vba))
        return QStringLiteral("マクロ (VBA) の情報を読めないブックへのシート");
    return QString();
}

// Into a book without a VBA project, copies whose modules hold no code
// carry none, as a book written without the VBA editor has none; code makes
// the book a project of its own, in which the book and each of its sheets
// have a document module, as in any book the VBA editor saved. In a book
// with a project each copy gets a document module of its own, holding what
// the sheet's held, under a name no module of the project has.
BookFileError BiffBook::carryModules(const BiffBook &source, const QList<int> &indexes,
                                     std::optional<VbaProjectWriter> *edit, QStringList *codeNames,
                                     NewProject *made) const
{
    bool code = false;
    for (int i : indexes) {
        const QString why = moduleRefusal(source, i);
        if (!why.isEmpty())
            return BookFileMessages::unsupported(why + QStringLiteral("を別のブックへ移動またはコピー"));
        code = code || source.sheetModule(i).holdsCode;
    }
    const bool project = m_hasVba || (*edit && (*edit)->isNew());
    if (!project && !code)
        return {};
    const auto kindOf = [](const BiffBook &book, int index) {
        return book.m_stream->sheetType(index) == kChartEntry ? VbaProjectWriter::Document::Chart
                                                              : VbaProjectWriter::Document::Worksheet;
    };
    const BookFileError unwritable = BookFileMessages::unsupported(
        QStringLiteral("マクロ (VBA) のコードをこのブックの文字コードで書けないシートを別のブックへ移動またはコピー"));
    if (!*edit)
        edit->emplace(project ? VbaProjectWriter(*m_vba) : VbaProjectWriter::newProject(*source.m_vba));
    if (!project) {
        made->wanted = true;
        const QString workbook = BookCodeNames::workbook(*m_stream);
        made->workbook = (*edit)->freeModuleName(workbook.isEmpty() ? QStringLiteral("ThisWorkbook") : workbook);
        if (!(*edit)->addDocumentModule(made->workbook, VbaProjectWriter::emptyDocumentSource(
                                                            made->workbook, VbaProjectWriter::Document::Workbook)))
            return unwritable;
    }
    // The copies first, so that they keep the names their code knows them by.
    for (int i : indexes) {
        const SheetModule module = source.sheetModule(i);
        const QString wanted = !module.codeName.isEmpty() ? module.codeName
                             : kindOf(source, i) == VbaProjectWriter::Document::Chart ? QStringLiteral("Chart1")
                                                                                      : QStringLiteral("Sheet1");
        const QString name = (*edit)->freeModuleName(wanted);
        const QString text = module.inProject ? module.source
                                              : VbaProjectWriter::emptyDocumentSource(name, kindOf(source, i));
        if (!(*edit)->addDocumentModule(name, text))
            return unwritable;
        codeNames->append(name);
    }
    if (project)
        return {};
    const QStringList had = BookCodeNames::sheets(*m_stream);
    for (int t = 0; t < m_stream->sheetCount(); ++t) {
        const int type = m_stream->sheetType(t);
        if (type != kWorksheetEntry && type != kChartEntry) {
            made->sheets << QString();
            continue;
        }
        const QString name = (*edit)->freeModuleName(
            !had[t].isEmpty() ? had[t] : type == kChartEntry ? QStringLiteral("Chart1") : QStringLiteral("Sheet1"));
        if (!(*edit)->addDocumentModule(name, VbaProjectWriter::emptyDocumentSource(name, kindOf(*this, t))))
            return unwritable;
        made->sheets << name;
    }
    return {};
}

void BiffBook::redirectMovedSheets(const QString &ownPath, const QList<int> &indexes, const QString &targetPath,
                                   const QStringList &targetNames, const QList<int> &landed)
{
    SheetImport::redirectToTarget(*m_stream, ownPath, indexes, targetPath, targetNames, landed);
    // The moved sheets' modules went with them.
    if (!hasVbaProject())
        return;
    for (int i : indexes) {
        const QString codeName = SheetCodeName::read(m_stream->substream(i));
        if (codeName.isEmpty())
            continue;
        if (!m_vbaEdit && m_vba && !m_vbaError)
            m_vbaEdit.emplace(*m_vba);
        if (m_vbaEdit)
            m_vbaEdit->removeModule(codeName);
    }
}

bool BiffBook::sheetsReferredTo(const QList<int> &indexes) const
{
    return MovedSheetLinks::referredTo(*m_stream, indexes);
}

bool BiffBook::writeTo(const QString &path, QString *reason) const
{
    QByteArray stream = m_stream->serialize();
    if (m_cipher)
        stream = m_cipher->encrypt(stream);
    QMap<QString, QByteArray> streams{{m_streamName, stream}};
    if (m_controls) {
        const QString name = m_container->findTopLevelStream(kControlsStream);
        streams.insert(name.isEmpty() ? kControlsStream : name, *m_controls);
    }
    QStringList dropped;
    if (m_vbaEdit) {
        const VbaProjectWriter::Changes vba = m_vbaEdit->changes();
        for (auto it = vba.streams.cbegin(); it != vba.streams.cend(); ++it)
            streams.insert(kVbaStorage + QLatin1Char('/') + it.key(), it.value());
        for (const QString &gone : vba.dropped)
            dropped << kVbaStorage + QLatin1Char('/') + gone;
    }
    return m_container->writeCopy(path, streams, dropped, reason);
}

} // namespace quirn
