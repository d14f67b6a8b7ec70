#pragma once

namespace penwick::platform {

// Hands the free memory of the process's heaps back to the system. After work on a long
// text, the allocator keeps what that work freed behind memory still in use (on the heap of
// the thread that did it), where it counts as the process's own until it is taken again;
// this lets it go. It takes tens of milliseconds after the parse of a 30 MB text, holding
// each heap's lock in turn: call it off the main thread, and after work on a long text only.
void releaseFreeMemory();

} // namespace penwick::platform
