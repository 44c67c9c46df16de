#pragma once
// How the programs keep the memory they free. A chart's values over a long history are a few MB that
// are freed and asked for again at every issue change or scan step; handing them back to the system
// each time makes every later computation pay for new zeroed pages. Kept by the process instead, up to
// a bound, they are reused as they are.

namespace kestrel::platform {

// Freed memory stays with the process up to 64 MB at the top of the heap (the C library's default hands
// back everything past 128 KB). Call once at start, before any thread starts. A no-op where the C
// library has no such setting.
void keepFreedMemory();

} // namespace kestrel::platform
