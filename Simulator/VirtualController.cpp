#include "Simulator/VirtualController.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "Simulator/PerformanceStats.h"
#include "Simulator/ReportBytes.h"
#include "lib/Trace.h"

using platform::hid::kReportSize;
using platform::hid::VirtualCollection;

namespace {

constexpr char kFloopText[] = "F loop";

size_t FindCollection(const std::vector<VirtualCollection>& collections, uint16_t usagePage,
                      uint16_t usage) {
    for (size_t i = 0; i < collections.size(); ++i) {
        if (collections[i].usagePage == usagePage && collections[i].usage == usage) {
            return i;
        }
    }
    return collections.size();
}

}  // namespace

VirtualController::VirtualController(platform::hid::VirtualBus& bus, ControllerConfig config)
    : VirtualController(
          std::make_unique<BusTransport>(bus, config.deviceName, config.vendorId, config.productId),
          nullptr, config) {
    if (config_.plugDecoys) {
        platform::hid::PlugDecoys(bus);
    }
}

VirtualController::VirtualController(ControllerTransport& transport, ControllerConfig config)
    : VirtualController(nullptr, &transport, config) {}

VirtualController::VirtualController(std::unique_ptr<BusTransport> ownBus,
                                     ControllerTransport* transport, const ControllerConfig& config)
    : ownBus_(std::move(ownBus)),
      transport_(transport != nullptr ? *transport : *ownBus_),
      config_(config),
      collections_(VirtualControllerCollections()),
      started_(Clock::now()),
      touchRate_(std::min<uint32_t>(config_.touchReportsPerSecond, 1000)),
      touchScript_(touchRate_),
      reportMode_(config_.reportMode),
      offscreenMode_(config_.offscreenMode),
      inputMode_(config_.inputMode),
      defaults0_(DefaultSettings(0)),
      defaults6_(DefaultSettings(6)),
      settings0_(defaults0_),
      settings6_(defaults6_) {
    digitizerCollection_ = FindCollection(collections_, 0x000D, 0x0004);
    channel0_.collection = FindCollection(collections_, 0xFFA0, 0x0001);
    statsCollection_ = FindCollection(collections_, 0xFFA0, 0x0002);
    stats_.collection = statsCollection_;
    channel6_.collection = FindCollection(collections_, 0xFFA0, 0x0006);
    mouseCollection_ = FindCollection(collections_, kMouseUsagePage, kMouseUsage);
    singleTouchCollection_ = FindCollection(collections_, kSingleTouchUsagePage, kSingleTouchUsage);
    transport_.Attach(this);
    worker_ = std::thread(&VirtualController::Run, this);
}

VirtualController::~VirtualController() {
    Unplug();
    transport_.Attach(nullptr);
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void VirtualController::Plug() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (plugged_) {
            return;
        }
        const Clock::time_point now = Clock::now();
        plugged_ = true;
        calibrating_ = false;
        streamOn_ = false;
        pendingCount_ = 0;
        touchFrame_ = 0;
        heldForm_ = DigitizerForm::None;  // the system forgot the old device's contacts
        heldContacts_ = {};
        nextTouch_ = now;
        nextFloop_ = now + std::chrono::milliseconds(config_.floopPeriodMs);
    }
    transport_.Plug();
    wake_.notify_all();
}

void VirtualController::Unplug() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        plugged_ = false;
        pendingCount_ = 0;
    }
    transport_.Unplug();
}

bool VirtualController::IsPlugged() const {
    return transport_.IsPlugged();
}

size_t VirtualController::CollectionOf(int channel) const {
    if (channel == kInputModeReportId) {
        return digitizerCollection_;
    }
    const ChannelRecord* record = RecordOf(channel);
    return record != nullptr ? record->collection : collections_.size();
}

size_t VirtualController::CollectionOf(DigitizerForm form) const {
    switch (form) {
        case DigitizerForm::Mouse:
            return mouseCollection_;
        case DigitizerForm::Digitizer:
            return singleTouchCollection_;
        case DigitizerForm::Multitouch:
            return digitizerCollection_;
        case DigitizerForm::None:
            break;
    }
    return collections_.size();
}

VirtualController::ChannelRecord* VirtualController::RecordOf(int channel) {
    return const_cast<ChannelRecord*>(std::as_const(*this).RecordOf(channel));
}

const VirtualController::ChannelRecord* VirtualController::RecordOf(int channel) const {
    switch (channel) {
        case 0:
            return &channel0_;
        case kPerformanceStatsReportId:
            return &stats_;
        case 6:
            return &channel6_;
        default:
            return nullptr;
    }
}

int VirtualController::ChannelOfCollection(size_t collection) const {
    for (int channel : {0, static_cast<int>(kPerformanceStatsReportId), 6}) {
        if (RecordOf(channel)->collection == collection) {
            return channel;
        }
    }
    return -1;
}

void VirtualController::DelayReplies(uint32_t ms) {
    std::lock_guard<std::mutex> guard(lock_);
    replyDelayMs_ = ms;
}

void VirtualController::DropReplies(bool drop) {
    std::lock_guard<std::mutex> guard(lock_);
    dropReplies_ = drop;
}

void VirtualController::RefuseReportModeBits(uint16_t mask) {
    std::lock_guard<std::mutex> guard(lock_);
    refusedModeBits_ = mask;
}

void VirtualController::ChangeCameraRow(int camera, ScopeKind kind, size_t first, size_t last,
                                        double scale, double offset) {
    std::lock_guard<std::mutex> guard(lock_);
    profiles_.ChangeRow(camera, kind, first, last, scale, offset);
}

void VirtualController::InjectReport(int channel, const uint8_t* data, size_t length) {
    const ChannelRecord* record = RecordOf(channel);
    if (record == nullptr || record == &stats_ || data == nullptr) {
        return;
    }
    uint8_t report[kReportSize] = {static_cast<uint8_t>(channel)};
    length = std::min(length, kReportDataSize);
    std::memcpy(&report[1], data, length);
    std::lock_guard<std::mutex> guard(lock_);
    if (plugged_) {
        transport_.SendInput(record->collection, report, 1 + length);
    }
}

uint16_t VirtualController::ReportMode() const {
    std::lock_guard<std::mutex> guard(lock_);
    return reportMode_;
}

uint8_t VirtualController::OffscreenMode() const {
    std::lock_guard<std::mutex> guard(lock_);
    return offscreenMode_;
}

uint8_t VirtualController::InputMode() const {
    std::lock_guard<std::mutex> guard(lock_);
    return inputMode_;
}

DigitizerForm VirtualController::Form() const {
    std::lock_guard<std::mutex> guard(lock_);
    return SelectDigitizerForm(reportMode_, inputMode_);
}

bool VirtualController::StreamOn() const {
    std::lock_guard<std::mutex> guard(lock_);
    return streamOn_;
}

bool VirtualController::InputDevicesOn() const {
    std::lock_guard<std::mutex> guard(lock_);
    return inputDevicesOn_;
}

bool VirtualController::Calibrating() const {
    std::lock_guard<std::mutex> guard(lock_);
    return calibrating_;
}

std::vector<uint8_t> VirtualController::SettingsBlockBytes(int channel) const {
    std::lock_guard<std::mutex> guard(lock_);
    if (channel != 0 && channel != 6) {
        return {};
    }
    const SettingsBlock& block = channel == 0 ? settings0_ : settings6_;
    return {block.Bytes(), block.Bytes() + block.Size()};
}

uint32_t VirtualController::OutputReportCount(int channel) const {
    std::lock_guard<std::mutex> guard(lock_);
    const ChannelRecord* record = RecordOf(channel);
    return record != nullptr ? record->outputCount : 0;
}

std::array<uint8_t, kReportSize> VirtualController::LastOutputReport(int channel) const {
    std::lock_guard<std::mutex> guard(lock_);
    const ChannelRecord* record = RecordOf(channel);
    return record != nullptr ? record->lastOutput : std::array<uint8_t, kReportSize>{};
}

void VirtualController::OnOutputReport(size_t collection, const uint8_t* report, size_t length) {
    const int channel = ChannelOfCollection(collection);
    if (report == nullptr || length == 0 || channel < 0) {
        return;
    }
    std::unique_lock<std::mutex> lock(lock_);
    ChannelRecord& record = *RecordOf(channel);
    ++record.outputCount;
    record.lastOutput.fill(0);
    std::memcpy(record.lastOutput.data(), report, std::min(length, kReportSize));
    if (channel == kPerformanceStatsReportId) {
        if (!transport_.SharesSenderMemory()) {
            return;  // the addresses are another process's: nothing to fill, no answer
        }
        // The writer reads the buffers as soon as its write returns, so they
        // are filled before it does.
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started_);
        lock.unlock();
        AnswerPerformanceStats(report, length, static_cast<uint64_t>(elapsed.count()));
        return;
    }
    if (report[0] != channel) {
        return;  // not a report id this collection takes
    }
    if (pendingCount_ == kPendingSlots) {
        TraceWarning("Simulator: command queue full, command dropped", __FILE__, __LINE__);
        return;
    }
    PendingCommand& slot = pending_[(pendingFirst_ + pendingCount_) % kPendingSlots];
    std::memset(slot.report, 0, sizeof slot.report);
    std::memcpy(slot.report, report, std::min(length, kReportSize));
    slot.channel = channel;
    slot.due = Clock::now() + std::chrono::milliseconds(replyDelayMs_);
    ++pendingCount_;
    lock.unlock();
    wake_.notify_all();
}

bool VirtualController::OnGetFeature(size_t collection, uint8_t* report, size_t length) {
    if (collection != digitizerCollection_ || length < 2 || report[0] != kInputModeReportId) {
        return false;
    }
    std::memset(&report[1], 0, length - 1);
    if (length > kContactCountMaximumAt) {
        report[kContactCountMaximumAt] = kMaxContacts;
    }
    std::lock_guard<std::mutex> guard(lock_);
    report[1] = inputMode_;
    return true;
}

bool VirtualController::OnSetFeature(size_t collection, const uint8_t* report, size_t length) {
    if (collection != digitizerCollection_ || length < 2 || report[0] != kInputModeReportId) {
        return false;
    }
    {
        // Only the input mode is written; the contact count maximum is the
        // controller's own, whatever the writer sends with it.
        std::lock_guard<std::mutex> guard(lock_);
        inputMode_ = report[1];
    }
    wake_.notify_all();  // the touches may change form
    return true;
}

void VirtualController::Run() {
    std::unique_lock<std::mutex> lock(lock_);
    while (!stopping_) {
        const Clock::time_point now = Clock::now();
        if (plugged_) {
            RunDueCommandsLocked(now);
            EndCalibrationLocked(now);
            SendTouchesLocked(now);
            SendFloopLocked(now);
        }
        wake_.wait_until(lock, NextWakeLocked(now));
    }
}

void VirtualController::RunDueCommandsLocked(Clock::time_point now) {
    while (pendingCount_ > 0 && pending_[pendingFirst_].due <= now) {
        // Copied out so that the slot is free while the command is handled.
        const PendingCommand command = pending_[pendingFirst_];
        pendingFirst_ = (pendingFirst_ + 1) % kPendingSlots;
        --pendingCount_;
        HandleCommandLocked(command.channel, command.report, now);
    }
}

VirtualController::Clock::time_point VirtualController::NextWakeLocked(
    Clock::time_point now) const {
    Clock::time_point wake = now + std::chrono::hours(1);
    if (!plugged_) {
        return wake;
    }
    if (pendingCount_ > 0) {
        wake = std::min(wake, pending_[pendingFirst_].due);
    }
    if (calibrating_) {
        wake = std::min(wake, calibrationEnd_);
    }
    if (TouchesWantedLocked()) {
        wake = std::min(wake, nextTouch_);
    }
    if (config_.floopPeriodMs > 0) {
        wake = std::min(wake, nextFloop_);
    }
    return wake;
}

double VirtualController::SecondsSinceStart(Clock::time_point now) const {
    return std::chrono::duration<double>(now - started_).count();
}

void VirtualController::EndCalibrationLocked(Clock::time_point now) {
    // A calibration ends in one of three ways; take them in turn.
    constexpr uint8_t kCalibrationEndEvents[] = {0x15, 0x21, 0x22};
    if (!calibrating_ || now < calibrationEnd_) {
        return;
    }
    calibrating_ = false;
    SendEventLocked(kCalibrationEndEvents[calibrationsEnded_++ % 3], false);
}

bool VirtualController::TouchesWantedLocked() const {
    const uint16_t kinds =
        reportMode_ & (kReportModeXPackets | kReportModeYPackets | kReportModeOffscreenPackets);
    return touchRate_ > 0 &&
           (kinds != 0 || SelectDigitizerForm(reportMode_, inputMode_) != DigitizerForm::None);
}

void VirtualController::SendTouchesLocked(Clock::time_point now) {
    if (heldForm_ != SelectDigitizerForm(reportMode_, inputMode_)) {
        LiftHeldContactsLocked();
    }
    if (!TouchesWantedLocked() || now < nextTouch_) {
        return;
    }
    const uint16_t kinds =
        reportMode_ & (kReportModeXPackets | kReportModeYPackets | kReportModeOffscreenPackets);
    const auto period = std::chrono::microseconds(1'000'000 / touchRate_);
    // After a stall, go on from now rather than sending a burst.
    if (now - nextTouch_ > 5 * period) {
        nextTouch_ = now;
    }
    uint8_t data[kReportDataSize];
    for (; nextTouch_ <= now; nextTouch_ += period) {
        const TouchFrame frame = NextTouchFrameLocked();
        if (frame.count == 0) {
            continue;
        }
        if (kinds & kReportModeXPackets) {
            EncodeXPacket(frame, data);
            SendLocked(6, data);
        }
        if (kinds & kReportModeYPackets) {
            EncodeYPacket(frame, data);
            SendLocked(6, data);
        }
        if (kinds & kReportModeOffscreenPackets) {
            EncodeOffscreenPacket(frame, data);
            SendLocked(6, data);
        }
        SendFormLocked(frame);
    }
}

void VirtualController::SendFormLocked(const TouchFrame& frame) {
    const DigitizerForm form = SelectDigitizerForm(reportMode_, inputMode_);
    uint8_t report[kFormReportSize];
    const size_t length = EncodeFormReport(form, frame, report);
    if (length == 0 || !plugged_) {
        return;
    }
    transport_.SendInput(CollectionOf(form), report, length);
    heldForm_ = form;
    heldContacts_.count = 0;
    for (size_t i = 0; i < frame.count; ++i) {
        if (frame.touches[i].state != kTouchUp) {
            heldContacts_.touches[heldContacts_.count++] = frame.touches[i];
        }
    }
}

void VirtualController::LiftHeldContactsLocked() {
    TouchFrame lift = heldContacts_;
    for (size_t i = 0; i < lift.count; ++i) {
        lift.touches[i].state = kTouchUp;
    }
    uint8_t report[kFormReportSize];
    const size_t length = EncodeFormReport(heldForm_, lift, report);
    if (length > 0 && plugged_) {
        transport_.SendInput(CollectionOf(heldForm_), report, length);
    }
    heldForm_ = SelectDigitizerForm(reportMode_, inputMode_);
    heldContacts_ = {};
}

TouchFrame VirtualController::NextTouchFrameLocked() {
    if (technician_ == nullptr) {
        return touchScript_.FrameAt(touchFrame_++);
    }
    if (!technicianActive_ || technicianFrame_ >= technician_->FramesInAll()) {
        technicianActive_ = false;
        return {};
    }
    return technician_->FrameAt(technicianFrame_++);
}

void VirtualController::PlayTechnician(std::shared_ptr<const TechnicianScript> script) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        LiftHeldContactsLocked();  // the fingers' touches end where the technician's begin
        technician_ = std::move(script);
        technicianActive_ = technician_ != nullptr;
        technicianFrame_ = 0;
    }
    wake_.notify_all();
}

void VirtualController::StopTechnician() {
    std::lock_guard<std::mutex> guard(lock_);
    LiftHeldContactsLocked();
    technicianActive_ = false;
    technician_.reset();
}

bool VirtualController::TechnicianPlaying() const {
    std::lock_guard<std::mutex> guard(lock_);
    return technicianActive_ && technician_ != nullptr &&
           technicianFrame_ < technician_->FramesInAll();
}

void VirtualController::SendFloopLocked(Clock::time_point now) {
    if (config_.floopPeriodMs == 0 || now < nextFloop_) {
        return;
    }
    uint8_t data[kReportDataSize] = {'T', sizeof kFloopText - 1};
    std::memcpy(&data[2], kFloopText, sizeof kFloopText - 1);
    SendLocked(0, data);
    nextFloop_ = now + std::chrono::milliseconds(config_.floopPeriodMs);
}

void VirtualController::SendLocked(int channel, const uint8_t* data) {
    if (!plugged_) {
        return;
    }
    uint8_t report[kReportSize] = {static_cast<uint8_t>(channel)};
    std::memcpy(&report[1], data, kReportDataSize);
    transport_.SendInput(RecordOf(channel)->collection, report, kReportSize);
}

void VirtualController::ReplyLocked(int channel, const uint8_t* data) {
    if (!dropReplies_) {
        SendLocked(channel, data);
    }
}
