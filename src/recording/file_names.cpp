#include "recording/file_names.h"

#include <algorithm>
#include <system_error>

namespace vq {

std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool HasExtensionCi(std::string_view name, std::string_view ext3) {
    if (name.size() < ext3.size()) return false;
    return ToLowerAscii(name.substr(name.size() - ext3.size())) == ToLowerAscii(ext3);
}

std::string ReplaceTail(std::string_view name, std::size_t n, std::string_view replacement) {
    std::string out(name.substr(0, name.size() > n ? name.size() - n : 0));
    out += replacement;
    return out;
}

std::filesystem::path ResolveCaseInsensitive(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return path;
    std::filesystem::path dir = path.parent_path();
    std::string wanted = ToLowerAscii(path.filename().string());
    std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end;
    std::filesystem::path found;
    for (; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (ToLowerAscii(name) != wanted) continue;
        // Several candidates: take the smallest name so the choice does not depend on the
        // order of the directory listing.
        if (found.empty() || name < found.filename().string()) found = dir / name;
    }
    return found.empty() ? path : found;
}

std::string GroupThousands(long long value) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    std::string out;
    int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += ',';
        out += digits[static_cast<std::size_t>(i)];
    }
    return value < 0 ? "-" + out : out;
}

}  // namespace vq
