// A fuzz target for package books: the ZIP and package readers, the book
// read from them and edited, the ZIP written again with an entry replaced
// (which must read back), and the span editor on any text.

#include "PackageBook.h"
#include "WorkbookEdit.h"
#include "ZipArchive.h"
#include "ZipSplice.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace quirn;

namespace {

void readAndEditBook(const QByteArray &bytes)
{
    BookFileError error;
    const std::unique_ptr<PackageBook> book = PackageBook::open(bytes, &error);
    if (!book)
        return;
    const int count = int(book->sheetFacts().size());
    book->setVisibility(0, SheetVisibility::Hidden);
    QList<int> reversed;
    for (int t = count - 1; t >= 0; --t)
        reversed << t;
    book->reorderSheets(reversed);
    book->setVisibility(count - 1, SheetVisibility::Visible);
    if (count > 1)
        book->deleteSheets({0});
    // What an edit writes must read back.
    QString reason;
    if (!ZipArchive::read(ZipSplice::spliced(book->package().zip(), book->package().changes()), &reason))
        std::abort();
}

void spliceArchive(const QByteArray &bytes)
{
    QString reason;
    const auto zip = ZipArchive::read(bytes, &reason);
    if (!zip || zip->entries().isEmpty())
        return;
    ZipChanges changes;
    changes.contents.insert(zip->entries().first().name, QByteArray("replaced"));
    const QByteArray written = ZipSplice::spliced(*zip, changes);
    const auto again = ZipArchive::read(written, &reason);
    QByteArray content;
    if (!again || again->entries().size() != zip->entries().size() || !again->inflate(0, &content, &reason)
        || content != "replaced")
        std::abort(); // what the splice writes must read back
}

void editSpans(const QByteArray &text)
{
    QByteArray out;
    WorkbookEdit::setVisibility(text, 0, SheetVisibility::Hidden, 1, &out);
    WorkbookEdit::reorder(text, {1, 0}, &out);
    WorkbookEdit::setTabSelected(text, true, &out);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    readAndEditBook(bytes);
    spliceArchive(bytes);
    editSpans(bytes);
    return 0;
}
