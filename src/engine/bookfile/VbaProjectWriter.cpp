#include "VbaProjectWriter.h"

#include "CodePageText.h"
#include "VbaCompression.h"

#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>

namespace quirn {

namespace {

// Record ids of the dir stream (the project information).
constexpr quint16 kVersion = 0x0009;         // its size field is reserved: 6 bytes follow
constexpr quint16 kModuleCount = 0x000F;
constexpr quint16 kProjectCookie = 0x0013;
constexpr quint16 kTerminator = 0x0010;
constexpr quint16 kModuleName = 0x0019;
constexpr quint16 kModuleStreamName = 0x001A;
constexpr quint16 kModuleDocString = 0x001C;
constexpr quint16 kModuleHelpContext = 0x001E;
constexpr quint16 kModuleTypeOther = 0x0022; // documents, classes and forms
constexpr quint16 kModuleEnd = 0x002B;
constexpr quint16 kModuleCookie = 0x002C;
constexpr quint16 kModuleOffset = 0x0031;
constexpr quint16 kModuleStreamNameUnicode = 0x0032;
constexpr quint16 kModuleNameUnicode = 0x0047;
constexpr quint16 kModuleDocStringUnicode = 0x0048;

QByteArray u16le(quint16 value)
{
    QByteArray out(2, '\0');
    qToLittleEndian(value, out.data());
    return out;
}

QByteArray u32le(quint32 value)
{
    QByteArray out(4, '\0');
    qToLittleEndian(value, out.data());
    return out;
}

QByteArray dirRecord(quint16 id, const QByteArray &data)
{
    return u16le(id) + u32le(quint32(data.size())) + data;
}

QByteArray utf16(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

// A module's records in the dir stream. Its source starts at offset 0 of
// its stream: a module written here has no compiled part. The cookie is
// 0xFFFF and the help context 0, as for any module the host writes anew.
QByteArray moduleRecords(const QByteArray &encodedName, const QString &name)
{
    return dirRecord(kModuleName, encodedName)
         + dirRecord(kModuleNameUnicode, utf16(name))
         + dirRecord(kModuleStreamName, encodedName)
         + dirRecord(kModuleStreamNameUnicode, utf16(name))
         + dirRecord(kModuleDocString, QByteArray())
         + dirRecord(kModuleDocStringUnicode, QByteArray())
         + dirRecord(kModuleOffset, u32le(0))
         + dirRecord(kModuleHelpContext, u32le(0))
         + dirRecord(kModuleCookie, u16le(0xFFFF))
         + u16le(kModuleTypeOther) + u32le(0)
         + u16le(kModuleEnd) + u32le(0);
}

// Offsets of the records of a decompressed dir stream, in order.
QList<std::pair<quint16, qsizetype>> dirRecords(const QByteArray &dir)
{
    QList<std::pair<quint16, qsizetype>> out;
    for (qsizetype pos = 0; pos + 6 <= dir.size();) {
        const quint16 id = qFromLittleEndian<quint16>(dir.constData() + pos);
        const qsizetype size = id == kVersion ? 6 : qsizetype(qFromLittleEndian<quint32>(dir.constData() + pos + 2));
        if (size > dir.size() - pos - 6)
            break;
        out.append({id, pos});
        pos += 6 + size;
    }
    return out;
}

const char *documentClass(VbaProjectWriter::Document document)
{
    switch (document) {
    case VbaProjectWriter::Document::Chart:
        return "00020821-0000-0000-C000-000000000046";
    case VbaProjectWriter::Document::Workbook:
        return "00020819-0000-0000-C000-000000000046";
    case VbaProjectWriter::Document::Worksheet:
        break;
    }
    return "00020820-0000-0000-C000-000000000046";
}

// `source` with its VB_Name attribute naming `name`, lines ended by CR LF
// as the host writes them.
QString renamed(const QString &source, const QString &name)
{
    QStringList lines = QString(source).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(QLatin1Char('\n'));
    static const QRegularExpression vbName(QStringLiteral("^Attribute\\s+VB_Name\\s*=.*$"),
                                           QRegularExpression::CaseInsensitiveOption);
    bool named = false;
    for (QString &line : lines) {
        if (vbName.match(line).hasMatch()) {
            line = QStringLiteral("Attribute VB_Name = \"%1\"").arg(name);
            named = true;
        }
    }
    if (!named)
        lines.prepend(QStringLiteral("Attribute VB_Name = \"%1\"").arg(name));
    while (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

} // namespace

VbaProjectWriter::VbaProjectWriter(const VbaProject &project)
    : m_dir(project.directory())
    , m_project(project.projectStream())
    , m_projectWm(project.projectWmStream())
    , m_codePage(project.codePage())
    , m_streams(project.streamNames())
    , m_modules(project.modules())
{
    for (const VbaProjectReader::Module &module : project.modules()) {
        m_names << module.name;
        if (module.streamName.compare(module.name, Qt::CaseInsensitive) != 0)
            m_names << module.streamName;
    }
}

// The model's project information and references, up to where its modules
// are counted; its PROJECT stream without its module lines and the
// editor's window positions. The project keeps the model's ID, so that the
// protection fields, which are encrypted with a key made from the ID, still
// read as they did.
VbaProjectWriter VbaProjectWriter::newProject(const VbaProject &model)
{
    VbaProjectWriter made;
    made.m_new = true;
    made.m_codePage = model.codePage();
    const QByteArray dir = model.directory();
    qsizetype modules = dir.size();
    for (const auto &[id, at] : dirRecords(dir)) {
        if (id == kModuleCount) {
            modules = at;
            break;
        }
    }
    made.m_dir = dir.left(modules) + dirRecord(kModuleCount, u16le(0)) + dirRecord(kProjectCookie, u16le(0xFFFF))
               + u16le(kTerminator) + u32le(0);
    QList<QByteArray> kept;
    for (const QByteArray &line : model.projectStream().split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith("[Workspace]"))
            break;
        if (trimmed.startsWith("Document=") || trimmed.startsWith("Module=") || trimmed.startsWith("Class=")
            || trimmed.startsWith("BaseClass=") || trimmed.startsWith("Package="))
            continue;
        kept << line;
    }
    made.m_project = kept.join('\n');
    made.m_projectWm = QByteArray(2, '\0');
    return made;
}

bool VbaProjectWriter::hasModule(const QString &name) const
{
    for (const QString &taken : m_names)
        if (taken.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    // The VBA storage's own streams are no module's.
    for (const char *reserved : {"dir", "_VBA_PROJECT", "PROJECT", "PROJECTwm"})
        if (name.compare(QLatin1String(reserved), Qt::CaseInsensitive) == 0)
            return true;
    return name.startsWith(QLatin1String("__SRP_"), Qt::CaseInsensitive);
}

QString VbaProjectWriter::freeModuleName(const QString &wanted) const
{
    if (!wanted.isEmpty() && !hasModule(wanted))
        return wanted;
    QString stem = wanted;
    while (!stem.isEmpty() && stem.back().isDigit())
        stem.chop(1);
    if (stem.isEmpty())
        stem = QStringLiteral("Sheet");
    for (int n = 1;; ++n) {
        const QString candidate = stem.left(31 - QString::number(n).size()) + QString::number(n);
        if (!hasModule(candidate))
            return candidate;
    }
}

QString VbaProjectWriter::emptyDocumentSource(const QString &name, Document document)
{
    return QStringLiteral("Attribute VB_Name = \"%1\"\r\n"
                          "Attribute VB_Base = \"0{%2}\"\r\n"
                          "Attribute VB_GlobalNameSpace = False\r\n"
                          "Attribute VB_Creatable = False\r\n"
                          "Attribute VB_PredeclaredId = True\r\n"
                          "Attribute VB_Exposed = True\r\n"
                          "Attribute VB_TemplateDerived = False\r\n"
                          "Attribute VB_Customizable = True\r\n")
        .arg(name, QLatin1String(documentClass(document)));
}

bool VbaProjectWriter::addDocumentModule(const QString &name, const QString &source)
{
    if (name.isEmpty() || hasModule(name))
        return false;
    Added added;
    added.name = name;
    added.text = renamed(source, name);
    if (!CodePageText::encode(name, m_codePage, &added.encodedName)
        || !CodePageText::encode(added.text, m_codePage, &added.source))
        return false;
    m_added.append(added);
    m_names << name;
    return true;
}

void VbaProjectWriter::removeAdded(const QString &name)
{
    for (qsizetype i = 0; i < m_added.size(); ++i) {
        if (m_added[i].name.compare(name, Qt::CaseInsensitive) == 0) {
            m_names.removeOne(m_added[i].name);
            m_added.removeAt(i);
            return;
        }
    }
}

void VbaProjectWriter::removeModule(const QString &name)
{
    if (!addedSource(name).isNull()) {
        removeAdded(name);
        return;
    }
    for (const VbaProjectReader::Module &module : m_modules) {
        if (module.name.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        for (const auto &removed : m_removed)
            if (removed.first == module.name)
                return;
        m_removed.append({module.name, module.streamName});
        return;
    }
}

QString VbaProjectWriter::addedSource(const QString &name) const
{
    for (const Added &added : m_added)
        if (added.name.compare(name, Qt::CaseInsensitive) == 0)
            return added.text;
    return QString();
}

// The module count goes up by the modules added, whose records go in front
// of the terminator that ends the stream.
QByteArray VbaProjectWriter::directory() const
{
    QByteArray dir = withoutRemovedModules();
    qsizetype terminator = -1;
    for (const auto &[id, at] : dirRecords(dir)) {
        if (id == kModuleCount && at + 8 <= dir.size()) {
            const quint16 count = qFromLittleEndian<quint16>(dir.constData() + at + 6);
            qToLittleEndian(quint16(count + m_added.size() - m_removed.size()), dir.data() + at + 6);
        } else if (id == kTerminator) {
            terminator = at;
        }
    }
    QByteArray modules;
    for (const Added &added : m_added)
        modules += moduleRecords(added.encodedName, added.name);
    dir.insert(terminator < 0 ? dir.size() : terminator, modules);
    return dir;
}

// A module's records run from its name to the terminator that ends it.
QByteArray VbaProjectWriter::withoutRemovedModules() const
{
    if (m_removed.isEmpty())
        return m_dir;
    QByteArray dir;
    qsizetype copied = 0, moduleStart = -1;
    bool removing = false;
    for (const auto &[id, at] : dirRecords(m_dir)) {
        if (id == kModuleName) {
            moduleStart = at;
            const qsizetype size = qFromLittleEndian<quint32>(m_dir.constData() + at + 2);
            const QString name = CodePageText::decode(m_dir.mid(at + 6, size), m_codePage);
            removing = std::any_of(m_removed.cbegin(), m_removed.cend(), [&](const auto &removed) {
                return removed.first.compare(name, Qt::CaseInsensitive) == 0;
            });
        } else if (id == kModuleNameUnicode && moduleStart >= 0 && !removing) {
            const qsizetype size = qFromLittleEndian<quint32>(m_dir.constData() + at + 2);
            const QString name = QString::fromUtf16(reinterpret_cast<const char16_t *>(m_dir.constData() + at + 6), size / 2);
            removing = std::any_of(m_removed.cbegin(), m_removed.cend(), [&](const auto &removed) {
                return removed.first.compare(name, Qt::CaseInsensitive) == 0;
            });
        } else if (id == kModuleEnd && moduleStart >= 0) {
            if (removing) {
                dir += m_dir.mid(copied, moduleStart - copied);
                copied = at + 6;
            }
            moduleStart = -1;
            removing = false;
        }
    }
    return dir + m_dir.mid(copied);
}

// A "Document=Name/&H00000000" line for each module added, after the
// project's other module lines (before HelpFile, ExeName32 and Name).
QByteArray VbaProjectWriter::projectStream() const
{
    QList<QByteArray> lines = m_project.split('\n');
    // A removed module's line, and its window in the editor's [Workspace].
    lines.removeIf([this](const QByteArray &line) {
        const QByteArray trimmed = line.trimmed();
        const qsizetype equals = trimmed.indexOf('=');
        if (equals <= 0)
            return false;
        const QByteArray key = trimmed.left(equals);
        const QByteArray value = trimmed.mid(equals + 1).split('/').first();
        for (const auto &removed : m_removed) {
            QByteArray encoded;
            CodePageText::encode(removed.first, m_codePage, &encoded);
            if ((key == "Document" || key == "Module" || key == "Class") && value == encoded)
                return true;
            if (key == encoded)
                return true;
        }
        return false;
    });
    qsizetype at = 0;
    for (; at < lines.size(); ++at) {
        const QByteArray line = lines[at].trimmed();
        if (line.startsWith("HelpFile=") || line.startsWith("ExeName32=") || line.startsWith("Name=")
            || line.startsWith('['))
            break;
    }
    if (at == lines.size())
        at = qMax<qsizetype>(0, lines.size() - 1);
    for (qsizetype k = m_added.size() - 1; k >= 0; --k)
        lines.insert(at, "Document=" + m_added[k].encodedName + "/&H00000000\r");
    return lines.join('\n');
}

// Pairs of the module's name in the code page and in UTF-16, each ended by
// a null, the whole ended by a two-byte null.
QByteArray VbaProjectWriter::projectWmStream() const
{
    QByteArray wm;
    // Each pair: the name in the code page ended by a null, then in UTF-16
    // ended by a two-byte null.
    for (qsizetype pos = 0; pos < m_projectWm.size();) {
        const qsizetype nameEnd = m_projectWm.indexOf('\0', pos);
        if (nameEnd <= pos)
            break;
        qsizetype unicodeEnd = nameEnd + 1;
        while (unicodeEnd + 1 < m_projectWm.size()
               && (m_projectWm.at(unicodeEnd) != '\0' || m_projectWm.at(unicodeEnd + 1) != '\0'))
            unicodeEnd += 2;
        const QString name = CodePageText::decode(m_projectWm.mid(pos, nameEnd - pos), m_codePage);
        const bool removed = std::any_of(m_removed.cbegin(), m_removed.cend(), [&](const auto &gone) {
            return gone.first.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (!removed)
            wm += m_projectWm.mid(pos, unicodeEnd + 2 - pos);
        pos = unicodeEnd + 2;
    }
    for (const Added &added : m_added)
        wm += added.encodedName + '\0' + utf16(added.name) + QByteArray(2, '\0');
    return wm + QByteArray(2, '\0');
}

// The compiled state is dropped: _VBA_PROJECT keeps only its header with
// the version 0xFFFF, which tells the host to compile from source, and the
// __SRP_ streams (compiled caches) go. The modules that were there keep
// their streams; their compiled part is ignored once the version is 0xFFFF.
VbaProjectWriter::Changes VbaProjectWriter::changes() const
{
    Changes changes;
    if (!isEdited())
        return changes;
    changes.streams.insert(QStringLiteral("VBA/dir"), VbaCompression::compress(directory()));
    changes.streams.insert(QStringLiteral("PROJECT"), projectStream());
    if (!m_projectWm.isEmpty())
        changes.streams.insert(QStringLiteral("PROJECTwm"), projectWmStream());
    changes.streams.insert(QStringLiteral("VBA/_VBA_PROJECT"), QByteArray::fromHex("cc61ffff000000"));
    for (const Added &added : m_added)
        changes.streams.insert(QStringLiteral("VBA/") + added.name, VbaCompression::compress(added.source));
    for (const QString &stream : m_streams)
        if (stream.startsWith(QLatin1String("VBA/__SRP_"), Qt::CaseInsensitive))
            changes.dropped << stream;
    for (const auto &removed : m_removed)
        changes.dropped << QStringLiteral("VBA/") + removed.second;
    return changes;
}

} // namespace quirn
