// Automatic names of recording files and the numbered names of a split recording. No name
// chosen here ever belongs to an existing file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "recording/time_stamp.h"

namespace vq {

// "08-DEC-2026" -> "08DEC2026".
std::string DateNamePart(const PingTimeStamp& ts);

// Date-Number: ddmmmyyyy-nnnn.VQS in dir, n = the largest number of that day found plus 1.
// nullopt when 9999 is already taken (the name would be an existing recording).
std::optional<std::filesystem::path> DateNumberName(const std::filesystem::path& dir,
                                                    const PingTimeStamp& ts);
// Date-Time: ddmmmyyyy-hhmmss.VQS in dir; when a recording of that second exists, the first
// free ddmmmyyyy-hhmmss-k.VQS (k = 2..99); nullopt when none is free.
std::optional<std::filesystem::path> DateTimeName(const std::filesystem::path& dir,
                                                  const PingTimeStamp& ts);

// base + "-%03d.VQS" for the first n >= first whose file does not exist (n <= 999).
std::optional<std::pair<std::filesystem::path, int>> NextSplitName(const std::string& base,
                                                                   int first);

// Whether a file of this name exists, ignoring letter case of the name.
bool ExistsAnyCase(const std::filesystem::path& p);

// "MaximumFilesize" (units of 1,024,000 bytes) -> bytes.
inline std::uint64_t FileSizeLimitBytes(int maximum_filesize, std::uint64_t unit = 1024000) {
    return static_cast<std::uint64_t>(maximum_filesize > 0 ? maximum_filesize : 0) * unit;
}

}  // namespace vq
