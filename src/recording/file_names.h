// File-name rules of the recording formats: extension checks, lower-case display names,
// derived output names, and finding an existing file whose name differs only in letter case.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vq {

inline constexpr const char* kProgramTitle = "Vornax_Qi Multibeam Sonar";

std::string ToLowerAscii(std::string_view s);
// Whether the name's last three characters equal ext3 ignoring letter case.
bool HasExtensionCi(std::string_view name, std::string_view ext3);
// The last n characters of name replaced by replacement (all of it when shorter).
std::string ReplaceTail(std::string_view name, std::size_t n, std::string_view replacement);

// The path itself when it exists; otherwise an existing entry of the same directory whose
// name equals it ignoring letter case; otherwise the path unchanged.
std::filesystem::path ResolveCaseInsensitive(const std::filesystem::path& path);

// "12345" -> "12,345".
std::string GroupThousands(long long value);

}  // namespace vq
