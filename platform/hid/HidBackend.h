#pragma once
// The HID platform interface: one operation for each platform call that device
// discovery and report I/O make, so that every step can succeed or fail on its
// own. Backends: the HID class driver on Windows, hidraw on Linux, and the
// in-process virtual bus.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Sync.h"

namespace platform::hid {

// Largest report the program exchanges: report id byte + 64 data bytes.
constexpr size_t kReportSize = 65;

// The status the caps query returns on success.
constexpr uint32_t kHidpStatusSuccess = 0x00110000;

struct HidAttributes {
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
};

// The capabilities of one top-level collection.
struct HidCaps {
    uint16_t Usage = 0;
    uint16_t UsagePage = 0;
    uint16_t InputReportByteLength = 0;
    uint16_t OutputReportByteLength = 0;
    uint16_t FeatureReportByteLength = 0;
};

// Opaque objects owned by a backend; null means none.
struct HidDeviceObject;
using HidHandle = HidDeviceObject*;
struct PreparsedObject;
using PreparsedData = PreparsedObject*;
struct InterfaceSetObject;
using InterfaceSet = InterfaceSetObject*;

enum class EnumStatus { Ok, NoMoreItems, Failed };
enum class OpenStatus { Ok, AccessDenied, Failed };
// NoEvent: the system could not make the event a read waits on (Windows).
enum class ReadStatus { Completed, Cancelled, Failed, NoEvent };

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    // Length of the report received, report id included. It may exceed the
    // buffer's capacity; only capacity bytes are copied.
    size_t bytes = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Enumeration: the set of HID interfaces present, walked by index.
    virtual InterfaceSet GetClassDevs() = 0;  // null on failure
    virtual EnumStatus EnumInterface(InterfaceSet set, uint32_t index) = 0;
    virtual bool GetInterfaceDetail(InterfaceSet set, uint32_t index, std::string& path) = 0;
    virtual void DestroyInterfaceSet(InterfaceSet set) = 0;

    // Opening and querying one interface (one top-level collection).
    virtual OpenStatus Open(const std::string& path, bool overlapped, HidHandle& handle) = 0;
    virtual bool GetPreparsedData(HidHandle handle, PreparsedData& data) = 0;
    virtual bool GetAttributes(HidHandle handle, HidAttributes& attributes) = 0;
    virtual uint32_t GetCaps(PreparsedData data, HidCaps& caps) = 0;
    virtual void FreePreparsedData(PreparsedData data) = 0;
    virtual void Close(HidHandle handle) = 0;
    // The USB ids of an interface without opening it, and the device node a
    // technician would give access to; for an interface that refused to open.
    virtual bool PeekAttributes(const std::string& path, HidAttributes& attributes,
                                std::string& node) = 0;

    // Reads one input report (report id byte first) into buffer. Ends early,
    // as Cancelled, when cancel is set (the event is not consumed). An unplugged
    // device or a closed handle is Failed.
    virtual ReadResult Read(HidHandle handle, uint8_t* buffer, size_t capacity, Event& cancel) = 0;
    // Writes one output report (report id byte first). False when it was
    // refused at once; true once it was accepted, with written the count the
    // device took: 0 when the write failed after it was accepted.
    virtual bool Write(HidHandle handle, const uint8_t* report, size_t length, size_t& written) = 0;
    virtual bool SetOutputReport(HidHandle handle, const uint8_t* report, size_t length) = 0;
    // report[0] holds the feature report id on entry.
    virtual bool GetFeature(HidHandle handle, uint8_t* report, size_t length) = 0;
    virtual bool SetFeature(HidHandle handle, const uint8_t* report, size_t length) = 0;
};

// The backend every HID operation of the program goes through: the
// platform's own unless another was selected.
Backend& CurrentBackend();
void SelectBackend(Backend* backend);  // nullptr selects the default again

}  // namespace platform::hid
