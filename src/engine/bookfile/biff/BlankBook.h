#pragma once

#include <QByteArray>
#include <QString>

namespace quirn {

// The workbook stream of a new, empty book as Excel makes it: one empty
// sheet named `sheetName`, the standard fonts, cell formats and Normal style.
struct BlankBook
{
    static QByteArray workbookStream(const QString &sheetName);
};

} // namespace quirn
