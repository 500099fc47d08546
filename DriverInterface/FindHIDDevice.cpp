#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "DriverInterface/DriverIO.h"
#include "DriverInterface/DriverIOInternal.h"
#include "lib/Trace.h"

using platform::hid::Backend;
using platform::hid::CurrentBackend;
using platform::hid::EnumStatus;
using platform::hid::HidAttributes;
using platform::hid::InterfaceSet;
using platform::hid::OpenStatus;
using platform::hid::PreparsedData;

namespace {

bool HasCurrentIdentity(const HidAttributes& attributes) {
    // The identity is read at each comparison, so a change applies to the next one.
    uint16_t vendor;
    uint16_t product;
    GetDeviceIdentity(vendor, product);
    return attributes.VendorID == vendor && attributes.ProductID == product;
}

// Whether an interface that did not open has the current identity; node
// receives its device node.
bool IsControllerInterface(Backend& hid, const std::string& path, std::string& node) {
    HidAttributes attributes;
    return hid.PeekAttributes(path, attributes, node) && HasCurrentIdentity(attributes);
}

// Interfaces the system holds exclusively (keyboards, mice) refuse access and
// are no concern of ours. The controller refusing it is: on Linux that means
// its udev rule is missing, and without a word the technician would see only
// "Disconnected". The trace says so once per process, since the search
// repeats every few seconds while the controller stays out of reach; the
// nodes are kept for the window and t860ctl, which say so as long as it lasts.
std::atomic<bool> accessDeniedWarned{false};

bool IsControllerDenied(Backend& hid, const std::string& path, std::string& node) {
    if (!IsControllerInterface(hid, path, node)) {
        return false;
    }
    if (!accessDeniedWarned.exchange(true)) {
        char message[kTraceLineSize];
        std::snprintf(message, sizeof message,
                      "DriverIO: Access denied to the controller at %s; the udev rule "
                      "70-t860.rules in /usr/lib/udev/rules.d gives the logged-in user access "
                      "(install it, then re-plug the controller)",
                      node.c_str());
        TraceWarning(message, __FILE__, __LINE__);
    }
    return true;
}

// Searches run on the window thread, the restart thread and t860ctl's
// threads; each publishes its refused nodes whole when it ends.
std::mutex deniedNodesLock;
std::vector<std::string> deniedNodes;  // of the last search; guarded by deniedNodesLock

// Opens one interface and tells whether it is the collection asked for. The
// handle stays open only on a match.
HidHandle OpenIfMatching(Backend& hid, const std::string& path, HidCaps& caps, uint16_t usage,
                         uint16_t usagePage, bool overlapped, std::vector<std::string>& denied) {
    HidHandle handle = nullptr;
    const OpenStatus opened = hid.Open(path, overlapped, handle);
    if (opened == OpenStatus::AccessDenied) {
        // A node carries several collections: it is named once.
        std::string node;
        if (IsControllerDenied(hid, path, node) &&
            std::find(denied.begin(), denied.end(), node) == denied.end()) {
            denied.push_back(node);
        }
        return nullptr;
    }
    if (opened != OpenStatus::Ok) {
        TraceError("DriverIO: Failed CreateFile", __FILE__, __LINE__);
        return nullptr;
    }
    PreparsedData preparsed = nullptr;
    if (!hid.GetPreparsedData(handle, preparsed)) {
        TraceError("DriverIO: Failed to retrieve pre-parsed data", __FILE__, __LINE__);
        hid.Close(handle);
        return nullptr;
    }
    HidAttributes attributes;
    if (!hid.GetAttributes(handle, attributes)) {
        TraceError("DriverIO: Failed to retrieve attributes data", __FILE__, __LINE__);
        hid.FreePreparsedData(preparsed);
        hid.Close(handle);
        return nullptr;
    }
    if (hid.GetCaps(preparsed, caps) != platform::hid::kHidpStatusSuccess) {
        TraceError("DriverIO: Failed to retrieve device caps data", __FILE__, __LINE__);
        hid.FreePreparsedData(preparsed);
        hid.Close(handle);
        return nullptr;
    }
    hid.FreePreparsedData(preparsed);
    if (HasCurrentIdentity(attributes) && caps.Usage == usage && caps.UsagePage == usagePage) {
        return handle;
    }
    hid.Close(handle);
    return nullptr;
}

}  // namespace

HidHandle FindHIDDevice(HidCaps& caps, uint16_t usage, uint16_t usagePage, bool overlapped) {
    Backend& hid = CurrentBackend();
    const InterfaceSet interfaces = hid.GetClassDevs();
    if (interfaces == nullptr) {
        return nullptr;
    }
    HidHandle found = nullptr;
    std::vector<std::string> denied;
    for (uint32_t index = 0; found == nullptr; ++index) {
        const EnumStatus status = hid.EnumInterface(interfaces, index);
        if (status != EnumStatus::Ok) {
            if (status != EnumStatus::NoMoreItems) {
                TraceError("DriverIO: Failed to retrieve DeviceInfoData", __FILE__, __LINE__);
            }
            break;
        }
        std::string path;
        if (!hid.GetInterfaceDetail(interfaces, index, path)) {
            break;
        }
        found = OpenIfMatching(hid, path, caps, usage, usagePage, overlapped, denied);
    }
    hid.DestroyInterfaceSet(interfaces);
    if (found != nullptr) {
        denied.clear();
    }
    {
        std::lock_guard<std::mutex> guard(deniedNodesLock);
        deniedNodes.swap(denied);
    }
    return found;
}

std::vector<std::string> ControllerDeniedNodes() {
    std::lock_guard<std::mutex> guard(deniedNodesLock);
    return deniedNodes;
}

void RearmAccessDeniedWarning() {
    accessDeniedWarned = false;
}

void CloseHIDDevice(HidHandle device) {
    if (device != nullptr) {
        CurrentBackend().Close(device);
    }
}
