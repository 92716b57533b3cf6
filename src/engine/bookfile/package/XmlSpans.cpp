#include "XmlSpans.h"

#include <algorithm>
#include <cstring>

namespace quirn {

namespace {

// The names below point into the part's bytes, which the spans hold, instead of copying them.
QByteArray afterColon(const QByteArray &name)
{
    const qsizetype colon = name.indexOf(':');
    return colon < 0 ? name : QByteArray::fromRawData(name.constData() + colon + 1, name.size() - colon - 1);
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameChar(char c)
{
    return !isSpace(c) && c != '>' && c != '/' && c != '=' && c != '<' && c != '"' && c != '\'';
}

} // namespace

QByteArray XmlSpans::Element::localName() const { return afterColon(qualifiedName); }
QByteArray XmlSpans::Attribute::localName() const { return afterColon(qualifiedName); }

bool XmlSpans::read(const QByteArray &bytes)
{
    m_xml = bytes;
    m_elements.clear();
    const QByteArray &xml = m_xml;
    m_elements.reserve(xml.size() / 24); // about as many elements as a sheet's cells make
    QList<int> open;
    const char *p = xml.constData();
    const qsizetype n = xml.size();
    qsizetype i = 0;
    auto skipPast = [&](const char *marker) {
        const qsizetype at = xml.indexOf(marker, i);
        if (at < 0)
            return false;
        i = at + qsizetype(qstrlen(marker));
        return true;
    };
    while (i < n) {
        if (p[i] != '<') {
            const qsizetype next = xml.indexOf('<', i);
            i = next < 0 ? n : next;
            continue;
        }
        const bool bang = i + 1 < n && p[i + 1] == '!';
        if (bang && i + 4 <= n && memcmp(p + i, "<!--", 4) == 0) {
            if (!skipPast("-->"))
                return false;
        } else if (bang && i + 9 <= n && memcmp(p + i, "<![CDATA[", 9) == 0) {
            if (!skipPast("]]>"))
                return false;
        } else if (i + 1 < n && (p[i + 1] == '?' || p[i + 1] == '!')) {
            if (!skipPast(">"))
                return false;
        } else if (i + 1 < n && p[i + 1] == '/') {
            const qsizetype close = xml.indexOf('>', i);
            if (close < 0 || open.isEmpty())
                return false;
            Element &e = m_elements[open.takeLast()];
            if (i + 2 + e.qualifiedName.size() > n || memcmp(p + i + 2, e.qualifiedName.constData(), e.qualifiedName.size()) != 0)
                return false;
            e.contentEnd = i;
            e.end = close + 1;
            i = close + 1;
        } else {
            Element e;
            e.start = i;
            qsizetype j = i + 1;
            while (j < n && isNameChar(p[j]))
                ++j;
            e.qualifiedName = QByteArray::fromRawData(p + i + 1, j - i - 1);
            if (e.qualifiedName.isEmpty())
                return false;
            // To the end of the start tag, stepping over quoted values.
            char quote = 0;
            for (; j < n; ++j) {
                if (quote) {
                    if (p[j] == quote)
                        quote = 0;
                } else if (p[j] == '"' || p[j] == '\'') {
                    quote = p[j];
                } else if (p[j] == '>') {
                    break;
                }
            }
            if (j >= n)
                return false;
            e.startTagEnd = j + 1;
            e.selfClosing = p[j - 1] == '/';
            if (e.selfClosing) {
                e.contentEnd = e.startTagEnd;
                e.end = e.startTagEnd;
            }
            m_elements.append(e);
            if (!e.selfClosing)
                open.append(int(m_elements.size() - 1));
            i = j + 1;
        }
    }
    return open.isEmpty() && !m_elements.isEmpty();
}

QList<XmlSpans::Element> XmlSpans::elements(const char *localName) const
{
    QList<Element> found;
    for (const Element &e : m_elements)
        if (e.localName() == localName)
            found.append(e);
    return found;
}

QList<XmlSpans::Element> XmlSpans::children(const Element &parent, const char *localName) const
{
    QList<Element> found;
    qsizetype after = parent.startTagEnd;
    for (const Element &e : m_elements) {
        if (e.start < after || e.start >= parent.contentEnd)
            continue;
        if (e.localName() == localName)
            found.append(e);
        after = e.end; // the next child starts after this one
    }
    return found;
}

QList<XmlSpans::Attribute> XmlSpans::attributes(const Element &element) const
{
    QList<Attribute> found;
    const char *p = m_xml.constData();
    qsizetype j = element.start + 1 + element.qualifiedName.size();
    const qsizetype end = element.startTagEnd - 1;
    while (j < end) {
        Attribute a;
        a.start = j;
        while (j < end && isSpace(p[j]))
            ++j;
        const qsizetype nameStart = j;
        while (j < end && isNameChar(p[j]))
            ++j;
        if (j == nameStart)
            break;
        a.qualifiedName = QByteArray::fromRawData(m_xml.constData() + nameStart, j - nameStart);
        while (j < end && (isSpace(p[j]) || p[j] == '='))
            ++j;
        if (j >= end || (p[j] != '"' && p[j] != '\''))
            break;
        a.quote = p[j];
        a.valueStart = j + 1;
        const qsizetype close = m_xml.indexOf(a.quote, a.valueStart);
        if (close < 0 || close > end)
            break;
        a.valueEnd = close;
        found.append(a);
        j = close + 1;
    }
    return found;
}

std::optional<XmlSpans::Attribute> XmlSpans::attribute(const Element &element, const char *name) const
{
    const QByteArray wanted(name);
    const bool qualified = wanted.contains(':');
    for (const Attribute &a : attributes(element))
        if ((qualified ? a.qualifiedName : a.localName()) == wanted)
            return a;
    return std::nullopt;
}

qsizetype XmlSpans::insertionPoint(const Element &parent, std::initializer_list<const char *> later) const
{
    qsizetype after = parent.startTagEnd;
    for (const Element &e : m_elements) {
        if (e.start < after || e.start >= parent.contentEnd)
            continue;
        for (const char *name : later)
            if (e.localName() == name)
                return e.start;
        after = e.end;
    }
    return parent.contentEnd;
}

QByteArray XmlSpans::withPrefix(const Element &element, const char *localName)
{
    const qsizetype colon = element.qualifiedName.indexOf(':');
    return colon < 0 ? QByteArray(localName) : element.qualifiedName.left(colon + 1) + localName;
}

QString XmlSpans::value(const Attribute &attribute) const
{
    return decode(QByteArrayView(m_xml).sliced(attribute.valueStart, attribute.valueEnd - attribute.valueStart));
}

QString XmlSpans::text(const Element &element) const
{
    return decode(QByteArrayView(m_xml).sliced(element.startTagEnd, element.contentEnd - element.startTagEnd));
}

QString XmlSpans::decode(QByteArrayView raw)
{
    if (!raw.contains('&'))
        return QString::fromUtf8(raw);
    QString out;
    const QString text = QString::fromUtf8(raw);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            out.append(text[i]);
            continue;
        }
        const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
        if (semi < 0) {
            out.append(text.mid(i));
            break;
        }
        const QStringView entity = QStringView(text).sliced(i + 1, semi - i - 1);
        if (entity == QLatin1String("amp"))
            out.append(QLatin1Char('&'));
        else if (entity == QLatin1String("lt"))
            out.append(QLatin1Char('<'));
        else if (entity == QLatin1String("gt"))
            out.append(QLatin1Char('>'));
        else if (entity == QLatin1String("quot"))
            out.append(QLatin1Char('"'));
        else if (entity == QLatin1String("apos"))
            out.append(QLatin1Char('\''));
        else if (entity.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint code = entity.startsWith(QLatin1String("#x")) ? entity.mid(2).toUInt(&ok, 16) : entity.mid(1).toUInt(&ok);
            if (ok && code > 0 && code <= 0x10FFFF) {
                const char32_t c = code;
                out.append(QString::fromUcs4(&c, 1));
            }
        } else {
            out.append(QStringView(text).sliced(i, semi - i + 1));
        }
        i = semi;
    }
    return out;
}

QByteArray XmlSpans::escape(const QString &value, char quote, QByteArrayView sample)
{
    const bool apos = sample.contains("&apos;");
    QString out;
    for (QChar c : value) {
        if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            out += QLatin1String("&gt;");
        else if (c == QLatin1Char('"') && quote == '"')
            out += QLatin1String("&quot;");
        else if (c == QLatin1Char('\'') && (quote == '\'' || apos))
            out += QLatin1String("&apos;");
        else
            out += c;
    }
    return out.toUtf8();
}

bool XmlSplices::apply(const QByteArray &text, QByteArray *out) const
{
    QList<Splice> sorted = m_splices;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Splice &a, const Splice &b) { return a.start < b.start; });
    QByteArray result;
    result.reserve(text.size() + 256);
    qsizetype at = 0;
    for (const Splice &s : sorted) {
        if (s.start < at || s.end < s.start || s.end > text.size())
            return false;
        result.append(text.constData() + at, s.start - at);
        result.append(s.with);
        at = s.end;
    }
    result.append(text.constData() + at, text.size() - at);
    *out = result;
    return true;
}

} // namespace quirn
