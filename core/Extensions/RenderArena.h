#pragma once

#include <cmark-gfm.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace penwick::gfmblocks {

// Memory for cmark's renderer while it renders one node after another: what a render takes
// comes from a slab that the next render uses again (reset()), and the output buffer, which
// grows at the top of the slab, grows in place. Rendering a document block by block then costs
// no call of the system allocator per block and no copies as a block's HTML grows.
// The arena is its thread's while it lives (cmark's allocator carries no context); nothing it
// handed out may be used after reset().
class RenderArena {
public:
    RenderArena();
    ~RenderArena();
    RenderArena(const RenderArena&) = delete;
    RenderArena& operator=(const RenderArena&) = delete;

    cmark_mem* allocator();
    void reset();

private:
    static void* callocate(size_t count, size_t size);
    static void* reallocate(void* block, size_t size);
    static void release(void* block);
    void* allocate(size_t size);
    void* grow(void* block, size_t size);

    struct Slab {
        std::unique_ptr<std::byte[]> data;
        size_t size = 0;
    };
    std::vector<Slab> m_slabs;
    size_t m_used = 0; // in the last slab
    std::byte* m_last = nullptr; // the block handed out last, which may grow in place
    RenderArena* m_previous = nullptr;
    cmark_mem m_mem;
};

} // namespace penwick::gfmblocks
