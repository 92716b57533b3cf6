#pragma once

// What the parts of OfficeDocument share: the document's UNO side and small
// helpers. Only files of this folder include it.

#include "InteractionRecorder.h"
#include "OfficeConnection.h"
#include "OfficeDocument.h"
#include "OfficeError.h"
#include "UnoText.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/sheet/XSpreadsheets2.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <rtl/ref.hxx>

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>

// The office's API reads as it does in every file of this folder.
using namespace com::sun::star;

namespace OfficeDocumentDetail {

inline beans::PropertyValue property(const char *name, const uno::Any &value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

inline uno::Sequence<beans::PropertyValue> properties(std::initializer_list<beans::PropertyValue> list)
{
    return uno::Sequence<beans::PropertyValue>(list.begin(), sal_Int32(list.size()));
}

inline QString quoted(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

inline OfficeError noSuchSheet(const QString &name)
{
    return OfficeError(OfficeError::Kind::NoSuchSheet, QStringLiteral("シート %1 はありません。").arg(quoted(name)));
}

} // namespace OfficeDocumentDetail

struct OfficeDocument::Private
{
    using Kind = OfficeError::Kind;

    OfficeProcess *process = nullptr;
    std::shared_ptr<OfficeConnection> connection;
    uno::Reference<frame::XModel> model;
    rtl::Reference<InteractionRecorder> recorder;
    QString path;
    QString filter;
    bool readOnly = false;

    OfficeConnection &conn() const
    {
        if (!connection || !model.is()) {
            throw OfficeError(OfficeError::Kind::Failed, QStringLiteral("ブックは閉じられています。"));
        }
        return *connection;
    }

    template<class F>
    auto quick(F &&f) const
    {
        return conn().call(CallKind::Quick, std::forward<F>(f));
    }

    template<class F>
    auto slow(F &&f) const
    {
        return conn().call(CallKind::Long, std::forward<F>(f));
    }

    uno::Reference<sheet::XSpreadsheets2> sheets() const
    {
        return uno::Reference<sheet::XSpreadsheets2>(
            uno::Reference<sheet::XSpreadsheetDocument>(model, uno::UNO_QUERY_THROW)->getSheets(),
            uno::UNO_QUERY_THROW);
    }

    QStringList names() const
    {
        QStringList list;
        const uno::Sequence<rtl::OUString> all = sheets()->getElementNames();
        for (const rtl::OUString &n : all)
            list.append(toQString(n));
        return list;
    }

    uno::Reference<sheet::XSpreadsheet> sheetAt(int index) const
    {
        uno::Reference<container::XIndexAccess> access(sheets(), uno::UNO_QUERY_THROW);
        return uno::Reference<sheet::XSpreadsheet>(access->getByIndex(index), uno::UNO_QUERY_THROW);
    }

    // The office looks sheets up ignoring case; the program compares exactly.
    uno::Reference<sheet::XSpreadsheet> sheet(const QString &name) const
    {
        const int index = names().indexOf(name);
        if (index < 0)
            throw OfficeDocumentDetail::noSuchSheet(name);
        return sheetAt(index);
    }

    static uno::Reference<beans::XPropertySet> props(const uno::Reference<uno::XInterface> &object)
    {
        return uno::Reference<beans::XPropertySet>(object, uno::UNO_QUERY_THROW);
    }

    static bool visible(const uno::Reference<sheet::XSpreadsheet> &s)
    {
        bool v = true;
        props(s)->getPropertyValue("IsVisible") >>= v;
        return v;
    }

    uno::Reference<container::XNameContainer> pageStyles() const
    {
        uno::Reference<style::XStyleFamiliesSupplier> supplier(model, uno::UNO_QUERY_THROW);
        return uno::Reference<container::XNameContainer>(
            supplier->getStyleFamilies()->getByName("PageStyles"), uno::UNO_QUERY_THROW);
    }

    void setModified(bool modified) const
    {
        uno::Reference<util::XModifiable>(model, uno::UNO_QUERY_THROW)->setModified(modified);
    }

    void storeTo(const QString &target) const;

    // The .xls export writes the view's active sheet as visible: a hidden
    // sheet left active (an imported or copied one, say) would come back
    // shown. Makes the first visible sheet active instead.
    void keepActiveSheetVisible() const
    {
        uno::Reference<sheet::XSpreadsheetView> view(model->getCurrentController(), uno::UNO_QUERY);
        if (!view.is())
            return;
        const uno::Reference<sheet::XSpreadsheet> active = view->getActiveSheet();
        if (active.is() && visible(active))
            return;
        uno::Reference<container::XIndexAccess> access(sheets(), uno::UNO_QUERY_THROW);
        for (sal_Int32 i = 0; i < access->getCount(); ++i) {
            const uno::Reference<sheet::XSpreadsheet> candidate = sheetAt(i);
            if (visible(candidate)) {
                view->setActiveSheet(candidate);
                return;
            }
        }
    }
};
