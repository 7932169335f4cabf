// Threads sharing the work of one ping: every chunk runs exactly once per round, the caller
// returns only when all are done, a caller alone still does everything, and the helpers stop
// cleanly.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/work_split.h"

namespace vq {
namespace {

TEST(WorkSplit, EveryChunkRunsOncePerRoundAndIsDoneOnReturn) {
    for (int threads : {1, 2, 3, 4}) {
        WorkSplit split(threads);
        ASSERT_EQ(split.threads(), threads);
        std::vector<int> cells(1000, 0);
        for (int round = 1; round <= 300; ++round) {
            const int chunks = 1 + round % 17;  // from one chunk to more than the threads
            auto job = [&](int chunk) {
                const int n = static_cast<int>(cells.size());
                for (int i = WorkSplit::ChunkBegin(n, chunk, chunks);
                     i < WorkSplit::ChunkBegin(n, chunk + 1, chunks); ++i)
                    cells[static_cast<std::size_t>(i)] += 1;
            };
            split.RunChunks(chunks, job);
            // Read without a lock: RunChunks returned, so every chunk has finished.
            for (int c : cells) ASSERT_EQ(c, round) << threads;
        }
    }
}

TEST(WorkSplit, HelpersShareTheChunksAndNoneRunsTwice) {
    WorkSplit split(3);
    std::vector<std::atomic<int>> runs(64);
    std::atomic<int> off_caller{0};
    const std::thread::id caller = std::this_thread::get_id();
    for (int round = 0; round < 200; ++round) {
        auto job = [&](int chunk) {
            runs[static_cast<std::size_t>(chunk)].fetch_add(1);
            if (std::this_thread::get_id() != caller) off_caller.fetch_add(1);
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        };
        split.RunChunks(64, job);
    }
    for (const auto& r : runs) EXPECT_EQ(r.load(), 200);
    EXPECT_GT(off_caller.load(), 0);  // the helpers did take chunks
}

// Start lets the helpers work while the caller does something else; Finish completes the
// round. With no helper, everything runs at Finish.
TEST(WorkSplit, StartedChunksAreAllDoneAfterFinish) {
    for (int threads : {1, 2}) {
        std::vector<int> cells(64, 0);
        struct Ctx {
            std::vector<int>* cells;
        } ctx{&cells};
        WorkSplit split(threads);  // after what its jobs use: it finishes them when it goes
        auto job = [](void* c, int chunk) {
            (*static_cast<Ctx*>(c)->cells)[static_cast<std::size_t>(chunk)] += 1;
        };
        for (int round = 1; round <= 100; ++round) {
            split.Start(64, job, &ctx);
            EXPECT_TRUE(split.open());
            int other = 0;  // the caller's own work meanwhile
            for (int i = 0; i < 1000; ++i) other += i;
            EXPECT_EQ(other, 499500);
            split.Finish();
            EXPECT_FALSE(split.open());
            for (int c : cells) ASSERT_EQ(c, round);
        }
        split.Finish();             // nothing open: nothing happens
        split.Start(8, job, &ctx);  // left open: the destructor finishes it
    }
}

TEST(WorkSplit, ChunksCoverEveryItemOnceForAnyCount) {
    for (int n : {0, 1, 7, 504, 600})
        for (int chunks : {1, 2, 3, 16}) {
            int covered = 0;
            for (int c = 0; c < chunks; ++c) {
                const int b = WorkSplit::ChunkBegin(n, c, chunks);
                const int e = WorkSplit::ChunkBegin(n, c + 1, chunks);
                EXPECT_LE(b, e);
                covered += e - b;
            }
            EXPECT_EQ(covered, n);
        }
}

}  // namespace
}  // namespace vq
