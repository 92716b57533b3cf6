#include "VbaProjectReader.h"

#include "CodePageText.h"
#include "LittleEndian.h"

#include <QtEndian>

#include <algorithm>

namespace quirn {

namespace {

constexpr quint16 kProjectCodePage = 0x0003;
constexpr quint16 kProjectName = 0x0004;
constexpr quint16 kProjectVersion = 0x0009;
constexpr quint16 kProjectModules = 0x000F;
constexpr quint16 kDirTerminator = 0x0010;
constexpr quint16 kModuleName = 0x0019;
constexpr quint16 kModuleTypeProcedural = 0x0021;
constexpr quint16 kModuleTypeOther = 0x0022;
constexpr quint16 kModuleNameUnicode = 0x0047;
constexpr quint16 kModuleStreamName = 0x001A;
constexpr quint16 kModuleStreamNameUnicode = 0x0032;
constexpr quint16 kModuleOffset = 0x0031;

constexpr qsizetype kChunkSize = 4096;

// One compressed chunk from `pos` to `end`, appended to `out`.
bool decompressChunk(const QByteArray &in, qsizetype pos, qsizetype end, QByteArray *out)
{
    const qsizetype chunkStart = out->size();
    while (pos < end) {
        const quint8 flags = quint8(in.at(pos++));
        for (int bit = 0; bit < 8 && pos < end; ++bit) {
            if (!(flags & (1 << bit))) {
                out->append(in.at(pos++));
            } else {
                if (pos + 2 > end)
                    return false;
                const quint16 token = u16(in, pos);
                pos += 2;
                const qsizetype done = out->size() - chunkStart;
                int bitCount = 4;
                while ((qsizetype(1) << bitCount) < done)
                    ++bitCount;
                if (bitCount > 12)
                    return false;
                const quint16 lengthMask = quint16(0xFFFF >> bitCount);
                const qsizetype length = (token & lengthMask) + 3;
                const qsizetype offset = (token >> (16 - bitCount)) + 1;
                if (offset > done)
                    return false;
                // The copy may overlap what it writes: byte by byte, in place.
                const qsizetype at = out->size();
                out->resize(at + length);
                char *bytes = out->data();
                for (qsizetype k = 0; k < length; ++k)
                    bytes[at + k] = bytes[at + k - offset];
            }
            if (out->size() - chunkStart > kChunkSize)
                return false;
        }
    }
    return true;
}

enum class Expansion { Whole, Invalid, TooLarge };

// A chunk expands to at most 4096 bytes from as few as six, so the output is
// checked against `limit` chunk by chunk, never after the fact.
Expansion expand(const QByteArray &container, QByteArray *out, qsizetype limit)
{
    out->clear();
    const auto invalid = [out] {
        out->clear();
        return Expansion::Invalid;
    };
    if (container.isEmpty() || quint8(container.at(0)) != 1)
        return invalid();
    const qsizetype size = container.size();
    qsizetype pos = 1;
    while (pos < size) {
        if (pos + 2 > size)
            return invalid();
        if (out->size() + kChunkSize > limit) {
            out->clear();
            return Expansion::TooLarge;
        }
        const quint16 header = u16(container, pos);
        const qsizetype chunkEnd = std::min(pos + (header & 0x0FFF) + 3, size);
        pos += 2;
        if (header & 0x8000) {
            if (!decompressChunk(container, pos, chunkEnd, out))
                return invalid();
        } else {
            out->append(container.mid(pos, chunkEnd - pos));
        }
        pos = chunkEnd;
    }
    return Expansion::Whole;
}

} // namespace

bool VbaProjectReader::decompress(const QByteArray &container, QByteArray *out, qsizetype limit)
{
    return expand(container, out, limit) == Expansion::Whole;
}

bool VbaProjectReader::fail()
{
    m_modules.clear();
    m_error = BookFileError::make(BookFileError::Code::Damaged,
                                  QStringLiteral("ブックのマクロ (VBA) の情報が壊れています。"));
    return false;
}

bool VbaProjectReader::failTooLarge()
{
    m_modules.clear();
    m_error = BookFileError::make(BookFileError::Code::Damaged,
                                  QStringLiteral("ブックのマクロ (VBA) の情報が大きすぎるため、読み込めません。"));
    return false;
}

bool VbaProjectReader::readDir(const QByteArray &dir, QList<DirModule> *modules)
{
    qsizetype pos = 0;
    int declaredModules = -1;
    QByteArray projectName;
    while (pos + 6 <= dir.size()) {
        const quint16 id = u16(dir, pos);
        // The version record's size field is a reserved word; six bytes follow it.
        const qsizetype size = id == kProjectVersion ? 6 : qsizetype(u32(dir, pos + 2));
        if (size > dir.size() - pos - 6)
            return false;
        const QByteArray data = dir.mid(pos + 6, size);
        pos += 6 + size;
        switch (id) {
        case kProjectCodePage:
            if (size >= 2)
                m_codePage = u16(data, 0);
            break;
        case kProjectName:
            projectName = data;
            break;
        case kProjectModules:
            if (size >= 2)
                declaredModules = u16(data, 0);
            break;
        case kModuleName:
            modules->append(DirModule{data, {}, {}, {}, 0, true});
            break;
        case kModuleStreamName:
            if (!modules->isEmpty())
                modules->last().streamName = data;
            break;
        case kModuleStreamNameUnicode:
            if (!modules->isEmpty())
                modules->last().unicodeStreamName = QString::fromUtf16(
                    reinterpret_cast<const char16_t *>(data.constData()), data.size() / 2);
            break;
        case kModuleOffset:
            if (!modules->isEmpty() && size >= 4)
                modules->last().textOffset = u32(data, 0);
            break;
        case kModuleNameUnicode:
            if (!modules->isEmpty())
                modules->last().unicodeName = QString::fromUtf16(
                    reinterpret_cast<const char16_t *>(data.constData()), data.size() / 2);
            break;
        case kModuleTypeProcedural:
        case kModuleTypeOther:
            if (!modules->isEmpty())
                modules->last().procedural = id == kModuleTypeProcedural;
            break;
        case kDirTerminator:
            m_projectName = CodePageText::decode(projectName, m_codePage);
            return declaredModules < 0 || declaredModules == modules->size();
        default:
            break;
        }
    }
    return false;
}

QHash<QString, VbaProjectReader::ModuleKind>
VbaProjectReader::projectKinds(const QByteArray &projectStream) const
{
    QHash<QString, ModuleKind> kinds;
    const QString text = CodePageText::decode(projectStream, m_codePage);
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('[')))
            break;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString name = line.mid(equals + 1).section(QLatin1Char('/'), 0, 0).trimmed();
        ModuleKind kind;
        if (key == QLatin1String("Module"))
            kind = ModuleKind::Standard;
        else if (key == QLatin1String("Class"))
            kind = ModuleKind::Class;
        else if (key == QLatin1String("BaseClass"))
            kind = ModuleKind::Form;
        else if (key == QLatin1String("Document"))
            kind = ModuleKind::Document;
        else
            continue;
        kinds.insert(name.toCaseFolded(), kind);
    }
    return kinds;
}

bool VbaProjectReader::read(const QByteArray &dirStream, const QByteArray &projectStream)
{
    m_modules.clear();
    m_codePage = 1252;
    m_projectName.clear();
    m_error = BookFileError();

    QByteArray dir;
    QList<DirModule> dirModules;
    const Expansion expansion = expand(dirStream, &dir, kLargestDecompressed);
    if (expansion == Expansion::TooLarge)
        return failTooLarge();
    if (expansion != Expansion::Whole || !readDir(dir, &dirModules))
        return fail();

    // The dir stream tells procedural modules from the rest; the PROJECT
    // stream tells documents, classes and forms apart. Names match ignoring
    // case; the dir stream's spelling is the one shown.
    const QHash<QString, ModuleKind> kinds = projectKinds(projectStream);
    for (const DirModule &dirModule : dirModules) {
        Module module;
        module.name = dirModule.unicodeName.isEmpty()
            ? CodePageText::decode(dirModule.name, m_codePage)
            : dirModule.unicodeName;
        if (module.name.isEmpty())
            return fail();
        module.streamName = dirModule.unicodeStreamName.isEmpty()
            ? CodePageText::decode(dirModule.streamName, m_codePage)
            : dirModule.unicodeStreamName;
        module.textOffset = dirModule.textOffset;
        if (dirModule.procedural)
            module.kind = ModuleKind::Standard;
        else
            module.kind = kinds.value(module.name.toCaseFolded(), ModuleKind::Class);
        m_modules.append(module);
    }
    return true;
}

} // namespace quirn
