#pragma once

#include <QString>

namespace quirn {

// One module of a book's VBA project; kind as Excel's VBComponent.Type:
// 1 standard, 2 class, 3 form, 100 document.
struct VbaModuleFacts
{
    QString name;
    int kind = 1;
};

} // namespace quirn
