#include "PageStyleCopy.h"

#include "UnoText.h"

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/sheet/XHeaderFooterContent.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>

using namespace com::sun::star;

namespace {

// What prints differently with a page style: Excel's page setup and the
// office's own print switches. (Copying every property instead, header and
// footer content objects included, made the office crash now and then.)
const char *const kPrintProperties[] = {
    "Width", "Height", "IsLandscape", "LeftMargin", "RightMargin", "TopMargin", "BottomMargin",
    "CenterHorizontally", "CenterVertically", "PageScale", "ScaleToPages", "ScaleToPagesX",
    "ScaleToPagesY", "FirstPageNumber", "PrintAnnotations", "PrintCharts", "PrintDownFirst",
    "PrintDrawing", "PrintFormulas", "PrintGrid", "PrintHeaders", "PrintObjects",
    "PrintZeroValues", "HeaderIsOn", "HeaderIsShared", "HeaderIsDynamicHeight", "HeaderHeight",
    "HeaderBodyDistance", "FooterIsOn", "FooterIsShared", "FooterIsDynamicHeight", "FooterHeight",
    "FooterBodyDistance"};

const char *const kContentProperties[] = {"RightPageHeaderContent", "LeftPageHeaderContent",
                                          "RightPageFooterContent", "LeftPageFooterContent"};

// Header and footer fields of a sheet, by service.
const char *const kFieldServices[] = {
    "com.sun.star.text.TextField.PageNumber", "com.sun.star.text.TextField.PageCount",
    "com.sun.star.text.TextField.SheetName",  "com.sun.star.text.TextField.FileName",
    "com.sun.star.text.TextField.DateTime",   "com.sun.star.text.TextField.Date",
    "com.sun.star.text.TextField.Time",       "com.sun.star.text.TextField.DocumentTitle",
    "com.sun.star.text.TextField.URL"};

const char *const kFieldProperties[] = {"FileFormat", "IsDate", "IsFixed", "NumberingType",
                                        "Representation", "URL"};

void copyProperty(const uno::Reference<beans::XPropertySet> &from,
                  const uno::Reference<beans::XPropertySet> &to, const rtl::OUString &name)
{
    try {
        to->setPropertyValue(name, from->getPropertyValue(name));
    } catch (const lang::DisposedException &) {
        throw;
    } catch (const uno::Exception &) {
        // Not there, or not taken: the default stays.
    }
}

// Inserts a new field of the same kind as field at the end of to. Some kinds
// the office creates but refuses in a header under one spelling of the
// service name; the other spelling is tried too.
bool insertFieldCopy(const uno::Reference<beans::XPropertySet> &field,
                     const uno::Reference<text::XText> &to,
                     const uno::Reference<lang::XMultiServiceFactory> &factory)
{
    uno::Reference<lang::XServiceInfo> info(field, uno::UNO_QUERY);
    if (!info.is())
        return false;
    for (const char *service : kFieldServices) {
        const QString name = QString::fromLatin1(service);
        if (!info->supportsService(toOUString(name)))
            continue;
        const QString lower = QString(name).replace(QLatin1String(".TextField."),
                                                    QLatin1String(".textfield."));
        for (const QString &spelling : {name, lower}) {
            try {
                uno::Reference<beans::XPropertySet> copy(factory->createInstance(toOUString(spelling)),
                                                         uno::UNO_QUERY);
                if (!copy.is())
                    continue;
                for (const char *property : kFieldProperties) {
                    const rtl::OUString p = rtl::OUString::createFromAscii(property);
                    if (field->getPropertySetInfo()->hasPropertyByName(p))
                        copyProperty(field, copy, p);
                }
                // A header takes fields only at a cursor of its own.
                uno::Reference<text::XTextCursor> end = to->createTextCursor();
                end->gotoEnd(false);
                to->insertTextContent(uno::Reference<text::XTextRange>(end, uno::UNO_QUERY_THROW),
                                      uno::Reference<text::XTextContent>(copy, uno::UNO_QUERY_THROW),
                                      false);
                return true;
            } catch (const lang::DisposedException &) {
                throw;
            } catch (const uno::Exception &) {
            }
        }
        return false;
    }
    return false;
}

// Copies one text portion by portion: plain text as text, fields as new
// fields of the same kind (setString would turn them into their current text).
void copyText(const uno::Reference<text::XText> &from, const uno::Reference<text::XText> &to,
              const uno::Reference<lang::XMultiServiceFactory> &factory)
{
    to->setString(rtl::OUString());
    uno::Reference<container::XEnumerationAccess> paragraphsAccess(from, uno::UNO_QUERY);
    if (!paragraphsAccess.is()) {
        to->setString(from->getString());
        return;
    }
    uno::Reference<container::XEnumeration> paragraphs = paragraphsAccess->createEnumeration();
    bool first = true;
    while (paragraphs->hasMoreElements()) {
        uno::Reference<container::XEnumerationAccess> portionsAccess(paragraphs->nextElement(),
                                                                     uno::UNO_QUERY);
        if (!first)
            to->insertString(to->getEnd(), "\n", false);
        first = false;
        if (!portionsAccess.is())
            continue;
        uno::Reference<container::XEnumeration> portions = portionsAccess->createEnumeration();
        while (portions->hasMoreElements()) {
            uno::Reference<text::XTextRange> portion(portions->nextElement(), uno::UNO_QUERY);
            uno::Reference<beans::XPropertySet> properties(portion, uno::UNO_QUERY);
            if (!portion.is() || !properties.is())
                continue;
            rtl::OUString type;
            properties->getPropertyValue("TextPortionType") >>= type;
            if (type == "TextField") {
                uno::Reference<beans::XPropertySet> field(properties->getPropertyValue("TextField"),
                                                          uno::UNO_QUERY);
                if (field.is() && insertFieldCopy(field, to, factory))
                    continue;
            }
            // Text, or a field that cannot be copied: its current text.
            to->insertString(to->getEnd(), portion->getString(), false);
        }
    }
}

} // namespace

QString PageStyleCopy::copy(const uno::Reference<beans::XPropertySet> &original,
                            const uno::Reference<frame::XModel> &target,
                            const uno::Reference<container::XNameContainer> &targetStyles,
                            const QString &copyName)
{
    QString name = QStringLiteral("PageStyle_") + copyName;
    for (int n = 2; targetStyles->hasByName(toOUString(name)); ++n)
        name = QStringLiteral("PageStyle_%1_%2").arg(copyName).arg(n);
    uno::Reference<lang::XMultiServiceFactory> factory(target, uno::UNO_QUERY_THROW);
    uno::Reference<beans::XPropertySet> style(factory->createInstance("com.sun.star.style.PageStyle"),
                                              uno::UNO_QUERY_THROW);
    targetStyles->insertByName(toOUString(name), uno::Any(style));
    for (const char *property : kPrintProperties)
        copyProperty(original, style, rtl::OUString::createFromAscii(property));
    for (const char *property : kContentProperties)
        copyHeaderFooter(original, style, target, property);
    return name;
}

void PageStyleCopy::copyHeaderFooter(const uno::Reference<beans::XPropertySet> &original,
                                     const uno::Reference<beans::XPropertySet> &style,
                                     const uno::Reference<frame::XModel> &target,
                                     const char *property)
{
    const rtl::OUString name = rtl::OUString::createFromAscii(property);
    uno::Reference<sheet::XHeaderFooterContent> from(original->getPropertyValue(name), uno::UNO_QUERY);
    // Held for as long as its texts are used.
    uno::Reference<sheet::XHeaderFooterContent> to(style->getPropertyValue(name), uno::UNO_QUERY);
    if (!from.is() || !to.is())
        return;
    uno::Reference<lang::XMultiServiceFactory> factory(target, uno::UNO_QUERY_THROW);
    copyText(from->getLeftText(), to->getLeftText(), factory);
    copyText(from->getCenterText(), to->getCenterText(), factory);
    copyText(from->getRightText(), to->getRightText(), factory);
    style->setPropertyValue(name, uno::Any(to));
}
