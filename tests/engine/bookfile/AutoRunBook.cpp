#include "AutoRunBook.h"

#include "CompoundFile.h"
#include "HostileBooks.h"
#include "VbaProjectReader.h"

#include <QFile>
#include <QHash>

namespace {

quint16 u16(const QByteArray &b, qsizetype o)
{
    return quint16(quint8(b.at(o)) | (quint8(b.at(o + 1)) << 8));
}

quint32 u32(const QByteArray &b, qsizetype o)
{
    return quint32(u16(b, o)) | (quint32(u16(b, o + 2)) << 16);
}

// Where each module's compressed source starts in its stream, by module
// name, from the decompressed project information.
QHash<QString, quint32> sourceOffsets(const QByteArray &dir)
{
    QHash<QString, quint32> out;
    QString module;
    for (qsizetype p = 0; p + 6 <= dir.size();) {
        const quint16 id = u16(dir, p);
        // The version record's size field says 4 and 6 bytes follow.
        const quint32 size = id == 0x0009 ? 6 : u32(dir, p + 2);
        if (p + 6 + qsizetype(size) > dir.size())
            break;
        const QByteArray data = dir.mid(p + 6, size);
        if (id == 0x0019)
            module = QString::fromLatin1(data);
        else if (id == 0x0031 && size == 4)
            out.insert(module, u32(data, 0));
        p += 6 + size;
    }
    return out;
}

// A compressed container of literal tokens only (no copies): valid for any
// reader, and small sources fit one chunk.
QByteArray compressLiterals(const QByteArray &source)
{
    QByteArray out(1, '\x01');
    for (qsizetype start = 0; start < source.size(); start += 3640) {
        const QByteArray part = source.mid(start, 3640);
        QByteArray chunk;
        for (qsizetype i = 0; i < part.size(); i += 8)
            chunk += '\0' + part.mid(i, 8);
        const quint16 header = quint16(0xB000 | ((chunk.size() + 2 - 3) & 0x0FFF));
        out += char(header & 0xFF);
        out += char(header >> 8);
        out += chunk;
    }
    return out;
}

// The module's attribute lines as they were, then `code`.
QByteArray withCode(const QByteArray &compressedSource, const QByteArray &code)
{
    QByteArray source;
    quirn::VbaProjectReader::decompress(compressedSource, &source);
    QByteArray kept;
    for (const QByteArray &line : source.split('\n'))
        if (line.startsWith("Attribute "))
            kept += line.trimmed() + "\r\n";
    return kept + code;
}

QByteArray markerCode(const QByteArray &procedure, const QString &marker)
{
    return procedure + "()\r\n"
           "    Dim f As Integer\r\n"
           "    f = FreeFile\r\n"
           "    Open \"" + marker.toLatin1() + "\" For Output As #f\r\n"
           "    Print #f, \"ran\"\r\n"
           "    Close #f\r\n"
           "End Sub\r\n";
}

} // namespace

namespace AutoRunBook {

bool write(const QString &path, const QString &markerBase, const QString &templateBook, QString *error)
{
    QFile file(templateBook);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1").arg(templateBook);
        return false;
    }
    const auto container = quirn::CompoundFile::open(file.readAll());
    QByteArray dirStream, dir;
    const QString vba = QStringLiteral("_VBA_PROJECT_CUR/VBA/");
    if (!container || !container->readStream(vba + QStringLiteral("dir"), &dirStream)
        || !quirn::VbaProjectReader::decompress(dirStream, &dir)) {
        *error = QStringLiteral("no VBA project in %1").arg(templateBook);
        return false;
    }
    const QHash<QString, quint32> offsets = sourceOffsets(dir);
    const QHash<QString, QByteArray> code{
        {QStringLiteral("ThisWorkbook"), markerCode("Private Sub Workbook_Open", workbookOpenMarker(markerBase))},
        {QStringLiteral("Module1"), markerCode("Sub Auto_Open", autoOpenMarker(markerBase))}};
    QList<std::pair<QString, QByteArray>> streams;
    for (const QString &streamPath : container->streamPaths()) {
        QByteArray bytes;
        container->readStream(streamPath, &bytes);
        const QString module = streamPath.startsWith(vba) ? streamPath.mid(vba.size()) : QString();
        if (code.contains(module)) {
            if (!offsets.contains(module)) {
                *error = QStringLiteral("no source offset for %1").arg(module);
                return false;
            }
            const quint32 at = offsets.value(module);
            bytes = bytes.left(at) + compressLiterals(withCode(bytes.mid(at), code.value(module)));
        }
        streams.append({streamPath, bytes});
    }
    if (!HostileBooks::writeContainer(path, streams)) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

} // namespace AutoRunBook
