#include "shell/StartHeap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/resource.h>

namespace {

long minorFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// The start's many small blocks, written once: what the prepared heap is for.
long faultsForSmallBlocks(std::size_t total, std::vector<void *> &blocks)
{
    constexpr std::size_t blockSize = 1000;
    blocks.reserve(total / blockSize);
    const long before = minorFaults();
    for (std::size_t done = 0; done < total; done += blockSize) {
        void *block = std::malloc(blockSize);
        std::memset(block, 0x5a, blockSize);
        blocks.push_back(block);
    }
    return minorFaults() - before;
}

} // namespace

TEST(StartHeap, SmallBlocksOfThePreparedSizeNeedNoPageFaults)
{
    const kitbox::StartHeap heap(std::size_t(1) << 20);
    if (!heap.populate())
        GTEST_SKIP() << "this build or kernel cannot prepare the heap";
    // 600 KiB written into fresh pages would be about 150 faults. Freed again, the memory stays with the
    // heap for the next round.
    for (int round = 0; round < 2; ++round) {
        std::vector<void *> blocks;
        EXPECT_LT(faultsForSmallBlocks(std::size_t(600) << 10, blocks), 15) << "round " << round;
        for (void *block : blocks)
            std::free(block);
    }
}

TEST(StartHeap, SizesItCannotServeAreRefused)
{
    EXPECT_FALSE(kitbox::StartHeap(0).populate());
    EXPECT_FALSE(kitbox::StartHeap(std::size_t(64) << 20).populate());
}
