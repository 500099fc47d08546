#include "Protocol/ScopeChannels.h"

#include <algorithm>

namespace {

constexpr int kReportBytes = 64;
constexpr int kValuesOffset = 7;

}  // namespace

bool IsScopeChannelSelected(int32_t code, const ScopeSelection& s) {
    const int32_t camera = (code - kFirstScopeChannel) % 10;
    if (!((s.cam1 && camera == 1) || (s.cam2 && camera == 2))) {
        return false;
    }
    return (s.subtracted && code > 48 && code <= 52) || (s.trigger && code > 58 && code <= 62) ||
           (s.lit && code > 68 && code <= 72) || (s.ambient && code > 78 && code <= 82);
}

int ScopeChannelToLine(int32_t code) {
    if (code >= 49 && code <= 52) {
        return code - 49;
    }
    if (code >= 59 && code <= 62) {
        return code - 55;
    }
    if (code >= 69 && code <= 72) {
        return code - 69;
    }
    if (code >= 79 && code <= 82) {
        return code - 79;
    }
    return 0;
}

bool AdvanceScopeChannel(int32_t& current, const ScopeSelection& selection) {
    if (!selection.cam1 && !selection.cam2) {
        return false;
    }
    if (!selection.subtracted && !selection.trigger && !selection.lit && !selection.ambient) {
        return false;  // nothing could pass: the radio group normally prevents this
    }
    int32_t code = current + 1;
    while (!IsScopeChannelSelected(code, selection)) {
        ++code;
        if (code > kLastScopeChannel) {
            code = kFirstScopeChannel;
        }
    }
    current = code;
    return true;
}

CameraData DecodeCameraData(const uint8_t* report, int32_t length) {
    CameraData data;
    if (report == nullptr || length < kValuesOffset) {
        return data;
    }
    const int announced = (report[1] - 5) / 2;
    const int inReport = (std::min<int32_t>(length, kReportBytes) - kValuesOffset) / 2;
    data.count = std::max(0, std::min({announced, inReport, kMaxScopeValues}));
    data.firstPixel = static_cast<uint16_t>(report[2] << 8 | report[3]);
    data.code = report[4];
    for (int i = 0; i < data.count; ++i) {
        const uint8_t* value = report + kValuesOffset + 2 * i;
        data.values[i] = static_cast<int16_t>(value[0] << 8 | value[1]);
    }
    return data;
}
