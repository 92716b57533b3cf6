#include "SheetIcons.h"

#include "SheetKey.h"

#include <array>

namespace {

bool Lists(const QString &filter, int position)
{
    return position >= filter.size() || filter.at(position) == u'0';
}

} // namespace

int SheetIcons::IconIndex(int attributes)
{
    const bool visible = attributes & SheetKey::Visible;
    const bool protectedSheet = attributes & SheetKey::Protected;
    if (attributes & SheetKey::MacroSheet)
        return 2;
    if (attributes & SheetKey::Chart) {
        if (visible)
            return protectedSheet ? 8 : 3;
        return protectedSheet ? 7 : 6;
    }
    if (visible)
        return protectedSheet ? 4 : 0;
    return protectedSheet ? 5 : 1;
}

bool SheetIcons::Listed(int attributes, const QString &filter)
{
    if (attributes & SheetKey::MacroSheet)
        return Lists(filter, 2);
    if ((attributes & SheetKey::Chart) && !Lists(filter, 1))
        return false;
    if (!(attributes & SheetKey::Visible) && !Lists(filter, 0))
        return false;
    if ((attributes & SheetKey::Protected) && !Lists(filter, 3))
        return false;
    return true;
}

QIcon SheetIcons::Icon(int index)
{
    static std::array<QIcon, Count> icons;
    if (index < 0 || index >= Count)
        index = 0;
    if (icons[index].isNull())
        icons[index] = QIcon(QStringLiteral(":/icons/picSheet_%1.svg").arg(index));
    return icons[index];
}
