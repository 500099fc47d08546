#include "Checks/CoverageCheck.h"

#include <algorithm>
#include <cmath>

namespace {

// Steps shorter than this are a finger held still, not a moving one.
constexpr double kStillStepMm = 0.1;
// The recent steps are averaged over about this many.
constexpr int kStepMemory = 4;
// Too few steps say nothing yet about the finger's speed.
constexpr int kStepsBeforeJumps = 3;

int CellsAlong(const std::optional<double>& mm, int fallback, int most) {
    if (!mm || !std::isfinite(*mm) || *mm <= 0) {
        return fallback;
    }
    return std::clamp(static_cast<int>(std::lround(*mm / kCoverageCellMm)), 1, most);
}

// 0, 1 or 2: the third of an axis that holds the cell's centre.
int Third(int index, int count) {
    return std::clamp((2 * index + 1) * 3 / (2 * std::max(count, 1)), 0, 2);
}

}  // namespace

const char* CoverageRegionName(CoverageRegion region) {
    static const char* const kNames[kCoverageRegions] = {
        "the upper left corner", "the top edge",    "the upper right corner",
        "the left edge",         "the centre",      "the right edge",
        "the lower left corner", "the bottom edge", "the lower right corner",
    };
    const int index = static_cast<int>(region);
    return index >= 0 && index < kCoverageRegions ? kNames[index] : kNames[4];
}

int CoverageGrid::CellAt(double x, double y) const {
    if (!(x >= 0) || !(y >= 0) || x > WidthPx || y > HeightPx || WidthPx <= 0 || HeightPx <= 0) {
        return -1;
    }
    const int column = std::min(static_cast<int>(x * Columns / WidthPx), Columns - 1);
    const int row = std::min(static_cast<int>(y * Rows / HeightPx), Rows - 1);
    return row * Columns + column;
}

bool CoverageGrid::InEdgeBand(CoverageCell cell) const {
    return cell.Column == 0 || cell.Row == 0 || cell.Column == Columns - 1 || cell.Row == Rows - 1;
}

CoverageRegion CoverageGrid::RegionOf(CoverageCell cell) const {
    return static_cast<CoverageRegion>(Third(cell.Row, Rows) * 3 + Third(cell.Column, Columns));
}

CoverageGrid MakeCoverageGrid(const AccuracyScreen& screen) {
    CoverageGrid grid;
    grid.WidthPx = std::max(screen.WidthPx, 1);
    grid.HeightPx = std::max(screen.HeightPx, 1);
    if (screen.WidthMm && screen.HeightMm) {
        grid.Columns = CellsAlong(screen.WidthMm, kUnknownSizeColumns, kMaxCoverageColumns);
        grid.Rows = CellsAlong(screen.HeightMm, kUnknownSizeRows, kMaxCoverageRows);
    }
    return grid;
}

void CoverageSession::Start(const CoverageGrid& grid, double mmPerPxX, double mmPerPxY) {
    grid_ = grid;
    grid_.Columns = std::clamp(grid_.Columns, 1, kMaxCoverageColumns);
    grid_.Rows = std::clamp(grid_.Rows, 1, kMaxCoverageRows);
    mmPerPxX_ = mmPerPxX;
    mmPerPxY_ = mmPerPxY;
    cells_.assign(static_cast<size_t>(grid_.Cells()), CellCounts{});
    tracks_ = {};
    desktopTracks_ = {};
    rateHistogram_ = {};
}

double CoverageSession::Millimetres(AccuracyPoint a, AccuracyPoint b) const {
    return std::hypot((a.X - b.X) * mmPerPxX_, (a.Y - b.Y) * mmPerPxY_);
}

CellCounts* CoverageSession::CellUnder(AccuracyPoint at) {
    const int index = grid_.CellAt(at.X, at.Y);
    return index < 0 || cells_.empty() ? nullptr : &cells_[static_cast<size_t>(index)];
}

void CoverageSession::OnContact(int slot, uint8_t state, double x, double y, uint32_t nowMs) {
    if (slot < 0 || slot >= kContacts || !std::isfinite(x) || !std::isfinite(y) || state < 1 ||
        state > 3) {
        return;
    }
    Track& track = tracks_[static_cast<size_t>(slot)];
    const AccuracyPoint at{x, y};
    if (state == 3) {
        if (track.down) {
            Move(track, at, nowMs);
            Lose(track, nowMs);
        }
        return;
    }
    if (state == 1 && track.down) {
        // Found again without having been reported lost.
        Lose(track, nowMs);
    }
    if (track.down) {
        Move(track, at, nowMs);
    } else {
        Find(track, at, nowMs);
    }
}

void CoverageSession::Lose(Track& track, uint32_t nowMs) {
    track.down = false;
    track.lost = true;
    track.lostAt = track.at;
    track.lostMs = nowMs;
    track.windowOpen = false;
}

void CoverageSession::Find(Track& track, AccuracyPoint at, uint32_t nowMs) {
    if (track.lost && nowMs - track.lostMs <= kDropoutMaxMs &&
        Millimetres(track.lostAt, at) <= kDropoutMaxMm) {
        if (CellCounts* cell = CellUnder(track.lostAt)) {
            ++cell->Dropouts;
        }
    }
    track.lost = false;
    track.down = true;
    track.at = at;
    track.steps = 0;
    track.meanStepMm = 0;
    track.windowOpen = false;
    if (CellCounts* cell = CellUnder(at)) {
        ++cell->Reports;
    }
}

void CoverageSession::Move(Track& track, AccuracyPoint at, uint32_t nowMs) {
    const double step = Millimetres(track.at, at);
    const bool jump = track.steps >= kStepsBeforeJumps &&
                      step > std::max(kJumpMinMm, kJumpFactor * track.meanStepMm);
    if (jump) {
        if (CellCounts* cell = CellUnder(track.at)) {
            ++cell->Jumps;
        }
    } else {
        track.steps = std::min(track.steps + 1, kStepMemory);
        track.meanStepMm += (step - track.meanStepMm) / track.steps;
    }
    CountRate(track, step >= kStillStepMm, nowMs);
    track.at = at;
    if (CellCounts* cell = CellUnder(at)) {
        ++cell->Reports;
    }
}

void CoverageSession::CountRate(Track& track, bool moving, uint32_t nowMs) {
    if (!moving) {
        track.windowOpen = false;
        return;
    }
    if (!track.windowOpen) {
        track.windowOpen = true;
        track.windowStartMs = nowMs;
        track.windowReports = 0;
        return;
    }
    ++track.windowReports;
    const uint32_t elapsed = nowMs - track.windowStartMs;
    if (elapsed < kRateWindowMs) {
        return;
    }
    const double hz = 1000.0 * track.windowReports / elapsed;
    ++rateHistogram_[static_cast<size_t>(std::clamp<long>(std::lround(hz), 0, kMaxRateHz))];
    track.windowStartMs = nowMs;
    track.windowReports = 0;
}

void CoverageSession::OnDesktopTouch(int id, double x, double y, bool lifted) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return;
    }
    const AccuracyPoint at{x, y};
    auto track = std::find_if(desktopTracks_.begin(), desktopTracks_.end(),
                              [id](const DesktopTrack& t) { return t.down && t.id == id; });
    if (track != desktopTracks_.end()) {
        MarkDesktopPath(track->at, at);
    } else {
        MarkDesktopPath(at, at);
        // More touches than tracked ones: the first track's stroke is cut.
        track = std::find_if(desktopTracks_.begin(), desktopTracks_.end(),
                             [](const DesktopTrack& t) { return !t.down; });
        track = track == desktopTracks_.end() ? desktopTracks_.begin() : track;
    }
    *track = {!lifted, id, at};
}

void CoverageSession::MarkDesktopPath(AccuracyPoint from, AccuracyPoint to) {
    // Steps of a quarter cell, and no more than a few per cell of the grid's
    // width and height together however far apart the points lie.
    const double step = 0.25 * std::min(static_cast<double>(grid_.WidthPx) / grid_.Columns,
                                        static_cast<double>(grid_.HeightPx) / grid_.Rows);
    const double length = std::hypot(to.X - from.X, to.Y - from.Y);
    const int steps = static_cast<int>(
        std::min(std::ceil(length / std::max(step, 1e-9)), 8.0 * (grid_.Columns + grid_.Rows)));
    for (int i = 0; i <= steps; ++i) {
        const double share = steps == 0 ? 1 : static_cast<double>(i) / steps;
        if (CellCounts* cell =
                CellUnder({from.X + (to.X - from.X) * share, from.Y + (to.Y - from.Y) * share})) {
            cell->Desktop = true;
        }
    }
}

int CoverageSession::CellsReached() const {
    return static_cast<int>(std::count_if(cells_.begin(), cells_.end(),
                                          [](const CellCounts& cell) { return cell.Reports > 0; }));
}

ContactRates CoverageSession::Rates() const {
    ContactRates rates;
    for (uint32_t count : rateHistogram_) {
        rates.Windows += static_cast<int>(count);
    }
    if (rates.Windows == 0) {
        return rates;
    }
    bool lowestFound = false;
    int seen = 0;
    for (int hz = 0; hz <= kMaxRateHz; ++hz) {
        const int count = static_cast<int>(rateHistogram_[static_cast<size_t>(hz)]);
        if (count == 0) {
            continue;
        }
        if (!lowestFound) {
            rates.LowestHz = hz;
            lowestFound = true;
        }
        if (seen < (rates.Windows + 1) / 2 && seen + count >= (rates.Windows + 1) / 2) {
            rates.MedianHz = hz;
        }
        seen += count;
    }
    return rates;
}

CoverageRecord RecordOf(const CoverageSession& session) {
    const CoverageGrid& grid = session.Grid();
    CoverageRecord record;
    record.Columns = grid.Columns;
    record.Rows = grid.Rows;
    for (int i = 0; i < grid.Cells(); ++i) {
        const CellCounts& counts = session.Cell(i);
        const CoverageCell cell = grid.CellOf(i);
        if (counts.Reports > 0) {
            ++record.CellsReached;
        } else {
            record.Unreached.push_back(cell);
        }
        record.Dropouts.insert(record.Dropouts.end(), counts.Dropouts, cell);
        record.Jumps.insert(record.Jumps.end(), counts.Jumps, cell);
        record.DesktopEvents = record.DesktopEvents || counts.Desktop;
        record.DesktopCellsReached += counts.Desktop ? 1 : 0;
        if (counts.Desktop != (counts.Reports > 0)) {
            (counts.Desktop ? record.DesktopOnly : record.DesktopMissed).push_back(cell);
        }
    }
    // Without any desktop events the whole surface would count as missed,
    // which says nothing the "no touch events" note does not.
    if (!record.DesktopEvents) {
        record.DesktopMissed.clear();
    }
    record.Rates = session.Rates();
    return record;
}

std::array<int, kCoverageRegions> CountByRegion(const std::vector<CoverageCell>& cells, int columns,
                                                int rows) {
    CoverageGrid grid;
    grid.Columns = columns;
    grid.Rows = rows;
    std::array<int, kCoverageRegions> counts{};
    for (const CoverageCell& cell : cells) {
        ++counts[static_cast<size_t>(grid.RegionOf(cell))];
    }
    return counts;
}
