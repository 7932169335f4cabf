#include "platform/ini_file.h"

#include <fstream>
#include <system_error>

#include "platform/atomic_file.h"

namespace vq {
namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// A UTF-8 byte-order mark at the very start of the file is not part of the first line's text.
std::string_view Content(std::string_view line, bool first) {
    if (first && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    return Trim(line);
}

// The name of a "[name]" line; false for any other line.
bool SectionName(std::string_view line, bool first, std::string_view& name) {
    std::string_view t = Content(line, first);
    if (t.size() < 2 || t.front() != '[') return false;
    std::size_t close = t.find(']');
    if (close == npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// Splits a "key=value" line; comments (';' or '#') and lines without '=' are not entries.
bool KeyValue(std::string_view line, bool first, std::string_view& key, std::string_view& value) {
    std::string_view t = Content(line, first);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[') return false;
    std::size_t eq = t.find('=');
    if (eq == npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
}

std::string Clip(std::string_view v) {
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return std::string(v.substr(0, IniFile::kMaxValueLength));
}

std::string OneLine(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

bool IniFile::Load(const std::filesystem::path& path, std::string* error) {
    Parse({});
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    // Read at most one byte more than a settings file may hold, whatever the file claims to
    // be (a device or a pipe under this name never ends).
    std::string text;
    char chunk[16 * 1024];
    while (in && text.size() <= kMaxFileBytes) {
        in.read(chunk, sizeof chunk);
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad() || (!in && !in.eof()) || std::filesystem::is_directory(path, ec)) {
        if (error) *error = "cannot read " + path.filename().string();
        return false;
    }
    if (text.size() > kMaxFileBytes) {
        if (error) *error = path.filename().string() + " is larger than 1 MB";
        return false;
    }
    Parse(text);
    return true;
}

void IniFile::Parse(std::string_view text) {
    lines_.clear();
    kinds_.clear();
    std::size_t first_nl = text.find('\n');
    crlf_ = first_nl == npos || (first_nl > 0 && text[first_nl - 1] == '\r');
    final_eol_ = text.empty() || text.back() == '\n';
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines_.emplace_back(line);
        kinds_.push_back(Classify(lines_.back(), lines_.size() == 1));
        text.remove_prefix(nl == npos ? text.size() : nl + 1);
    }
}

IniFile::LineKind IniFile::Classify(std::string_view line, bool first) {
    LineKind k;
    std::string_view name, value;
    if (SectionName(line, first, name)) {
        k.type = LineKind::kSection;
    } else if (KeyValue(line, first, name, value)) {
        k.type = LineKind::kEntry;
    } else {
        k.type = Trim(line).empty() ? LineKind::kBlank : LineKind::kOther;
        return k;
    }
    k.name_at = static_cast<std::size_t>(name.data() - line.data());
    k.name_len = name.size();
    return k;
}

std::string_view IniFile::NameOf(std::size_t i) const {
    return std::string_view(lines_[i]).substr(kinds_[i].name_at, kinds_[i].name_len);
}

void IniFile::Insert(std::size_t at, std::string line) {
    kinds_.insert(kinds_.begin() + static_cast<std::ptrdiff_t>(at), Classify(line, at == 0));
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

std::size_t IniFile::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (kinds_[i].type == LineKind::kSection && kinds_[i].name_len == section.size() &&
            SameName(NameOf(i), section))
            return i;
    return npos;
}

std::size_t IniFile::SectionEnd(std::size_t sec) const {
    std::size_t i = sec + 1;
    while (i < lines_.size() && kinds_[i].type != LineKind::kSection) ++i;
    return i;
}

std::size_t IniFile::FindKey(std::size_t sec, std::string_view key) const {
    for (std::size_t i = sec + 1; i < lines_.size() && kinds_[i].type != LineKind::kSection; ++i)
        if (kinds_[i].type == LineKind::kEntry && kinds_[i].name_len == key.size() &&
            SameName(NameOf(i), key))
            return i;
    return npos;
}

std::string IniFile::Get(std::string_view section, std::string_view key,
                         std::string_view def) const {
    std::size_t sec = FindSection(section);
    std::size_t at = sec == npos ? npos : FindKey(sec, key);
    if (at == npos) return Clip(Trim(def));
    std::string_view k, v;
    KeyValue(lines_[at], false, k, v);
    return Clip(v);
}

bool IniFile::Has(std::string_view section, std::string_view key) const {
    std::size_t sec = FindSection(section);
    return sec != npos && FindKey(sec, key) != npos;
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = OneLine(key) + "=" + OneLine(value);
    std::size_t sec = FindSection(section);
    if (sec == npos) {
        if (!lines_.empty() && kinds_.back().type != LineKind::kBlank) Insert(lines_.size(), {});
        Insert(lines_.size(), "[" + OneLine(section) + "]");
        Insert(lines_.size(), std::move(line));
        final_eol_ = true;
        return;
    }
    std::size_t at = FindKey(sec, key);
    if (at != npos) {
        kinds_[at] = Classify(line, at == 0);
        lines_[at] = std::move(line);
        return;
    }
    // After the last non-blank line of the section, so blank lines between sections stay.
    std::size_t pos = SectionEnd(sec);
    while (pos > sec + 1 && kinds_[pos - 1].type == LineKind::kBlank) --pos;
    if (pos == lines_.size()) final_eol_ = true;
    Insert(pos, std::move(line));
}

std::string IniFile::serialize() const {
    const char* eol = crlf_ ? "\r\n" : "\n";
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || final_eol_) out += eol;
    }
    return out;
}

bool IniFile::Save(const std::filesystem::path& path, std::string* error) const {
    return WriteFileAtomically(path, serialize(), error);
}

}  // namespace vq
