// The texts of "About Vornax_Qi".
#pragma once

#include <string>
#include <string_view>

namespace vq {

inline constexpr const char* kAboutCaption = "About Vornax_Qi";
inline constexpr const char* kAboutProductLine = "Vornax_Qi Multibeam Sonar For Linux";
inline constexpr const char* kAboutControlLine = " -- UDP Control --";

// "Version 0.1.0".
inline std::string AboutVersionLine(std::string_view version) {
    return "Version " + std::string(version);
}

}  // namespace vq
