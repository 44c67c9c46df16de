#include "platform/ProcessMemory.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kestrel::platform {

void keepFreedMemory() {
#if defined(__GLIBC__)
    ::mallopt(M_TRIM_THRESHOLD, 64 << 20);
    ::mallopt(M_TOP_PAD, 16 << 20);
#endif
}

} // namespace kestrel::platform
