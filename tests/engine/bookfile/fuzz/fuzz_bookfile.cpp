// A fuzz target for the book file's readers: the container, the workbook
// stream's records (read, edited and written back) and the VBA project
// information. A whole file goes through the container to the streams it
// holds; a pair of workbook streams (kPairMark, the first one's length, the
// two streams) goes through BookFile as two books on disk: opened, sheets
// brought and moved from one into the other, saved, opened again, and the two
// combined into a third; anything else is taken as a workbook stream and as a
// VBA stream. A broken rule of the book file (a sheet count that does not add
// up after an import or a save) ends the run as a crash would.

#include "BiffCipher.h"
#include "BookCombine.h"
#include "BookFile.h"
#include "CompoundFile.h"
#include "VbaProjectReader.h"
#include "WorkbookStream.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

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

const QByteArray kPairMark("QUIRNPAIR", 9);

void require(bool rule, const char *what, const BookFileError &why = {})
{
    if (rule)
        return;
    std::fprintf(stderr, "book file rule broken: %s (%s)\n", what, qPrintable(why.message));
    std::abort();
}

// A book file holding `stream` as its workbook stream; false when no
// container can be made of it.
bool writeBook(const QString &path, const QByteArray &stream)
{
    const std::unique_ptr<CompoundFile> container = CompoundFile::create(QStringLiteral("Workbook"), stream);
    QString reason;
    return container && container->writeCopy(path, QStringLiteral("Workbook"), stream, &reason);
}

// The sheets to carry: every other one, at most four.
QList<int> someSheets(const BookFile &book)
{
    QList<int> indexes;
    for (int t = 0; t < book.sheetCount() && indexes.size() < 4; t += 2)
        indexes << t;
    return indexes;
}

void importAndCheck(BookFile &into, const BookFile &from)
{
    const QList<int> indexes = someSheets(from);
    const int before = into.sheetCount();
    const bool wasModified = into.isModified();
    QStringList names;
    into.setNameConflictResolver([](const QString &, const QString &free) { return free; });
    const BookFileError error = into.importSheets(from, indexes, before / 2, &names);
    if (error) {
        require(into.sheetCount() == before && into.isModified() == wasModified, "a refused import changed the book");
        return;
    }
    require(into.sheetCount() == before + indexes.size(), "an import added other than the sheets asked for");
    require(names.size() == indexes.size(), "an import named other than its copies");
    for (const QString &name : names)
        require(into.indexOf(name) >= 0, "a copy is not found by its name");
}

void moveAndCheck(BookFile &into, BookFile &from)
{
    const QList<int> indexes = someSheets(from);
    const int before = into.sheetCount(), sourceBefore = from.sheetCount();
    const BookFileError error = into.moveSheetsFrom(from, indexes, before);
    if (error) {
        require(into.sheetCount() == before && from.sheetCount() == sourceBefore, "a refused move changed a book");
        return;
    }
    require(into.sheetCount() == before + indexes.size() && from.sheetCount() == sourceBefore - indexes.size(),
            "a move lost or doubled sheets");
}

void saveAndCheck(BookFile &book)
{
    const int count = book.sheetCount();
    if (book.save())
        return;
    BookFile again;
    const BookFileError error = again.open(book.path());
    require(!error, "a saved book cannot be read", error);
    require(again.sheetCount() == count, "a saved book has other sheets than before");
}

void transferBetweenBooks(const QByteArray &first, const QByteArray &second)
{
    static QTemporaryDir work;
    const QString a = work.filePath(QStringLiteral("a.xls")), b = work.filePath(QStringLiteral("b.xls"));
    const QString combined = work.filePath(QStringLiteral("c.xls"));
    QFile::remove(combined);
    if (!writeBook(a, first) || !writeBook(b, second))
        return;
    BookFile into, from;
    if (into.open(a) || from.open(b))
        return;
    importAndCheck(into, from);
    moveAndCheck(into, from);
    saveAndCheck(into);
    saveAndCheck(from);
    BookCombine::Result result;
    if (!BookCombine::run(combined, {{a, {}, {}}, {b, {}, {}}}, &result)) {
        BookFile made;
        const BookFileError error = made.open(combined);
        require(!error, "a combined book cannot be read", error);
        require(made.sheetCount() == result.copied.size(), "a combined book holds other sheets than it reports");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith(kPairMark) && bytes.size() >= kPairMark.size() + 4) {
        const QByteArray rest = bytes.mid(kPairMark.size() + 4);
        const quint32 firstLength = quint8(bytes[kPairMark.size()]) | quint8(bytes[kPairMark.size() + 1]) << 8
                                    | quint8(bytes[kPairMark.size() + 2]) << 16
                                    | quint32(quint8(bytes[kPairMark.size() + 3])) << 24;
        if (firstLength <= quint32(rest.size()))
            transferBetweenBooks(rest.left(firstLength), rest.mid(firstLength));
        return 0;
    }
    if (bytes.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))) {
        readContainer(bytes);
        return 0;
    }
    readAndEditRecords(bytes);
    readVbaProject(bytes, bytes);
    return 0;
}
