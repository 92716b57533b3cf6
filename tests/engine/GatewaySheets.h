#pragma once

#include "cExcel.h"

#include <QStringList>

// The active book's sheet names as the gateway gives them, in order.
inline QStringList GatewaySheetNames(cExcel &excel)
{
    QStringList names;
    const int count = excel.GetSheetCount();
    for (qint16 i = 1; i <= count; ++i)
        names << excel.GetSheetName(i);
    return names;
}
