#include "core/work_split.h"

namespace vq {

WorkSplit::WorkSplit(int threads) {
    for (int t = 1; t < threads; ++t) helpers_.emplace_back([this] { HelperLoop(); });
}

WorkSplit::~WorkSplit() {
    Finish();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    start_.notify_all();
    for (std::thread& t : helpers_) t.join();
}

void WorkSplit::TakeChunks(Job job, void* context, int chunks) {
    for (int c = next_.fetch_add(1); c < chunks; c = next_.fetch_add(1)) job(context, c);
}

void WorkSplit::Start(int chunks, Job job, void* context) {
    Finish();
    owner_job_ = job;
    owner_context_ = context;
    owner_chunks_ = chunks;
    open_ = true;
    if (helpers_.empty() || chunks <= 1) return;  // Finish runs them all
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = job;
        context_ = context;
        chunks_ = chunks;
        next_.store(0);
        ++round_;
    }
    start_.notify_all();
}

void WorkSplit::Finish() {
    if (!open_) return;
    open_ = false;
    if (helpers_.empty() || owner_chunks_ <= 1) {
        for (int c = 0; c < owner_chunks_; ++c) owner_job_(owner_context_, c);
        return;
    }
    TakeChunks(owner_job_, owner_context_, owner_chunks_);
    // Every chunk is taken; wait for the helpers still on one (or just woken for this round).
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return busy_ == 0; });
    job_ = nullptr;  // a helper that wakes up late finds nothing to do
}

void WorkSplit::HelperLoop() {
    std::uint64_t seen = 0;
    for (;;) {
        Job job = nullptr;
        void* context = nullptr;
        int chunks = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [&] { return stop_ || round_ != seen; });
            if (stop_) return;
            seen = round_;
            if (job_ == nullptr) continue;  // that round is over already
            job = job_;
            context = context_;
            chunks = chunks_;
            ++busy_;
        }
        TakeChunks(job, context, chunks);
        bool last = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            last = --busy_ == 0;
        }
        if (last) done_.notify_one();
    }
}

}  // namespace vq
