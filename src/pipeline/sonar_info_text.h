// The head's information and status as label/text pairs, formatted for the "Sonar Info" and
// "Sonar Status" windows.
#pragma once

#include <string>
#include <vector>

#include "pipeline/ping_record.h"

namespace vq {

struct InfoLine {
    std::string label;
    std::string text;
};

// Command, settings echo and head information, in block order ("Command Type" .. "Data
// Formats Supported").
std::vector<InfoLine> SonarInfoLines(const PingRecord& record);

// "Status", temperature and supply voltages.
std::vector<InfoLine> SonarStatusLines(const PingRecord& record);

// "0x " then status word 0 and status word 1, each "%02X%02X %02X%02X" from the most
// significant byte down.
std::string StatusText(const PingRecord& record);

}  // namespace vq
