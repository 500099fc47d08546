#include "t860-uhid/TechnicianCommand.h"

#include <charconv>
#include <sstream>
#include <vector>

#include "Checks/AccuracyCheck.h"
#include "Checks/CoverageCheck.h"

namespace {

constexpr int kStrokeBandPx = 100;
// Of the script's 1280 pixels across: a row in about half a second, and a
// report every 24 pixels at 100 reports per second, so that a cell of even
// a 40-column grid gets reports on every crossing.
constexpr float kStrokeSpeedPxPerS = 2400;

bool Number(const std::string& text, uint32_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc{} && end == text.data() + text.size();
}

// The command's words when the line is that command with at most one count
// and a start delay, which are kept in count and startMs when valid.
bool CommandWords(const std::string& line, const char* command, uint32_t& count,
                  uint32_t& startMs) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    if (words.empty() || words[0] != command || words.size() > 3) {
        return false;
    }
    if (words.size() > 1 && !Number(words[1], count)) {
        return false;
    }
    return words.size() <= 2 || (Number(words[2], startMs) && startMs <= 60'000);
}

}  // namespace

bool ParseTechnicianCommand(const std::string& line, TechnicianConfig& config) {
    uint32_t targets = 9;
    uint32_t startMs = config.startMs;
    if (!CommandWords(line, "technician", targets, startMs) || (targets != 9 && targets != 25)) {
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

bool ParseStrokesCommand(const std::string& line, TechnicianConfig& config) {
    uint32_t rows = kUnknownSizeRows;
    uint32_t startMs = config.startMs;
    if (!CommandWords(line, "strokes", rows, startMs) || rows < 1 || rows > kMaxCoverageRows) {
        return false;
    }
    // Bands of whole pixels, so that the script's rows are exactly the bands
    // and each stroke runs along a band's middle, well inside the cells of a
    // grid with that many rows. The positions go out as shares of the screen:
    // the pixels are the script's own.
    config.targets.clear();
    config.strokes = true;
    config.screenHeightPx = static_cast<int>(rows) * kStrokeBandPx;
    config.strokeRowSpacingPx = kStrokeBandPx;
    config.strokeSpeedPxPerS = kStrokeSpeedPxPerS;
    config.startMs = startMs;
    return true;
}
