#pragma once

/// Makes the C allocator give large freed blocks back to the system at once instead of keeping
/// them in the heap of the thread that freed them. Called first in main, before any thread starts.
void LimitHeapRetention();
