#include "Simulator/CameraProfiles.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "Simulator/ReportBytes.h"

namespace {

constexpr uint8_t kFirstScopeCode = 48;

// Camera corners: 1 top left, 2 top right, 3 bottom left, 4 bottom right; each
// looks across the screen over a quarter turn, pixel 0 along the top or
// bottom edge.
void CameraCorner(int camera, double& x, double& y) {
    x = (camera == 2 || camera == 4) ? 1.0 : 0.0;
    y = (camera == 3 || camera == 4) ? 1.0 : 0.0;
}

double PixelOf(int camera, float touchX, float touchY) {
    double cornerX, cornerY;
    CameraCorner(camera, cornerX, cornerY);
    const double angle = std::atan2(std::fabs(touchY - cornerY), std::fabs(touchX - cornerX));
    return angle / (std::numbers::pi / 2) * (kScopePixels - 1);
}

// The fraction of light left at a pixel with the fingers in the way; nearer
// fingers cast wider shadows.
double Shadow(int camera, const TouchFrame& fingers, size_t pixel) {
    double left = 1.0;
    for (size_t i = 0; i < fingers.count; ++i) {
        const ScriptTouch& touch = fingers.touches[i];
        if (touch.state == kTouchUp) {
            continue;
        }
        double cornerX, cornerY;
        CameraCorner(camera, cornerX, cornerY);
        const double distance = std::hypot(touch.x - cornerX, touch.y - cornerY);
        const double halfWidth = 4.0 + 10.0 * std::clamp(1.5 - distance, 0.0, 1.5) / 1.5;
        const double offset =
            (static_cast<double>(pixel) - PixelOf(camera, touch.x, touch.y)) / halfWidth;
        left *= 1.0 - 0.85 * std::exp(-offset * offset);
    }
    return left;
}

}  // namespace

bool DecodeScopeChannel(uint8_t code, int& camera, ScopeKind& kind) {
    if (code < kFirstScopeCode) {
        return false;
    }
    const int kindIndex = (code - kFirstScopeCode) / 10;
    const int cameraIndex = (code - kFirstScopeCode) % 10;
    if (kindIndex > 3 || cameraIndex < 1 || cameraIndex > 4) {
        return false;
    }
    camera = cameraIndex;
    kind = static_cast<ScopeKind>(kindIndex);
    return true;
}

int CameraProfiles::Noise(int range) {
    // xorshift: cheap, and good enough to make a row look alive.
    noise_ ^= noise_ << 13;
    noise_ ^= noise_ >> 17;
    noise_ ^= noise_ << 5;
    return static_cast<int>(noise_ % static_cast<uint32_t>(2 * range + 1)) - range;
}

void CameraProfiles::ChangeRow(int camera, ScopeKind kind, size_t first, size_t last, double scale,
                               double offset) {
    if (changeCount_ < kMaxRowChanges) {
        changes_[changeCount_++] = {camera, kind, first, last, scale, offset};
    }
}

double CameraProfiles::Changed(int camera, ScopeKind kind, size_t pixel, double value) const {
    for (size_t i = 0; i < changeCount_; ++i) {
        const RowChange& change = changes_[i];
        if (change.camera == camera && change.kind == kind && pixel >= change.first &&
            pixel <= change.last) {
            value = value * change.scale + change.offset;
        }
    }
    return value;
}

bool CameraProfiles::Prepare(uint8_t code, double seconds, const TouchFrame& fingers) {
    int camera;
    ScopeKind kind;
    if (!DecodeScopeChannel(code, camera, kind)) {
        return false;
    }
    code_ = code;
    ++answers_;
    const double drift = 1.0 + 0.05 * std::sin(2 * std::numbers::pi * seconds / 7.0 + camera);
    for (size_t p = 0; p < kScopePixels; ++p) {
        // Bright in the middle of the view, falling off toward its edges.
        const double across = std::numbers::pi * (static_cast<double>(p) + 8) / (kScopePixels + 16);
        const double litBase = (180.0 + 620.0 * std::pow(std::sin(across), 0.6)) * drift;
        const double ambientBase = 25.0 + 18.0 * std::pow(std::sin(across + 0.6 * seconds), 2);
        const double lit = litBase * Shadow(camera, fingers, p) + Noise(6);
        const double ambient = ambientBase + Noise(5) + 5;
        double value = 0;
        switch (kind) {
            case ScopeKind::Lit:
                value = lit;
                break;
            case ScopeKind::Ambient:
                value = ambient;
                break;
            case ScopeKind::Subtracted:
                value = lit - ambient;
                break;
            case ScopeKind::Trigger:
                value = 0.55 * (litBase - ambientBase) + 20.0;
                break;
        }
        values_[p] = static_cast<int16_t>(std::lround(Changed(camera, kind, p, value)));
    }
    return true;
}

void CameraProfiles::EncodeReport(size_t sent, uint8_t* data) const {
    std::memset(data, 0, kReportDataSize);
    if (sent >= kReportsPerAnswer) {
        return;
    }
    // 7 and the report count (19) share no factor, so the stride visits every block once.
    const size_t block = (answers_ * 5 + sent * 7) % kReportsPerAnswer;
    const size_t first = block * kScopeValuesPerReport;
    const size_t count = std::min(kScopeValuesPerReport, kScopePixels - first);
    data[0] = 'G';
    data[1] = static_cast<uint8_t>(5 + 2 * count);
    PutBigEndian16(&data[2], static_cast<uint16_t>(first));
    data[4] = code_;
    for (size_t i = 0; i < count; ++i) {
        PutBigEndian16(&data[7 + 2 * i], static_cast<uint16_t>(values_[first + i]));
    }
}
