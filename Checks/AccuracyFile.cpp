#include "Checks/AccuracyFile.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "Checks/AcceptanceFile.h"
#include "Checks/JsonMembers.h"
#include "Formats/WholeFile.h"

namespace {

JsonValue OptionalNumber(const std::optional<double>& value) {
    return value ? JsonValue::Number(*value) : JsonValue();
}

JsonValue PointJson(const AccuracyPoint& point) {
    JsonValue json = JsonValue::Object();
    json.Set("x", JsonValue::Number(point.X));
    json.Set("y", JsonValue::Number(point.Y));
    return json;
}

JsonValue ScreenJson(const AccuracyScreen& screen) {
    JsonValue json = JsonValue::Object();
    json.Set("widthPx", JsonValue::Number(screen.WidthPx));
    json.Set("heightPx", JsonValue::Number(screen.HeightPx));
    json.Set("widthMm", OptionalNumber(screen.WidthMm));
    json.Set("heightMm", OptionalNumber(screen.HeightMm));
    return json;
}

JsonValue SummaryValuesJson(const AccuracySummaryValues& values) {
    JsonValue json = JsonValue::Object();
    json.Set("largestOffsetPx", JsonValue::Number(values.LargestOffsetPx));
    json.Set("meanOffsetPx", JsonValue::Number(values.MeanOffsetPx));
    json.Set("largestJitterPx", JsonValue::Number(values.LargestJitterPx));
    json.Set("targets", JsonValue::Number(values.Targets));
    json.Set("passed", JsonValue::Bool(values.Passed));
    return json;
}

JsonValue MatrixJson(const AffineMap& map) {
    JsonValue json = JsonValue::Array();
    for (double value : map.M) {
        json.Append(JsonValue::Number(value));
    }
    for (double value : {0.0, 0.0, 1.0}) {
        json.Append(JsonValue::Number(value));
    }
    return json;
}

JsonValue TargetJson(int index, const TargetSample& sample, const AccuracyScreen& screen,
                     const AccuracyThresholds& thresholds) {
    JsonValue json = JsonValue::Object();
    json.Set("index", JsonValue::Number(index + 1));
    json.Set("target", PointJson(sample.Target));
    json.Set("taken", JsonValue::Bool(sample.Taken));
    if (!sample.Taken) {
        return json;
    }
    const TargetVerdict verdict = JudgeTarget(sample, screen, thresholds);
    json.Set("mean", PointJson(sample.Controller.Mean));
    json.Set("offset", PointJson(verdict.Offset));
    json.Set("offsetPx", JsonValue::Number(verdict.OffsetPx));
    json.Set("offsetMm", OptionalNumber(verdict.OffsetMm));
    json.Set("jitterSdPx", JsonValue::Number(sample.Controller.JitterSd));
    json.Set("jitterLargestPx", JsonValue::Number(sample.Controller.JitterLargest));
    json.Set("packets", JsonValue::Number(sample.Controller.Packets));
    json.Set("desktop", sample.Desktop ? PointJson(*sample.Desktop) : JsonValue());
    json.Set("passed", JsonValue::Bool(verdict.Passed));
    return json;
}

JsonValue MappingJson(const AccuracyResult& result) {
    const MappingVerdict& mapping = result.Mapping;
    JsonValue json = JsonValue::Object();
    json.Set("verdict", JsonValue::String(MappingCauseKey(mapping.Cause)));
    json.Set("text", JsonValue::String(result.MappingText));
    json.Set("orientation", JsonValue::String(OrientationName(mapping.Turn)));
    json.Set("targetsWithEvents", JsonValue::Number(mapping.TargetsWithEvents));
    json.Set("fit", mapping.Fit ? MatrixJson(*mapping.Fit) : JsonValue());
    json.Set("fitResidualPx", mapping.Fit ? JsonValue::Number(mapping.FitResidualPx) : JsonValue());
    json.Set("calibrationMatrix",
             mapping.Calibration ? MatrixJson(*mapping.Calibration) : JsonValue());
    json.Set("advice", JsonValue::String(result.Advice));
    return json;
}

bool OptionalMillimetres(const JsonValue& object, const char* key, std::optional<double>& value,
                         std::string& error) {
    const JsonValue* member = object.Find(key);
    if (member != nullptr && member->IsNull()) {
        value.reset();
        return true;
    }
    double number;
    if (!NumberMember(object, key, number, error) || number <= 0) {
        error = std::string("\"") + key + "\" must be a number above 0 or null";
        return false;
    }
    value = number;
    return true;
}

bool ScreenFromJson(const JsonValue* json, AccuracyScreen& screen, std::string& error) {
    if (json == nullptr || !json->IsObject()) {
        error = "\"screen\" must be an object";
        return false;
    }
    double width;
    double height;
    if (!WholeMember(*json, "widthPx", 1, 1e6, width, error) ||
        !WholeMember(*json, "heightPx", 1, 1e6, height, error) ||
        !OptionalMillimetres(*json, "widthMm", screen.WidthMm, error) ||
        !OptionalMillimetres(*json, "heightMm", screen.HeightMm, error)) {
        error = "screen: " + error;
        return false;
    }
    screen.WidthPx = static_cast<int>(width);
    screen.HeightPx = static_cast<int>(height);
    return true;
}

bool SummaryValuesFromJson(const JsonValue* json, AccuracySummaryValues& values,
                           std::string& error) {
    if (json == nullptr || !json->IsObject()) {
        error = "\"summary\" must be an object";
        return false;
    }
    double targets;
    if (!NonNegativeMember(*json, "largestOffsetPx", values.LargestOffsetPx, error) ||
        !NonNegativeMember(*json, "meanOffsetPx", values.MeanOffsetPx, error) ||
        !NonNegativeMember(*json, "largestJitterPx", values.LargestJitterPx, error) ||
        !WholeMember(*json, "targets", 0, kMaxTargets, targets, error)) {
        error = "summary: " + error;
        return false;
    }
    const JsonValue* passed = json->Find("passed");
    if (passed == nullptr || !passed->IsBool()) {
        error = "summary: \"passed\" must be true or false";
        return false;
    }
    values.Targets = static_cast<int>(targets);
    values.Passed = passed->AsBool();
    return true;
}

}  // namespace

AccuracySummary SummaryOf(const AccuracyResult& result) {
    return {result.Date, result.SerialNumber, result.Screen,
            Summarise(result.Samples, result.Screen, result.Thresholds), result.Acceptance};
}

JsonValue AccuracySummaryJson(const AccuracySummary& summary) {
    JsonValue json = JsonValue::Object();
    json.Set("format", JsonValue::String(kAccuracyFileFormat));
    json.Set("version", JsonValue::Number(kAccuracyFileVersion));
    json.Set("date", JsonValue::String(summary.Date));
    json.Set("serialNumber", summary.SerialNumber
                                 ? JsonValue::Number(static_cast<double>(*summary.SerialNumber))
                                 : JsonValue());
    json.Set("screen", ScreenJson(summary.Screen));
    json.Set("summary", SummaryValuesJson(summary.Values));
    if (summary.Acceptance) {
        json.Set("acceptance", AcceptanceJson(*summary.Acceptance, summary.Screen));
    }
    return json;
}

JsonValue AccuracyResultJson(const AccuracyResult& result) {
    JsonValue json = AccuracySummaryJson(SummaryOf(result));
    JsonValue thresholds = JsonValue::Object();
    thresholds.Set("offsetPercentOfDiagonal", JsonValue::Number(result.Thresholds.OffsetPercent));
    thresholds.Set("jitterPercentOfDiagonal", JsonValue::Number(result.Thresholds.JitterPercent));
    thresholds.Set("offsetPx", JsonValue::Number(result.Thresholds.OffsetPercent / 100 *
                                                 result.Screen.DiagonalPx()));
    thresholds.Set("jitterPx", JsonValue::Number(result.Thresholds.JitterPercent / 100 *
                                                 result.Screen.DiagonalPx()));
    json.Set("thresholds", std::move(thresholds));
    json.Set("grid", JsonValue::Number(result.GridSize));
    JsonValue& targets = json.Set("targets", JsonValue::Array());
    for (size_t i = 0; i < result.Samples.size(); ++i) {
        targets.Append(
            TargetJson(static_cast<int>(i), result.Samples[i], result.Screen, result.Thresholds));
    }
    json.Set("mapping", MappingJson(result));
    return json;
}

std::string WriteAccuracyFile(const AccuracyResult& result) {
    return WriteJson(AccuracyResultJson(result));
}

bool SaveAccuracyFile(const std::string& path, const AccuracyResult& result, std::string& error) {
    return WriteFileReplacing(path, WriteAccuracyFile(result), error);
}

bool AccuracySummaryFromJson(const JsonValue& root, AccuracySummary& out, std::string& error) {
    const JsonValue* format = root.Find("format");
    if (!root.IsObject() || format == nullptr || !format->IsString() ||
        format->AsString() != kAccuracyFileFormat) {
        error = std::string("not an accuracy result (\"format\" is not \"") + kAccuracyFileFormat +
                "\")";
        return false;
    }
    const JsonValue* version = root.Find("version");
    if (version == nullptr || !version->IsNumber() ||
        (version->AsNumber() != kAccuracyFileVersion &&
         version->AsNumber() != kOldestAccuracyFileVersion)) {
        error = "unsupported accuracy result version";
        return false;
    }
    AccuracySummary parsed;
    const JsonValue* date = root.Find("date");
    if (date == nullptr || !date->IsString() || date->AsString().empty()) {
        error = "\"date\" must be a text";
        return false;
    }
    parsed.Date = date->AsString();
    const JsonValue* serial = root.Find("serialNumber");
    if (serial == nullptr) {
        error = "\"serialNumber\" must be a number or null";
        return false;
    }
    if (!serial->IsNull()) {
        double value;
        if (!WholeMember(root, "serialNumber", -2147483648.0, 4294967295.0, value, error)) {
            return false;
        }
        parsed.SerialNumber = static_cast<int64_t>(value);
    }
    if (!ScreenFromJson(root.Find("screen"), parsed.Screen, error) ||
        !SummaryValuesFromJson(root.Find("summary"), parsed.Values, error)) {
        return false;
    }
    const JsonValue* acceptance = root.Find("acceptance");
    if (version->AsNumber() >= kAccuracyFileVersion && acceptance != nullptr &&
        !acceptance->IsNull()) {
        parsed.Acceptance.emplace();
        if (!AcceptanceFromJson(*acceptance, *parsed.Acceptance, error)) {
            return false;
        }
    }
    out = std::move(parsed);
    return true;
}

bool ReadAccuracySummary(const std::string& path, AccuracySummary& out, std::string& error) {
    std::string text;
    if (!ReadWholeTextFile(path, text, error)) {
        return false;
    }
    JsonValue root;
    if (!ParseJson(text, root, error)) {
        error = path + ": not valid JSON: " + error;
        return false;
    }
    if (!AccuracySummaryFromJson(root, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

std::string AccuracySummaryText(const AccuracySummary& summary) {
    char text[512];
    const AccuracySummaryValues& values = summary.Values;
    std::snprintf(text, sizeof text,
                  "Date: %s\nSerial Number: %s\nScreen: %d x %d pixels\n"
                  "Targets taken: %d\nLargest offset: %.1f px\nMean offset: %.1f px\n"
                  "Largest jitter: %.2f px\nResult: %s\n",
                  summary.Date.c_str(),
                  summary.SerialNumber ? std::to_string(*summary.SerialNumber).c_str() : "unknown",
                  summary.Screen.WidthPx, summary.Screen.HeightPx, values.Targets,
                  values.LargestOffsetPx, values.MeanOffsetPx, values.LargestJitterPx,
                  values.Passed ? "passed" : "failed");
    if (!summary.Acceptance) {
        return text;
    }
    const AcceptanceRecord& acceptance = *summary.Acceptance;
    const std::vector<CriterionVerdict> criteria = JudgeAcceptance(acceptance, summary.Screen);
    std::string lines = std::string(text) + "Screen size: " + ScreenSizeText(summary.Screen) +
                        " (" + ScreenSizeSourceKey(acceptance.SizeSource) + ")\n" +
                        "Limits: " + acceptance.Limits.Name + "\n" + AcceptanceText(criteria);
    if (acceptance.Coverage) {
        lines += CoverageRegionsText(*acceptance.Coverage);
    }
    return lines + "Acceptance: " + (AcceptancePassed(criteria) ? "passed" : "failed") + "\n";
}

std::string UtcNowIso8601() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    const bool converted = gmtime_s(&utc, &now) == 0;
#else
    const bool converted = gmtime_r(&now, &utc) != nullptr;
#endif
    char text[32] = "1970-01-01T00:00:00Z";
    if (converted) {
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    }
    return text;
}
