// A fuzz target for the book file's readers: the container, the workbook
// stream's records (read, edited and written back) and the VBA project
// information. A whole file goes through the container to the streams it
// holds; anything else is taken as a workbook stream and as a VBA stream.

#include "BiffCipher.h"
#include "CompoundFile.h"
#include "VbaProjectReader.h"
#include "WorkbookStream.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

using namespace quirn;

namespace {

void readAndEditRecords(const QByteArray &stream)
{
    BookFileError error;
    std::optional<WorkbookStream> book = WorkbookStream::parse(stream, &error);
    if (!book)
        return;
    if (book->hasFilePass()) {
        if (auto cipher = BiffCipher::create(book->filePassPayload(), QString(), &error))
            WorkbookStream::parse(cipher->decrypt(stream), &error);
        return;
    }
    book->allSheetFacts();
    const int count = book->sheetCount();
    if (count == 0) {
        book->serialize();
        return;
    }
    book->renameSheet(0, QStringLiteral("Fuzzed"));
    book->setVisibility(count - 1, SheetVisibility::Hidden);
    QList<int> reversed;
    for (int t = count - 1; t >= 0; --t)
        reversed << t;
    book->reorderSheets(reversed);
    book->setPrintNames(0, QStringLiteral("$A$1:$B$2"), QStringLiteral("$1:$1"), QString(), &error);
    book->duplicateSheet(0, QStringLiteral("Copy"), 0, false, &error);
    if (book->sheetCount() > 1)
        book->deleteSheets({book->sheetCount() - 1}, &error);
    const QByteArray written = book->serialize();
    if (auto again = WorkbookStream::parse(written, &error))
        again->allSheetFacts();
}

void readVbaProject(const QByteArray &dir, const QByteArray &project)
{
    VbaProjectReader reader;
    reader.read(dir, project);
}

void readContainer(const QByteArray &file)
{
    const std::unique_ptr<CompoundFile> container = CompoundFile::open(file);
    if (!container)
        return;
    for (const QString &path : container->streamPaths()) {
        QByteArray bytes;
        container->readStream(path, &bytes);
    }
    QByteArray stream, dir, project;
    const QString name = container->findTopLevelStream(QStringLiteral("Workbook"));
    if (!name.isEmpty() && container->readStream(name, &stream))
        readAndEditRecords(stream);
    if (container->readStream(QStringLiteral("_VBA_PROJECT_CUR/VBA/dir"), &dir)
        && container->readStream(QStringLiteral("_VBA_PROJECT_CUR/PROJECT"), &project))
        readVbaProject(dir, project);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))) {
        readContainer(bytes);
        return 0;
    }
    readAndEditRecords(bytes);
    readVbaProject(bytes, bytes);
    return 0;
}
