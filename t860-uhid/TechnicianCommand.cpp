#include "t860-uhid/TechnicianCommand.h"

#include <charconv>
#include <sstream>
#include <vector>

#include "Checks/AccuracyCheck.h"

namespace {

bool Number(const std::string& text, uint32_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

bool ParseTechnicianCommand(const std::string& line, TechnicianConfig& config) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    if (words.empty() || words[0] != "technician" || words.size() > 3) {
        return false;
    }
    uint32_t targets = 9;
    uint32_t startMs = config.startMs;
    if (words.size() > 1 && (!Number(words[1], targets) || (targets != 9 && targets != 25))) {
        return false;
    }
    if (words.size() > 2 && (!Number(words[2], startMs) || startMs > 60'000)) {
        return false;
    }
    const int gridSize = targets == 25 ? kLargeTargetGrid : kSmallTargetGrid;
    config.targets.clear();
    for (int i = 0; i < TargetCount(gridSize); ++i) {
        const AccuracyPoint target = TargetFraction(gridSize, i);
        config.targets.push_back({static_cast<float>(target.X), static_cast<float>(target.Y)});
    }
    config.startMs = startMs;
    return true;
}
