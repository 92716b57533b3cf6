#include "OpcPackage.h"

#include <QUrl>
#include <QXmlStreamReader>

namespace quirn {

namespace {

QString folderOf(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

// "a/b/../c/./d" as "a/c/d"; empty when it climbs out of the package.
QString normalised(const QString &path)
{
    QStringList kept;
    for (const QString &segment : path.split(QLatin1Char('/'))) {
        if (segment.isEmpty() || segment == QLatin1String("."))
            continue;
        if (segment == QLatin1String("..")) {
            if (kept.isEmpty())
                return QString();
            kept.removeLast();
        } else {
            kept.append(segment);
        }
    }
    return kept.join(QLatin1Char('/'));
}

} // namespace

std::optional<OpcPackage> OpcPackage::read(const QByteArray &bytes, QString *reason)
{
    auto zip = ZipArchive::read(bytes, reason);
    if (!zip)
        return std::nullopt;
    OpcPackage package;
    package.m_zip = std::move(*zip);
    QByteArray types;
    if (!package.part(QStringLiteral("[Content_Types].xml"), &types, reason) || !package.readContentTypes(types, reason))
        return std::nullopt;
    return package;
}

bool OpcPackage::isAcceptableXml(const QByteArray &bytes, QString *reason)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || bytes.left(4).contains('\0')) {
        *reason = QStringLiteral("UTF-16 part");
        return false;
    }
    if (bytes.contains("<!DOCTYPE")) {
        *reason = QStringLiteral("document type declaration");
        return false;
    }
    // A declaration naming another encoding than UTF-8.
    if (bytes.startsWith("<?xml")) {
        const QByteArray declaration = bytes.left(bytes.indexOf("?>")).toLower();
        const qsizetype at = declaration.indexOf("encoding");
        if (at >= 0) {
            const QByteArray rest = declaration.mid(at + 8);
            if (!rest.contains("utf-8") && !rest.contains("utf8") && !rest.contains("us-ascii")) {
                *reason = QStringLiteral("part not in UTF-8");
                return false;
            }
        }
    }
    return true;
}

bool OpcPackage::part(const QString &name, QByteArray *out, QString *reason) const
{
    const int index = m_zip.find(name);
    if (index < 0) {
        *reason = QStringLiteral("missing part %1").arg(name);
        return false;
    }
    if (!m_zip.inflate(index, out, reason))
        return false;
    const QString type = contentType(name);
    const bool xml = type.endsWith(QLatin1String("xml")) || name.endsWith(QLatin1String(".rels"), Qt::CaseInsensitive)
        || name.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive);
    return !xml || isAcceptableXml(*out, reason);
}

bool OpcPackage::readContentTypes(const QByteArray &bytes, QString *reason)
{
    m_defaults.clear();
    m_overrides.clear();
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto attributes = xml.attributes();
        if (xml.name() == QLatin1String("Default"))
            m_defaults.insert(attributes.value(QLatin1String("Extension")).toString().toLower(),
                              attributes.value(QLatin1String("ContentType")).toString());
        else if (xml.name() == QLatin1String("Override"))
            m_overrides.insert(normalised(attributes.value(QLatin1String("PartName")).toString()).toLower(),
                               attributes.value(QLatin1String("ContentType")).toString());
    }
    if (xml.hasError()) {
        *reason = QStringLiteral("content types: %1").arg(xml.errorString());
        return false;
    }
    return true;
}

QString OpcPackage::contentType(const QString &name) const
{
    const QString folded = name.toLower();
    const auto over = m_overrides.constFind(folded);
    if (over != m_overrides.constEnd())
        return *over;
    const qsizetype dot = folded.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : m_defaults.value(folded.mid(dot + 1));
}

QString OpcPackage::relationshipPartOf(const QString &source)
{
    const qsizetype slash = source.lastIndexOf(QLatin1Char('/'));
    return folderOf(source) + QStringLiteral("_rels/") + source.mid(slash + 1) + QStringLiteral(".rels");
}

QString OpcPackage::resolve(const QString &source, const QString &target)
{
    const QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    if (decoded.startsWith(QLatin1Char('/')))
        return normalised(decoded);
    return normalised(folderOf(source) + decoded);
}

QString OpcPackage::relativeTarget(const QString &source, const QString &part)
{
    QStringList from = folderOf(source).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QStringList to = part.split(QLatin1Char('/'));
    while (!from.isEmpty() && to.size() > 1 && from.first() == to.first()) {
        from.removeFirst();
        to.removeFirst();
    }
    QString target;
    for (qsizetype i = 0; i < from.size(); ++i)
        target += QStringLiteral("../");
    return target + to.join(QLatin1Char('/'));
}

QString OpcPackage::typeName(const QString &type)
{
    return type.mid(type.lastIndexOf(QLatin1Char('/')) + 1);
}

bool OpcPackage::relationships(const QString &source, QList<Relationship> *out, QString *reason) const
{
    out->clear();
    const QString name = relationshipPartOf(source);
    if (!hasPart(name))
        return true;
    QByteArray bytes;
    return part(name, &bytes, reason) && parseRelationships(source, bytes, out, reason);
}

bool OpcPackage::parseRelationships(const QString &source, const QByteArray &bytes, QList<Relationship> *out,
                                    QString *reason)
{
    out->clear();
    QXmlStreamReader xml(bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("Relationship"))
            continue;
        const auto attributes = xml.attributes();
        Relationship r;
        r.id = attributes.value(QLatin1String("Id")).toString();
        r.type = attributes.value(QLatin1String("Type")).toString();
        r.external = attributes.value(QLatin1String("TargetMode")) == QLatin1String("External");
        const QString target = attributes.value(QLatin1String("Target")).toString();
        r.target = r.external ? target : resolve(source, target);
        out->append(r);
    }
    if (xml.hasError()) {
        *reason = QStringLiteral("%1: %2").arg(relationshipPartOf(source), xml.errorString());
        return false;
    }
    return true;
}

} // namespace quirn
