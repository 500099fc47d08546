#include "Checks/AcceptanceFile.h"

#include <cmath>

#include "Checks/JsonMembers.h"

namespace {

// Enough for the largest grid and a controller that drops out everywhere.
constexpr size_t kMostListed = kMaxCoverageColumns * kMaxCoverageRows;

JsonValue LimitsJson(const AcceptanceLimits& limits) {
    JsonValue json = JsonValue::Object();
    json.Set("name", JsonValue::String(limits.Name));
    json.Set("offsetMm", JsonValue::Number(limits.OffsetMm));
    json.Set("offsetSharePercent", JsonValue::Number(limits.OffsetSharePercent));
    json.Set("jitterMm", JsonValue::Number(limits.JitterMm));
    json.Set("minRatePercentOfRefresh", JsonValue::Number(limits.MinRatePercent));
    json.Set("rateJudged", JsonValue::String(limits.RateLowest ? "lowest" : "median"));
    return json;
}

JsonValue CellsJson(const std::vector<CoverageCell>& cells) {
    JsonValue json = JsonValue::Array();
    for (const CoverageCell& cell : cells) {
        JsonValue pair = JsonValue::Array();
        pair.Append(JsonValue::Number(cell.Column));
        pair.Append(JsonValue::Number(cell.Row));
        json.Append(std::move(pair));
    }
    return json;
}

JsonValue CoverageJson(const CoverageRecord& coverage) {
    JsonValue json = JsonValue::Object();
    json.Set("columns", JsonValue::Number(coverage.Columns));
    json.Set("rows", JsonValue::Number(coverage.Rows));
    json.Set("cellsReached", JsonValue::Number(coverage.CellsReached));
    json.Set("desktopEvents", JsonValue::Bool(coverage.DesktopEvents));
    json.Set("desktopCellsReached", JsonValue::Number(coverage.DesktopCellsReached));
    json.Set("unreached", CellsJson(coverage.Unreached));
    json.Set("dropouts", CellsJson(coverage.Dropouts));
    json.Set("jumps", CellsJson(coverage.Jumps));
    json.Set("desktopMissed", CellsJson(coverage.DesktopMissed));
    json.Set("desktopOnly", CellsJson(coverage.DesktopOnly));
    JsonValue rates = JsonValue::Object();
    rates.Set("windows", JsonValue::Number(coverage.Rates.Windows));
    rates.Set("lowestHz", JsonValue::Number(coverage.Rates.LowestHz));
    rates.Set("medianHz", JsonValue::Number(coverage.Rates.MedianHz));
    json.Set("rates", std::move(rates));
    return json;
}

JsonValue CriteriaJson(const std::vector<CriterionVerdict>& criteria) {
    JsonValue json = JsonValue::Array();
    for (const CriterionVerdict& criterion : criteria) {
        JsonValue item = JsonValue::Object();
        item.Set("name", JsonValue::String(criterion.Name));
        item.Set("measured", JsonValue::String(criterion.Measured));
        item.Set("limit", JsonValue::String(criterion.Limit));
        item.Set("judged", JsonValue::Bool(criterion.Judged));
        item.Set("passed", JsonValue::Bool(criterion.Passed));
        json.Append(std::move(item));
    }
    return json;
}

bool Fail(std::string& error, const std::string& where, const std::string& what) {
    error = where + ": " + what;
    return false;
}

bool LimitsFromJson(const JsonValue* json, AcceptanceLimits& limits, std::string& error) {
    if (json == nullptr || !json->IsObject()) {
        error = "\"limits\" must be an object";
        return false;
    }
    std::string rate;
    if (!StringMember(*json, "name", limits.Name, error) ||
        !NonNegativeMember(*json, "offsetMm", limits.OffsetMm, error) ||
        !WholeMember(*json, "offsetSharePercent", 0, 100, limits.OffsetSharePercent, error) ||
        !NonNegativeMember(*json, "jitterMm", limits.JitterMm, error) ||
        !NonNegativeMember(*json, "minRatePercentOfRefresh", limits.MinRatePercent, error) ||
        !StringMember(*json, "rateJudged", rate, error)) {
        return Fail(error, "limits", error);
    }
    if (rate != "lowest" && rate != "median") {
        return Fail(error, "limits", "\"rateJudged\" must be \"lowest\" or \"median\"");
    }
    limits.RateLowest = rate == "lowest";
    return true;
}

bool CellsFromJson(const JsonValue& object, const char* key, int columns, int rows,
                   std::vector<CoverageCell>& cells, std::string& error) {
    const JsonValue* json = object.Find(key);
    if (json == nullptr || !json->IsArray() || json->Items().size() > kMostListed) {
        error = std::string("\"") + key + "\" must be a list of cells";
        return false;
    }
    for (const JsonValue& pair : json->Items()) {
        const bool cell = pair.IsArray() && pair.Items().size() == 2 &&
                          pair.Items()[0].IsNumber() && pair.Items()[1].IsNumber();
        const double column = cell ? pair.Items()[0].AsNumber() : -1;
        const double row = cell ? pair.Items()[1].AsNumber() : -1;
        if (!cell || column != std::floor(column) || row != std::floor(row) || column < 0 ||
            row < 0 || column >= columns || row >= rows) {
            error = std::string("\"") + key + "\" must hold [column, row] pairs inside the grid";
            return false;
        }
        cells.push_back({static_cast<int>(column), static_cast<int>(row)});
    }
    return true;
}

bool RatesFromJson(const JsonValue* json, ContactRates& rates, std::string& error) {
    double windows;
    if (json == nullptr || !json->IsObject()) {
        error = "\"rates\" must be an object";
        return false;
    }
    if (!WholeMember(*json, "windows", 0, 1e9, windows, error) ||
        !NonNegativeMember(*json, "lowestHz", rates.LowestHz, error) ||
        !NonNegativeMember(*json, "medianHz", rates.MedianHz, error)) {
        return false;
    }
    rates.Windows = static_cast<int>(windows);
    return true;
}

bool CoverageFromJson(const JsonValue& json, CoverageRecord& coverage, std::string& error) {
    double columns;
    double rows;
    double reached;
    double desktopReached;
    if (!json.IsObject()) {
        return Fail(error, "coverage", "must be an object or null");
    }
    if (!WholeMember(json, "columns", 1, kMaxCoverageColumns, columns, error) ||
        !WholeMember(json, "rows", 1, kMaxCoverageRows, rows, error) ||
        !WholeMember(json, "cellsReached", 0, columns * rows, reached, error) ||
        !BoolMember(json, "desktopEvents", coverage.DesktopEvents, error) ||
        !WholeMember(json, "desktopCellsReached", 0, columns * rows, desktopReached, error)) {
        return Fail(error, "coverage", error);
    }
    coverage.Columns = static_cast<int>(columns);
    coverage.Rows = static_cast<int>(rows);
    coverage.CellsReached = static_cast<int>(reached);
    coverage.DesktopCellsReached = static_cast<int>(desktopReached);
    if (!CellsFromJson(json, "unreached", coverage.Columns, coverage.Rows, coverage.Unreached,
                       error) ||
        !CellsFromJson(json, "dropouts", coverage.Columns, coverage.Rows, coverage.Dropouts,
                       error) ||
        !CellsFromJson(json, "jumps", coverage.Columns, coverage.Rows, coverage.Jumps, error) ||
        !RatesFromJson(json.Find("rates"), coverage.Rates, error)) {
        return Fail(error, "coverage", error);
    }
    // Files written before the desktop's cells were compared lack the lists.
    for (const auto& [key, cells] : {std::pair{"desktopMissed", &coverage.DesktopMissed},
                                     std::pair{"desktopOnly", &coverage.DesktopOnly}}) {
        if (json.Find(key) != nullptr &&
            !CellsFromJson(json, key, coverage.Columns, coverage.Rows, *cells, error)) {
            return Fail(error, "coverage", error);
        }
    }
    if (coverage.Unreached.size() + static_cast<size_t>(coverage.CellsReached) !=
        static_cast<size_t>(coverage.Cells())) {
        return Fail(error, "coverage", "\"cellsReached\" and \"unreached\" do not add up");
    }
    return true;
}

bool TargetsFromJson(const JsonValue& json, AcceptanceRecord& record, std::string& error) {
    const JsonValue* offsets = json.Find("targetOffsetsPx");
    const JsonValue* jitter = json.Find("targetJitterSdPx");
    if (offsets == nullptr || !offsets->IsArray() || jitter == nullptr || !jitter->IsArray() ||
        offsets->Items().size() != jitter->Items().size() ||
        offsets->Items().size() > static_cast<size_t>(kMaxTargets)) {
        error = "\"targetOffsetsPx\" and \"targetJitterSdPx\" must be lists of one length";
        return false;
    }
    for (size_t i = 0; i < offsets->Items().size(); ++i) {
        const JsonValue& offset = offsets->Items()[i];
        const JsonValue& sd = jitter->Items()[i];
        if (!offset.IsArray() || offset.Items().size() != 2 || !offset.Items()[0].IsNumber() ||
            !offset.Items()[1].IsNumber() || !std::isfinite(offset.Items()[0].AsNumber()) ||
            !std::isfinite(offset.Items()[1].AsNumber()) || !sd.IsNumber() ||
            !(sd.AsNumber() >= 0) || !std::isfinite(sd.AsNumber())) {
            error = "target " + std::to_string(i + 1) +
                    ": an offset is [x, y] pixels and a jitter a number of at least 0";
            return false;
        }
        record.TargetOffsetsPx.push_back(
            {offset.Items()[0].AsNumber(), offset.Items()[1].AsNumber()});
        record.TargetJitterSdPx.push_back(sd.AsNumber());
    }
    return true;
}

}  // namespace

JsonValue AcceptanceJson(const AcceptanceRecord& record, const AccuracyScreen& screen) {
    JsonValue json = JsonValue::Object();
    json.Set("limits", LimitsJson(record.Limits));
    json.Set("screenSize", JsonValue::String(ScreenSizeSourceKey(record.SizeSource)));
    json.Set("refreshHz", JsonValue::Number(record.RefreshHz));
    JsonValue offsets = JsonValue::Array();
    JsonValue jitter = JsonValue::Array();
    for (size_t i = 0; i < record.TargetOffsetsPx.size(); ++i) {
        JsonValue pair = JsonValue::Array();
        pair.Append(JsonValue::Number(record.TargetOffsetsPx[i].X));
        pair.Append(JsonValue::Number(record.TargetOffsetsPx[i].Y));
        offsets.Append(std::move(pair));
        jitter.Append(JsonValue::Number(record.TargetJitterSdPx[i]));
    }
    json.Set("targetOffsetsPx", std::move(offsets));
    json.Set("targetJitterSdPx", std::move(jitter));
    json.Set("coverage", record.Coverage ? CoverageJson(*record.Coverage) : JsonValue());
    json.Set("twoFingers", JsonValue::String(TwoFingerVerdictKey(record.TwoFingers)));
    const std::vector<CriterionVerdict> criteria = JudgeAcceptance(record, screen);
    json.Set("criteria", CriteriaJson(criteria));
    json.Set("passed", JsonValue::Bool(AcceptancePassed(criteria)));
    return json;
}

bool AcceptanceFromJson(const JsonValue& json, AcceptanceRecord& out, std::string& error) {
    AcceptanceRecord record;
    std::string source;
    std::string two;
    if (!json.IsObject()) {
        error = "acceptance: must be an object";
        return false;
    }
    if (!LimitsFromJson(json.Find("limits"), record.Limits, error) ||
        !StringMember(json, "screenSize", source, error) ||
        !NonNegativeMember(json, "refreshHz", record.RefreshHz, error) ||
        !TargetsFromJson(json, record, error) || !StringMember(json, "twoFingers", two, error)) {
        error = "acceptance: " + error;
        return false;
    }
    const std::optional<ScreenSizeSource> size = ScreenSizeSourceFromKey(source);
    const std::optional<TwoFingerVerdict> verdict = TwoFingerVerdictFromKey(two);
    if (!size || !verdict || !(record.RefreshHz > 0)) {
        error = "acceptance: \"screenSize\", \"twoFingers\" or \"refreshHz\" has no such value";
        return false;
    }
    record.SizeSource = *size;
    record.TwoFingers = *verdict;
    const JsonValue* coverage = json.Find("coverage");
    if (coverage != nullptr && !coverage->IsNull()) {
        record.Coverage.emplace();
        if (!CoverageFromJson(*coverage, *record.Coverage, error)) {
            error = "acceptance: " + error;
            return false;
        }
    }
    out = std::move(record);
    return true;
}
