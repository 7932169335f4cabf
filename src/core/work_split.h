// Threads that share the work of one ping. RunChunks(n, fn) calls fn(chunk) once for every
// chunk 0 .. n-1: the calling thread and the helper threads (started once) take chunks in turn
// until none is left, so a helper that the system keeps waiting only does less, it never
// holds the caller up by more than the chunk it is on. A job writes only what its chunk owns
// (some of the beams, say), so the result does not depend on who ran which chunk. Nothing is
// allocated per call; the lock and the condition variables live here and are never held while
// a chunk runs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace vq {

class WorkSplit {
  public:
    // `threads` at least 1, the calling thread included; 1 runs everything on the caller.
    explicit WorkSplit(int threads);
    ~WorkSplit();
    WorkSplit(const WorkSplit&) = delete;
    WorkSplit& operator=(const WorkSplit&) = delete;

    int threads() const { return static_cast<int>(helpers_.size()) + 1; }

    template <typename Fn>
    void RunChunks(int chunks, Fn& fn) {
        Dispatch(
            chunks, [](void* f, int chunk) { (*static_cast<Fn*>(f))(chunk); }, &fn);
    }

    // First item of chunk `chunk` when n items are cut into `chunks` nearly equal chunks.
    static int ChunkBegin(int n, int chunk, int chunks) {
        return static_cast<int>(static_cast<std::int64_t>(n) * chunk / chunks);
    }

  private:
    using Job = void (*)(void*, int);
    void Dispatch(int chunks, Job job, void* context);
    void TakeChunks(Job job, void* context, int chunks);
    void HelperLoop();

    std::mutex mutex_;
    std::condition_variable start_, done_;
    Job job_ = nullptr;
    void* context_ = nullptr;
    int chunks_ = 0;
    std::atomic<int> next_{0};  // the next chunk nobody has taken
    std::uint64_t round_ = 0;   // advanced for every RunChunks
    int busy_ = 0;              // helpers inside the current round
    bool stop_ = false;
    std::vector<std::thread> helpers_;
};

}  // namespace vq
