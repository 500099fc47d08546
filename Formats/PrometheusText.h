#pragma once
// The text exposition format that the node exporter's textfile collector
// reads: per metric family one HELP and one TYPE line, then its samples.
// Label values from a device or a file are escaped and kept to printable
// ASCII, so that nothing a controller reports can break the file.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using PrometheusLabels = std::vector<std::pair<std::string, std::string>>;

class PrometheusText {
public:
    // Starts a gauge family; the samples after it belong to it. Every value
    // this program publishes is a reading of one run, so gauges are all it
    // writes. Names are the caller's own constants and are not checked.
    void Family(std::string_view name, std::string_view help);
    // One sample of the family begun last.
    void Sample(double value, const PrometheusLabels& labels = {});
    // Family and its single unlabelled sample.
    void Gauge(std::string_view name, std::string_view help, double value);

    const std::string& Text() const { return text_; }

private:
    std::string text_;
    std::string family_;
};

// A label value as the format quotes it: backslash, double quote and line
// feed escaped, other control characters and bytes outside ASCII as '?'.
std::string EscapeLabelValue(std::string_view value);
// A sample value: shortest exact decimal, "NaN", "+Inf" or "-Inf".
std::string PrometheusNumber(double value);
