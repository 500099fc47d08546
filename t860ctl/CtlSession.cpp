#include "t860ctl/CtlSession.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "DriverInterface/DriverIO.h"
#include "Protocol/Protocolutils.h"

namespace {

// The session the read threads report to; set while device access runs.
std::atomic<CtlSession*> activeSession{nullptr};

constexpr uint32_t kScopeQuietMs = 100;  // a profile is complete once no piece came for this long

void OnCtlChannel6(int32_t, const uint8_t* data, int32_t length) {
    if (CtlSession* session = activeSession.load()) {
        session->OnReport(6, data, length);
    }
}

void OnCtlChannel0(int32_t, const uint8_t* data, int32_t length) {
    if (CtlSession* session = activeSession.load()) {
        session->OnReport(0, data, length);
    }
}

void OnCtlConnection(int32_t, int32_t connected) {
    if (CtlSession* session = activeSession.load()) {
        session->OnConnection(connected != 0);
    }
}

}  // namespace

CtlSession::CtlSession(uint32_t timeoutMs) : timeoutMs_(timeoutMs) {}

CtlSession::~CtlSession() {
    if (activeSession.load() != this) {
        return;
    }
    StopDriverIO();
    // No read thread outlives this: none can reach the session afterwards.
    JoinDriverIOThreads();
    SetReportCallback0(nullptr);
    SetReportCallback6(nullptr);
    SetConnectCallback6(nullptr);
    activeSession.store(nullptr);
}

CtlSession::StartResult CtlSession::Start() {
    HidCaps caps;
    const HidHandle probe = FindHIDDevice(caps, kChannel6Usage, kVendorUsagePage, true);
    if (probe == nullptr) {
        return StartResult::NoController;
    }
    CloseHIDDevice(probe);
    activeSession.store(this);
    SetReportCallback0(OnCtlChannel0);
    SetReportCallback6(OnCtlChannel6);
    SetConnectCallback6(OnCtlConnection);
    StartDriverIO();
    std::unique_lock<std::mutex> guard(lock_);
    const bool connected =
        changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs_), [&] { return connected_; });
    return connected ? StartResult::Connected : StartResult::NoController;
}

uint32_t CtlSession::ReplyCount(uint8_t code) {
    std::lock_guard<std::mutex> guard(lock_);
    return replyCounts_[code];
}

bool CtlSession::EventExchange(uint8_t eventCode, const char* text) {
    uint32_t before;
    {
        std::lock_guard<std::mutex> guard(lock_);
        before = eventCounts_[eventCode];
    }
    SendText(text);
    return WaitForChange([&] { return eventCounts_[eventCode]; }, before);
}

bool CtlSession::InputDevicesExchange(const char* text) {
    uint32_t before;
    {
        std::lock_guard<std::mutex> guard(lock_);
        before = inputDevicesAnswers_;
    }
    SendText(text);
    return WaitForChange([&] { return inputDevicesAnswers_; }, before);
}

bool CtlSession::FetchSettings(int channel, uint8_t (&settingsData)[kSettingsDataSize]) {
    ChannelSettings& settings = SettingsOf(channel);
    uint32_t before;
    {
        std::lock_guard<std::mutex> guard(lock_);
        before = settings.blocks;
    }
    if (channel == 0) {
        RequestSettings0();
    } else {
        RequestSettings6();
    }
    if (!WaitForChange([&] { return settings.blocks; }, before)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    std::memcpy(settingsData, settings.settingsData, kSettingsDataSize);
    return true;
}

CtlSession::WriteResult CtlSession::WriteSetting(int channel, int position, uint8_t typeCode,
                                                 const uint8_t* value,
                                                 uint8_t (&settingsData)[kSettingsDataSize]) {
    ChannelSettings& settings = SettingsOf(channel);
    if (position < 0 || position >= kMaxSettingsLookup) {
        return WriteResult::NoEcho;
    }
    uint32_t before;
    {
        std::lock_guard<std::mutex> guard(lock_);
        before = settings.echoes[position];
    }
    uint8_t report[kSetSettingReportSize];
    BuildSetSettingReport(static_cast<uint8_t>(channel), position, typeCode, value, report);
    if (channel == 0) {
        QueueReport0(0, report, kSetSettingReportSize);
    } else {
        QueueReport6(report, kSetSettingReportSize);
    }
    const bool echoed = WaitForChange([&] { return settings.echoes[position]; }, before);
    std::lock_guard<std::mutex> guard(lock_);
    std::memcpy(settingsData, settings.settingsData, kSettingsDataSize);
    return echoed ? WriteResult::Echoed : WriteResult::NoEcho;
}

bool CtlSession::CaptureScope(uint8_t code, ScopeProfile& profile, int completePixels) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        profile = ScopeProfile{};
        scopeProfile_ = &profile;
        scopeCode_ = code;
        scopeReports_ = 0;
    }
    RequestScopeData(code);
    bool received = WaitForChange([&] { return scopeReports_; }, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
    std::unique_lock<std::mutex> guard(lock_);
    const auto complete = [&] {
        return completePixels > 0 && profile.pixelCount >= completePixels &&
               profile.presentCount >= completePixels;
    };
    while (received && !complete() && std::chrono::steady_clock::now() < deadline) {
        const uint32_t seen = scopeReports_;
        if (!changed_.wait_for(guard, std::chrono::milliseconds(kScopeQuietMs),
                               [&] { return scopeReports_ != seen; })) {
            break;
        }
    }
    scopeProfile_ = nullptr;
    return received;
}

bool CtlSession::LogPackets(const std::string& path, uint32_t seconds, uint32_t& packets) {
    if (!packetLog_.Start(path)) {
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        xPackets_ = 0;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    packetLog_.Stop();
    std::lock_guard<std::mutex> guard(lock_);
    packets = xPackets_;
    return true;
}

void CtlSession::WatchTouches(uint32_t seconds, GhostTouchCounter& ghosts) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ghosts_ = &ghosts;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    std::lock_guard<std::mutex> guard(lock_);
    ghosts_ = nullptr;
}

void CtlSession::OnConnection(bool connected) {
    std::lock_guard<std::mutex> guard(lock_);
    connected_ = connected;
    status_.Connected = connected;
    changed_.notify_all();
}

void CtlSession::OnReport(int channel, const uint8_t* data, int32_t length) {
    if (data == nullptr || length != kIncomingReportLength) {
        return;
    }
    if (data[0] == 'N' || data[0] == 'S') {
        OnSettingsReport(SettingsOf(channel), data, length);
    } else if (channel == 6) {
        OnChannel6Report(data, length);
    }
}

void CtlSession::OnSettingsReport(ChannelSettings& settings, const uint8_t* data, int32_t length) {
    std::lock_guard<std::mutex> guard(lock_);
    if (IsSettingsChunk(data, length)) {
        if (StoreSettingsChunk(settings.assembly, data, length) == ChunkResult::Complete &&
            TakeSettingsBlock(settings.assembly, settings.settingsData)) {
            settings.haveBlock = true;
            ++settings.blocks;
        }
    } else if (settings.haveBlock && IsSettingEcho(data, length)) {
        const int position = ApplySettingEcho(settings.settingsData, data, length);
        if (position >= 0 && position < kMaxSettingsLookup) {
            ++settings.echoes[position];
        }
    }
    changed_.notify_all();
}

void CtlSession::OnXPacket(const uint8_t* data) {
    const XPacket packet = DecodeXPacket(data);
    // The packet log has its own lock; it is written outside ours.
    const bool logging = packetLog_.IsOn();
    if (logging) {
        packetLog_.Write(packet);
    }
    std::lock_guard<std::mutex> guard(lock_);
    xPackets_ += logging ? 1 : 0;
    if (ghosts_ != nullptr) {
        ghosts_->Add(packet);
    }
}

void CtlSession::OnChannel6Report(const uint8_t* data, int32_t length) {
    if (data[0] == 'X') {
        OnXPacket(data);
        return;
    }
    std::lock_guard<std::mutex> guard(lock_);
    switch (data[0]) {
        case 'C':
            ApplyCommandReply(status_, data);
            ++replyCounts_[data[2]];
            break;
        case 'E':
            ApplyEvent(status_, data);
            ++eventCounts_[data[2]];
            break;
        case 'T':
            if (ApplyInputDevicesText(status_, data)) {
                ++inputDevicesAnswers_;
            }
            break;
        case 'G': {
            const CameraData camera = DecodeCameraData(data, length);
            if (scopeProfile_ == nullptr || camera.code != scopeCode_ || camera.count <= 0) {
                break;
            }
            for (int i = 0; i < camera.count; ++i) {
                const int pixel = camera.firstPixel + i;
                if (pixel < kMaxScopePixels) {
                    scopeProfile_->values[pixel] = camera.values[i];
                    scopeProfile_->presentCount += scopeProfile_->present[pixel] ? 0 : 1;
                    scopeProfile_->present[pixel] = true;
                    scopeProfile_->pixelCount = std::max(scopeProfile_->pixelCount, pixel + 1);
                }
            }
            ++scopeReports_;
            break;
        }
        default:
            return;
    }
    changed_.notify_all();
}
