#include "util/HeapRetention.h"

#include <malloc.h>

namespace {

// glibc's own starting value for both thresholds.
constexpr int kLargeBlockBytes = 128 * 1024;

} // namespace

void LimitHeapRetention() {
    // By default glibc raises its mapping threshold to the size of each large block freed (up to
    // 32 MB) and its trim threshold to twice that. From then on blocks of a few megabytes, such as
    // a synthesiser's, are carved from the heap of whichever of mpv's short-lived threads asked,
    // and once freed stay resident there: a long session climbs heap by heap. Fixed thresholds
    // keep large blocks mapped on their own, returned as soon as they are freed.
    mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
    mallopt(M_TRIM_THRESHOLD, kLargeBlockBytes);
}
