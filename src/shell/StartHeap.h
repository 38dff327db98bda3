#pragma once
// The memory the start of the program allocates, made present in one go.
//
// The start allocates about a megabyte in many small pieces (widgets, fonts,
// texts). Each fresh page of the heap is a page fault on its first touch, and
// on virtual machines a fault costs several microseconds; asking the kernel
// for all those pages at once costs a fraction of that.
#include <cstddef>

namespace kitbox {

class StartHeap {
public:
    // Keeps the heap from being trimmed below bytes once it has grown to
    // them, and serves blocks of up to a few megabytes from the heap rather
    // than from mappings of their own, so that freed memory is used again
    // instead of being faulted in anew. Changes how memory is handed out, so
    // it is made before the program starts any thread.
    explicit StartHeap(std::size_t bytes);

    // Grows the calling thread's heap by the size given and has the kernel
    // make those pages present. Other threads may run meanwhile. False when the platform
    // cannot do this (another allocator, a sanitizer, a kernel without
    // MADV_POPULATE_WRITE); the program then simply goes on.
    bool populate() const;

private:
    std::size_t m_bytes = 0;
    bool m_configured = false;
};

} // namespace kitbox
