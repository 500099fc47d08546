#include "platform/hid/VirtualBus.h"

#include <algorithm>
#include <cstring>

namespace platform::hid {

namespace {

// Input reports a handle buffers before it drops the oldest; the kernel keeps
// as many for a hidraw reader.
constexpr size_t kInputSlots = 64;

struct InputSlot {
    uint8_t bytes[kReportSize];
    size_t length;  // as sent, may exceed kReportSize
};

struct Preparsed {
    HidCaps caps;
    bool capsFail;
};

HidAttributes AttributesOf(const VirtualDevice& device) {
    return {device.VendorID(), device.ProductID(), 0x0100};
}

struct EnumeratedInterface {
    std::string path;
};

struct Enumeration {
    std::vector<EnumeratedInterface> interfaces;
};

}  // namespace

struct VirtualBus::Handle {
    std::shared_ptr<VirtualDevice> device;
    size_t collection = 0;
    bool overlapped = false;
    Event inputReady{Event::Reset::Manual};

    std::mutex lock;  // guards everything below
    bool dead = false;
    InputSlot slots[kInputSlots];
    size_t first = 0;
    size_t count = 0;
};

VirtualDevice::VirtualDevice(std::string name, uint16_t vendor, uint16_t product,
                             std::vector<VirtualCollection> collections)
    : name_(std::move(name)),
      vendor_(vendor),
      product_(product),
      collections_(std::move(collections)) {}

void VirtualDevice::SetHandler(VirtualDeviceHandler* handler) {
    handler_.store(handler);
}

void VirtualDevice::FailStep(size_t collection, InterfaceStep step, OpenStatus openResult) {
    std::lock_guard<std::mutex> guard(faultLock_);
    faults_.push_back({collection, step, openResult});
}

void VirtualDevice::ClearFaults() {
    std::lock_guard<std::mutex> guard(faultLock_);
    faults_.clear();
}

bool VirtualDevice::HasFault(size_t collection, InterfaceStep step, OpenStatus* openResult) const {
    std::lock_guard<std::mutex> guard(faultLock_);
    for (const Fault& fault : faults_) {
        if (fault.collection == collection && fault.step == step) {
            if (openResult != nullptr) {
                *openResult = fault.openResult;
            }
            return true;
        }
    }
    return false;
}

VirtualBus::VirtualBus() = default;

VirtualBus::~VirtualBus() = default;

std::shared_ptr<VirtualBus::Handle> VirtualBus::Find(HidHandle handle) const {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& open : handles_) {
        if (reinterpret_cast<HidHandle>(open.get()) == handle) {
            return open;
        }
    }
    return nullptr;
}

std::string VirtualBus::PathOf(const VirtualDevice& device, size_t collection) {
    return "virtual:" + device.Name() + "#" + std::to_string(collection);
}

void VirtualBus::Plug(const std::shared_ptr<VirtualDevice>& device) {
    std::lock_guard<std::mutex> guard(lock_);
    if (std::find(devices_.begin(), devices_.end(), device) == devices_.end()) {
        devices_.push_back(device);
    }
    device->plugged_ = true;
}

void VirtualBus::Unplug(const std::shared_ptr<VirtualDevice>& device) {
    std::lock_guard<std::mutex> guard(lock_);
    devices_.erase(std::remove(devices_.begin(), devices_.end(), device), devices_.end());
    device->plugged_ = false;
    for (const auto& handle : handles_) {
        if (handle->device == device) {
            std::lock_guard<std::mutex> handleGuard(handle->lock);
            handle->dead = true;
            handle->inputReady.Set();
        }
    }
}

bool VirtualBus::IsPlugged(const std::shared_ptr<VirtualDevice>& device) const {
    std::lock_guard<std::mutex> guard(lock_);
    return device->plugged_;
}

void VirtualBus::InjectInput(const VirtualDevice& device, size_t collection, const uint8_t* report,
                             size_t length) {
    if (report == nullptr) {
        length = 0;  // an empty report still completes a read, with nothing in it
    }
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& handle : handles_) {
        if (handle->device.get() != &device || handle->collection != collection) {
            continue;
        }
        std::lock_guard<std::mutex> handleGuard(handle->lock);
        if (handle->dead) {
            continue;
        }
        if (handle->count == kInputSlots) {
            handle->first = (handle->first + 1) % kInputSlots;
            --handle->count;
        }
        InputSlot& slot = handle->slots[(handle->first + handle->count) % kInputSlots];
        if (length > 0) {
            std::memcpy(slot.bytes, report, std::min(length, kReportSize));
        }
        slot.length = length;
        ++handle->count;
        handle->inputReady.Set();
    }
}

int VirtualBus::OpenHandleCount(const VirtualDevice& device, size_t collection) const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(
        std::count_if(handles_.begin(), handles_.end(), [&](const auto& handle) {
            return handle->device.get() == &device && handle->collection == collection;
        }));
}

InterfaceSet VirtualBus::GetClassDevs() {
    if (failClassDevs_) {
        return nullptr;
    }
    auto* enumeration = new Enumeration;
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& device : devices_) {
        for (size_t c = 0; c < device->Collections().size(); ++c) {
            enumeration->interfaces.push_back({PathOf(*device, c)});
        }
    }
    return reinterpret_cast<InterfaceSet>(enumeration);
}

EnumStatus VirtualBus::EnumInterface(InterfaceSet set, uint32_t index) {
    const auto* enumeration = reinterpret_cast<const Enumeration*>(set);
    if (enumeration == nullptr || static_cast<int>(index) == failEnumAt_) {
        return EnumStatus::Failed;
    }
    return index < enumeration->interfaces.size() ? EnumStatus::Ok : EnumStatus::NoMoreItems;
}

bool VirtualBus::GetInterfaceDetail(InterfaceSet set, uint32_t index, std::string& path) {
    const auto* enumeration = reinterpret_cast<const Enumeration*>(set);
    if (enumeration == nullptr || index >= enumeration->interfaces.size() ||
        static_cast<int>(index) == failDetailAt_) {
        return false;
    }
    path = enumeration->interfaces[index].path;
    return true;
}

void VirtualBus::DestroyInterfaceSet(InterfaceSet set) {
    delete reinterpret_cast<Enumeration*>(set);
}

OpenStatus VirtualBus::Open(const std::string& path, bool overlapped, HidHandle& handle) {
    handle = nullptr;
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& device : devices_) {
        for (size_t c = 0; c < device->Collections().size(); ++c) {
            if (PathOf(*device, c) != path) {
                continue;
            }
            OpenStatus refused;
            if (device->HasFault(c, InterfaceStep::Open, &refused)) {
                return refused;
            }
            auto opened = std::make_shared<Handle>();
            opened->device = device;
            opened->collection = c;
            opened->overlapped = overlapped;
            handles_.push_back(opened);
            ++openHandles_;
            handle = reinterpret_cast<HidHandle>(opened.get());
            return OpenStatus::Ok;
        }
    }
    return OpenStatus::Failed;
}

bool VirtualBus::PeekAttributes(const std::string& path, HidAttributes& attributes,
                                std::string& node) {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& device : devices_) {
        for (size_t c = 0; c < device->Collections().size(); ++c) {
            if (PathOf(*device, c) == path) {
                attributes = AttributesOf(*device);
                node = "virtual:" + device->Name();
                return true;
            }
        }
    }
    return false;
}

std::shared_ptr<VirtualDevice> VirtualBus::LiveDevice(HidHandle handle, size_t& collection) const {
    const auto opened = Find(handle);
    if (!opened) {
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(opened->lock);
    if (opened->dead) {
        return nullptr;
    }
    collection = opened->collection;
    return opened->device;
}

bool VirtualBus::GetPreparsedData(HidHandle handle, PreparsedData& data) {
    data = nullptr;
    size_t c;
    const auto device = LiveDevice(handle, c);
    if (!device || device->HasFault(c, InterfaceStep::PreparsedData, nullptr)) {
        return false;
    }
    const VirtualCollection& collection = device->Collections()[c];
    auto* preparsed = new Preparsed;
    preparsed->caps.UsagePage = collection.usagePage;
    preparsed->caps.Usage = collection.usage;
    preparsed->caps.InputReportByteLength = collection.inputLength;
    preparsed->caps.OutputReportByteLength = collection.outputLength;
    preparsed->caps.FeatureReportByteLength = collection.featureLength;
    // A caps fault is carried by the preparsed data, which is all the caps query sees.
    preparsed->capsFail = device->HasFault(c, InterfaceStep::Caps, nullptr);
    data = reinterpret_cast<PreparsedData>(preparsed);
    return true;
}

bool VirtualBus::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    size_t c;
    const auto device = LiveDevice(handle, c);
    if (!device || device->HasFault(c, InterfaceStep::Attributes, nullptr)) {
        return false;
    }
    attributes = AttributesOf(*device);
    return true;
}

uint32_t VirtualBus::GetCaps(PreparsedData data, HidCaps& caps) {
    const auto* preparsed = reinterpret_cast<const Preparsed*>(data);
    constexpr uint32_t kInvalidPreparsedData = 0xC0110001u;
    if (preparsed == nullptr || preparsed->capsFail) {
        return kInvalidPreparsedData;
    }
    caps = preparsed->caps;
    return kHidpStatusSuccess;
}

void VirtualBus::FreePreparsedData(PreparsedData data) {
    delete reinterpret_cast<Preparsed*>(data);
}

void VirtualBus::Close(HidHandle handle) {
    std::shared_ptr<Handle> closed;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const auto found = std::find_if(handles_.begin(), handles_.end(), [&](const auto& open) {
            return reinterpret_cast<HidHandle>(open.get()) == handle;
        });
        if (found == handles_.end()) {
            return;
        }
        closed = *found;
        handles_.erase(found);
    }
    --openHandles_;
    // A read still waiting on this handle ends as failed, as it does when a
    // handle is closed under a pending read; it holds the handle until then.
    std::lock_guard<std::mutex> guard(closed->lock);
    closed->dead = true;
    closed->inputReady.Set();
}

ReadResult VirtualBus::Read(HidHandle handle, uint8_t* buffer, size_t capacity, Event& cancel) {
    const auto opened = Find(handle);
    if (!opened) {
        return {ReadStatus::Failed, 0};
    }
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(opened->lock);
            if (opened->dead) {
                return {ReadStatus::Failed, 0};
            }
            if (opened->count > 0) {
                const InputSlot& slot = opened->slots[opened->first];
                std::memcpy(buffer, slot.bytes, std::min({slot.length, capacity, kReportSize}));
                const size_t length = slot.length;
                opened->first = (opened->first + 1) % kInputSlots;
                if (--opened->count == 0) {
                    opened->inputReady.Clear();
                }
                return {ReadStatus::Completed, length};
            }
        }
        const WaitResult woken = WaitForAny({&opened->inputReady, &cancel}, kInfinite);
        if (woken.status != WaitStatus::Signalled) {
            return {ReadStatus::Failed, 0};
        }
        if (woken.index == 1) {
            cancel.Set();  // leave the cancel request standing for the caller
            return {ReadStatus::Cancelled, 0};
        }
    }
}

bool VirtualBus::Write(HidHandle handle, const uint8_t* report, size_t length, size_t& written) {
    written = 0;
    size_t c;
    const auto device = LiveDevice(handle, c);
    if (device && report != nullptr && length > 0 &&
        device->HasFault(c, InterfaceStep::Write, nullptr)) {
        return true;
    }
    if (!SetOutputReport(handle, report, length)) {
        return false;
    }
    written = length;
    return true;
}

bool VirtualBus::SetOutputReport(HidHandle handle, const uint8_t* report, size_t length) {
    size_t c;
    const auto device = LiveDevice(handle, c);
    if (!device || report == nullptr || length == 0) {
        return false;
    }
    if (VirtualDeviceHandler* handler = device->Handler()) {
        handler->OnOutputReport(c, report, length);
    }
    return true;
}

bool VirtualBus::GetFeature(HidHandle handle, uint8_t* report, size_t length) {
    size_t c;
    const auto device = LiveDevice(handle, c);
    VirtualDeviceHandler* handler = device ? device->Handler() : nullptr;
    return handler != nullptr && report != nullptr && length > 0 &&
           handler->OnGetFeature(c, report, length);
}

bool VirtualBus::SetFeature(HidHandle handle, const uint8_t* report, size_t length) {
    size_t c;
    const auto device = LiveDevice(handle, c);
    VirtualDeviceHandler* handler = device ? device->Handler() : nullptr;
    return handler != nullptr && report != nullptr && length > 0 &&
           handler->OnSetFeature(c, report, length);
}

std::vector<VirtualCollection> ControllerCollections() {
    return {
        {0x000D, 0x0004, kReportSize, 0, kReportSize},  // digitizer, input mode feature 2
        {0xFFA0, 0x0001},                               // channel 0
        {0xFFA0, 0x0002},                               // performance statistics
        {0xFFA0, 0x0006},                               // channel 6
    };
}

void PlugDecoys(VirtualBus& bus) {
    auto keyboard = std::make_shared<VirtualDevice>(
        "keyboard", 0x046A, 0x0011,
        std::vector<VirtualCollection>{{0x0001, 0x0006, 9, 2, 0}, {0x000C, 0x0001, 3, 0, 0}});
    keyboard->FailStep(0, InterfaceStep::Open, OpenStatus::AccessDenied);
    keyboard->FailStep(1, InterfaceStep::Open, OpenStatus::AccessDenied);
    bus.Plug(keyboard);
    // The controller's ids, but a vendor collection with a usage the program never asks for.
    bus.Plug(std::make_shared<VirtualDevice>("same-ids-other-usage", 0x2F7A, 0x0006,
                                             std::vector<VirtualCollection>{{0xFFA0, 0x0003}}));
    // The controller's collections on a product with another id.
    bus.Plug(
        std::make_shared<VirtualDevice>("other-product", 0x2F7A, 0x0007, ControllerCollections()));
}

}  // namespace platform::hid
