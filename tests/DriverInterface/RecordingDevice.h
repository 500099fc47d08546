#pragma once
// Test helpers around the engine: a virtual controller that records what the
// program sends, and inboxes that collect what the engine's callbacks deliver.

#include <cstdint>
#include <mutex>
#include <vector>

#include "DriverInterface/DriverIO.h"
#include "platform/hid/VirtualBus.h"
#include "tests/support/WaitUntil.h"

// Collection indexes of the virtual controller's collections.
constexpr size_t kDigitizerCollection = 0;
constexpr size_t kChannel0Collection = 1;
constexpr size_t kPerformanceStatsCollection = 2;
constexpr size_t kChannel6Collection = 3;

using Bytes = std::vector<uint8_t>;

// A thread-safe list that tests wait on.
template <typename Item>
class Inbox {
public:
    void Add(Item item) {
        std::lock_guard<std::mutex> guard(lock_);
        items_.push_back(std::move(item));
    }
    // True once at least count items arrived.
    bool WaitFor(size_t count) const {
        return t860test::WaitUntil([&] { return Size() >= count; });
    }
    std::vector<Item> Items() const {
        std::lock_guard<std::mutex> guard(lock_);
        return items_;
    }
    size_t Size() const {
        std::lock_guard<std::mutex> guard(lock_);
        return items_.size();
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(lock_);
        items_.clear();
    }

private:
    mutable std::mutex lock_;
    std::vector<Item> items_;
};

struct OutputReport {
    size_t collection;
    Bytes bytes;
};

// Records every output report; answers the input mode feature report with
// inputMode and keeps the feature reports set.
class RecordingDevice : public platform::hid::VirtualDeviceHandler {
public:
    void OnOutputReport(size_t collection, const uint8_t* report, size_t length) override {
        outputs.Add({collection, Bytes(report, report + length)});
    }
    bool OnGetFeature(size_t, uint8_t* report, size_t length) override {
        if (length < 2) {
            return false;
        }
        report[1] = inputMode;
        return true;
    }
    bool OnSetFeature(size_t, const uint8_t* report, size_t length) override {
        features.Add(Bytes(report, report + length));
        return true;
    }

    // The reports sent to one collection, in order.
    std::vector<Bytes> SentTo(size_t collection) const {
        std::vector<Bytes> sent;
        for (const OutputReport& output : outputs.Items()) {
            if (output.collection == collection) {
                sent.push_back(output.bytes);
            }
        }
        return sent;
    }

    Inbox<OutputReport> outputs;
    Inbox<Bytes> features;
    uint8_t inputMode = 0;
};

// A 65-byte report: the given leading bytes, zeros after them.
inline Bytes Report65(std::initializer_list<uint8_t> leading) {
    Bytes report(leading);
    report.resize(65, 0);
    return report;
}
