#include "platform/FreeMemory.h"

#include <cstdlib> // defines __GLIBC__ along with the C library's headers
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace penwick::platform {

void releaseFreeMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace penwick::platform
