#pragma once
// The scans of a baseline recording. Each camera's four rows are scanned a few
// times, some 370 ms apart (out of step with anything periodic on the screen),
// and each pixel keeps the second highest of its scans: a hand passing the
// screen only ever darkens a row, and in more than one scan only rarely, while
// the highest scan may hold a burst of noise.
//
// Threads: Store may run on a read thread while the recording thread asks
// Complete; both take the object's lock. Nothing is allocated after
// construction.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Checks/BaselineFile.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/ScopeChannels.h"

constexpr int kDefaultBaselineScans = 5;
constexpr int kMaxBaselineScans = 25;
// Rounds over all channels start at least this far apart.
constexpr uint32_t kBaselineScanSpacingMs = 370;

// The cameras the controller says it has ("Panel", "NumberOfCameras" among
// channel 6's settings), within 1..4; the scope's two when it does not say.
int BaselineCameraCount(const std::vector<SavedSetting>& channel6);

class TBaselineScans {
public:
    TBaselineScans(int cameras, int scans);

    int Scans() const { return scans_; }
    // The channels one round scans, camera by camera, each camera's rows in
    // RowKind order.
    const std::vector<uint8_t>& Channels() const { return channels_; }

    // Starts taking the scan-th profile of a channel of Channels().
    void Begin(int scan, uint8_t code);
    // A camera data report; pieces of any other channel are left alone.
    void Store(const CameraData& data);
    // Values of the channel begun, from pixel first on.
    void StoreValues(int first, const int16_t* values, int count);
    // Whether every pixel of the scan begun has arrived.
    bool Complete() const;

    // One profile per channel, in Channels() order, each pixel the second
    // highest of its scans (the highest of fewer than three).
    std::vector<BaselineProfile> Profiles() const;

private:
    int16_t* ScanValues(size_t channel, int scan);
    void StoreValuesLocked(int first, const int16_t* values, int count);

    const int cameras_;
    const int scans_;
    std::vector<uint8_t> channels_;
    std::vector<int16_t> values_;  // channel, then scan, then pixel

    mutable std::mutex lock_;  // guards everything below
    size_t channel_ = 0;
    int scan_ = 0;
    bool taking_ = false;
    std::vector<bool> present_;  // of the scan begun
    int presentCount_ = 0;
};

// The identity the program looks for, and the versions and serial number the
// controller reported.
void TakeBaselineIdentity(BaselineContent& content, const TDeviceStatus& status);

// Runs the rounds of a recording, rounds kBaselineScanSpacingMs apart:
// take(code) asks for one profile of the channel just begun and returns once
// scans.Complete() or it gave up; pause(ms) waits. Returns the channel that
// did not complete, or 0 when every one did.
uint8_t RunBaselineScans(TBaselineScans& scans, const std::function<void(uint8_t code)>& take,
                         const std::function<void(uint32_t ms)>& pause);

// Puts the scans, the last accuracy result and the date into content; false
// with a message when the accuracy result is there but cannot be read.
bool CompleteBaseline(BaselineContent& content, const TBaselineScans& scans, std::string& error);
