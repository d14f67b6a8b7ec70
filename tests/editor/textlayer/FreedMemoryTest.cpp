#include "platform/ApplicationStartup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <malloc.h>

namespace {

TEST(FreedMemory, ALargeFreedBlockStaysWithTheProcessAndServesTheNextOne)
{
    penwick::platform::keepLargeFreedMemory();
    // What a long paragraph's layout takes anew on each edit: a line of 2 MB, and one of 20 MB.
    for (const size_t size : { size_t(96) << 20, size_t(1100) << 20 }) {
        void* first = std::malloc(size);
        ASSERT_NE(first, nullptr);
        // Written as the layout writes it (only the smaller one: touching a gigabyte is slow).
        if (size < (size_t(256) << 20))
            std::memset(first, 1, size);
        std::free(first);
        const struct mallinfo2 afterFree = ::mallinfo2();
        // Kept in the heap, not handed back to the system (which would give fresh pages next time).
        EXPECT_GE(afterFree.fordblks, size) << size;
        void* second = std::malloc(size);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(::mallinfo2().arena, afterFree.arena) << size << ": the next block of that size reuses the kept memory";
        std::free(second);
    }
}

} // namespace
