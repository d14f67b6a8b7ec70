#pragma once

#include <QtGlobal>

#include <algorithm>

namespace penwick::platform {

// How two texts agree: the length of their common start, and of their common end within what
// follows that start (so the two never overlap).
struct SharedEnds {
    qsizetype start = 0;
    qsizetype end = 0;
};

template <typename Char>
SharedEnds sharedEnds(const Char* a, qsizetype aSize, const Char* b, qsizetype bSize)
{
    const qsizetype shorter = std::min(aSize, bSize);
    SharedEnds same;
    while (same.start < shorter && a[same.start] == b[same.start])
        ++same.start;
    while (same.end < shorter - same.start && a[aSize - 1 - same.end] == b[bSize - 1 - same.end])
        ++same.end;
    return same;
}

} // namespace penwick::platform
