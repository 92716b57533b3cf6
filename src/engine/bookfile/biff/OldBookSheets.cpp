#include "OldBookSheets.h"

#include "BiffRecord.h"
#include "CodePageText.h"
#include "CompoundFile.h"

namespace quirn {

namespace {

constexpr quint16 kBiff5Version = 0x0500;
constexpr quint16 rtCodePage = 0x0042;

} // namespace

// The globals run from the first BOF to its EOF; BOUNDSHEET holds the
// substream's offset (4 bytes), hidden state and type (a byte each) and the
// name, a byte count and bytes in the book's code page.
QList<OldBookSheets::Sheet> OldBookSheets::read(const QByteArray &bytes)
{
    const auto container = CompoundFile::open(bytes);
    if (!container)
        return {};
    const QString streamName = container->findTopLevelStream(QStringLiteral("Book"));
    QByteArray stream;
    if (streamName.isEmpty() || !container->readStream(streamName, &stream))
        return {};
    quint16 type = 0, length = 0;
    if (!biff::recordAt(stream, 0, &type, &length) || type != biff::rtBof || length < 2
        || biff::u16(stream, 4) != kBiff5Version)
        return {};
    int codePage = 1252;
    QList<QByteArray> names;
    QList<Sheet> sheets;
    for (qsizetype pos = 4 + length; biff::recordAt(stream, pos, &type, &length) && pos + 4 + length <= stream.size();
         pos += 4 + length) {
        const QByteArray data = stream.mid(pos + 4, length);
        if (type == biff::rtEof)
            break;
        if (type == rtCodePage && length >= 2) {
            codePage = biff::u16(data, 0);
        } else if (type == biff::rtBoundSheet && length >= 7) {
            const int count = quint8(data.at(6));
            if (7 + count > length)
                return {};
            names << data.mid(7, count);
            sheets.append({QString(), Type(quint8(data.at(5)))});
        }
    }
    for (qsizetype i = 0; i < sheets.size(); ++i)
        sheets[i].name = CodePageText::decode(names[i], codePage);
    return sheets;
}

} // namespace quirn
