// Loading and saving the settings store through the settings file "Vornax_Qi.INI": every key of
// sections "Settings" and "Filter Settings" with its default, accepted range and fallback.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/operator.h"
#include "core/settings_store.h"
#include "platform/atomic_file.h"
#include "platform/ini_file.h"

namespace vq {

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kFilterSettingsSection = "Filter Settings";
inline constexpr const char* kSaveSettingsTitle = "SaveSettings";
inline constexpr const char* kSaveSettingsFailed = "Settings could not be saved to Vornax_Qi.INI";

// Decimal integer as the settings file reads it: leading blanks, a sign, digits up to the first
// other character; text that is not a number reads as 0; too large a number saturates.
int ReadIntText(std::string_view text);
// Floating-point text in the C locale ("1500.0", "-2.5e1"); text that is not a number reads as 0,
// a number too large for a double as +/-infinity (which then fails every range check).
double ReadFloatText(std::string_view text);
// printf's "%<width>.<precision>f" (with zero_pad: "%0<width>.<precision>f"), always with '.'
// as the decimal point whatever the process locale.
std::string FormatFixed(double value, int precision, int width = 0, bool zero_pad = false);

// Reads every key in file order over the values already in st (the built-in defaults),
// validating each and applying the fallbacks and the special cases of reading.
void LoadSettings(const IniFile& ini, SettingsState& st);
// Writes every key of both sections in file order, plus AutoPulseLength.
void SaveSettings(IniFile& ini, const SettingsState& st);

// dir / "Vornax_Qi.INI".
std::filesystem::path SettingsFilePath(const std::filesystem::path& dir);
// Loads the settings file of dir over st. False when there is no file (or it cannot be read);
// st then holds the defaults.
bool LoadSettingsFile(const std::filesystem::path& dir, SettingsState& st);
// Saves st into the settings file of dir, keeping the file's other lines, atomically. A failure
// is shown to the operator (title "SaveSettings") and gives false; the old file stays intact.
bool SaveSettingsFile(const std::filesystem::path& dir, const SettingsState& st, Operator& op,
                      const AtomicWriteOptions& options = {});

}  // namespace vq
