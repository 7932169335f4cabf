// A profile ("INI") file held in memory: "[Section]" headers and "Key=Value" lines. Section and
// key names are compared without regard to letter case. Writing a key replaces its line or adds
// one, and every other line of the file (unknown keys, comments, blank lines) is kept as it was.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

class IniFile {
  public:
    // Values are read as at most this many characters.
    static constexpr std::size_t kMaxValueLength = 80;
    // A file larger than this is not read (a settings file holds a few kilobytes).
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

    // Reads the file. A missing file gives false and an empty profile. A file that exists but
    // cannot be read, or is larger than kMaxFileBytes, also gives false; then error (when
    // given) receives the reason.
    bool Load(const std::filesystem::path& path, std::string* error = nullptr);
    // Takes the profile from text in memory ("\r\n" or "\n" line ends).
    void Parse(std::string_view text);

    // The value of key in section, whitespace around it removed, or def when either is missing.
    std::string Get(std::string_view section, std::string_view key, std::string_view def) const;
    bool Has(std::string_view section, std::string_view key) const;
    // Replaces the key's value in its section; a new key goes after the last entry of its
    // section, a new section at the end of the file. Line breaks in value become blanks.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // The whole file, with the line ends it was read with ("\r\n" for a new one).
    std::string serialize() const;
    // Writes serialize() to path atomically (see atomic_file.h).
    bool Save(const std::filesystem::path& path, std::string* error) const;

    bool empty() const { return lines_.empty(); }

  private:
    // What a line is, worked out once when it is read or written, so that finding a key
    // costs a comparison per line instead of parsing every line again.
    struct LineKind {
        enum Type : unsigned char { kOther, kBlank, kSection, kEntry };
        Type type = kOther;
        std::size_t name_at = 0;  // the section's or the key's name within the line
        std::size_t name_len = 0;
    };
    static LineKind Classify(std::string_view line, bool first);
    std::string_view NameOf(std::size_t i) const;
    void Insert(std::size_t at, std::string line);

    // Index of the first "[section]" line, or npos.
    std::size_t FindSection(std::string_view section) const;
    // Index of the key's line within the section starting at line sec, or npos.
    std::size_t FindKey(std::size_t sec, std::string_view key) const;
    // One past the last line of the section starting at line sec.
    std::size_t SectionEnd(std::size_t sec) const;

    std::vector<std::string> lines_;  // without their line ends
    std::vector<LineKind> kinds_;     // one per line
    bool crlf_ = true;                // line end style of the file
    bool final_eol_ = true;           // the last line ends with a line end
};

}  // namespace vq
