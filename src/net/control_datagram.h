// Building control datagrams by field name, for vq-remote and tests: every datagram carries
// the complete state, so fields not named take a default.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "net/control.h"

namespace vq {

struct ControlFieldInfo {
    const char* name;
    const char* help;  // one line: meaning and accepted values
};
// Every field name in datagram order.
std::span<const ControlFieldInfo> ControlFields();

class ControlDatagram {
  public:
    // keep_unnamed: fields not named carry a value the program ignores, so only the named
    // fields change (the default). Otherwise they carry the program's built-in settings.
    explicit ControlDatagram(bool keep_unnamed = true);
    // Sets one field from text ("gain=12" is set("gain", "12")). False with a reason for an
    // unknown name or a value that is not accepted.
    bool Set(std::string_view name, std::string_view value, std::string* error);
    // "name=value".
    bool SetAssignment(std::string_view assignment, std::string* error);
    std::span<const std::uint8_t> bytes() const { return b_; }

  private:
    void PutU8(std::size_t at, int v) { b_[at] = static_cast<std::uint8_t>(v); }
    void PutU16(std::size_t at, int v);
    void PutF32(std::size_t at, float v);
    std::array<std::uint8_t, ctl::kSize> b_{};
};

}  // namespace vq
