#pragma once

// OpcPackage: the parts of a package (a ZIP of XML parts tied together by
// relationships), read from memory. Part names compare ignoring case; every
// XML part is refused before parsing when it declares a document type or is
// not UTF-8, so no entity is ever expanded.

#include "ZipArchive.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace quirn {

class OpcPackage
{
public:
    struct Relationship
    {
        QString id;
        QString type;
        QString target; // the part name it resolves to, or the URI of an external target
        bool external = false;
    };

    static std::optional<OpcPackage> read(const QByteArray &bytes, QString *reason);

    const ZipArchive &zip() const { return m_zip; }
    bool hasPart(const QString &name) const { return m_zip.find(name) >= 0; }
    // The part's bytes; an XML part is checked as above.
    bool part(const QString &name, QByteArray *out, QString *reason) const;
    QString contentType(const QString &name) const;
    // The relationships of `source` ("" for the package's own); none when it has no relationship part.
    bool relationships(const QString &source, QList<Relationship> *out, QString *reason) const;

    // The relationship part of `source`: "xl/_rels/workbook.xml.rels".
    static QString relationshipPartOf(const QString &source);
    // `target` of a relationship of `source` as a part name.
    static QString resolve(const QString &source, const QString &target);
    // The Target that names `part` from a relationship of `source`: "../drawings/drawing1.xml".
    static QString relativeTarget(const QString &source, const QString &part);
    // The last segment of a relationship type ("worksheet"), the same in
    // Transitional and Strict packages.
    static QString typeName(const QString &type);
    // Whether `bytes` may be parsed as a part: UTF-8 (or ASCII) without a document type.
    static bool isAcceptableXml(const QByteArray &bytes, QString *reason);
    // The relationships a relationship part of `source` holds.
    static bool parseRelationships(const QString &source, const QByteArray &bytes, QList<Relationship> *out,
                                   QString *reason);
    // Takes the content types from `bytes` (the [Content_Types].xml part) instead.
    bool readContentTypes(const QByteArray &bytes, QString *reason);

private:

    ZipArchive m_zip;
    QHash<QString, QString> m_defaults;  // extension, lower case -> content type
    QHash<QString, QString> m_overrides; // part name, lower case, no leading "/" -> content type
};

} // namespace quirn
