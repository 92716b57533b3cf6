#pragma once

// PackageEdits: a package as edited so far, on top of the package read from
// its file: parts replaced, added and removed, the content types and
// relationships kept in step by splices of their parts. Reading goes
// through it, so that each edit sees the ones before. It is a value: an
// edit works on a copy and keeps it only when every step succeeded.

#include "OpcPackage.h"
#include "ZipSplice.h"

#include <QSet>

namespace quirn {

class PackageEdits
{
public:
    PackageEdits() = default;
    explicit PackageEdits(OpcPackage package) : m_package(std::move(package)) {}

    const ZipArchive &zip() const { return m_package.zip(); }
    const ZipChanges &changes() const { return m_changes; }

    bool hasPart(const QString &name) const;
    bool part(const QString &name, QByteArray *out, QString *reason) const;
    QString contentType(const QString &name) const;
    bool relationships(const QString &source, QList<OpcPackage::Relationship> *out, QString *reason) const;
    // Every part, as the archive spells it, the added ones last.
    QStringList partNames() const;
    // The name of the part as the archive (or the edit that added it) spells it.
    QString entryName(const QString &part) const;

    // New contents for a part there is.
    void replace(const QString &name, const QByteArray &bytes);
    // A new part of `contentType`, declared in the content types.
    bool add(const QString &name, const QByteArray &bytes, const QString &contentType, QString *reason);
    // Removes the part, its relationships and its content type.
    bool remove(const QString &name, QString *reason);
    // A part name not taken, from a pattern holding %1 ("xl/worksheets/sheet%1.xml"), counting from `from`.
    QString freeName(const QString &pattern, int from = 1) const;

    // Removes the relationships of `source` with these ids.
    bool removeRelationships(const QString &source, const QSet<QString> &ids, QString *reason);
    // Adds a relationship from `source` to the part `target`; its id, or empty on failure.
    QString addRelationship(const QString &source, const QString &type, const QString &target, QString *reason);

    // The parts reached from the package's relationships, folded to lower case.
    QSet<QString> reachable() const;

private:
    bool editContentTypes(const std::function<bool(const QByteArray &, QByteArray *)> &edit, QString *reason);

    OpcPackage m_package;
    ZipChanges m_changes;
    QHash<QString, QString> m_added; // folded name -> name, of parts added
};

} // namespace quirn
