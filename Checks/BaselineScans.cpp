#include "Checks/BaselineScans.h"

#include <algorithm>
#include <chrono>

#include "Checks/BaselineAccuracy.h"
#include "Driver/XlateLib/Settings.h"
#include "DriverInterface/DriverIO.h"

int BaselineCameraCount(const std::vector<SavedSetting>& channel6) {
    constexpr int kScopeCameras = 2;
    for (const SavedSetting& setting : channel6) {
        if (setting.group == "Panel" && setting.name == "NumberOfCameras" &&
            setting.typeCode == SettingType::UINT8) {
            const int cameras = setting.value[0];
            return cameras >= 1 && cameras <= kMaxBaselineCameras ? cameras : kScopeCameras;
        }
    }
    return kScopeCameras;
}

TBaselineScans::TBaselineScans(int cameras, int scans)
    : cameras_(std::clamp(cameras, 1, kMaxBaselineCameras)),
      scans_(std::clamp(scans, 1, kMaxBaselineScans)),
      present_(kBaselinePixels, false) {
    for (int camera = 1; camera <= cameras_; ++camera) {
        for (RowKind kind : kRowKinds) {
            channels_.push_back(ScopeChannelOf(camera, kind));
        }
    }
    values_.assign(channels_.size() * static_cast<size_t>(scans_) * kBaselinePixels, 0);
}

int16_t* TBaselineScans::ScanValues(size_t channel, int scan) {
    return &values_[(channel * static_cast<size_t>(scans_) + static_cast<size_t>(scan)) *
                    kBaselinePixels];
}

void TBaselineScans::Begin(int scan, uint8_t code) {
    std::lock_guard<std::mutex> guard(lock_);
    const auto found = std::find(channels_.begin(), channels_.end(), code);
    taking_ = found != channels_.end() && scan >= 0 && scan < scans_;
    channel_ = static_cast<size_t>(found - channels_.begin());
    scan_ = scan;
    std::fill(present_.begin(), present_.end(), false);
    presentCount_ = 0;
}

void TBaselineScans::Store(const CameraData& data) {
    std::lock_guard<std::mutex> guard(lock_);
    if (taking_ && data.code == channels_[channel_]) {
        StoreValuesLocked(data.firstPixel, data.values, data.count);
    }
}

void TBaselineScans::StoreValues(int first, const int16_t* values, int count) {
    std::lock_guard<std::mutex> guard(lock_);
    StoreValuesLocked(first, values, count);
}

void TBaselineScans::StoreValuesLocked(int first, const int16_t* values, int count) {
    if (!taking_ || first < 0) {
        return;
    }
    int16_t* scan = ScanValues(channel_, scan_);
    for (int i = 0; i < count && first + i < kBaselinePixels; ++i) {
        const int pixel = first + i;
        scan[pixel] = values[i];
        if (!present_[static_cast<size_t>(pixel)]) {
            present_[static_cast<size_t>(pixel)] = true;
            ++presentCount_;
        }
    }
}

bool TBaselineScans::Complete() const {
    std::lock_guard<std::mutex> guard(lock_);
    return taking_ && presentCount_ == kBaselinePixels;
}

std::vector<BaselineProfile> TBaselineScans::Profiles() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<BaselineProfile> profiles;
    std::vector<int16_t> pixelScans(static_cast<size_t>(scans_));
    const size_t kept = pixelScans.size() >= 3 ? pixelScans.size() - 2 : pixelScans.size() - 1;
    for (size_t channel = 0; channel < channels_.size(); ++channel) {
        BaselineProfile profile;
        profile.camera = static_cast<int>(channel) / 4 + 1;
        profile.kind = kRowKinds[channel % 4];
        for (size_t pixel = 0; pixel < kBaselinePixels; ++pixel) {
            for (int scan = 0; scan < scans_; ++scan) {
                pixelScans[static_cast<size_t>(scan)] =
                    values_[(channel * static_cast<size_t>(scans_) + static_cast<size_t>(scan)) *
                                kBaselinePixels +
                            pixel];
            }
            std::nth_element(pixelScans.begin(), pixelScans.begin() + static_cast<long>(kept),
                             pixelScans.end());
            profile.values[pixel] = pixelScans[kept];
        }
        profiles.push_back(profile);
    }
    return profiles;
}

void TakeBaselineIdentity(BaselineContent& content, const TDeviceStatus& status) {
    GetDeviceIdentity(content.vendor, content.product);
    content.driverVersion = status.DriverVersion;
    content.modelNumber = status.ModelNumber;
    const uint16_t firmware = status.FirmwareVersion;
    content.firmwareVersion = std::to_string(firmware >> 8) + "." + std::to_string(firmware & 0xFF);
    content.serialNumber = static_cast<uint32_t>(status.SerialNumber.load());
}

uint8_t RunBaselineScans(TBaselineScans& scans, const std::function<void(uint8_t code)>& take,
                         const std::function<void(uint32_t ms)>& pause) {
    using Clock = std::chrono::steady_clock;
    for (int scan = 0; scan < scans.Scans(); ++scan) {
        const Clock::time_point roundStart = Clock::now();
        for (uint8_t code : scans.Channels()) {
            scans.Begin(scan, code);
            take(code);
            if (!scans.Complete()) {
                return code;
            }
        }
        const auto spent =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - roundStart);
        if (scan + 1 < scans.Scans() && spent.count() < kBaselineScanSpacingMs) {
            pause(static_cast<uint32_t>(kBaselineScanSpacingMs - spent.count()));
        }
    }
    return 0;
}

bool CompleteBaseline(BaselineContent& content, const TBaselineScans& scans, std::string& error) {
    content.scans = scans.Scans();
    content.profiles = scans.Profiles();
    content.date = UtcNowIso8601();
    return ReadLastAccuracy(content.accuracy, error);
}
