#include "BiffBook.h"

#include "BiffCipher.h"
#include "BiffRecord.h"
#include "BlankBook.h"
#include "BookFileMessages.h"
#include "CompoundFile.h"
#include "SheetImport.h"
#include "VbaProjectReader.h"
#include "WorkbookStream.h"

namespace quirn {

namespace {

const QString kVbaStorage = QStringLiteral("_VBA_PROJECT_CUR");

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

std::unique_ptr<BiffBook> BiffBook::open(const QByteArray &bytes, const QString &password, BookFileError *error)
{
    auto container = CompoundFile::open(bytes);
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
    QByteArray dir, project;
    VbaProjectReader reader;
    if (m_container->readStream(kVbaStorage + QStringLiteral("/VBA/dir"), &dir)
        && m_container->readStream(kVbaStorage + QStringLiteral("/PROJECT"), &project) && reader.read(dir, project)) {
        for (const auto &m : reader.modules())
            m_vbaModules.append({m.name, int(m.kind)});
    } else {
        m_vbaError = reader.error() ? reader.error() : BookFileMessages::damagedVbaProject();
    }
}

std::unique_ptr<BookFormat> BiffBook::clone() const
{
    std::unique_ptr<BiffBook> copy(new BiffBook);
    copy->m_container = m_container;
    copy->m_streamName = m_streamName;
    copy->m_stream = std::make_unique<WorkbookStream>(*m_stream);
    copy->m_cipher = m_cipher;
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
    BookFileError error;
    m_stream->deleteSheets(indexes, &error);
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
    return SheetImport::refusal(*biff->m_stream, index, biff->m_hasVba, m_hasVba);
}

BookFileError BiffBook::importSheets(const Import &import)
{
    const auto *biff = dynamic_cast<const BiffBook *>(import.source);
    if (!biff)
        return BookFileMessages::unsupported(QStringLiteral("形式の異なるブックからシートをコピー"));
    SheetImport::Request request;
    request.source = biff->m_stream.get();
    request.sourcePath = import.sourcePath;
    request.sourceHasVba = biff->m_hasVba;
    request.tabs = import.indexes;
    request.names = import.names;
    request.linkedSheets = import.linkedSheets;
    request.targetPath = import.targetPath;
    request.targetHasVba = m_hasVba;
    request.before = import.before;
    BookFileError error;
    SheetImport::run(*m_stream, request, &error);
    return error;
}

void BiffBook::redirectMovedSheets(const QString &ownPath, const QList<int> &indexes, const QString &targetPath,
                                   const QStringList &targetNames, const QList<int> &landed)
{
    SheetImport::redirectToTarget(*m_stream, ownPath, indexes, targetPath, targetNames, landed);
}

bool BiffBook::writeTo(const QString &path, QString *reason) const
{
    QByteArray stream = m_stream->serialize();
    if (m_cipher)
        stream = m_cipher->encrypt(stream);
    return m_container->writeCopy(path, m_streamName, stream, reason);
}

} // namespace quirn
