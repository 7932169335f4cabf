// A pseudo-terminal standing in for a serial port: the program opens the slave by its name,
// the test writes what the instrument would send to the master.
#pragma once

#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

namespace vq::test {

class PtyPair {
  public:
    PtyPair() {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        slave_name_ = name;
    }
    ~PtyPair() {
        ::close(master_);
        ::close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slave_name() const { return slave_name_; }
    int slave_fd() const { return slave_; }

    void Write(std::string_view bytes) const {
        while (!bytes.empty()) {
            ssize_t n = ::write(master_, bytes.data(), bytes.size());
            if (n <= 0) throw std::runtime_error("pty write failed");
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    // Writes in pieces of the given sizes (cycled), pausing between them so that the reader sees
    // the bytes in separate reads, as from a slow line.
    void WriteSplit(std::string_view bytes, std::initializer_list<std::size_t> sizes) const {
        std::size_t k = 0;
        while (!bytes.empty()) {
            std::size_t n = std::min(bytes.size(), *(sizes.begin() + (k++ % sizes.size())));
            Write(bytes.substr(0, n));
            bytes.remove_prefix(n);
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slave_name_;
};

// Waits (up to a generous limit, so a slow sanitizer build never fails) for a condition that
// another thread makes true.
template <typename Pred>
bool Eventually(Pred pred) {
    for (int i = 0; i < 2000; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return pred();
}

}  // namespace vq::test
