#include "Extensions/RenderArena.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace penwick::gfmblocks {

namespace {

// Each block is preceded by its size; blocks keep malloc's alignment.
constexpr size_t kAlign = alignof(std::max_align_t);
constexpr size_t kHeader = kAlign;
constexpr size_t kFirstSlab = size_t(64) << 10;

size_t rounded(size_t size)
{
    return (size + kAlign - 1) / kAlign * kAlign;
}

thread_local RenderArena* t_current = nullptr;

size_t& sizeOf(void* block)
{
    return *reinterpret_cast<size_t*>(static_cast<std::byte*>(block) - kHeader);
}

} // namespace

RenderArena::RenderArena()
    : m_previous(t_current)
{
    m_mem.calloc = &RenderArena::callocate;
    m_mem.realloc = &RenderArena::reallocate;
    m_mem.free = &RenderArena::release;
    t_current = this;
}

RenderArena::~RenderArena()
{
    t_current = m_previous;
}

cmark_mem* RenderArena::allocator()
{
    return &m_mem;
}

void RenderArena::reset()
{
    // One slab as large as all of them, so that the next render of a block this size fits.
    if (m_slabs.size() > 1) {
        size_t total = 0;
        for (const Slab& slab : m_slabs)
            total += slab.size;
        m_slabs.clear();
        m_slabs.push_back({ std::make_unique_for_overwrite<std::byte[]>(total), total });
    }
    m_used = 0;
    m_last = nullptr;
}

void* RenderArena::allocate(size_t size)
{
    const size_t need = kHeader + rounded(std::max<size_t>(size, 1));
    if (m_slabs.empty() || m_slabs.back().size - m_used < need) {
        const size_t slabSize = std::max(need * 2, m_slabs.empty() ? kFirstSlab : m_slabs.back().size * 2);
        m_slabs.push_back({ std::make_unique_for_overwrite<std::byte[]>(slabSize), slabSize });
        m_used = 0;
    }
    std::byte* block = m_slabs.back().data.get() + m_used + kHeader;
    m_used += need;
    sizeOf(block) = size;
    m_last = block;
    return block;
}

void* RenderArena::grow(void* block, size_t size)
{
    if (!block)
        return allocate(size);
    if (block == m_last) {
        Slab& slab = m_slabs.back();
        const size_t at = size_t(static_cast<std::byte*>(block) - slab.data.get());
        if (at + rounded(std::max<size_t>(size, 1)) <= slab.size) {
            m_used = at + rounded(std::max<size_t>(size, 1));
            sizeOf(block) = size;
            return block;
        }
    }
    void* moved = allocate(size);
    std::memcpy(moved, block, std::min(sizeOf(block), size));
    return moved;
}

void* RenderArena::callocate(size_t count, size_t size)
{
    if (size && count > size_t(-1) / 2 / size)
        return nullptr;
    void* block = t_current->allocate(count * size);
    std::memset(block, 0, count * size);
    return block;
}

void* RenderArena::reallocate(void* block, size_t size)
{
    return t_current->grow(block, size);
}

void RenderArena::release(void*)
{
    // Everything goes at reset().
}

} // namespace penwick::gfmblocks
