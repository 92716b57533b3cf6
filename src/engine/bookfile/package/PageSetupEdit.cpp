#include "PageSetupEdit.h"

#include "FormulaRefs.h"
#include "HeaderFooterText.h"
#include "XmlSpans.h"

#include <QRegularExpression>

#include <algorithm>
#include <initializer_list>

namespace quirn {

namespace {

constexpr double kPointsPerInch = 72.0;
constexpr int kLastRow = 1048576;
constexpr int kLastColumn = 16384;

// What follows each element of a worksheet (or chart sheet) in the schema's order.
const std::initializer_list<const char *> kAfterPrintOptions{
    "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks", "customProperties", "cellWatches",
    "ignoredErrors", "smartTags", "drawing", "legacyDrawing", "legacyDrawingHF", "drawingHF", "picture",
    "oleObjects", "controls", "webPublishItems", "tableParts", "extLst"};
const std::initializer_list<const char *> kAfterPageMargins{
    "pageSetup", "headerFooter", "rowBreaks", "colBreaks", "customProperties", "cellWatches", "ignoredErrors",
    "smartTags", "drawing", "legacyDrawing", "legacyDrawingHF", "drawingHF", "picture", "oleObjects", "controls",
    "webPublishItems", "tableParts", "extLst"};
const std::initializer_list<const char *> kAfterPageSetup{
    "headerFooter", "rowBreaks", "colBreaks", "customProperties", "cellWatches", "ignoredErrors", "smartTags",
    "drawing", "legacyDrawing", "legacyDrawingHF", "drawingHF", "picture", "oleObjects", "controls",
    "webPublishItems", "tableParts", "extLst"};
const std::initializer_list<const char *> kAfterHeaderFooter{
    "rowBreaks", "colBreaks", "customProperties", "cellWatches", "ignoredErrors", "smartTags", "drawing",
    "legacyDrawing", "legacyDrawingHF", "drawingHF", "picture", "oleObjects", "controls", "webPublishItems",
    "tableParts", "extLst"};
const std::initializer_list<const char *> kAfterSheetPr{
    "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetProtection", "customSheetViews",
    "pageMargins", "pageSetup", "headerFooter", "drawing", "extLst"};

QString inches(double points)
{
    return QString::number(points / kPointsPerInch, 'g', 15);
}

// The attributes of one element to set (a value) or remove (a null string).
struct Attributes
{
    QList<std::pair<const char *, QString>> values;
    void set(const char *name, const QString &value) { values.append({name, value}); }
    void setIf(bool changed, const char *name, const QString &value)
    {
        if (changed)
            set(name, value);
    }
    bool isEmpty() const { return values.isEmpty(); }
};

class Editor
{
public:
    explicit Editor(const XmlSpans &spans) : m_spans(spans), m_root(spans.all().first()) {}

    // Sets the attributes of the root's child `name`, adding the child before `later` when it is missing.
    void element(const char *name, const Attributes &attributes, std::initializer_list<const char *> later)
    {
        if (attributes.isEmpty())
            return;
        const QList<XmlSpans::Element> found = m_spans.children(m_root, name);
        const bool anyValue = std::any_of(attributes.values.begin(), attributes.values.end(),
                                          [](const auto &a) { return !a.second.isNull(); });
        if (found.isEmpty() && !anyValue)
            return;
        if (found.isEmpty()) {
            QByteArray added = '<' + XmlSpans::withPrefix(m_root, name);
            for (const auto &[attribute, value] : attributes.values)
                if (!value.isNull())
                    added += QByteArray(" ") + attribute + "=\"" + XmlSpans::escape(value, '"') + '"';
            m_splices.insert(m_spans.insertionPoint(m_root, later), added + "/>");
            return;
        }
        for (const auto &[attribute, value] : attributes.values)
            setAttribute(found.first(), attribute, value);
    }

    void setAttribute(const XmlSpans::Element &e, const char *name, const QString &value)
    {
        const auto a = m_spans.attribute(e, name);
        if (value.isNull()) {
            if (a)
                m_splices.replace(a->start, a->valueEnd + 1, QByteArray());
        } else if (a) {
            if (m_spans.value(*a) != value)
                m_splices.replace(a->valueStart, a->valueEnd, XmlSpans::escape(value, a->quote, m_spans.xml()));
        } else {
            const qsizetype at = e.startTagEnd - (e.selfClosing ? 2 : 1);
            m_splices.insert(at, QByteArray(" ") + name + "=\"" + XmlSpans::escape(value, '"', m_spans.xml()) + '"');
        }
    }

    // The header or footer text; an empty one is left out.
    void headerFooter(const QString &header, const QString &footer, bool headerChanged, bool footerChanged)
    {
        if (!headerChanged && !footerChanged)
            return;
        const QList<XmlSpans::Element> found = m_spans.children(m_root, "headerFooter");
        auto element = [&](const char *name, const QString &text) {
            const QByteArray tag = XmlSpans::withPrefix(m_root, name);
            return text.isEmpty() ? QByteArray() : '<' + tag + '>' + XmlSpans::escape(text, 0, m_spans.xml()) + "</" + tag + '>';
        };
        if (found.isEmpty()) {
            if (header.isEmpty() && footer.isEmpty())
                return;
            const QByteArray tag = XmlSpans::withPrefix(m_root, "headerFooter");
            m_splices.insert(m_spans.insertionPoint(m_root, kAfterHeaderFooter),
                             '<' + tag + '>' + element("oddHeader", header) + element("oddFooter", footer) + "</" + tag + '>');
            return;
        }
        const XmlSpans::Element &hf = found.first();
        auto replace = [&](const char *name, const QString &text, std::initializer_list<const char *> later) {
            const QList<XmlSpans::Element> present = m_spans.children(hf, name);
            if (!present.isEmpty()) {
                m_splices.replace(present.first().start, present.first().end, element(name, text));
            } else if (!text.isEmpty()) {
                if (hf.selfClosing) {
                    m_splices.replace(hf.startTagEnd - 2, hf.startTagEnd,
                                      ">" + element(name, text) + "</" + hf.qualifiedName + '>');
                } else {
                    m_splices.insert(m_spans.insertionPoint(hf, later), element(name, text));
                }
            }
        };
        // Both new in a self-closing element would overlap: one element holds both then.
        if (hf.selfClosing && !header.isEmpty() && !footer.isEmpty()) {
            m_splices.replace(hf.startTagEnd - 2, hf.startTagEnd,
                              ">" + element("oddHeader", header) + element("oddFooter", footer) + "</" + hf.qualifiedName + '>');
            return;
        }
        if (headerChanged)
            replace("oddHeader", header, {"oddFooter", "evenHeader", "evenFooter", "firstHeader", "firstFooter"});
        if (footerChanged)
            replace("oddFooter", footer, {"evenHeader", "evenFooter", "firstHeader", "firstFooter"});
    }

    void fitToPage(bool fit)
    {
        const QList<XmlSpans::Element> properties = m_spans.children(m_root, "sheetPr");
        if (properties.isEmpty()) {
            if (!fit)
                return;
            const QByteArray tag = XmlSpans::withPrefix(m_root, "sheetPr");
            m_splices.insert(m_spans.insertionPoint(m_root, kAfterSheetPr),
                             '<' + tag + "><" + XmlSpans::withPrefix(m_root, "pageSetUpPr") + " fitToPage=\"1\"/></" + tag + '>');
            return;
        }
        const XmlSpans::Element &pr = properties.first();
        const QList<XmlSpans::Element> setUp = m_spans.children(pr, "pageSetUpPr");
        if (!setUp.isEmpty()) {
            setAttribute(setUp.first(), "fitToPage", fit ? QStringLiteral("1") : QString());
            return;
        }
        if (!fit)
            return;
        const QByteArray added = '<' + XmlSpans::withPrefix(m_root, "pageSetUpPr") + " fitToPage=\"1\"/>";
        if (pr.selfClosing)
            m_splices.replace(pr.startTagEnd - 2, pr.startTagEnd, '>' + added + "</" + pr.qualifiedName + '>');
        else
            m_splices.insert(pr.contentEnd, added); // the last of sheetPr's children
    }

    bool apply(QByteArray *out) const { return m_splices.apply(m_spans.xml(), out); }

private:
    const XmlSpans &m_spans;
    const XmlSpans::Element m_root;
    XmlSplices m_splices;
};

QString flag(bool on)
{
    return on ? QStringLiteral("1") : QString();
}

} // namespace

bool PageSetupEdit::apply(const QByteArray &sheet, const PageSetupFacts &current, const PageSetupFacts &setup,
                          bool chartSheet, QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(sheet))
        return false;
    Editor editor(spans);
    const PageSetupFacts &c = current, &s = setup;

    if (!chartSheet) {
        Attributes options;
        options.setIf(c.centerHorizontally != s.centerHorizontally, "horizontalCentered", flag(s.centerHorizontally));
        options.setIf(c.centerVertically != s.centerVertically, "verticalCentered", flag(s.centerVertically));
        options.setIf(c.printGridlines != s.printGridlines, "gridLines", flag(s.printGridlines));
        options.setIf(c.printHeadings != s.printHeadings, "headings", flag(s.printHeadings));
        editor.element("printOptions", options, kAfterPrintOptions);
    }

    const bool margins = c.leftMargin != s.leftMargin || c.rightMargin != s.rightMargin || c.topMargin != s.topMargin
        || c.bottomMargin != s.bottomMargin || c.headerMargin != s.headerMargin || c.footerMargin != s.footerMargin;
    if (margins) {
        // All six are required: each is written.
        Attributes m;
        m.set("left", inches(s.leftMargin));
        m.set("right", inches(s.rightMargin));
        m.set("top", inches(s.topMargin));
        m.set("bottom", inches(s.bottomMargin));
        m.set("header", inches(s.headerMargin));
        m.set("footer", inches(s.footerMargin));
        editor.element("pageMargins", m, kAfterPageMargins);
    }

    Attributes page;
    page.setIf(c.paperSize != s.paperSize, "paperSize", QString::number(s.paperSize));
    if (!chartSheet) {
        page.setIf(c.zoom != s.zoom, "scale", QString::number(s.zoom));
        page.setIf(c.fitToPagesWide != s.fitToPagesWide, "fitToWidth", QString::number(s.fitToPagesWide));
        page.setIf(c.fitToPagesTall != s.fitToPagesTall, "fitToHeight", QString::number(s.fitToPagesTall));
        page.setIf(c.order != s.order, "pageOrder", s.order == 2 ? QStringLiteral("overThenDown") : QString());
        if (c.printComments != s.printComments)
            page.set("cellComments", s.printComments == 16 ? QStringLiteral("asDisplayed")
                                     : s.printComments == 1 ? QStringLiteral("atEnd")
                                                            : QString());
    }
    page.setIf(c.orientation != s.orientation, "orientation",
               s.orientation == 2 ? QStringLiteral("landscape") : QStringLiteral("portrait"));
    if (c.firstPageNumber != s.firstPageNumber) {
        const bool automatic = s.firstPageNumber == -4105;
        page.set("firstPageNumber", automatic ? QString() : QString::number(s.firstPageNumber));
        page.set("useFirstPageNumber", automatic ? QString() : QStringLiteral("1"));
    }
    page.setIf(c.blackAndWhite != s.blackAndWhite, "blackAndWhite", flag(s.blackAndWhite));
    page.setIf(c.draft != s.draft, "draft", flag(s.draft));
    if (c.printQuality != s.printQuality) {
        page.set("horizontalDpi", s.printQuality.isEmpty() ? QString() : QString::number(s.printQuality.value(0)));
        page.set("verticalDpi", s.printQuality.isEmpty() ? QString() : QString::number(s.printQuality.value(1)));
    }
    editor.element("pageSetup", page, kAfterPageSetup);

    const QString header = HeaderFooterText{s.leftHeader, s.centerHeader, s.rightHeader}.join();
    const QString footer = HeaderFooterText{s.leftFooter, s.centerFooter, s.rightFooter}.join();
    editor.headerFooter(header, footer,
                        header != HeaderFooterText{c.leftHeader, c.centerHeader, c.rightHeader}.join(),
                        footer != HeaderFooterText{c.leftFooter, c.centerFooter, c.rightFooter}.join());
    if (!chartSheet && c.fitToPage != s.fitToPage)
        editor.fitToPage(s.fitToPage);
    return editor.apply(out);
}

QString PageSetupEdit::areasFormula(const QString &sheet, const QString &areas)
{
    static const QRegularExpression area(
        QStringLiteral("^\\$?([A-Z]{0,3})\\$?([0-9]{0,7})(?::\\$?([A-Z]{0,3})\\$?([0-9]{0,7}))?$"),
        QRegularExpression::CaseInsensitiveOption);
    auto column = [](const QString &letters) {
        int c = 0;
        for (QChar ch : letters)
            c = c * 26 + (ch.toUpper().unicode() - u'A' + 1);
        return c;
    };
    QStringList out;
    const QString prefix = FormulaRefs::quoted(sheet) + QLatin1Char('!');
    for (QString part : areas.split(QLatin1Char(','))) {
        part = part.trimmed();
        part = part.mid(part.lastIndexOf(QLatin1Char('!')) + 1);
        const QRegularExpressionMatch m = area.match(part);
        if (part.isEmpty() || !m.hasMatch())
            return QString();
        const bool range = m.hasCaptured(3) || m.hasCaptured(4);
        const QString c1 = m.captured(1).toUpper(), r1 = m.captured(2);
        const QString c2 = range ? m.captured(3).toUpper() : c1, r2 = range ? m.captured(4) : r1;
        if (c1.isEmpty() != c2.isEmpty() || r1.isEmpty() != r2.isEmpty() || (c1.isEmpty() && r1.isEmpty()))
            return QString();
        for (const QString &c : {c1, c2})
            if (!c.isEmpty() && column(c) > kLastColumn)
                return QString();
        for (const QString &r : {r1, r2})
            if (!r.isEmpty() && (r.toInt() < 1 || r.toInt() > kLastRow))
                return QString();
        auto cell = [](const QString &c, const QString &r) {
            return (c.isEmpty() ? QString() : QLatin1Char('$') + c) + (r.isEmpty() ? QString() : QLatin1Char('$') + r);
        };
        const QString first = cell(c1, r1), last = cell(c2, r2);
        out << prefix + (first == last && !c1.isEmpty() && !r1.isEmpty() ? first : first + QLatin1Char(':') + last);
    }
    return out.join(QLatin1Char(','));
}

} // namespace quirn
