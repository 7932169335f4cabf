#include "core/dialogs/ip_address_dialog.h"

#include "core/settings.h"

namespace vq {

bool IsDottedDecimalAddress(std::string_view text) {
    int parts = 0;
    while (true) {
        std::size_t digits = 0;
        int value = 0;
        while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
            value = value * 10 + (text[digits] - '0');
            if (++digits > 3) return false;
        }
        if (digits == 0 || value > 255) return false;
        ++parts;
        text.remove_prefix(digits);
        if (text.empty()) return parts == 4;
        if (text.front() != '.' || parts == 4) return false;
        text.remove_prefix(1);
    }
}

IpAddressModel::IpAddressModel(std::string live_sonar, std::string live_output)
    : live_sonar_(std::move(live_sonar)),
      live_output_(std::move(live_output)),
      sonar_(live_sonar_),
      output_(live_output_) {}

void IpAddressModel::set_sonar_text(std::string_view text) {
    sonar_ = std::string(text.substr(0, kMaxAddressLength));
}

void IpAddressModel::set_output_text(std::string_view text) {
    output_ = std::string(text.substr(0, kMaxAddressLength));
}

void IpAddressModel::Default() {
    sonar_ = kDefaultSonarAddress;
    output_ = kDefaultOutputAddress;
}

OkAnswer IpAddressModel::Ok() {
    if (output_.empty()) output_ = kDefaultOutputAddress;
    if (!IsDottedDecimalAddress(sonar_)) return DialogMessage{kBadSonarAddress, kIpAddressCaption};
    if (!IsDottedDecimalAddress(output_))
        return DialogMessage{kBadOutputAddress, kIpAddressCaption};
    return std::nullopt;
}

}  // namespace vq
