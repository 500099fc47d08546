#pragma once
// The virtual BFT860: a controller that answers every report the program
// exchanges with it, on the in-process bus or any other transport. Commands are taken on the
// writer's thread and answered from the controller's own worker thread, after an optional delay,
// never inside the program's write call; the worker also sends the touch packets and "F loop"
// notices and ends calibrations. Feature reports and performance statistics are answered on the
// caller's thread, since their result is the call's result.
//
// Lock order: the controller's lock before the transport's locks (replies are
// sent with the controller's lock held; a transport never calls the
// controller while holding its own).

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Simulator/BusTransport.h"
#include "Simulator/CameraProfiles.h"
#include "Simulator/ControllerTransport.h"
#include "Simulator/DigitizerForms.h"
#include "Simulator/SettingsBlocks.h"
#include "Simulator/TechnicianScript.h"
#include "Simulator/TouchScript.h"
#include "platform/hid/VirtualBus.h"

struct ControllerConfig {
    uint16_t vendorId = 0x2F7A;
    uint16_t productId = 0x0006;
    std::string deviceName = "BFT860";  // names its device on the bus or in the kernel
    bool plugDecoys = false;            // also list the look-alike devices on the bus
    std::array<uint16_t, 4> version = {2, 6, 0, 1187};
    uint16_t modelNumber = 860;
    uint8_t firmwareMajor = 3;
    uint8_t firmwareMinor = 12;
    uint32_t serialNumber = 86012345;
    uint16_t reportMode = 0x0020;  // restored by "RestoreDefaults"
    uint8_t offscreenMode = 0;
    uint8_t inputMode = 2;                 // of the digitizer's feature report
    uint32_t touchReportsPerSecond = 100;  // 0: none; at most 1000
    uint32_t floopPeriodMs = 0;            // 0: no "F loop" notices
    uint32_t calibrationMs = 3000;
    ChunkOrder chunkOrder = ChunkOrder::Interleaved;
};

// Report mode bits that select the controller's own touch packets.
constexpr uint16_t kReportModeXPackets = 0x0002;
constexpr uint16_t kReportModeYPackets = 0x0080;
constexpr uint16_t kReportModeOffscreenPackets = 0x0200;

class VirtualController final : public platform::hid::VirtualDeviceHandler {
public:
    // Created unplugged. The controller must outlive the program's use of its
    // handles, or be unplugged before the program stops writing.
    explicit VirtualController(platform::hid::VirtualBus& bus, ControllerConfig config = {});
    // On another transport, which must outlive the controller.
    explicit VirtualController(ControllerTransport& transport, ControllerConfig config = {});
    ~VirtualController() override;
    VirtualController(const VirtualController&) = delete;
    VirtualController& operator=(const VirtualController&) = delete;

    // Re-plugging is a power cycle: calibration and stream stop, commands not
    // yet answered are forgotten; settings and modes are kept.
    void Plug();
    void Unplug();
    bool IsPlugged() const;

    const ControllerConfig& Config() const { return config_; }
    // The device on the in-process bus; only for a controller made with a bus.
    const platform::hid::VirtualDevice& Device() const { return ownBus_->Device(); }
    // The collection index of channel 0 or 6, or of the performance
    // statistics (5) or digitizer (2, its feature report id).
    size_t CollectionOf(int channel) const;
    // The collection that carries touches in the form; none for None.
    size_t CollectionOf(DigitizerForm form) const;

    // Faults on demand.
    void DelayReplies(uint32_t ms);
    // Commands still take effect; only what they would send is lost.
    void DropReplies(bool drop);
    // Report mode bits the controller will not take: a set answers (and keeps)
    // the value without them.
    void RefuseReportModeBits(uint16_t mask);
    // Changes one camera's row of one kind from now on (CameraProfiles::ChangeRow).
    void ChangeCameraRow(int camera, ScopeKind kind, size_t first, size_t last, double scale,
                         double offset);
    // The accuracy test's technician takes over the touches from now; after
    // the script's end no touches come until StopTechnician gives them back to
    // the scripted fingers.
    void PlayTechnician(std::shared_ptr<const TechnicianScript> script);
    void StopTechnician();
    // A technician's script is under way: not yet at its end nor stopped.
    bool TechnicianPlaying() const;
    // Sends any input report on channel 0 or 6; data is what follows the report
    // id, at most 64 bytes.
    void InjectReport(int channel, const uint8_t* data, size_t length);

    // What the controller holds now.
    uint16_t ReportMode() const;
    uint8_t OffscreenMode() const;
    uint8_t InputMode() const;
    // The form in which touches go to the system now.
    DigitizerForm Form() const;
    bool StreamOn() const;
    bool InputDevicesOn() const;
    bool Calibrating() const;
    std::vector<uint8_t> SettingsBlockBytes(int channel) const;  // channel 0 or 6
    // Output reports received on channel 0, 5 (performance statistics) or 6.
    uint32_t OutputReportCount(int channel) const;
    std::array<uint8_t, platform::hid::kReportSize> LastOutputReport(int channel) const;

    // What the program sends, from the transport.
    void OnOutputReport(size_t collection, const uint8_t* report, size_t length) override;
    bool OnGetFeature(size_t collection, uint8_t* report, size_t length) override;
    bool OnSetFeature(size_t collection, const uint8_t* report, size_t length) override;

private:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t kPendingSlots = 128;

    struct PendingCommand {
        uint8_t report[platform::hid::kReportSize];
        int channel;
        Clock::time_point due;
    };
    struct ChannelRecord {
        size_t collection = 0;
        uint32_t outputCount = 0;
        std::array<uint8_t, platform::hid::kReportSize> lastOutput{};
    };

    // The transport is ownBus unless given.
    VirtualController(std::unique_ptr<BusTransport> ownBus, ControllerTransport* transport,
                      const ControllerConfig& config);

    ChannelRecord* RecordOf(int channel);
    const ChannelRecord* RecordOf(int channel) const;
    int ChannelOfCollection(size_t collection) const;

    // Worker thread.
    void Run();
    void RunDueCommandsLocked(Clock::time_point now);
    // Whether the worker has touches to send: packets or a form asked for.
    bool TouchesWantedLocked() const;
    void SendTouchesLocked(Clock::time_point now);
    // The frame in the form now asked for. Contacts still held when the form
    // or the script changes are lifted first, or the system would keep a
    // finger down forever.
    void SendFormLocked(const TouchFrame& frame);
    void LiftHeldContactsLocked();
    // The technician's next frame while one plays, else the scripted fingers'.
    TouchFrame NextTouchFrameLocked();
    void SendFloopLocked(Clock::time_point now);
    void EndCalibrationLocked(Clock::time_point now);
    Clock::time_point NextWakeLocked(Clock::time_point now) const;
    double SecondsSinceStart(Clock::time_point now) const;

    // Command handling, on the worker with the lock held (ControllerCommands.cpp).
    void HandleCommandLocked(int channel, const uint8_t* report, Clock::time_point now);
    void HandleControlLocked(int channel, const uint8_t* report, Clock::time_point now);
    void HandleTextLocked(const uint8_t* report, Clock::time_point now);
    void HandleSettingsLocked(int channel, const uint8_t* report);
    void HandleScopeRequestLocked(const uint8_t* report, Clock::time_point now);
    void SetReportModeLocked(uint16_t mode, Clock::time_point now);
    void StartCalibrationLocked(Clock::time_point now);
    void RestoreDefaultsLocked(Clock::time_point now);
    void ReplyValueLocked(uint8_t code, const uint8_t* value, size_t length);
    // An event goes with the reply to a command, or on its own (isReply false).
    void SendEventLocked(uint8_t code, bool isReply);

    // Sends 64 data bytes on a channel; Reply drops them while replies are dropped.
    void SendLocked(int channel, const uint8_t* data);
    void ReplyLocked(int channel, const uint8_t* data);

    const std::unique_ptr<BusTransport> ownBus_;  // null on another transport
    ControllerTransport& transport_;
    const ControllerConfig config_;
    const std::vector<platform::hid::VirtualCollection> collections_;
    size_t digitizerCollection_ = 0;
    size_t mouseCollection_ = 0;
    size_t singleTouchCollection_ = 0;
    size_t statsCollection_ = 0;
    const Clock::time_point started_;
    const uint32_t touchRate_;  // touch packets per second, as configured within 0..1000
    const TouchScript touchScript_;

    mutable std::mutex lock_;  // guards everything below
    std::condition_variable wake_;
    bool stopping_ = false;
    bool plugged_ = false;
    ChannelRecord channel0_;
    ChannelRecord channel6_;
    ChannelRecord stats_;
    std::array<PendingCommand, kPendingSlots> pending_{};
    size_t pendingFirst_ = 0;
    size_t pendingCount_ = 0;
    uint32_t replyDelayMs_ = 0;
    bool dropReplies_ = false;
    uint16_t refusedModeBits_ = 0;

    uint16_t reportMode_;
    uint8_t offscreenMode_;
    uint8_t inputMode_;
    bool streamOn_ = false;
    bool inputDevicesOn_ = true;
    bool calibrating_ = false;
    Clock::time_point calibrationEnd_{};
    size_t calibrationsEnded_ = 0;
    SettingsBlock defaults0_;
    SettingsBlock defaults6_;
    SettingsBlock settings0_;
    SettingsBlock settings6_;
    CameraProfiles profiles_;
    uint32_t touchFrame_ = 0;
    DigitizerForm heldForm_ = DigitizerForm::None;
    TouchFrame heldContacts_{};  // touching in heldForm_ after the last report
    std::shared_ptr<const TechnicianScript> technician_;
    bool technicianActive_ = false;  // until the end of the script or StopTechnician
    uint32_t technicianFrame_ = 0;
    Clock::time_point nextTouch_{};
    Clock::time_point nextFloop_{};

    std::thread worker_;  // last: starts once everything above exists
};
