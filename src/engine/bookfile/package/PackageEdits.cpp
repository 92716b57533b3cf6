#include "PackageEdits.h"

#include "XmlSpans.h"

namespace quirn {

namespace {

const QString kContentTypes = QStringLiteral("[Content_Types].xml");

// "xl/a.xml" as a content type override names it: "/xl/a.xml", folded.
QString overrideKey(const QString &partName)
{
    QString key = partName.toLower();
    return key.startsWith(QLatin1Char('/')) ? key.mid(1) : key;
}

// Inserts `element` as the last child of the root element.
bool appendToRoot(const QByteArray &xml, const QByteArray &element, QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(xml))
        return false;
    const XmlSpans::Element root = spans.all().first();
    XmlSplices splices;
    if (root.selfClosing)
        splices.replace(root.startTagEnd - 2, root.startTagEnd,
                        QByteArray(">") + element + "</" + root.qualifiedName + '>');
    else
        splices.insert(root.contentEnd, element);
    return splices.apply(xml, out);
}

} // namespace

bool PackageEdits::hasPart(const QString &name) const
{
    if (m_added.contains(name.toLower()))
        return true;
    const int index = m_package.zip().find(name);
    return index >= 0 && !m_changes.removed.contains(m_package.zip().entries().at(index).name);
}

QString PackageEdits::entryName(const QString &part) const
{
    const auto added = m_added.constFind(part.toLower());
    if (added != m_added.constEnd())
        return *added;
    const int index = m_package.zip().find(part);
    return index < 0 ? part : m_package.zip().entries().at(index).name;
}

bool PackageEdits::part(const QString &name, QByteArray *out, QString *reason) const
{
    if (!hasPart(name)) {
        *reason = QStringLiteral("missing part %1").arg(name);
        return false;
    }
    const auto changed = m_changes.contents.constFind(entryName(name));
    if (changed != m_changes.contents.constEnd()) {
        *out = *changed;
        return true;
    }
    return m_package.part(name, out, reason);
}

QString PackageEdits::contentType(const QString &name) const
{
    return m_package.contentType(name);
}

bool PackageEdits::relationships(const QString &source, QList<OpcPackage::Relationship> *out, QString *reason) const
{
    out->clear();
    const QString name = OpcPackage::relationshipPartOf(source);
    if (!hasPart(name))
        return true;
    QByteArray bytes;
    return part(name, &bytes, reason) && OpcPackage::parseRelationships(source, bytes, out, reason);
}

QStringList PackageEdits::partNames() const
{
    QStringList names;
    for (const ZipArchive::Entry &e : m_package.zip().entries())
        if (!m_changes.removed.contains(e.name) && !e.name.endsWith(QLatin1Char('/')))
            names.append(e.name);
    return names + m_changes.added;
}

void PackageEdits::replace(const QString &name, const QByteArray &bytes)
{
    m_changes.contents.insert(entryName(name), bytes);
    if (name.compare(kContentTypes, Qt::CaseInsensitive) == 0) {
        QString reason;
        m_package.readContentTypes(bytes, &reason);
    }
}

bool PackageEdits::editContentTypes(const std::function<bool(const QByteArray &, QByteArray *)> &edit, QString *reason)
{
    QByteArray types, edited;
    if (!part(kContentTypes, &types, reason))
        return false;
    if (!edit(types, &edited)) {
        *reason = QStringLiteral("content types not editable");
        return false;
    }
    if (edited != types)
        replace(kContentTypes, edited);
    return true;
}

bool PackageEdits::add(const QString &name, const QByteArray &bytes, const QString &contentType, QString *reason)
{
    if (hasPart(name)) {
        *reason = QStringLiteral("part %1 exists").arg(name);
        return false;
    }
    m_added.insert(name.toLower(), name);
    m_changes.added.append(name);
    m_changes.contents.insert(name, bytes);
    if (contentType.isEmpty() || m_package.contentType(name) == contentType)
        return true;
    const QByteArray element = "<Override PartName=\"/" + XmlSpans::escape(name, '"') + "\" ContentType=\""
        + XmlSpans::escape(contentType, '"') + "\"/>";
    return editContentTypes([&](const QByteArray &in, QByteArray *out) { return appendToRoot(in, element, out); },
                            reason);
}

bool PackageEdits::remove(const QString &name, QString *reason)
{
    if (!hasPart(name))
        return true;
    const QString entry = entryName(name);
    if (m_added.remove(entry.toLower())) {
        m_changes.added.removeAll(entry);
    } else {
        m_changes.removed.insert(entry);
    }
    m_changes.contents.remove(entry);
    const QString rels = OpcPackage::relationshipPartOf(entry);
    if (hasPart(rels) && !remove(rels, reason))
        return false;
    const QString key = overrideKey(entry);
    return editContentTypes([&](const QByteArray &in, QByteArray *out) {
        XmlSpans spans;
        if (!spans.read(in))
            return false;
        XmlSplices splices;
        for (const XmlSpans::Element &e : spans.elements("Override")) {
            const auto partName = spans.attribute(e, "PartName");
            if (partName && overrideKey(spans.value(*partName)) == key)
                splices.replace(e.start, e.end, QByteArray());
        }
        return splices.apply(in, out);
    }, reason);
}

QString PackageEdits::freeName(const QString &pattern, int from) const
{
    for (int n = std::max(from, 1);; ++n) {
        const QString name = pattern.arg(n);
        if (!hasPart(name) && m_package.zip().find(name) < 0)
            return name;
    }
}

bool PackageEdits::removeRelationships(const QString &source, const QSet<QString> &ids, QString *reason)
{
    const QString name = OpcPackage::relationshipPartOf(source);
    QByteArray bytes, edited;
    if (!part(name, &bytes, reason))
        return false;
    XmlSpans spans;
    if (!spans.read(bytes)) {
        *reason = QStringLiteral("%1 not well-formed").arg(name);
        return false;
    }
    XmlSplices splices;
    for (const XmlSpans::Element &e : spans.elements("Relationship")) {
        const auto id = spans.attribute(e, "Id");
        if (id && ids.contains(spans.value(*id)))
            splices.replace(e.start, e.end, QByteArray());
    }
    if (!splices.apply(bytes, &edited))
        return false;
    replace(name, edited);
    return true;
}

QString PackageEdits::addRelationship(const QString &source, const QString &type, const QString &target, QString *reason)
{
    QList<OpcPackage::Relationship> present;
    if (!relationships(source, &present, reason))
        return QString();
    QSet<QString> ids;
    for (const auto &r : present)
        ids.insert(r.id);
    QString id;
    for (int n = int(present.size()) + 1; id.isEmpty() || ids.contains(id); ++n)
        id = QStringLiteral("rId%1").arg(n);
    const QByteArray element = "<Relationship Id=\"" + id.toUtf8() + "\" Type=\"" + XmlSpans::escape(type, '"')
        + "\" Target=\"" + XmlSpans::escape(OpcPackage::relativeTarget(source, target), '"') + "\"/>";
    const QString name = OpcPackage::relationshipPartOf(source);
    QByteArray bytes, edited;
    if (!hasPart(name)) {
        bytes = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"/>";
        if (!add(name, bytes, QString(), reason))
            return QString();
    } else if (!part(name, &bytes, reason)) {
        return QString();
    }
    if (!appendToRoot(bytes, element, &edited)) {
        *reason = QStringLiteral("%1 not well-formed").arg(name);
        return QString();
    }
    replace(name, edited);
    return id;
}

QSet<QString> PackageEdits::reachable() const
{
    QSet<QString> seen;
    QStringList queue{QString()};
    QString reason;
    while (!queue.isEmpty()) {
        const QString source = queue.takeLast();
        QList<OpcPackage::Relationship> relationships;
        if (!this->relationships(source, &relationships, &reason))
            continue;
        for (const auto &r : relationships) {
            const QString folded = r.target.toLower();
            if (r.external || seen.contains(folded) || !hasPart(r.target))
                continue;
            seen.insert(folded);
            queue.append(r.target);
        }
    }
    return seen;
}

} // namespace quirn
