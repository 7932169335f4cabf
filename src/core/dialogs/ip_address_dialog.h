// "IP Address": the address of the sonar head and the destination of the UDP output, typed as
// dotted decimal text.
#pragma once

#include <string>
#include <string_view>

#include "core/dialogs/dialog_common.h"

namespace vq {

inline constexpr const char* kIpAddressCaption = "IP Address";
inline constexpr int kMaxAddressLength = 15;
inline constexpr const char* kBadSonarAddress =
    "Sonar IP Address is not valid!\nUse four numbers 0 to 255 separated by dots.";
inline constexpr const char* kBadOutputAddress =
    "Output IP Address is not valid!\nUse four numbers 0 to 255 separated by dots.";

// Four decimal numbers 0..255 separated by dots, nothing else ("127.0.0.1").
bool IsDottedDecimalAddress(std::string_view text);

class IpAddressModel {
  public:
    IpAddressModel(std::string live_sonar, std::string live_output);

    const std::string& sonar_text() const { return sonar_; }
    const std::string& output_text() const { return output_; }
    // Text typed into a box; at most 15 characters are kept.
    void set_sonar_text(std::string_view text);
    void set_output_text(std::string_view text);
    // "Default": the built-in addresses of the settings.
    void Default();
    // An address that is not dotted decimal is refused (the head could never be reached, and
    // the output would go nowhere); an empty output address means the built-in one.
    OkAnswer Ok();
    bool sonar_changed() const { return sonar_ != live_sonar_; }
    bool output_changed() const { return output_ != live_output_; }

  private:
    std::string live_sonar_, live_output_;
    std::string sonar_, output_;
};

}  // namespace vq
