#pragma once
// One run's connection to the controller: device access started with this
// session's report callbacks, and every reply waited for with a time-out. The
// read threads record what arrives under the session's lock and wake the
// waiting command; nothing is looked at only once.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "Checks/GhostTouches.h"
#include "Driver/XlateLib/Settings.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/PacketLog.h"
#include "Protocol/ScopeChannels.h"
#include "Protocol/SettingsBlockAssembly.h"

constexpr int kMaxScopePixels = 1023;

// One profile of a scope channel, by pixel.
struct ScopeProfile {
    int16_t values[kMaxScopePixels] = {};
    bool present[kMaxScopePixels] = {};
    int pixelCount = 0;    // one past the highest pixel received
    int presentCount = 0;  // pixels received
};

class CtlSession {
public:
    enum class StartResult { Connected, NoController };

    explicit CtlSession(uint32_t timeoutMs);
    ~CtlSession();
    CtlSession(const CtlSession&) = delete;
    CtlSession& operator=(const CtlSession&) = delete;

    // Opens the controller with the current identity and starts device access;
    // NoController when it is not there or never announces itself.
    StartResult Start();
    const TDeviceStatus& Status() const { return status_; }

    // Each sends its request and waits for the answer; false when none came in
    // time. Replies are counted by code, so a late answer to an earlier
    // request is never taken for this one.
    template <typename Send>
    bool Exchange(uint8_t replyCode, Send send) {
        const uint32_t before = ReplyCount(replyCode);
        send();
        return WaitForChange([&] { return replyCounts_[replyCode]; }, before);
    }
    // Sends the text and waits for the event (restore defaults) or for the
    // input devices answer ("M", "m", "M?").
    bool EventExchange(uint8_t eventCode, const char* text);
    bool InputDevicesExchange(const char* text);

    // The channel's settings block, fetched anew into settingsData.
    bool FetchSettings(int channel, uint8_t (&settingsData)[kSettingsDataSize]);
    enum class WriteResult { Echoed, NoEcho };
    // Sends one set-setting command and waits for its echo; settingsData then
    // holds the channel's block with the echoed value.
    WriteResult WriteSetting(int channel, int position, uint8_t typeCode, const uint8_t* value,
                             uint8_t (&settingsData)[kSettingsDataSize]);

    // One profile: false when no camera data came in time. It is complete once
    // pixels 0..completePixels-1 have arrived, or (completePixels 0) once no
    // piece came for a while.
    bool CaptureScope(uint8_t code, ScopeProfile& profile, int completePixels = 0);

    // Logs X packets to the file for the time given; false when the file cannot
    // be opened. packets receives how many were logged.
    bool LogPackets(const std::string& path, uint32_t seconds, uint32_t& packets);
    // Counts the touches of the X packets that arrive for the time given.
    void WatchTouches(uint32_t seconds, GhostTouchCounter& ghosts);

    // Read threads.
    void OnReport(int channel, const uint8_t* data, int32_t length);
    void OnConnection(bool connected);

private:
    struct ChannelSettings {
        uint8_t assembly[kSettingsDataSize] = {};
        uint8_t settingsData[kSettingsDataSize] = {};
        bool haveBlock = false;
        uint32_t blocks = 0;
        uint32_t echoes[kMaxSettingsLookup] = {};
    };

    uint32_t ReplyCount(uint8_t code);
    ChannelSettings& SettingsOf(int channel) { return channel == 0 ? settings0_ : settings6_; }
    void OnSettingsReport(ChannelSettings& settings, const uint8_t* data, int32_t length);
    void OnChannel6Report(const uint8_t* data, int32_t length);
    void OnXPacket(const uint8_t* data);

    // Waits until counter() differs from before; the lock is taken inside.
    template <typename Counter>
    bool WaitForChange(Counter counter, uint32_t before) {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs_),
                                 [&] { return counter() != before; });
    }

    const uint32_t timeoutMs_;
    TDeviceStatus status_;
    TPacketLog packetLog_;

    std::mutex lock_;  // guards everything below
    std::condition_variable changed_;
    bool connected_ = false;
    uint32_t replyCounts_[256] = {};
    uint32_t eventCounts_[256] = {};
    uint32_t inputDevicesAnswers_ = 0;
    uint32_t xPackets_ = 0;
    GhostTouchCounter* ghosts_ = nullptr;
    ChannelSettings settings0_;
    ChannelSettings settings6_;
    uint8_t scopeCode_ = 0;
    uint32_t scopeReports_ = 0;
    ScopeProfile* scopeProfile_ = nullptr;
};
