#include "PartCloner.h"

#include "XmlSpans.h"

#include <QRegularExpression>

namespace quirn {

PartCloner::PartCloner(const PackageEdits &source, PackageEdits &target, Share share, Rewrite rewrite)
    : m_source(source), m_target(target), m_share(std::move(share)), m_rewrite(std::move(rewrite))
{
}

QString PartCloner::namePattern(const QString &part)
{
    static const QRegularExpression numbered(QStringLiteral("^(.*?)(\\d*)(\\.[^./]*)?$"));
    const QRegularExpressionMatch m = numbered.match(part);
    QString base = m.captured(1);
    return base.replace(QLatin1Char('%'), QLatin1String("%%")) + QStringLiteral("%1") + m.captured(3);
}

QString PartCloner::freeName(const QString &part) const
{
    const QString pattern = namePattern(part);
    for (int n = 1;; ++n) {
        const QString name = m_target.freeName(pattern, n);
        if (!m_reserved.contains(name.toLower()))
            return name;
        n = name.mid(pattern.indexOf(QLatin1String("%1"))).toInt();
    }
}

QString PartCloner::clone(const QString &part, QString *reason)
{
    const auto done = m_copies.constFind(part.toLower());
    if (done != m_copies.constEnd())
        return *done;
    QByteArray bytes;
    if (!m_source.part(part, &bytes, reason))
        return QString();
    const QString name = freeName(part);
    m_reserved.insert(name.toLower());
    m_copies.insert(part.toLower(), name);

    // The parts it reaches first, so that its own rewrite knows their copies.
    QList<OpcPackage::Relationship> relationships;
    if (!m_source.relationships(part, &relationships, reason))
        return QString();
    QHash<QString, QString> targets; // relationship id -> the part the copy points at
    for (const auto &r : relationships) {
        if (r.external || !m_source.hasPart(r.target))
            continue;
        QString to = m_share ? m_share(r) : QString();
        if (to.isEmpty() && (to = clone(r.target, reason)).isEmpty())
            return QString();
        targets.insert(r.id, to);
    }
    const QString type = m_source.contentType(part);
    if (m_rewrite && !m_rewrite(part, type, &bytes)) {
        *reason = QStringLiteral("%1 cannot be copied").arg(part);
        return QString();
    }
    if (!m_target.add(name, bytes, type, reason))
        return QString();
    m_reserved.remove(name.toLower());

    const QString relsPart = OpcPackage::relationshipPartOf(part);
    if (!m_source.hasPart(relsPart))
        return name;
    QByteArray rels, retargeted;
    XmlSpans spans;
    if (!m_source.part(relsPart, &rels, reason) || !spans.read(rels)) {
        *reason = QStringLiteral("%1 not well-formed").arg(relsPart);
        return QString();
    }
    XmlSplices splices;
    for (const XmlSpans::Element &e : spans.elements("Relationship")) {
        const auto id = spans.attribute(e, "Id"), target = spans.attribute(e, "Target");
        if (!id || !target || !targets.contains(spans.value(*id)))
            continue;
        const QString to = OpcPackage::relativeTarget(name, targets.value(spans.value(*id)));
        if (OpcPackage::resolve(name, spans.value(*target)).compare(targets.value(spans.value(*id)), Qt::CaseInsensitive) != 0)
            splices.replace(target->valueStart, target->valueEnd, XmlSpans::escape(to, target->quote, rels));
    }
    if (!splices.apply(rels, &retargeted)
        || !m_target.add(OpcPackage::relationshipPartOf(name), retargeted, m_source.contentType(relsPart), reason))
        return QString();
    return name;
}

} // namespace quirn
