#include "SheetPrintSetup.h"

#include "OfficeDocumentPrivate.h"
#include "PageStyleCopy.h"

#include <com/sun/star/sheet/XPrintAreas.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>

using namespace com::sun::star;

void SheetPrintSetup::carry(const OfficeDocument::Private &source, const uno::Reference<sheet::XSpreadsheet> &from,
                            const OfficeDocument::Private &target, const uno::Reference<sheet::XSpreadsheet> &copy,
                            const QString &copyName, int at)
{
    using Private = OfficeDocument::Private;
    rtl::OUString originalStyle;
    Private::props(from)->getPropertyValue("PageStyle") >>= originalStyle;
    uno::Reference<beans::XPropertySet> original(source.pageStyles()->getByName(originalStyle),
                                                 uno::UNO_QUERY_THROW);
    const QString style = PageStyleCopy::copy(original, target.model, target.pageStyles(), copyName);
    Private::props(copy)->setPropertyValue("PageStyle", uno::Any(toOUString(style)));

    uno::Reference<sheet::XPrintAreas> fromAreas(from, uno::UNO_QUERY_THROW);
    uno::Reference<sheet::XPrintAreas> toAreas(copy, uno::UNO_QUERY_THROW);
    uno::Sequence<table::CellRangeAddress> areas = fromAreas->getPrintAreas();
    for (sal_Int32 i = 0; i < areas.getLength(); ++i)
        areas.getArray()[i].Sheet = sal_Int16(at);
    toAreas->setPrintAreas(areas);
    if (fromAreas->getPrintTitleRows()) {
        table::CellRangeAddress rows = fromAreas->getTitleRows();
        rows.Sheet = sal_Int16(at);
        toAreas->setTitleRows(rows);
        toAreas->setPrintTitleRows(true);
    }
    if (fromAreas->getPrintTitleColumns()) {
        table::CellRangeAddress columns = fromAreas->getTitleColumns();
        columns.Sheet = sal_Int16(at);
        toAreas->setTitleColumns(columns);
        toAreas->setPrintTitleColumns(true);
    }
}
