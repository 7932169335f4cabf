#include "app/menu_table.h"

namespace vq {
namespace {

constexpr MenuEntry kFileMenu[] = {
    {-1, "&Data From..."},
    {1, "&Head"},
    {2, "&File"},
    {-2, ""},
    {0, ""},
    {10, "&Playback File..."},
    {14, "&Use Realtime Playback Speed"},
    {0, ""},
    {11, "Convert .VQS Sonar File(s) To .Q4&P Format..."},
    {12, "Convert .VQS Sonar File(s) To .Q4&B Format..."},
    {13, "Convert .VQS Sidescan To .&XTF Format..."},
    {0, ""},
    {15, "&Record Start...\t  Ctrl+S"},
    {16, "&Copy Start..."},
    {208, "&Automatic Filenames (.VQS)"},
    {220, "Date-&Number (ddmmmyyyy-nnnn.VQS)"},
    {221, "Date-&Time (ddmmmyyyy-hhmmss.VQS)"},
    {20, "Set &Maximum Filesize..."},
    {0, ""},
    {207, "&Save Screen..."},
    {0, ""},
    {18, "E&xit"},
};

constexpr MenuEntry kModeMenu[] = {
    {400, "&Sector"},  {401, "&Linear"},    {402, "Perspecti&ve"},
    {403, "&Profile"}, {404, "&Beam Test"},
};

constexpr MenuEntry kOptionsMenu[] = {
    {310, "S&witches"},
    {106, "Com &Ports"},
    {820, "&Sound Velocity..."},
    {205, "&IP Address..."},
    {970, "&Data Output"},
    {565, "&Persistence..."},
    {0, ""},
    {-1, "&Color Table"},
    {80, "Norm &Hi"},
    {81, "Norm &Lo"},
    {82, "Gr&een"},
    {83, "&Grey"},
    {84, "&Rev Grey"},
    {85, "&Brown/Yellow"},
    {86, "Green/Bl&ue"},
    {87, "Green/&Yellow"},
    {88, "Blu&e"},
    {-2, ""},
    {-1, "&Averaging"},
    {510, "&Off"},
    {512, "&3 Shot"},
    {514, "&5 Shot"},
    {516, "&7 Shot"},
    {518, "&9 Shot"},
    {524, "&15 Shot"},
    {534, "&25 Shot"},
    {-2, ""},
    {-1, "&Processing"},
    {751, "Processed 1"},
    {752, "Processed 2"},
    {753, "Processed 3"},
    {-2, ""},
    {-1, "&Beams"},
    {760, "480"},
    {761, "240"},
    {762, "120"},
    {-2, ""},
    {-1, "Sector Si&ze"},
    {770, "30 Deg"},
    {771, "60 Deg"},
    {772, "90 Deg"},
    {773, "120 Deg"},
    {774, "100 Deg"},
    {775, "110 Deg"},
    {-2, ""},
    {-1, "&Units"},
    {210, "&Meters"},
    {211, "&Feet"},
    {212, "&Yards"},
    {-2, ""},
    {-1, "&Xdcr Position"},
    {200, "&Up"},
    {201, "&Down"},
    {0, ""},
    {830, "Device &Offsets..."},
    {-2, ""},
    {0, ""},
    {206, "&Grid"},
    {560, "&Remove Background"},
    {659, "Gain &Equalization"},
    {690, "Signal Level"},
};

constexpr MenuEntry kProfileMenu[] = {
    {870, "&Profile Point Setup"},
    {580, "Profile Tilt Angle..."},
    {590, "Display Altitude"},
    {0, ""},
    {570, "&Circular"},
    {571, "&Rectangular"},
};

constexpr MenuEntry kWindowsMenu[] = {
    {600, "&Diagnostics"},           {635, "Sonar Info"},
    {636, "Sonar Status"},           {0, ""},
    {620, "Display &Track Plotter"}, {618, "Display &Swath Coverage"},
    {619, "&Clear Track Plotter"},   {0, ""},
    {621, "&Sidescan Window"},       {622, "&Echo Sounder Window"},
    {623, "&Intensity Window"},
};

constexpr MenuEntry kVideoMenu[] = {
    {170, "Open Video &Window"},
    {173, "&Record Video Enable"},
    {174, "Change Video &Format"},
    {175, "&Video Recording Rate..."},
};

constexpr MenuEntry kHelpMenu[] = {{100, "&About"}};

constexpr MenuPopup kMenuBar[] = {
    {"&File", kFileMenu},       {"&Mode", kModeMenu},
    {"&Options", kOptionsMenu}, {"&Profile Setup", kProfileMenu},
    {"&Windows", kWindowsMenu}, {"&Video", kVideoMenu},
    {"&Help", kHelpMenu},
};

}  // namespace

std::span<const MenuPopup> MainMenu() {
    return kMenuBar;
}

void MenuState::CheckOne(int first, int last, int chosen, int step) {
    for (int id = first; id <= last; id += step) Check(id, id == chosen);
}

}  // namespace vq
