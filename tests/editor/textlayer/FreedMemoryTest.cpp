#include "platform/ApplicationStartup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include <malloc.h>

namespace {

// A long paragraph's layout takes about this much anew on each edit.
constexpr size_t kLayoutSized = 96 * 1024 * 1024;

TEST(FreedMemory, ALargeFreedBlockStaysWithTheProcessAndServesTheNextOne)
{
    penwick::platform::keepLargeFreedMemory();
    void* first = std::malloc(kLayoutSized);
    ASSERT_NE(first, nullptr);
    std::memset(first, 1, kLayoutSized);
    std::free(first);
    const struct mallinfo2 afterFree = ::mallinfo2();
    // Kept in the heap, not handed back to the system (which would give fresh pages next time).
    EXPECT_GE(afterFree.fordblks, kLayoutSized);
    void* second = std::malloc(kLayoutSized);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(::mallinfo2().arena, afterFree.arena) << "the next block of that size reuses the kept memory";
    std::free(second);
}

} // namespace
