#pragma once

// PartCloner: copies a part of one package, with every part its
// relationships reach, into a package (the same one or another) under
// fresh part names, as a sheet's copy needs its drawings, charts, comments
// and tables. A copy's relationship part keeps the ids and points at the
// copies; a relationship whose part the caller shares (an image, a part of
// the whole book) points at that part instead. Every copy is declared in the
// content types with the type of its original.

#include "PackageEdits.h"

#include <functional>

namespace quirn {

class PartCloner
{
public:
    // The part of the target to point at instead of copying the target of
    // `relationship` (of a part of the source), or empty to copy it.
    using Share = std::function<QString(const OpcPackage::Relationship &relationship)>;
    // Changes a copy's bytes before it is added (`source` is the part it
    // copies); false fails the copy. Called for a part after the parts it reaches.
    using Rewrite = std::function<bool(const QString &source, const QString &contentType, QByteArray *bytes)>;

    PartCloner(const PackageEdits &source, PackageEdits &target, Share share, Rewrite rewrite);

    // Copies `part` and what it reaches; the copy's name, empty with `reason` on failure.
    QString clone(const QString &part, QString *reason);
    // The parts copied so far, by the lower-case name of their original.
    const QHash<QString, QString> &copies() const { return m_copies; }
    // "xl/worksheets/sheet3.xml" as a pattern for new names: "xl/worksheets/sheet%1.xml".
    static QString namePattern(const QString &part);

private:
    QString freeName(const QString &part) const;

    const PackageEdits &m_source;
    PackageEdits &m_target;
    Share m_share;
    Rewrite m_rewrite;
    QHash<QString, QString> m_copies;
    QSet<QString> m_reserved; // names given to copies not added yet, lower case
};

} // namespace quirn
