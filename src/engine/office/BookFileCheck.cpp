#include "BookFileCheck.h"

#include <QFile>
#include <QFileInfo>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <cstring>
#include <mutex>

namespace {

const unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

quint16 word(const QByteArray &bytes, int at)
{
    return quint16(quint8(bytes.at(at)) | (quint8(bytes.at(at + 1)) << 8));
}

quint32 dword(const QByteArray &bytes, int at)
{
    return quint32(word(bytes, at)) | (quint32(word(bytes, at + 2)) << 16);
}

// The sectors the header points at (FAT sectors, first directory sector) must
// lie inside the file; a cut-off copy fails here.
bool compoundHeaderFits(const QByteArray &header, qint64 fileSize)
{
    if (header.size() < 512)
        return false;
    const int shift = word(header, 30);
    if (shift != 9 && shift != 12)
        return false;
    const qint64 sectorSize = qint64(1) << shift;
    const auto fits = [&](quint32 sector) {
        return sector >= 0xFFFFFFFA || (qint64(sector) + 1) * sectorSize < fileSize;
    };
    const quint32 fatSectors = dword(header, 44);
    if (!fits(dword(header, 48)))
        return false;
    for (quint32 i = 0; i < qMin<quint32>(fatSectors, 109); ++i) {
        if (!fits(dword(header, 76 + int(i) * 4)))
            return false;
    }
    return true;
}

// A workbook stream longer than the whole file means a cut-off copy. The
// workbook's entry is in the first directory sector in practice.
bool workbookEntryFits(QFile &file, const QByteArray &header, qint64 fileSize)
{
    const qint64 sectorSize = qint64(1) << word(header, 30);
    const quint32 directory = dword(header, 48);
    if (!file.seek((qint64(directory) + 1) * sectorSize))
        return false;
    const QByteArray entries = file.read(sectorSize);
    for (int at = 0; at + 128 <= entries.size(); at += 128) {
        const int nameBytes = qMin<int>(word(entries, at + 64), 64);
        const QString name = QString::fromUtf16(
            reinterpret_cast<const char16_t *>(entries.constData() + at), qMax(0, nameBytes / 2 - 1));
        if (name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0)
            return dword(entries, at + 120) <= fileSize;
    }
    return true;
}

// Looks for the workbook stream of a compound file by name, ignoring case as
// the container format does.
BookFileCheck::Format classifyCompound(const QString &path, bool &encrypted)
{
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });

    GError *error = nullptr;
    GsfInput *input = gsf_input_stdio_new(QFile::encodeName(path).constData(), &error);
    if (!input) {
        g_clear_error(&error);
        return BookFileCheck::Format::Unreadable;
    }
    GsfInfile *root = gsf_infile_msole_new(input, &error);
    g_object_unref(input);
    if (!root) {
        g_clear_error(&error);
        return BookFileCheck::Format::Damaged;
    }
    BookFileCheck::Format format = BookFileCheck::Format::NotWorkbook;
    const int count = gsf_infile_num_children(root);
    for (int i = 0; i < count; ++i) {
        const QString name = QString::fromUtf8(gsf_infile_name_by_index(root, i));
        if (name.compare(QLatin1String("Workbook"), Qt::CaseInsensitive) == 0) {
            format = BookFileCheck::Format::Damaged;
            GsfInput *stream = gsf_infile_child_by_index(root, i);
            if (stream) {
                guint8 head[4];
                if (gsf_input_size(stream) >= 4 && gsf_input_read(stream, 4, head)
                    && head[0] == 0x09 && head[1] == 0x08) {
                    format = BookFileCheck::Format::Biff8;
                    // FILEPASS, when present, is the record right after BOF.
                    const gsf_off_t next = 4 + (head[2] | (head[3] << 8));
                    if (gsf_input_seek(stream, next, G_SEEK_SET) == FALSE
                        && gsf_input_read(stream, 2, head) && head[0] == 0x2F && head[1] == 0x00)
                        encrypted = true;
                }
                g_object_unref(stream);
            }
            break;
        }
        if (name.compare(QLatin1String("Book"), Qt::CaseInsensitive) == 0)
            format = BookFileCheck::Format::Biff5;
    }
    g_object_unref(root);
    return format;
}

} // namespace

BookFileCheck::Format BookFileCheck::classify(const QString &path)
{
    bool encrypted = false;
    return classify(path, encrypted);
}

BookFileCheck::Format BookFileCheck::classify(const QString &path, bool &encrypted)
{
    encrypted = false;
    const QFileInfo info(path);
    if (!info.exists())
        return Format::Missing;
    if (!info.isFile())
        return Format::NotWorkbook;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Format::Unreadable;
    if (file.size() == 0)
        return Format::Empty;
    const QByteArray head = file.read(512);
    if (head.size() >= 8 && std::memcmp(head.constData(), kCompoundSignature, 8) == 0) {
        if (!compoundHeaderFits(head, info.size()) || !workbookEntryFits(file, head, info.size()))
            return Format::Damaged;
        file.close();
        return classifyCompound(path, encrypted);
    }
    if (head.startsWith("PK\x03\x04"))
        return Format::OpenXml;
    if (head.size() >= 4) {
        const quint16 type = word(head, 0);
        if (type == 0x0009 || type == 0x0209 || type == 0x0409)
            return Format::Biff4OrOlder;
        if (type == 0x0809)
            return Format::Biff5; // a bare Excel 5 worksheet stream
    }
    return Format::NotWorkbook;
}

QString BookFileCheck::filterFor(Format format)
{
    switch (format) {
    case Format::Biff8:
        return QStringLiteral("MS Excel 97");
    case Format::Biff5:
        return QStringLiteral("MS Excel 95");
    case Format::OpenXml:
        return QStringLiteral("Calc MS Excel 2007 XML");
    case Format::Biff4OrOlder:
        return QStringLiteral("MS Excel 4.0"); // also reads Excel 2.1 and 3.0 files
    default:
        return QString();
    }
}
