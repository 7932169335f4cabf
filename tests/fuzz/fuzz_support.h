// What every fuzz target shares: a reader of the fuzzer's bytes one field at a time, and the
// seed corpus. A target started with --write-seeds=DIR writes its seeds (made by the
// program's own writers) into DIR and ends; libFuzzer leaves flags starting with "--" alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vq::fuzz {

// The fuzzer's input read front to back; past the end every field reads 0.
class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : d_(data), n_(size) {}
    std::uint8_t Byte() { return at_ < n_ ? d_[at_++] : 0; }
    std::uint16_t U16() {
        const std::uint16_t hi = Byte();
        return static_cast<std::uint16_t>(hi << 8 | Byte());
    }
    // At most n bytes.
    std::span<const std::uint8_t> Take(std::size_t n) {
        const std::size_t k = n < n_ - at_ ? n : n_ - at_;
        std::span<const std::uint8_t> s(d_ + at_, k);
        at_ += k;
        return s;
    }
    std::span<const std::uint8_t> Rest() { return Take(n_ - at_); }
    bool empty() const { return at_ >= n_; }
    std::size_t left() const { return n_ - at_; }

  private:
    const std::uint8_t* d_;
    std::size_t n_;
    std::size_t at_ = 0;
};

inline void WriteSeed(const std::filesystem::path& dir, const std::string& name,
                      std::span<const std::uint8_t> bytes) {
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write seed %s\n", (dir / name).c_str());
        std::exit(1);
    }
}
inline void WriteSeed(const std::filesystem::path& dir, const std::string& name,
                      std::string_view text) {
    WriteSeed(dir, name,
              std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                            text.size()));
}

// From LLVMFuzzerInitialize: with --write-seeds=DIR, writes the seeds and ends the process.
template <class Writer>
void MaybeWriteSeeds(int* argc, char*** argv, Writer write_seeds) {
    constexpr std::string_view kFlag = "--write-seeds=";
    for (int i = 1; i < *argc; ++i) {
        const std::string_view a = (*argv)[i];
        if (!a.starts_with(kFlag)) continue;
        const std::filesystem::path dir(a.substr(kFlag.size()));
        std::filesystem::create_directories(dir);
        write_seeds(dir);
        std::exit(0);
    }
}

}  // namespace vq::fuzz
