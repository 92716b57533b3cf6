#include "PdfExport.h"

#include "OfficeDocumentPrivate.h"

#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/XPrintAreas.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>

#include <QList>

#include <functional>

using namespace com::sun::star;
using namespace OfficeDocumentDetail;
using Kind = OfficeError::Kind;

PdfExport::PdfExport(const OfficeDocument::Private &document)
    : m_document(document)
{
}

bool PdfExport::write(const QStringList &sheets, const QString &absolute, int fromPage, int toPage) const
{
    using Private = OfficeDocument::Private;
    const Private *d = &m_document;
    return d->slow([&] {
        for (const QString &n : sheets)
            d->sheet(n);
        const QStringList names = d->names();
        QList<uno::Reference<sheet::XSpreadsheet>> all;
        QList<bool> wasVisible;
        for (int i = 0; i < names.size(); ++i) {
            all.append(d->sheetAt(i));
            wasVisible.append(Private::visible(all.last()));
        }
        const bool wasModified =
            uno::Reference<util::XModifiable>(d->model, uno::UNO_QUERY_THROW)->isModified();
        const auto chosen = [&](int i) { return sheets.contains(names[i]); };

        // The office prints a hidden sheet that has print ranges: take them
        // away from the sheets left out for the time of the export.
        QList<uno::Sequence<table::CellRangeAddress>> savedAreas;
        for (int i = 0; i < all.size(); ++i) {
            uno::Reference<sheet::XPrintAreas> areas(all[i], uno::UNO_QUERY_THROW);
            savedAreas.append(chosen(i) ? uno::Sequence<table::CellRangeAddress>()
                                        : areas->getPrintAreas());
            if (savedAreas.last().hasElements())
                areas->setPrintAreas(uno::Sequence<table::CellRangeAddress>());
        }
        const auto setVisibility = [&](const std::function<bool(int)> &wanted) {
            // Show first, then hide: the book always keeps a visible sheet.
            for (int pass = 0; pass < 2; ++pass) {
                for (int i = 0; i < all.size(); ++i) {
                    if (wanted(i) == (pass == 0))
                        Private::props(all[i])->setPropertyValue("IsVisible", uno::Any(wanted(i)));
                }
            }
            for (int i = 0; i < all.size(); ++i) {
                if (Private::visible(all[i]) != wanted(i))
                    return false;
            }
            return true;
        };
        const auto restore = [&] {
            setVisibility([&](int i) { return wasVisible[i]; });
            for (int i = 0; i < all.size(); ++i) {
                if (savedAreas[i].hasElements())
                    uno::Reference<sheet::XPrintAreas>(all[i], uno::UNO_QUERY_THROW)
                        ->setPrintAreas(savedAreas[i]);
            }
            d->setModified(wasModified);
        };

        if (!setVisibility(chosen)) {
            restore(); // a protected book: print from a copy instead
            return false;
        }
        uno::Sequence<beans::PropertyValue> filterData;
        if (fromPage > 0 || toPage > 0) {
            const QString range = QStringLiteral("%1-%2").arg(qMax(fromPage, 1)).arg(
                toPage > 0 ? QString::number(toPage) : QString());
            filterData = properties({property("PageRange", uno::Any(toOUString(range)))});
        }
        const uno::Sequence<beans::PropertyValue> args =
            properties({property("FilterName", uno::Any(rtl::OUString("calc_pdf_Export"))),
                        property("FilterData", uno::Any(filterData)),
                        property("Overwrite", uno::Any(true))});
        try {
            uno::Reference<frame::XStorable>(d->model, uno::UNO_QUERY_THROW)
                ->storeToURL(toFileUrl(absolute), args);
        } catch (const lang::DisposedException &) {
            throw;
        } catch (const uno::Exception &e) {
            restore();
            throw OfficeError(Kind::ExportFailed, QStringLiteral("PDF を作成できません。（%1）")
                                                      .arg(toQString(e.Message)));
        }
        restore();
        return true;
    });
}
