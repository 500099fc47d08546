#pragma once
// Reading a HID report descriptor for what the program needs of each
// top-level collection: its usage, the report ids declared inside it and the
// byte length of its largest report of each kind. The descriptor comes from
// the device, so every malformed input ends in a defined result.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::hid {

struct TopLevelCollection {
    uint16_t UsagePage = 0;
    uint16_t Usage = 0;
    std::bitset<256> InputIds;
    std::bitset<256> OutputIds;
    std::bitset<256> FeatureIds;
    // Longest report of each kind in bytes with the report id byte counted,
    // whether or not the interface numbers its reports; 0 when there is none.
    uint16_t InputReportByteLength = 0;
    uint16_t OutputReportByteLength = 0;
    uint16_t FeatureReportByteLength = 0;
};

struct ReportDescriptor {
    // Application collections at the outermost level, in descriptor order.
    std::vector<TopLevelCollection> Collections;
    // True when reports carry a report id byte (some item declared an id other
    // than 0); otherwise the device sends bare report data.
    bool NumberedReports = false;
};

// A descriptor that breaks off or breaks a rule yields the collections that
// were complete before the fault.
ReportDescriptor ParseReportDescriptor(const uint8_t* bytes, size_t length);

}  // namespace platform::hid
