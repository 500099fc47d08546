#pragma once
// HID on Windows: SetupAPI enumeration of the HID interface class, one file
// handle per top-level collection, the HID class driver's queries, and
// overlapped reads and writes.
//
// Handles are safe to use from several threads at once: one thread may read
// while others write, query or close it. A read waiting on a handle that is
// closed ends as Failed.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/hid/HidBackend.h"

namespace platform::hid {

class Win32Backend final : public Backend {
public:
    Win32Backend();
    ~Win32Backend() override;

    InterfaceSet GetClassDevs() override;
    EnumStatus EnumInterface(InterfaceSet set, uint32_t index) override;
    bool GetInterfaceDetail(InterfaceSet set, uint32_t index, std::string& path) override;
    void DestroyInterfaceSet(InterfaceSet set) override;

    OpenStatus Open(const std::string& path, bool overlapped, HidHandle& handle) override;
    bool GetPreparsedData(HidHandle handle, PreparsedData& data) override;
    bool GetAttributes(HidHandle handle, HidAttributes& attributes) override;
    bool PeekAttributes(const std::string& path, HidAttributes& attributes,
                        std::string& node) override;
    uint32_t GetCaps(PreparsedData data, HidCaps& caps) override;
    void FreePreparsedData(PreparsedData data) override;
    void Close(HidHandle handle) override;

    ReadResult Read(HidHandle handle, uint8_t* buffer, size_t capacity, Event& cancel) override;
    bool Write(HidHandle handle, const uint8_t* report, size_t length, size_t& written) override;
    bool SetOutputReport(HidHandle handle, const uint8_t* report, size_t length) override;
    bool GetFeature(HidHandle handle, uint8_t* report, size_t length) override;
    bool SetFeature(HidHandle handle, const uint8_t* report, size_t length) override;

private:
    struct Device;

    // The open device behind a handle; null for a closed or unknown handle.
    std::shared_ptr<Device> Find(HidHandle handle);

    std::mutex handlesLock_;
    // Handles are numbers that are never reused, so a stale handle finds
    // nothing instead of another device.
    std::unordered_map<uintptr_t, std::shared_ptr<Device>> handles_;
    uintptr_t nextHandle_ = 1;
};

}  // namespace platform::hid
