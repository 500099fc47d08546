#include "Formats/PrometheusText.h"

#include <charconv>
#include <cmath>

namespace {

// HELP text escapes only backslash and line feed.
std::string EscapeHelp(std::string_view help) {
    std::string text;
    for (const char c : help) {
        if (c == '\\') {
            text += "\\\\";
        } else if (c == '\n') {
            text += "\\n";
        } else {
            text += c;
        }
    }
    return text;
}

}  // namespace

void PrometheusText::Family(std::string_view name, std::string_view help) {
    family_ = name;
    text_ += "# HELP " + family_ + " " + EscapeHelp(help) + "\n";
    text_ += "# TYPE " + family_ + " gauge\n";
}

void PrometheusText::Sample(double value, const PrometheusLabels& labels) {
    text_ += family_;
    if (!labels.empty()) {
        text_ += '{';
        for (size_t i = 0; i < labels.size(); ++i) {
            if (i > 0) {
                text_ += ',';
            }
            text_ += labels[i].first;
            text_ += "=\"";
            text_ += EscapeLabelValue(labels[i].second);
            text_ += '"';
        }
        text_ += '}';
    }
    text_ += ' ';
    text_ += PrometheusNumber(value);
    text_ += '\n';
}

void PrometheusText::Gauge(std::string_view name, std::string_view help, double value) {
    Family(name, help);
    Sample(value);
}

std::string EscapeLabelValue(std::string_view value) {
    std::string text;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            text += '\\';
            text += c;
        } else if (c == '\n') {
            text += "\\n";
        } else if (byte < 0x20 || byte > 0x7E) {
            text += '?';
        } else {
            text += c;
        }
    }
    return text;
}

std::string PrometheusNumber(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "+Inf" : "-Inf";
    }
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : "NaN";
}
