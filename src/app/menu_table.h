// The main window's menu as data: identifiers and texts of every command, grouped into the
// pop-up menus of the menu bar. The GUI builds its menus from this table; the operating state
// keeps an enabled/checked/text entry per identifier that the GUI mirrors.
#pragma once

#include <array>
#include <span>
#include <string>

namespace vq {

struct MenuEntry {
    int id;            // command identifier; 0 = separator; -1 = start of a sub-menu; -2 = its end
    const char* text;  // menu text with its "&" mnemonic
};

struct MenuPopup {
    const char* title;
    std::span<const MenuEntry> entries;
};

// The pop-up menus of the menu bar, in order.
std::span<const MenuPopup> MainMenu();

// Identifiers used by the operating state and the commands.
namespace menu {
inline constexpr int kHead = 1, kFile = 2, kPlaybackFile = 10, kConvertQ4P = 11, kConvertQ4B = 12,
                     kConvertXTF = 13, kRealtimePlayback = 14, kRecord = 15, kCopy = 16, kExit = 18,
                     kMaxFilesize = 20, kColorFirst = 80, kColorLast = 88, kAbout = 100,
                     kComPorts = 106, kVideoWindow = 170, kRecordVideo = 173, kVideoFormat = 174,
                     kVideoRate = 175, kXdcrUp = 200, kXdcrDown = 201, kIPAddress = 205,
                     kGrid = 206, kSaveScreen = 207, kAutoFilenames = 208, kMeters = 210,
                     kFeet = 211, kYards = 212, kDateNumber = 220, kDateTime = 221, kSwitches = 310,
                     kModeSector = 400, kModeLinear = 401, kModePerspective = 402,
                     kModeProfile = 403, kModeBeamTest = 404, kAvgOff = 510, kAvg3 = 512,
                     kAvg5 = 514, kAvg7 = 516, kAvg9 = 518, kAvg15 = 524, kAvg25 = 534,
                     kRemoveBackground = 560, kPersistence = 565, kCircular = 570,
                     kRectangular = 571, kTiltAngle = 580, kAltitude = 590, kDiagnostics = 600,
                     kSwathCoverage = 618, kClearTrack = 619, kTrackPlotter = 620, kSidescan = 621,
                     kEchoSounder = 622, kIntensity = 623, kSonarInfo = 635, kSonarStatus = 636,
                     kGainEqualization = 659, kSignalLevel = 690, kProcessed0 = 750,
                     kProcessed1 = 751, kProcessed3 = 753, kBeams480 = 760, kBeams120 = 762,
                     kSector30 = 770, kSector110 = 775, kSoundVelocity = 820, kDeviceOffsets = 830,
                     kProfileSetup = 870, kDataOutput = 970, kPulseFirst = 1790, kPulseLast = 1801;
// Our own item of the "&Profile Setup" menu: the profile waterfall on and off.
inline constexpr int kProfileWaterfall = 592;
inline constexpr int kMaxId = 1802;
}  // namespace menu

// Enabled, checked and text state of every identifier.
struct MenuItemState {
    bool enabled = true;
    bool checked = false;
    std::string text;  // empty = the table's text
};

class MenuState {
  public:
    MenuItemState& operator[](int id) { return items_.at(static_cast<std::size_t>(id)); }
    const MenuItemState& operator[](int id) const {
        return items_.at(static_cast<std::size_t>(id));
    }
    void Enable(int id, bool on) { (*this)[id].enabled = on; }
    void Check(int id, bool on) { (*this)[id].checked = on; }
    // Checks one of the ids first..last (stepping by step) and unchecks the others.
    void CheckOne(int first, int last, int chosen, int step = 1);

  private:
    std::array<MenuItemState, menu::kMaxId> items_{};
};

}  // namespace vq
