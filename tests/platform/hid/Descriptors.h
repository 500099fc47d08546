#pragma once
// Report descriptors of real kinds of devices, written out item by item.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

// The report ids set in a collection's id set, in order.
inline std::vector<size_t> IdsOf(const std::bitset<256>& ids) {
    std::vector<size_t> list;
    for (size_t id = 0; id < ids.size(); ++id) {
        if (ids.test(id)) {
            list.push_back(id);
        }
    }
    return list;
}

namespace descriptors {

// A touch screen: one input report per contact (id 1) with the X/Y pair read
// under a pushed Generic Desktop page, two feature reports (ids 2 and 3), and
// a device configuration collection (id 4) named after the Pop.
inline const std::vector<uint8_t> kMultiTouch = {
    0x05, 0x0D,              // Usage Page (Digitizer)
    0x09, 0x04,              // Usage (Touch Screen)
    0xA1, 0x01,              // Collection (Application)
    0x85, 0x01,              //   Report ID (1)
    0x09, 0x22,              //   Usage (Finger)
    0xA1, 0x02,              //   Collection (Logical)
    0x09, 0x42,              //     Usage (Tip Switch)
    0x15, 0x00, 0x25, 0x01,  //     Logical Minimum (0), Maximum (1)
    0x75, 0x01, 0x95, 0x01,  //     Report Size (1), Count (1)
    0x81, 0x02,              //     Input (Data, Var, Abs)
    0x95, 0x07, 0x81, 0x03,  //     Report Count (7), Input (Const) padding
    0x75, 0x08, 0x95, 0x01,  //     Report Size (8), Count (1)
    0x09, 0x51, 0x81, 0x02,  //     Usage (Contact Id), Input
    0xA4,                    //     Push
    0x05, 0x01,              //     Usage Page (Generic Desktop)
    0x26, 0xFF, 0x7F,        //     Logical Maximum (32767)
    0x75, 0x10, 0x95, 0x02,  //     Report Size (16), Count (2)
    0x09, 0x30, 0x09, 0x31,  //     Usage (X), Usage (Y)
    0x81, 0x02,              //     Input
    0xB4,                    //     Pop
    0xC0,                    //   End Collection
    0x09, 0x54, 0x81, 0x02,  //   Usage (Contact Count), Input (8 bits after the Pop)
    0x85, 0x02, 0x09, 0x55,  //   Report ID (2), Usage (Contact Count Maximum)
    0x25, 0x0A, 0xB1, 0x02,  //   Logical Maximum (10), Feature
    0x85, 0x03, 0x09, 0x52,  //   Report ID (3), Usage (Input Mode)
    0xB1, 0x02,              //   Feature
    0xC0,                    // End Collection
    0x09, 0x0E,              // Usage (Device Configuration)
    0xA1, 0x01,              // Collection (Application)
    0x85, 0x04, 0x09, 0x23,  //   Report ID (4), Usage (Device Settings)
    0xA1, 0x02,              //   Collection (Logical)
    0x09, 0x52, 0x09, 0x53,  //     Usage (Input Mode), Usage (Device Index)
    0x95, 0x02, 0xB1, 0x02,  //     Report Count (2), Feature
    0xC0,                    //   End Collection
    0xC0,                    // End Collection
};

// A keyboard (id 1, with its LED output report) and a consumer control (id 2)
// on one interface.
inline const std::vector<uint8_t> kKeyboardAndConsumer = {
    0x05, 0x01, 0x09, 0x06,        // Usage Page (Generic Desktop), Usage (Keyboard)
    0xA1, 0x01, 0x85, 0x01,        // Collection (Application), Report ID (1)
    0x05, 0x07, 0x19, 0xE0,        //   Usage Page (Keyboard), Usage Minimum (0xE0)
    0x29, 0xE7, 0x15, 0x00,        //   Usage Maximum (0xE7), Logical Minimum (0)
    0x25, 0x01, 0x75, 0x01,        //   Logical Maximum (1), Report Size (1)
    0x95, 0x08, 0x81, 0x02,        //   Report Count (8), Input: modifiers
    0x95, 0x01, 0x75, 0x08,        //   Report Count (1), Size (8)
    0x81, 0x03,                    //   Input (Const): reserved byte
    0x95, 0x05, 0x75, 0x01,        //   Report Count (5), Size (1)
    0x05, 0x08, 0x19, 0x01,        //   Usage Page (LED), Usage Minimum (1)
    0x29, 0x05, 0x91, 0x02,        //   Usage Maximum (5), Output
    0x95, 0x01, 0x75, 0x03,        //   Report Count (1), Size (3)
    0x91, 0x03,                    //   Output (Const): padding
    0x95, 0x06, 0x75, 0x08,        //   Report Count (6), Size (8)
    0x26, 0xFF, 0x00,              //   Logical Maximum (255)
    0x05, 0x07, 0x19, 0x00,        //   Usage Page (Keyboard), Usage Minimum (0)
    0x2A, 0xFF, 0x00, 0x81, 0x00,  //   Usage Maximum (255), Input (Array): keys
    0xC0,                          // End Collection
    0x05, 0x0C, 0x09, 0x01,        // Usage Page (Consumer), Usage (Consumer Control)
    0xA1, 0x01, 0x85, 0x02,        // Collection (Application), Report ID (2)
    0x26, 0xFF, 0x03,              //   Logical Maximum (1023)
    0x19, 0x00, 0x2A, 0xFF, 0x03,  //   Usage Minimum (0), Maximum (1023)
    0x75, 0x10, 0x95, 0x01,        //   Report Size (16), Count (1)
    0x81, 0x00,                    //   Input (Array)
    0xC0,                          // End Collection
};

// The touch controller: three vendor collections carrying 64-byte reports
// (the first without a report id item, so its reports go as id 0), then the
// digitizer with its touch input (id 7) and input mode feature report (id 2).
inline const std::vector<uint8_t> kController = {
    0x06, 0xA0, 0xFF,              // Usage Page (0xFFA0)
    0x09, 0x01, 0xA1, 0x01,        // Usage (1), Collection (Application)
    0x15, 0x00, 0x26, 0xFF, 0x00,  //   Logical Minimum (0), Maximum (255)
    0x75, 0x08, 0x95, 0x40,        //   Report Size (8), Count (64)
    0x09, 0x01, 0x81, 0x02,        //   Usage (1), Input
    0x09, 0x01, 0x91, 0x02,        //   Usage (1), Output
    0xC0,                          // End Collection
    0x09, 0x02, 0xA1, 0x01,        // Usage (2), Collection (Application)
    0x85, 0x05,                    //   Report ID (5)
    0x09, 0x02, 0x81, 0x02,        //   Usage (2), Input
    0x09, 0x02, 0x91, 0x02,        //   Usage (2), Output
    0xC0,                          // End Collection
    0x09, 0x06, 0xA1, 0x01,        // Usage (6), Collection (Application)
    0x85, 0x06,                    //   Report ID (6)
    0x09, 0x06, 0x81, 0x02,        //   Usage (6), Input
    0x09, 0x06, 0x91, 0x02,        //   Usage (6), Output
    0xC0,                          // End Collection
    0x05, 0x0D, 0x09, 0x04,        // Usage Page (Digitizer), Usage (Touch Screen)
    0xA1, 0x01, 0x85, 0x07,        // Collection (Application), Report ID (7)
    0x09, 0x42, 0x75, 0x08,        //   Usage (Tip Switch), Report Size (8)
    0x95, 0x0A, 0x81, 0x02,        //   Report Count (10), Input
    0x85, 0x02, 0x09, 0x52,        //   Report ID (2), Usage (Input Mode)
    0x95, 0x01, 0xB1, 0x02,        //   Report Count (1), Feature
    0xC0,                          // End Collection
};

// A mouse that does not number its reports: 3 bytes per input report.
inline const std::vector<uint8_t> kBareMouse = {
    0x05, 0x01, 0x09, 0x02,  // Usage Page (Generic Desktop), Usage (Mouse)
    0xA1, 0x01, 0x09, 0x01,  // Collection (Application), Usage (Pointer)
    0xA1, 0x00,              //   Collection (Physical)
    0x05, 0x09, 0x19, 0x01,  //     Usage Page (Button), Usage Minimum (1)
    0x29, 0x03, 0x75, 0x01,  //     Usage Maximum (3), Report Size (1)
    0x95, 0x03, 0x81, 0x02,  //     Report Count (3), Input
    0x95, 0x05, 0x81, 0x03,  //     Report Count (5), Input (Const)
    0x05, 0x01, 0x09, 0x30,  //     Usage Page (Generic Desktop), Usage (X)
    0x09, 0x31, 0x75, 0x08,  //     Usage (Y), Report Size (8)
    0x95, 0x02, 0x81, 0x06,  //     Report Count (2), Input (Rel)
    0xC0,                    //   End Collection
    0xC0,                    // End Collection
};

}  // namespace descriptors
