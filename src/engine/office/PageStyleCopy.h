#pragma once

// Copies a sheet's page style into another book: the office's sheet import
// leaves the copy with the target's default style. Private to this folder.

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/frame/XModel.hpp>

#include <QString>

class PageStyleCopy
{
public:
    // Makes a new page style in target named after copyName, with the print
    // settings and header/footer contents of original. Returns its name.
    static QString copy(
        const com::sun::star::uno::Reference<com::sun::star::beans::XPropertySet> &original,
        const com::sun::star::uno::Reference<com::sun::star::frame::XModel> &target,
        const com::sun::star::uno::Reference<com::sun::star::container::XNameContainer> &targetStyles,
        const QString &copyName);

private:
    static void copyHeaderFooter(
        const com::sun::star::uno::Reference<com::sun::star::beans::XPropertySet> &original,
        const com::sun::star::uno::Reference<com::sun::star::beans::XPropertySet> &style,
        const com::sun::star::uno::Reference<com::sun::star::frame::XModel> &target,
        const char *property);
};
