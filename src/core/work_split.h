// Threads that share the work of one ping. RunChunks(n, fn) calls fn(chunk) once for every
// chunk 0 .. n-1: the calling thread and the helper threads (started once) take chunks in turn
// until none is left, so a helper that the system keeps waiting only does less, it never
// holds the caller up by more than the chunk it is on. Start and Finish split that in two:
// the helpers begin at Start while the caller goes on with other work, and Finish takes the
// chunks left and waits for those in progress. A job writes only what its chunk owns (some of
// the beams, say), so the result does not depend on who ran which chunk. Nothing is allocated
// per call; the lock and the condition variables live here and are never held while a chunk
// runs. One thread (the owner) calls RunChunks, Start and Finish.
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

    using Job = void (*)(void* context, int chunk);

    template <typename Fn>
    void RunChunks(int chunks, Fn& fn) {
        Start(
            chunks, [](void* f, int chunk) { (*static_cast<Fn*>(f))(chunk); }, &fn);
        Finish();
    }
    // `context` must stay valid until Finish returns. A round still open is finished first.
    void Start(int chunks, Job job, void* context);
    // Runs the chunks nobody has taken and waits for the rest; nothing when no round is open.
    void Finish();
    bool open() const { return open_; }

    // First item of chunk `chunk` when n items are cut into `chunks` nearly equal chunks.
    static int ChunkBegin(int n, int chunk, int chunks) {
        return static_cast<int>(static_cast<std::int64_t>(n) * chunk / chunks);
    }

  private:
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
    bool open_ = false;  // owner only: a round was started and not finished
    Job owner_job_ = nullptr;
    void* owner_context_ = nullptr;
    int owner_chunks_ = 0;
    std::vector<std::thread> helpers_;
};

}  // namespace vq
