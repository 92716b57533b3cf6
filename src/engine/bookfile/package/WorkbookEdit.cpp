#include "WorkbookEdit.h"

#include "XmlSpans.h"

namespace quirn {

namespace {

// Sets an attribute of an element: its value replaced, or the attribute
// added after `after` (or at the end of the start tag) when it is absent.
void setAttribute(const XmlSpans &spans, const XmlSpans::Element &e, const char *name, const QString &value,
                  XmlSplices &splices, const char *after = nullptr)
{
    if (const auto a = spans.attribute(e, name)) {
        if (spans.value(*a) != value)
            splices.replace(a->valueStart, a->valueEnd, XmlSpans::escape(value, a->quote, spans.xml()));
        return;
    }
    qsizetype at = e.startTagEnd - (e.selfClosing ? 2 : 1);
    while (at > e.start && (spans.xml()[at - 1] == ' ' || spans.xml()[at - 1] == '\n'))
        --at;
    if (after)
        if (const auto a = spans.attribute(e, after))
            at = a->valueEnd + 1;
    splices.insert(at, QByteArray(" ") + name + "=\"" + XmlSpans::escape(value, '"', spans.xml()) + '"');
}

void removeAttribute(const XmlSpans &spans, const XmlSpans::Element &e, const char *name, XmlSplices &splices)
{
    if (const auto a = spans.attribute(e, name))
        splices.replace(a->start, a->valueEnd + 1, QByteArray());
}

int intValue(const XmlSpans &spans, const XmlSpans::Element &e, const char *name)
{
    const auto a = spans.attribute(e, name);
    return a ? spans.value(*a).toInt() : 0;
}

} // namespace

bool WorkbookEdit::setVisibility(const QByteArray &workbook, int index, SheetVisibility visibility, int replacement,
                                 QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(workbook))
        return false;
    const QList<XmlSpans::Element> sheets = spans.elements("sheet");
    if (index < 0 || index >= sheets.size())
        return false;
    XmlSplices splices;
    if (visibility == SheetVisibility::Visible)
        removeAttribute(spans, sheets[index], "state", splices);
    else
        setAttribute(spans, sheets[index], "state",
                     visibility == SheetVisibility::Hidden ? QStringLiteral("hidden") : QStringLiteral("veryHidden"),
                     splices, "sheetId");
    for (const XmlSpans::Element &view : spans.elements("workbookView")) {
        if (visibility == SheetVisibility::Visible || replacement == index)
            break;
        if (intValue(spans, view, "activeTab") == index)
            setAttribute(spans, view, "activeTab", QString::number(replacement), splices);
        if (intValue(spans, view, "firstSheet") == index)
            setAttribute(spans, view, "firstSheet", QString::number(replacement), splices);
    }
    return splices.apply(workbook, out);
}

bool WorkbookEdit::removeSheets(const QByteArray &workbook, const QSet<int> &gone, int active, QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(workbook))
        return false;
    const QList<XmlSpans::Element> sheets = spans.elements("sheet");
    QList<int> newIndex(sheets.size(), -1);
    int kept = 0;
    for (int i = 0; i < sheets.size(); ++i)
        if (!gone.contains(i))
            newIndex[i] = kept++;
    if (kept == 0 || kept + gone.size() != sheets.size())
        return false;
    XmlSplices splices;
    for (int i : gone)
        splices.replace(sheets[i].start, sheets[i].end, QByteArray());
    for (const XmlSpans::Element &list : spans.elements("definedNames")) {
        const QList<XmlSpans::Element> names = spans.children(list, "definedName");
        int left = int(names.size());
        XmlSplices edits;
        for (const XmlSpans::Element &name : names) {
            const auto local = spans.attribute(name, "localSheetId");
            bool ok = false;
            const int old = local ? spans.value(*local).toInt(&ok) : -1;
            if (!ok || old < 0 || old >= newIndex.size())
                continue;
            if (newIndex[old] < 0) {
                edits.replace(name.start, name.end, QByteArray());
                --left;
            } else if (newIndex[old] != old) {
                edits.replace(local->valueStart, local->valueEnd, QByteArray::number(newIndex[old]));
            }
        }
        // No names left, no list.
        if (left == 0)
            splices.replace(list.start, list.end, QByteArray());
        else
            splices.append(edits);
    }
    for (const XmlSpans::Element &view : spans.elements("workbookView")) {
        const int tab = intValue(spans, view, "activeTab");
        const int newTab = tab >= 0 && tab < newIndex.size() && newIndex[tab] >= 0 ? newIndex[tab] : active;
        if (newTab != tab)
            setAttribute(spans, view, "activeTab", QString::number(newTab), splices);
        const int first = intValue(spans, view, "firstSheet");
        int newFirst = 0;
        for (int t = qMax(first, 0); t < newIndex.size(); ++t)
            if (newIndex[t] >= 0) {
                newFirst = newIndex[t];
                break;
            }
        newFirst = qMin(newFirst, newTab);
        if (newFirst != first)
            setAttribute(spans, view, "firstSheet", QString::number(newFirst), splices);
    }
    return splices.apply(workbook, out);
}

bool WorkbookEdit::appendCopy(const QByteArray &workbook, int index, const QString &name, int sheetId,
                              const QString &relationshipId, const std::function<QString(const QString &)> &formula,
                              QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(workbook))
        return false;
    const QList<XmlSpans::Element> sheets = spans.elements("sheet");
    if (index < 0 || index >= sheets.size())
        return false;
    // The sheet's element again with its name, id and relationship changed.
    auto copyOf = [&](const XmlSpans::Element &e, const std::function<void(XmlSpans &, XmlSplices &)> &change) {
        XmlSpans element;
        QByteArray copy;
        if (!element.read(workbook.mid(e.start, e.end - e.start)))
            return QByteArray();
        XmlSplices splices;
        change(element, splices);
        return splices.apply(element.xml(), &copy) ? copy : QByteArray();
    };
    const QByteArray sheet = copyOf(sheets[index], [&](XmlSpans &e, XmlSplices &splices) {
        const XmlSpans::Element &root = e.all().first();
        setAttribute(e, root, "name", name, splices);
        setAttribute(e, root, "sheetId", QString::number(sheetId), splices);
        for (const XmlSpans::Attribute &a : e.attributes(root))
            if (a.localName() == "id" && a.qualifiedName.contains(':'))
                splices.replace(a.valueStart, a.valueEnd, XmlSpans::escape(relationshipId, a.quote));
    });
    if (sheet.isEmpty())
        return false;
    XmlSplices splices;
    splices.insert(sheets.last().end, sheet);
    for (const XmlSpans::Element &defined : spans.elements("definedName")) {
        if (intValue(spans, defined, "localSheetId") != index || !spans.attribute(defined, "localSheetId"))
            continue;
        const QByteArray copy = copyOf(defined, [&](XmlSpans &e, XmlSplices &edits) {
            const XmlSpans::Element &root = e.all().first();
            setAttribute(e, root, "localSheetId", QString::number(sheets.size()), edits);
            const QString text = e.text(root);
            const QString renamed = formula(text);
            if (renamed != text && !root.selfClosing)
                edits.replace(root.startTagEnd, root.contentEnd, XmlSpans::escape(renamed, 0, e.xml()));
        });
        if (copy.isEmpty())
            return false;
        splices.insert(defined.end, copy);
    }
    return splices.apply(workbook, out);
}

bool WorkbookEdit::setLocalName(const QByteArray &workbook, int index, const QString &name, const QString &formula,
                                QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(workbook))
        return false;
    XmlSplices splices;
    const QList<XmlSpans::Element> lists = spans.elements("definedNames");
    for (const XmlSpans::Element &defined : spans.elements("definedName")) {
        const auto n = spans.attribute(defined, "name");
        if (!n || spans.value(*n).compare(name, Qt::CaseInsensitive) != 0 || !spans.attribute(defined, "localSheetId")
            || intValue(spans, defined, "localSheetId") != index)
            continue;
        if (formula.isEmpty()) {
            const bool alone = lists.size() == 1 && spans.children(lists[0], "definedName").size() == 1;
            splices.replace(alone ? lists[0].start : defined.start, alone ? lists[0].end : defined.end, QByteArray());
        } else if (defined.selfClosing) {
            splices.replace(defined.startTagEnd - 2, defined.startTagEnd,
                            '>' + XmlSpans::escape(formula, 0, workbook) + "</" + defined.qualifiedName + '>');
        } else {
            splices.replace(defined.startTagEnd, defined.contentEnd, XmlSpans::escape(formula, 0, workbook));
        }
        return splices.apply(workbook, out);
    }
    if (formula.isEmpty()) {
        *out = workbook;
        return true;
    }
    const XmlSpans::Element &root = spans.all().first();
    const QByteArray tag = XmlSpans::withPrefix(root, "definedName");
    const QByteArray element = '<' + tag + " name=\"" + XmlSpans::escape(name, '"') + "\" localSheetId=\""
        + QByteArray::number(index) + "\">" + XmlSpans::escape(formula, 0, workbook) + "</" + tag + '>';
    if (!lists.isEmpty()) {
        splices.insert(lists[0].contentEnd, element);
    } else {
        const QByteArray list = XmlSpans::withPrefix(root, "definedNames");
        splices.insert(spans.insertionPoint(root, {"calcPr", "oleSize", "customWorkbookViews", "pivotCaches",
                                                   "smartTagPr", "smartTagTypes", "webPublishing", "fileRecoveryPr",
                                                   "webPublishObjects", "extLst"}),
                       '<' + list + '>' + element + "</" + list + '>');
    }
    return splices.apply(workbook, out);
}

bool WorkbookEdit::reorder(const QByteArray &workbook, const QList<int> &order, QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(workbook))
        return false;
    const QList<XmlSpans::Element> sheets = spans.elements("sheet");
    if (order.size() != sheets.size())
        return false;
    QList<int> newIndex(order.size(), -1);
    for (int i = 0; i < order.size(); ++i) {
        if (order[i] < 0 || order[i] >= order.size() || newIndex[order[i]] >= 0)
            return false;
        newIndex[order[i]] = i;
    }
    XmlSplices splices;
    for (int i = 0; i < sheets.size(); ++i) {
        const XmlSpans::Element &moved = sheets[order[i]];
        if (order[i] != i)
            splices.replace(sheets[i].start, sheets[i].end, workbook.mid(moved.start, moved.end - moved.start));
    }
    // Sheet-local names and views follow their sheets.
    auto remap = [&](const XmlSpans::Element &e, const char *name) {
        const auto a = spans.attribute(e, name);
        if (!a)
            return;
        bool ok = false;
        const int old = spans.value(*a).toInt(&ok);
        if (ok && old >= 0 && old < newIndex.size() && newIndex[old] != old)
            splices.replace(a->valueStart, a->valueEnd, QByteArray::number(newIndex[old]));
    };
    for (const XmlSpans::Element &name : spans.elements("definedName"))
        remap(name, "localSheetId");
    for (const XmlSpans::Element &view : spans.elements("workbookView")) {
        remap(view, "activeTab");
        remap(view, "firstSheet");
    }
    return splices.apply(workbook, out);
}

bool WorkbookEdit::calculateOnLoad(const QByteArray &workbook, QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(workbook))
        return false;
    XmlSplices splices;
    const QList<XmlSpans::Element> calc = spans.elements("calcPr");
    const XmlSpans::Element &root = spans.all().first();
    if (!calc.isEmpty())
        setAttribute(spans, calc.first(), "fullCalcOnLoad", QStringLiteral("1"), splices);
    else
        splices.insert(spans.insertionPoint(root, {"oleSize", "customWorkbookViews", "pivotCaches", "smartTagPr",
                                                   "smartTagTypes", "webPublishing", "fileRecoveryPr",
                                                   "webPublishObjects", "extLst"}),
                       '<' + XmlSpans::withPrefix(root, "calcPr") + " fullCalcOnLoad=\"1\"/>");
    return splices.apply(workbook, out);
}

bool WorkbookEdit::dropCalculations(const QByteArray &calcChain, const QSet<QString> &sheetIds, QByteArray *out,
                                    bool *empty)
{
    XmlSpans spans;
    if (!spans.read(calcChain))
        return false;
    XmlSplices splices;
    // A cell without a sheet id is on the sheet of the cell before it, so
    // no cell left ever took its sheet from one dropped.
    QString sheet;
    int left = 0;
    for (const XmlSpans::Element &cell : spans.elements("c")) {
        if (const auto id = spans.attribute(cell, "i"))
            sheet = spans.value(*id);
        if (sheetIds.contains(sheet))
            splices.replace(cell.start, cell.end, QByteArray());
        else
            ++left;
    }
    *empty = left == 0;
    return splices.apply(calcChain, out);
}

bool WorkbookEdit::setTabSelected(const QByteArray &sheet, bool selected, QByteArray *out)
{
    XmlSpans spans;
    if (!spans.read(sheet))
        return false;
    const QList<XmlSpans::Element> views = spans.elements("sheetView");
    XmlSplices splices;
    if (!views.isEmpty()) {
        if (selected)
            setAttribute(spans, views.first(), "tabSelected", QStringLiteral("1"), splices);
        else
            removeAttribute(spans, views.first(), "tabSelected", splices);
    }
    return splices.apply(sheet, out);
}

} // namespace quirn
