#pragma once

#include <QVariant>
#include <QVariantList>

// The index of an element equal to value, searching start .. the last index
// from the middle outwards (m, m + 1, m - 1, m + 2, ...); -1 when none matches
// or the range is empty. Text compares exactly, with case.
long FindArrayIndex(const QVariantList &array, const QVariant &value, long start = 0);
