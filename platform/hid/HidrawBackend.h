#pragma once
// HID on Linux through hidraw. A hidraw node is one HID interface and may hold
// several top-level collections, while the program opens one handle per
// collection: each handle here names a node and one of its collections, and
// reads on it deliver only that collection's input reports, always with the
// report id byte first.
//
// Handles are safe to use from several threads at once: one thread may read
// while others write, query or close it. A read blocked on a handle that is
// closed ends as Failed.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/hid/HidBackend.h"

namespace platform::hid {

enum class ReportRequest { GetFeature, SetFeature, SetOutput };

// Opens a device node with open(2) flags: a descriptor, or -1 with errno set.
using NodeOpener = std::function<int(const std::string& path, int flags)>;
// One report request on an open node, report id byte first: the byte count
// moved, or -1 with errno set (ENOTTY when the request is not supported).
using ReportControl =
    std::function<int(int fd, ReportRequest request, uint8_t* report, size_t length)>;

int OpenDeviceNode(const std::string& path, int flags);
// The hidraw ioctls.
int ControlDeviceNode(int fd, ReportRequest request, uint8_t* report, size_t length);

// Where the backend looks: tests point it at a fixture folder and fake nodes.
struct HidrawSetup {
    std::string sysfsRoot = "/sys/class/hidraw";
    std::string devRoot = "/dev";
    NodeOpener openNode = OpenDeviceNode;
    ReportControl control = ControlDeviceNode;
};

class HidrawBackend final : public Backend {
public:
    explicit HidrawBackend(HidrawSetup setup = {});
    ~HidrawBackend() override;

    InterfaceSet GetClassDevs() override;
    EnumStatus EnumInterface(InterfaceSet set, uint32_t index) override;
    bool GetInterfaceDetail(InterfaceSet set, uint32_t index, std::string& path) override;
    void DestroyInterfaceSet(InterfaceSet set) override;

    OpenStatus Open(const std::string& path, bool overlapped, HidHandle& handle) override;
    bool GetPreparsedData(HidHandle handle, PreparsedData& data) override;
    bool GetAttributes(HidHandle handle, HidAttributes& attributes) override;
    uint32_t GetCaps(PreparsedData data, HidCaps& caps) override;
    void FreePreparsedData(PreparsedData data) override;
    void Close(HidHandle handle) override;
    bool PeekAttributes(const std::string& path, HidAttributes& attributes,
                        std::string& node) override;

    ReadResult Read(HidHandle handle, uint8_t* buffer, size_t capacity, Event& cancel) override;
    bool Write(HidHandle handle, const uint8_t* report, size_t length, size_t& written) override;
    bool SetOutputReport(HidHandle handle, const uint8_t* report, size_t length) override;
    bool GetFeature(HidHandle handle, uint8_t* report, size_t length) override;
    bool SetFeature(HidHandle handle, const uint8_t* report, size_t length) override;

private:
    struct Device;

    // The open device behind a handle; null for a closed or unknown handle.
    std::shared_ptr<Device> Find(HidHandle handle);

    const HidrawSetup setup_;
    std::mutex handlesLock_;
    // Handles are numbers that are never reused, so a stale handle finds
    // nothing instead of another device.
    std::unordered_map<uintptr_t, std::shared_ptr<Device>> handles_;
    uintptr_t nextHandle_ = 1;
};

}  // namespace platform::hid
