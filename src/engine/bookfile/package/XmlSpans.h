#pragma once

// XmlSpans: where the elements and attributes of a UTF-8 XML part lie, in
// bytes, so that an edit replaces a few spans and leaves every other byte of
// the part as its producer wrote it (declaration, prefixes, attribute order,
// quoting, extension lists). The part is expected to be well-formed; an edit
// parses its result again as a check.

#include <QByteArray>
#include <QList>
#include <QString>

#include <initializer_list>
#include <optional>

namespace quirn {

struct XmlSpan
{
    qsizetype start = 0;
    qsizetype end = 0; // past the last byte
};

class XmlSpans
{
public:
    struct Element
    {
        QByteArray qualifiedName; // as written, prefix included
        qsizetype start = 0;       // at "<"
        qsizetype startTagEnd = 0; // past the start tag's ">"
        qsizetype contentEnd = 0;  // at the end tag's "<" (startTagEnd for an empty element)
        qsizetype end = 0;         // past the end tag or "/>"
        bool selfClosing = false;
        QByteArray localName() const;
    };
    struct Attribute
    {
        QByteArray qualifiedName;
        qsizetype start = 0;      // the whitespace before the name
        qsizetype valueStart = 0; // inside the quotes
        qsizetype valueEnd = 0;
        char quote = '"';
        QByteArray localName() const;
    };

    // Reads where everything lies; false when the part is not well-formed
    // enough to edit. The names of elements and attributes found point into
    // the spans' copy of the part: they are used while the spans live.
    bool read(const QByteArray &xml);
    const QByteArray &xml() const { return m_xml; }
    // Every element, in document order.
    const QList<Element> &all() const { return m_elements; }
    // The elements of local name `name`, in document order, at any depth.
    QList<Element> elements(const char *localName) const;
    // The elements of local name `name` directly inside `parent`.
    QList<Element> children(const Element &parent, const char *localName) const;
    QList<Attribute> attributes(const Element &element) const;
    // The attribute of local name `name` (any prefix unless `qualified`).
    std::optional<Attribute> attribute(const Element &element, const char *name) const;
    QString value(const Attribute &attribute) const;
    // Where a new child of `parent` goes to keep the schema's order: before
    // its first child named in `later` (the names that follow it), or at its end.
    qsizetype insertionPoint(const Element &parent, std::initializer_list<const char *> later) const;
    // `localName` with the prefix `element` is written with: "x:pageSetup".
    static QByteArray withPrefix(const Element &element, const char *localName);
    QString text(const Element &element) const;

    // XML text decoded: the five entities and character references.
    static QString decode(QByteArrayView raw);
    // `value` escaped for an attribute in `quote`s, or for text (quote 0),
    // in the style of `sample` (which keeps "&apos;" or "'" as it found it).
    static QByteArray escape(const QString &value, char quote, QByteArrayView sample = {});

private:
    QByteArray m_xml;
    QList<Element> m_elements;
};

// Replaces spans of a text; the spans must not overlap.
class XmlSplices
{
public:
    void replace(qsizetype start, qsizetype end, const QByteArray &with) { m_splices.append({start, end, with}); }
    void insert(qsizetype at, const QByteArray &with) { replace(at, at, with); }
    void append(const XmlSplices &other) { m_splices += other.m_splices; }
    bool isEmpty() const { return m_splices.isEmpty(); }
    // The text with every splice applied; false when two overlap.
    bool apply(const QByteArray &text, QByteArray *out) const;

private:
    struct Splice
    {
        qsizetype start, end;
        QByteArray with;
    };
    QList<Splice> m_splices;
};

} // namespace quirn
