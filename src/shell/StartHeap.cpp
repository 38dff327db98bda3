#include "shell/StartHeap.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KITBOX_OWN_ALLOCATOR 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KITBOX_OWN_ALLOCATOR 0
#endif
#endif
#ifndef KITBOX_OWN_ALLOCATOR
#define KITBOX_OWN_ALLOCATOR 1
#endif

namespace kitbox {

#if defined(__GLIBC__) && KITBOX_OWN_ALLOCATOR
namespace {

constexpr std::size_t largestFromHeap = std::size_t(4) << 20;

} // namespace
#endif

StartHeap::StartHeap(std::size_t bytes) : m_bytes(bytes)
{
#if defined(__GLIBC__) && KITBOX_OWN_ALLOCATOR
    if (bytes == 0 || bytes > largestFromHeap)
        return;
    // Blocks below this size come from the heap; freeing one leaves the pad
    // above the top of the heap in place.
    m_configured = mallopt(M_MMAP_THRESHOLD, int(largestFromHeap)) == 1 && mallopt(M_TOP_PAD, int(bytes)) == 1;
#endif
}

bool StartHeap::populate() const
{
#if defined(__GLIBC__) && KITBOX_OWN_ALLOCATOR
#ifndef MADV_POPULATE_WRITE
    constexpr int MADV_POPULATE_WRITE = 23; // Linux 5.14
#endif
    if (!m_configured)
        return false;
    void *block = std::malloc(m_bytes);
    if (block == nullptr)
        return false;
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = (std::uintptr_t(block) + page - 1) & ~(page - 1);
    const std::uintptr_t end = (std::uintptr_t(block) + m_bytes) & ~(page - 1);
    // Only the page tables change: the block's content stays as it is.
    const bool present =
        end > first && ::madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE) == 0;
    std::free(block);
    return present;
#else
    (void)m_bytes; // kept for the allocator this build goes without
    (void)m_configured;
    return false;
#endif
}

} // namespace kitbox
