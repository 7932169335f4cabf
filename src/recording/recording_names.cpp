#include "recording/recording_names.h"

#include <cstdio>
#include <system_error>

#include "recording/file_names.h"

namespace vq {

std::string DateNamePart(const PingTimeStamp& ts) {
    std::string_view d = ts.DateText();  // DD-MMM-YYYY
    if (d.size() < 11) return "01JAN2000";
    return std::string(d.substr(0, 2)) + std::string(d.substr(3, 3)) + std::string(d.substr(7, 4));
}

bool ExistsAnyCase(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::exists(ResolveCaseInsensitive(p), ec);
}

std::optional<std::filesystem::path> DateNumberName(const std::filesystem::path& dir,
                                                    const PingTimeStamp& ts) {
    std::string prefix = ToLowerAscii(DateNamePart(ts) + "-");
    int largest = 0;
    std::error_code ec;
    std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::string name = ToLowerAscii(it->path().filename().string());
        // ddmmmyyyy-????.vqs: the four characters after "-" read as a decimal number.
        if (name.size() != prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(prefix.size() + 4, 4, ".vqs") != 0)
            continue;
        int n = 0;
        for (std::size_t i = prefix.size(); i < prefix.size() + 4; ++i) {
            if (name[i] < '0' || name[i] > '9') break;
            n = n * 10 + (name[i] - '0');
        }
        if (n > largest) largest = n;
    }
    if (largest >= 9999) return std::nullopt;
    char num[8];
    std::snprintf(num, sizeof num, "%04d", largest + 1);
    std::filesystem::path p = dir / (DateNamePart(ts) + "-" + num + ".VQS");
    if (ExistsAnyCase(p)) return std::nullopt;
    return p;
}

std::optional<std::filesystem::path> DateTimeName(const std::filesystem::path& dir,
                                                  const PingTimeStamp& ts) {
    std::string_view t = ts.time_text();  // HH:MM:SS
    std::string hms = t.size() >= 8 ? std::string(t.substr(0, 2)) + std::string(t.substr(3, 2)) +
                                          std::string(t.substr(6, 2))
                                    : "000000";
    std::string stem = DateNamePart(ts) + "-" + hms;
    std::filesystem::path p = dir / (stem + ".VQS");
    for (int k = 2; ExistsAnyCase(p); ++k) {
        if (k > 99) return std::nullopt;
        p = dir / (stem + "-" + std::to_string(k) + ".VQS");
    }
    return p;
}

std::optional<std::pair<std::filesystem::path, int>> NextSplitName(const std::string& base,
                                                                   int first) {
    for (int n = first < 1 ? 1 : first; n <= 999; ++n) {
        char num[8];
        std::snprintf(num, sizeof num, "-%03d", n);
        std::filesystem::path p = base + num + ".VQS";
        if (!ExistsAnyCase(p)) return std::make_pair(p, n);
    }
    return std::nullopt;
}

}  // namespace vq
