#pragma once
// A virtual controller on its own bus with channel 0 and channel 6 opened
// straight through the bus, as the program's read threads open them, and a
// reader per channel that collects what the controller sends.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <thread>

#include "Simulator/VirtualController.h"
#include "lib/ByteOrder.h"
#include "tests/support/WaitUntil.h"

using platform::hid::HidHandle;
using platform::hid::kReportSize;
using platform::hid::OpenStatus;
using platform::hid::ReadStatus;
using platform::hid::VirtualBus;

struct Report {
    std::array<uint8_t, kReportSize> bytes{};
    size_t length = 0;
    // What follows the report id.
    const uint8_t* Data() const { return &bytes[1]; }
};

// Big-endian fields of a report, read as the program reads them.
inline uint16_t BigEndian16(const uint8_t* at) {
    uint16_t raw;
    std::memcpy(&raw, at, 2);
    return SwapUShort(raw, 1);
}
inline int32_t BigEndian32(const uint8_t* at) {
    int32_t raw;
    std::memcpy(&raw, at, 4);
    return SwapLong(raw, 1);
}
inline float BigEndianFloat(const uint8_t* at) {
    uint32_t raw;
    std::memcpy(&raw, at, 4);
    return SwapFloat(raw, 1);
}

// How long a report that must come is waited for: the tests' generous deadline.
constexpr uint32_t kWaitMs = static_cast<uint32_t>(t860test::kGenerousDeadline.count());

class OpenCollection {
public:
    OpenCollection(VirtualBus& bus, const platform::hid::VirtualDevice& device, size_t collection)
        : bus_(bus) {
        opened_ = bus.Open(VirtualBus::PathOf(device, collection), true, handle_) == OpenStatus::Ok;
        if (opened_) {
            reader_ = std::thread([this] { ReadAll(); });
        }
    }
    ~OpenCollection() {
        cancel_.Set();
        if (reader_.joinable()) {
            reader_.join();
        }
        bus_.Close(handle_);
    }

    bool IsOpen() const { return opened_; }
    HidHandle Handle() const { return handle_; }

    // The next report, or false when none comes within the time.
    bool Next(Report& report, uint32_t timeoutMs = kWaitMs) {
        std::unique_lock<std::mutex> lock(lock_);
        if (!arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return !reports_.empty(); })) {
            return false;
        }
        report = reports_.front();
        reports_.pop_front();
        return true;
    }
    // True when nothing arrives for the whole time.
    bool StaysQuiet(uint32_t ms) {
        Report ignored;
        return !Next(ignored, ms);
    }
    // True when the reader's read failed (unplugged) within the time.
    bool Ends(uint32_t timeoutMs = kWaitMs) {
        std::unique_lock<std::mutex> lock(lock_);
        return arrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return failed_; });
    }

private:
    void ReadAll() {
        for (;;) {
            Report report;
            const auto result = bus_.Read(handle_, report.bytes.data(), kReportSize, cancel_);
            std::lock_guard<std::mutex> guard(lock_);
            if (result.status != ReadStatus::Completed) {
                failed_ = result.status == ReadStatus::Failed;
                arrived_.notify_all();
                return;
            }
            report.length = result.bytes;
            reports_.push_back(report);
            arrived_.notify_all();
        }
    }

    VirtualBus& bus_;
    HidHandle handle_ = nullptr;
    bool opened_ = false;
    platform::Event cancel_{platform::Event::Reset::Manual};
    std::mutex lock_;
    std::condition_variable arrived_;
    std::deque<Report> reports_;
    bool failed_ = false;
    std::thread reader_;
};

class ControllerSession {
public:
    explicit ControllerSession(ControllerConfig config = {}) : controller(bus, std::move(config)) {
        controller.Plug();
        channel0.emplace(bus, controller.Device(), controller.CollectionOf(0));
        channel6.emplace(bus, controller.Device(), controller.CollectionOf(6));
    }

    OpenCollection& Channel(int channel) { return channel == 0 ? *channel0 : *channel6; }

    // Writes a 65-byte output report (report id first, the rest zero).
    bool Send(int channel, std::initializer_list<uint8_t> bytes) {
        uint8_t report[kReportSize] = {};
        std::copy(bytes.begin(), bytes.end(), report);
        size_t written = 0;
        return bus.Write(Channel(channel).Handle(), report, kReportSize, written);
    }
    bool SendText(const char* text) {
        uint8_t report[kReportSize] = {6, 'T', static_cast<uint8_t>(std::strlen(text))};
        std::memcpy(&report[3], text, std::strlen(text));
        size_t written = 0;
        return bus.Write(channel6->Handle(), report, kReportSize, written);
    }
    // True when the next report on channel 6 is the answer to a stream status
    // query sent now. The controller takes commands in order, so it sent
    // nothing for the commands before the query but what was already read.
    bool NothingMoreBeforeAnAnswer() {
        Send(6, {6, 'C', 1, 0x83});
        Report report;
        return channel6->Next(report) && report.Data()[0] == 'C' && report.Data()[2] == 0x83;
    }
    // The next report on the channel; a test failure when none comes.
    Report Next(int channel) {
        Report report;
        EXPECT_TRUE(Channel(channel).Next(report)) << "no report on channel " << channel;
        return report;
    }

    VirtualBus bus;
    VirtualController controller;
    std::optional<OpenCollection> channel0;
    std::optional<OpenCollection> channel6;
};
