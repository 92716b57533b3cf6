#include "FindArrayIndex.h"

long FindArrayIndex(const QVariantList &array, const QVariant &value, long start)
{
    const long upper = static_cast<long>(array.size()) - 1;
    if (start < 0 || upper < start)
        return -1;
    const long middle = start + (upper - start) / 2;
    for (long step = 0; middle - step >= start || middle + step <= upper; ++step) {
        const long candidates[2] = {middle + step, middle - step};
        for (int i = 0; i < (step == 0 ? 1 : 2); ++i) {
            const long index = candidates[i];
            if (index >= start && index <= upper && array.at(index) == value)
                return index;
        }
    }
    return -1;
}
