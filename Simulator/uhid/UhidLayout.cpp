#include "Simulator/uhid/UhidLayout.h"

#include "platform/hid/VirtualBus.h"

namespace {

constexpr uint16_t kVendorPage = 0xFFA0;
constexpr uint16_t kDigitizerPage = 0x000D;
constexpr uint8_t kInputModeUsage = 0x52;

struct CollectionReports {
    uint16_t usagePage;
    uint16_t usage;
    uint8_t reportId;   // of its input and output reports; 0: none declared
    uint8_t featureId;  // of its feature report, if it has one
};

// In descriptor order. The digitizer's own input report is never sent: its
// fields are constant, so that the kernel makes no input device of them.
constexpr CollectionReports kReports[] = {
    {kVendorPage, 0x0001, 0, 0},
    {kVendorPage, 0x0002, 5, 0},
    {kVendorPage, 0x0006, 6, 0},
    {kDigitizerPage, 0x0004, 1, 2},
};

void UsagePage(std::vector<uint8_t>& out, uint16_t page) {
    if (page <= 0xFF) {
        out.insert(out.end(), {0x05, static_cast<uint8_t>(page)});
    } else {
        out.insert(out.end(), {0x06, static_cast<uint8_t>(page), static_cast<uint8_t>(page >> 8)});
    }
}

// Report Size 8 and a count of length - 1 bytes after the report id.
void ByteFields(std::vector<uint8_t>& out, uint16_t length) {
    out.insert(out.end(),
               {0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, static_cast<uint8_t>(length - 1)});
}

void AppendCollection(std::vector<uint8_t>& out, const CollectionReports& reports,
                      const platform::hid::VirtualCollection& collection) {
    constexpr uint8_t kData = 0x02;      // Data, Variable, Absolute
    constexpr uint8_t kConstant = 0x03;  // Constant, Variable, Absolute
    UsagePage(out, reports.usagePage);
    out.insert(out.end(), {0x09, static_cast<uint8_t>(reports.usage), 0xA1, 0x01});
    if (reports.reportId != 0) {
        out.insert(out.end(), {0x85, reports.reportId});
    }
    UsagePage(out, kVendorPage);
    if (collection.inputLength > 1) {
        ByteFields(out, collection.inputLength);
        const bool sent = reports.usagePage == kVendorPage;
        out.insert(out.end(),
                   {0x09, static_cast<uint8_t>(reports.usage), 0x81, sent ? kData : kConstant});
    }
    if (collection.outputLength > 1) {
        ByteFields(out, collection.outputLength);
        out.insert(out.end(), {0x09, static_cast<uint8_t>(reports.usage), 0x91, kData});
    }
    if (reports.featureId != 0 && collection.featureLength > 1) {
        out.insert(out.end(), {0x85, reports.featureId});
        UsagePage(out, reports.usagePage);
        ByteFields(out, collection.featureLength);
        out.insert(out.end(), {0x09, kInputModeUsage, 0xB1, kData});
    }
    out.push_back(0xC0);
}

}  // namespace

std::vector<UhidDeviceLayout> BuildUhidLayout(UhidTopology topology) {
    const auto collections = platform::hid::ControllerCollections();
    std::vector<UhidDeviceLayout> devices;
    for (const CollectionReports& reports : kReports) {
        size_t index = 0;
        while (index < collections.size() && (collections[index].usagePage != reports.usagePage ||
                                              collections[index].usage != reports.usage)) {
            ++index;
        }
        if (index == collections.size()) {
            continue;
        }
        if (topology == UhidTopology::Separate || devices.empty()) {
            devices.emplace_back();
        }
        AppendCollection(devices.back().descriptor, reports, collections[index]);
        devices.back().collections.push_back(index);
    }
    return devices;
}
