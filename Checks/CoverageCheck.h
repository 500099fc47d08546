#pragma once
// The coverage test's arithmetic: a grid of cells about 10 mm square over the
// screen, which cells the strokes reached, where a stroke broke (the touch
// lost and found again close by soon after: a dropout) or jumped (a step far
// beyond the finger's recent steps), and the report rate of each contact
// while it moves. Positions are pixels of the test window.
// Not locked; nothing allocates after Start.

#include <array>
#include <cstdint>
#include <vector>

#include "Checks/AccuracyCheck.h"

constexpr double kCoverageCellMm = 10;
// The grid when the screen's size is unknown.
constexpr int kUnknownSizeColumns = 16;
constexpr int kUnknownSizeRows = 9;
// Enough for a 2 m wide wall screen at 10 mm.
constexpr int kMaxCoverageColumns = 200;
constexpr int kMaxCoverageRows = 120;

// The nine parts of the screen a technician names: thirds of each axis.
enum class CoverageRegion {
    UpperLeft,
    Top,
    UpperRight,
    Left,
    Centre,
    Right,
    LowerLeft,
    Bottom,
    LowerRight,
};
constexpr int kCoverageRegions = 9;
// "the lower left corner", "the top edge", "the centre", ...
const char* CoverageRegionName(CoverageRegion region);

struct CoverageCell {
    int Column = 0;
    int Row = 0;
    bool operator==(const CoverageCell&) const = default;
};

struct CoverageGrid {
    int Columns = kUnknownSizeColumns;
    int Rows = kUnknownSizeRows;
    int WidthPx = 0;
    int HeightPx = 0;

    int Cells() const { return Columns * Rows; }
    // The cell under a window pixel; -1 outside the window.
    int CellAt(double x, double y) const;
    CoverageCell CellOf(int index) const { return {index % Columns, index / Columns}; }
    int IndexOf(CoverageCell cell) const { return cell.Row * Columns + cell.Column; }
    // The outermost ring of cells: the band along the edges where optical
    // controllers see a finger at a grazing angle.
    bool InEdgeBand(CoverageCell cell) const;
    CoverageRegion RegionOf(CoverageCell cell) const;
};
// Cells of about kCoverageCellMm from the screen's physical size, or 16 x 9.
CoverageGrid MakeCoverageGrid(const AccuracyScreen& screen);

// Reports per second of one contact while it moves, over stretches of
// kRateWindowMs: the lowest stretch and the median one.
struct ContactRates {
    int Windows = 0;  // none: no contact moved long enough to measure
    double LowestHz = 0;
    double MedianHz = 0;
};

struct CellCounts {
    uint32_t Reports = 0;   // controller reports in the cell
    uint16_t Dropouts = 0;  // strokes lost here and found again soon after
    uint16_t Jumps = 0;     // steps that started here
    bool Desktop = false;   // a desktop touch event landed here
};

class CoverageSession {
public:
    // A stroke lost and found again within this time and distance broke; a
    // longer pause is a new stroke.
    static constexpr uint32_t kDropoutMaxMs = 250;
    static constexpr double kDropoutMaxMm = 30;
    // A step is a jump when it is longer than this and than kJumpFactor times
    // the contact's recent steps.
    static constexpr double kJumpMinMm = 8;
    static constexpr double kJumpFactor = 4;
    static constexpr uint32_t kRateWindowMs = 250;
    static constexpr int kContacts = 2;

    // Allocates the grid's cells; the millimetres per pixel judge distances.
    void Start(const CoverageGrid& grid, double mmPerPxX, double mmPerPxY);
    // One contact of a controller report (slot 0 or 1; 1 down, 2 move, 3 up).
    void OnContact(int slot, uint8_t state, double x, double y, uint32_t nowMs);
    // A position the desktop delivered as a touch event for its touch point
    // id; lifted ends that touch. The finger passed every cell between two
    // events of one touch: a busy desktop merges the moves it has not
    // delivered yet, so its events may come far sparser than the reports.
    void OnDesktopTouch(int id, double x, double y, bool lifted);

    const CoverageGrid& Grid() const { return grid_; }
    const CellCounts& Cell(int index) const { return cells_[static_cast<size_t>(index)]; }
    int CellsReached() const;
    ContactRates Rates() const;

private:
    struct Track {
        bool down = false;
        AccuracyPoint at;
        double meanStepMm = 0;
        int steps = 0;
        bool lost = false;  // lifted: a touch found close by soon is the same stroke
        AccuracyPoint lostAt;
        uint32_t lostMs = 0;
        bool windowOpen = false;
        uint32_t windowStartMs = 0;
        int windowReports = 0;
    };
    static constexpr int kMaxRateHz = 1000;
    struct DesktopTrack {
        bool down = false;
        int id = 0;
        AccuracyPoint at;
    };

    void Lose(Track& track, uint32_t nowMs);
    void Find(Track& track, AccuracyPoint at, uint32_t nowMs);
    void Move(Track& track, AccuracyPoint at, uint32_t nowMs);
    void CountRate(Track& track, bool moving, uint32_t nowMs);
    double Millimetres(AccuracyPoint a, AccuracyPoint b) const;
    CellCounts* CellUnder(AccuracyPoint at);
    void MarkDesktopPath(AccuracyPoint from, AccuracyPoint to);

    CoverageGrid grid_;
    double mmPerPxX_ = 1;
    double mmPerPxY_ = 1;
    std::vector<CellCounts> cells_;
    std::array<Track, kContacts> tracks_{};
    std::array<DesktopTrack, kContacts> desktopTracks_{};
    std::array<uint32_t, kMaxRateHz + 1> rateHistogram_{};
};

// What a coverage run leaves in the result file and the baseline.
struct CoverageRecord {
    int Columns = kUnknownSizeColumns;
    int Rows = kUnknownSizeRows;
    int CellsReached = 0;
    bool DesktopEvents = false;  // the desktop delivered touch events at all
    int DesktopCellsReached = 0;
    std::vector<CoverageCell> Unreached;
    // Where the desktop and the controller disagree, when the desktop
    // delivered touch events: cells the controller's reports reached and its
    // events did not (the desktop lost or moved those touches), and the other
    // way round (it put touches where the finger was not).
    std::vector<CoverageCell> DesktopMissed;
    std::vector<CoverageCell> DesktopOnly;
    std::vector<CoverageCell> Dropouts;  // once per dropout
    std::vector<CoverageCell> Jumps;     // once per jump
    ContactRates Rates;

    int Cells() const { return Columns * Rows; }
};
CoverageRecord RecordOf(const CoverageSession& session);

// How many of the cells fall in each region, with the grid's size.
std::array<int, kCoverageRegions> CountByRegion(const std::vector<CoverageCell>& cells, int columns,
                                                int rows);
