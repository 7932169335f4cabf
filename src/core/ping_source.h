// Where pings come from: the sonar head over the link, or a recording being played back. Each
// source runs a thread of its own that hands the bytes of every complete ping to the per-ping
// pipeline; only one source runs at a time, and the engine switches between them.
#pragma once

namespace vq {

class PingSource {
  public:
    virtual ~PingSource() = default;
    // Starts the source's thread; false when it cannot be created.
    virtual bool Start() = 0;
    // Asks the thread to end and returns once it has.
    virtual void Stop() = 0;
    virtual bool running() const = 0;
};

}  // namespace vq
