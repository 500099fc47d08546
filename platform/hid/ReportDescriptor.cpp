#include "platform/hid/ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <utility>

namespace platform::hid {

namespace {

// The kernel refuses reports longer than this, so a descriptor declaring one
// is broken; the bound also keeps every sum far from overflow.
constexpr uint64_t kMaxReportBits = 16384 * 8;
constexpr size_t kMaxPushDepth = 16;
constexpr uint8_t kLongItemPrefix = 0xFE;
constexpr uint32_t kApplicationCollection = 0x01;

enum class ReportKind { Input, Output, Feature };

enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };

enum MainTag : uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC
};

enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};

enum LocalTag : uint8_t { kUsage = 0x0 };

struct ShortItem {
    uint8_t type;
    uint8_t tag;
    uint8_t size;
    uint32_t data;
};

struct GlobalState {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

// Only the first usage matters: it names the collection that follows.
struct LocalState {
    bool hasUsage = false;
    bool extended = false;  // a 4-byte usage carries its own page
    uint32_t usage = 0;
};

template <typename Collection>
auto& IdsOf(Collection& collection, ReportKind kind) {
    switch (kind) {
        case ReportKind::Input:
            return collection.InputIds;
        case ReportKind::Output:
            return collection.OutputIds;
        case ReportKind::Feature:
            break;
    }
    return collection.FeatureIds;
}

class Parser {
public:
    ReportDescriptor Run(const uint8_t* bytes, size_t length) {
        size_t pos = 0;
        while (pos < length) {
            if (bytes[pos] == kLongItemPrefix) {
                // Long items carry no information we use; skip them whole.
                if (length - pos < 3 || length - pos - 3 < bytes[pos + 1]) {
                    break;
                }
                pos += 3 + size_t{bytes[pos + 1]};
                continue;
            }
            ShortItem item{};
            if (!ReadShortItem(bytes, length, pos, item) || !Apply(item)) {
                break;
            }
        }
        FinishLengths();
        return std::move(result_);
    }

private:
    static bool ReadShortItem(const uint8_t* bytes, size_t length, size_t& pos, ShortItem& item) {
        const uint8_t prefix = bytes[pos];
        const uint8_t sizeCode = prefix & 0x3;
        item.size = sizeCode == 3 ? 4 : sizeCode;
        item.type = (prefix >> 2) & 0x3;
        item.tag = prefix >> 4;
        if (length - pos - 1 < item.size) {
            return false;
        }
        item.data = 0;
        for (uint8_t i = 0; i < item.size; ++i) {
            item.data |= uint32_t{bytes[pos + 1 + i]} << (8 * i);
        }
        pos += 1 + size_t{item.size};
        return true;
    }

    // False when the item breaks the descriptor; parsing stops there.
    bool Apply(const ShortItem& item) {
        switch (item.type) {
            case kMain: {
                const bool ok = ApplyMain(item);
                local_ = LocalState{};
                return ok;
            }
            case kGlobal:
                return ApplyGlobal(item);
            case kLocal:
                if (item.tag == kUsage && !local_.hasUsage) {
                    local_ = LocalState{true, item.size == 4, item.data};
                }
                return true;
            default:  // reserved item type: nothing to learn from it
                return true;
        }
    }

    bool ApplyMain(const ShortItem& item) {
        switch (item.tag) {
            case kInput:
                return AddReportItem(ReportKind::Input);
            case kOutput:
                return AddReportItem(ReportKind::Output);
            case kFeature:
                return AddReportItem(ReportKind::Feature);
            case kCollection:
                if (depth_ == 0 && item.data == kApplicationCollection) {
                    open_ = TopLevelCollection{};
                    open_.UsagePage = static_cast<uint16_t>(local_.extended ? local_.usage >> 16
                                                                            : global_.usagePage);
                    open_.Usage = static_cast<uint16_t>(local_.usage);
                    inApplication_ = true;
                }
                ++depth_;
                return true;
            case kEndCollection:
                if (depth_ == 0) {
                    return false;
                }
                if (--depth_ == 0 && inApplication_) {
                    result_.Collections.push_back(open_);
                    inApplication_ = false;
                }
                return true;
            default:
                return true;
        }
    }

    bool AddReportItem(ReportKind kind) {
        const uint32_t id = global_.reportId;
        uint64_t& bits = bits_[static_cast<size_t>(kind)][id];
        const uint64_t total = bits + uint64_t{global_.reportSize} * global_.reportCount;
        if (total > kMaxReportBits) {
            return false;
        }
        bits = total;
        if (id != 0) {
            result_.NumberedReports = true;
        }
        if (inApplication_) {
            IdsOf(open_, kind).set(id);
        }
        return true;
    }

    bool ApplyGlobal(const ShortItem& item) {
        switch (item.tag) {
            case kUsagePage:
                global_.usagePage = item.data & 0xFFFF;
                return true;
            case kReportSize:
                global_.reportSize = item.data;
                return true;
            case kReportCount:
                global_.reportCount = item.data;
                return true;
            case kReportId:
                if (item.data > 0xFF) {
                    return false;
                }
                global_.reportId = item.data;
                return true;
            case kPush:
                if (pushed_ == stack_.size()) {
                    return false;
                }
                stack_[pushed_++] = global_;
                return true;
            case kPop:
                if (pushed_ == 0) {
                    return false;
                }
                global_ = stack_[--pushed_];
                return true;
            default:
                return true;
        }
    }

    // A report's length is known only once the whole descriptor was read: an
    // id may gather items from several places.
    void FinishLengths() {
        for (TopLevelCollection& collection : result_.Collections) {
            collection.InputReportByteLength = LongestReport(collection, ReportKind::Input);
            collection.OutputReportByteLength = LongestReport(collection, ReportKind::Output);
            collection.FeatureReportByteLength = LongestReport(collection, ReportKind::Feature);
        }
    }

    uint16_t LongestReport(const TopLevelCollection& collection, ReportKind kind) const {
        const std::bitset<256>& ids = IdsOf(collection, kind);
        const auto& bits = bits_[static_cast<size_t>(kind)];
        uint64_t longest = 0;
        bool any = false;
        for (size_t id = 0; id < ids.size(); ++id) {
            if (ids.test(id)) {
                any = true;
                longest = std::max(longest, bits[id]);
            }
        }
        // The report id byte is counted even for bare reports, as callers
        // always pass it.
        return any ? static_cast<uint16_t>((longest + 7) / 8 + 1) : 0;
    }

    ReportDescriptor result_;
    GlobalState global_;
    LocalState local_;
    std::array<GlobalState, kMaxPushDepth> stack_{};
    size_t pushed_ = 0;
    size_t depth_ = 0;
    bool inApplication_ = false;
    TopLevelCollection open_;
    std::array<std::array<uint64_t, 256>, 3> bits_{};
};

}  // namespace

ReportDescriptor ParseReportDescriptor(const uint8_t* bytes, size_t length) {
    if (bytes == nullptr) {
        return {};
    }
    return Parser().Run(bytes, length);
}

}  // namespace platform::hid
