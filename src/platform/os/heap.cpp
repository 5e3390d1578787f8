#include "heap.h"

#include <malloc.h>

namespace os {

void tuneHeapForLargeResults()
{
    // Up to this much free memory may stay at the heap's top after a result is closed.
    constexpr int trimThreshold = 64 << 20;
    ::mallopt(M_TRIM_THRESHOLD, trimThreshold);
}

} // namespace os
