#pragma once
// An in-process HID bus: virtual devices with top-level collections, reached
// through the same Backend interface as real devices. The virtual controller
// and the tests plug devices into it, inject input reports, see what the
// program writes, unplug and re-plug devices and make single steps fail.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid/HidBackend.h"

namespace platform::hid {

struct VirtualCollection {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    uint16_t inputLength = kReportSize;
    uint16_t outputLength = kReportSize;
    uint16_t featureLength = 0;
};

// The device side: what the device does with what the program sends. Called on
// the sending thread; report[0] is the report id.
class VirtualDeviceHandler {
public:
    virtual ~VirtualDeviceHandler() = default;
    // A write or a set-output report.
    virtual void OnOutputReport(size_t collection, const uint8_t* report, size_t length) = 0;
    // Fills report (report[0] holds the id asked for); false fails the request.
    virtual bool OnGetFeature(size_t collection, uint8_t* report, size_t length) = 0;
    virtual bool OnSetFeature(size_t collection, const uint8_t* report, size_t length) = 0;
};

// The steps of opening and examining one interface, each of which a test can
// make fail, and the write of an output report, which then is accepted but
// fails before anything reaches the device (as a pending write whose
// completion fails).
enum class InterfaceStep { Open, PreparsedData, Attributes, Caps, Write };

class VirtualDevice {
public:
    VirtualDevice(std::string name, uint16_t vendor, uint16_t product,
                  std::vector<VirtualCollection> collections);

    const std::string& Name() const { return name_; }
    uint16_t VendorID() const { return vendor_; }
    uint16_t ProductID() const { return product_; }
    const std::vector<VirtualCollection>& Collections() const { return collections_; }

    // The handler must outlive the device's use or be replaced by nullptr first.
    void SetHandler(VirtualDeviceHandler* handler);
    VirtualDeviceHandler* Handler() const { return handler_.load(); }

    // Makes one step fail for one collection from now on; for Open, failure is
    // the open result (AccessDenied or Failed). ClearFaults undoes them all.
    void FailStep(size_t collection, InterfaceStep step,
                  OpenStatus openResult = OpenStatus::Failed);
    void ClearFaults();

private:
    friend class VirtualBus;
    struct Fault {
        size_t collection;
        InterfaceStep step;
        OpenStatus openResult;
    };
    bool HasFault(size_t collection, InterfaceStep step, OpenStatus* openResult) const;

    const std::string name_;
    const uint16_t vendor_;
    const uint16_t product_;
    const std::vector<VirtualCollection> collections_;
    std::atomic<VirtualDeviceHandler*> handler_{nullptr};
    mutable std::mutex faultLock_;
    std::vector<Fault> faults_;
    bool plugged_ = false;  // guarded by the bus lock
};

class VirtualBus final : public Backend {
public:
    VirtualBus();
    ~VirtualBus() override;

    // Plugs a device in; it is found by the next enumeration.
    void Plug(const std::shared_ptr<VirtualDevice>& device);
    // Removes the device from the bus; its open handles fail their reads and
    // writes from now on, as those of an unplugged USB device do.
    void Unplug(const std::shared_ptr<VirtualDevice>& device);
    bool IsPlugged(const std::shared_ptr<VirtualDevice>& device) const;

    // Delivers an input report (report id byte first) to every open handle of
    // the collection. A handle whose buffer is full drops its oldest report.
    void InjectInput(const VirtualDevice& device, size_t collection, const uint8_t* report,
                     size_t length);

    int OpenHandleCount() const { return openHandles_.load(); }
    // Handles of the device's collection that are open now.
    int OpenHandleCount(const VirtualDevice& device, size_t collection) const;

    // Faults of the enumeration itself.
    void FailClassDevs(bool fail) { failClassDevs_ = fail; }
    void FailEnumerationAt(int index) { failEnumAt_ = index; }
    void FailDetailAt(int index) { failDetailAt_ = index; }

    // The path under which an interface is listed.
    static std::string PathOf(const VirtualDevice& device, size_t collection);

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
    struct Handle;
    std::shared_ptr<Handle> Find(HidHandle handle) const;
    // The device and collection of a live handle, or null when it was unplugged.
    std::shared_ptr<VirtualDevice> LiveDevice(HidHandle handle, size_t& collection) const;

    mutable std::mutex lock_;
    std::vector<std::shared_ptr<VirtualDevice>> devices_;
    std::vector<std::shared_ptr<Handle>> handles_;
    std::atomic<int> openHandles_{0};
    std::atomic<bool> failClassDevs_{false};
    std::atomic<int> failEnumAt_{-1};
    std::atomic<int> failDetailAt_{-1};
};

// The identity and collections of the controller, and the decoys that share
// part of them: a keyboard that refuses to open, the controller's ids with
// another usage, and the controller's usage with another product id.
std::vector<VirtualCollection> ControllerCollections();
void PlugDecoys(VirtualBus& bus);

}  // namespace platform::hid
