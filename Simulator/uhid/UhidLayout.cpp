#include "Simulator/uhid/UhidLayout.h"

#include "Simulator/DigitizerForms.h"
#include "platform/hid/VirtualBus.h"

namespace {

constexpr uint16_t kVendorPage = 0xFFA0;

struct VendorReports {
    uint16_t usage;
    uint8_t reportId;  // of its input and output reports; 0: none declared
};

// In descriptor order, before the collections that carry touches to the system.
constexpr VendorReports kVendorReports[] = {{0x0001, 0}, {0x0002, 5}, {0x0006, 6}};

// Report Size 8 and a count of length - 1 bytes after the report id.
void ByteFields(std::vector<uint8_t>& out, uint16_t length) {
    out.insert(out.end(),
               {0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, static_cast<uint8_t>(length - 1)});
}

void AppendVendorCollection(std::vector<uint8_t>& out, const VendorReports& reports,
                            const platform::hid::VirtualCollection& collection) {
    constexpr uint8_t kData = 0x02;  // Data, Variable, Absolute
    const uint8_t usage = static_cast<uint8_t>(reports.usage);
    out.insert(out.end(), {0x06, static_cast<uint8_t>(kVendorPage),
                           static_cast<uint8_t>(kVendorPage >> 8), 0x09, usage, 0xA1, 0x01});
    if (reports.reportId != 0) {
        out.insert(out.end(), {0x85, reports.reportId});
    }
    ByteFields(out, collection.inputLength);
    out.insert(out.end(), {0x09, usage, 0x81, kData});
    ByteFields(out, collection.outputLength);
    out.insert(out.end(), {0x09, usage, 0x91, kData});
    out.push_back(0xC0);
}

size_t IndexOf(const std::vector<platform::hid::VirtualCollection>& collections, uint16_t usagePage,
               uint16_t usage) {
    size_t index = 0;
    while (index < collections.size() &&
           (collections[index].usagePage != usagePage || collections[index].usage != usage)) {
        ++index;
    }
    return index;
}

}  // namespace

std::vector<UhidDeviceLayout> BuildUhidLayout(UhidTopology topology) {
    const auto collections = VirtualControllerCollections();
    std::vector<UhidDeviceLayout> devices;
    const auto add = [&](uint16_t usagePage, uint16_t usage, const char* nameSuffix, auto append) {
        const size_t index = IndexOf(collections, usagePage, usage);
        if (index == collections.size()) {
            return;
        }
        if (topology == UhidTopology::Separate || devices.empty()) {
            devices.emplace_back();
            devices.back().nameSuffix = nameSuffix;
        }
        append(devices.back().descriptor, collections[index]);
        devices.back().collections.push_back(index);
    };
    for (const VendorReports& reports : kVendorReports) {
        add(kVendorPage, reports.usage, "",
            [&](std::vector<uint8_t>& out, const platform::hid::VirtualCollection& collection) {
                AppendVendorCollection(out, reports, collection);
            });
    }
    for (const FormCollection& form : FormCollections()) {
        add(form.usagePage, form.usage, form.nameSuffix,
            [&](std::vector<uint8_t>& out, const platform::hid::VirtualCollection&) {
                form.appendDescriptor(out);
            });
    }
    return devices;
}
