// One output file (recording, copy, point, beam, XTF or CSV): created, written with whole
// records, its byte count kept.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace vq {

class OutputFile {
  public:
    enum class Create { Replace, Exclusive };  // Exclusive never replaces an existing file

    OutputFile() = default;
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool Open(const std::filesystem::path& path, Create mode);
    void Close();
    bool is_open() const { return fd_ >= 0; }
    // Writes all bytes (retrying partial writes); returns the number written and adds it to
    // the byte count. A write that stops part-way is cut back off, so files end on records.
    std::size_t Write(std::span<const std::uint8_t> bytes);
    const std::filesystem::path& path() const { return path_; }
    std::int64_t bytes_written() const { return bytes_; }
    // The error of the last write that stopped short (errno), 0 after a complete one.
    int last_error() const { return last_error_; }
    // The last write stopped because the file system has no room left (or the quota is used).
    bool out_of_space() const;

  private:
    int fd_ = -1;
    std::filesystem::path path_;
    std::int64_t bytes_ = 0;
    int last_error_ = 0;
};

}  // namespace vq
