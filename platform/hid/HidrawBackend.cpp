#include "platform/hid/HidrawBackend.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/hid/HidrawSysfs.h"

namespace platform::hid {

namespace {

// The status the caps query gives for data it did not hand out.
constexpr uint32_t kHidpStatusInvalidPreparsedData = 0xC0110001;
// The kernel never delivers a longer report; one more byte for the id that
// bare reports lack.
constexpr size_t kMaxReportBytes = 16384 + 1;
// How often a read looks at its cancel event when the event has no descriptor.
constexpr int kCancelCheckMs = 20;
// How long a write waits for a node that cannot take a report right now.
constexpr int kWriteWaitMs = 1000;

struct HidrawInterfaceSet {
    std::vector<std::string> paths;
};

struct HidrawPreparsed {
    HidCaps caps;
};

HidrawInterfaceSet* ToSet(InterfaceSet set) {
    return reinterpret_cast<HidrawInterfaceSet*>(set);
}

HidrawPreparsed* ToPreparsed(PreparsedData data) {
    return reinterpret_cast<HidrawPreparsed*>(data);
}

}  // namespace

int OpenDeviceNode(const std::string& path, int flags) {
    return ::open(path.c_str(), flags);
}

int ControlDeviceNode(int fd, ReportRequest request, uint8_t* report, size_t length) {
    switch (request) {
        case ReportRequest::GetFeature:
            return ::ioctl(fd, HIDIOCGFEATURE(length), report);
        case ReportRequest::SetFeature:
            return ::ioctl(fd, HIDIOCSFEATURE(length), report);
        case ReportRequest::SetOutput:
#ifdef HIDIOCSOUTPUT
            return ::ioctl(fd, HIDIOCSOUTPUT(length), report);
#else
            break;
#endif
    }
    errno = ENOTTY;
    return -1;
}

struct HidrawBackend::Device {
    Device(int node, int wake) : fd(node), wakeFd(wake), readBuffer(kMaxReportBytes) {}
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    ~Device() {
        ::close(fd);
        ::close(wakeFd);
    }

    // A bare interface expects id 0 in front of what it is sent and strips it
    // itself; any other id cannot be meant for it.
    bool AcceptsReportId(uint8_t id) const { return numbered || id == 0; }

    const int fd;
    const int wakeFd;  // readable once the handle was closed
    HidAttributes attributes;
    TopLevelCollection collection;
    bool numbered = false;

    std::mutex readLock;  // guards readBuffer
    std::vector<uint8_t> readBuffer;
};

namespace {

enum class Receive { Report, NothingYet, Failed };

// One report from the node into readBuffer with its id byte first.
Receive ReceiveReport(int fd, bool numbered, std::vector<uint8_t>& readBuffer, size_t& length) {
    const size_t offset = numbered ? 0 : 1;
    const ssize_t got = ::read(fd, readBuffer.data() + offset, readBuffer.size() - offset);
    if (got < 0) {
        return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? Receive::NothingYet
                                                                         : Receive::Failed;
    }
    if (got == 0) {  // end of file: the node is gone
        return Receive::Failed;
    }
    if (!numbered) {
        readBuffer[0] = 0;
    }
    length = static_cast<size_t>(got) + offset;
    return Receive::Report;
}

// The count written, or -1.
ssize_t WriteReport(int fd, int wakeFd, const uint8_t* report, size_t length) {
    for (;;) {
        const ssize_t sent = ::write(fd, report, length);
        if (sent >= 0) {
            return sent;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return -1;
        }
        pollfd fds[] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, kWriteWaitMs) <= 0 || fds[1].revents != 0) {
            return -1;
        }
    }
}

}  // namespace

HidrawBackend::HidrawBackend(HidrawSetup setup) : setup_(std::move(setup)) {}

HidrawBackend::~HidrawBackend() = default;

InterfaceSet HidrawBackend::GetClassDevs() {
    const auto nodes = ListHidrawNodes(setup_.sysfsRoot);
    if (!nodes) {
        return nullptr;
    }
    auto set = std::make_unique<HidrawInterfaceSet>();
    for (const HidrawNode& node : *nodes) {
        for (size_t index = 0; index < node.descriptor.Collections.size(); ++index) {
            set->paths.push_back(InterfacePath(setup_.devRoot, node.name, index));
        }
    }
    return reinterpret_cast<InterfaceSet>(set.release());
}

EnumStatus HidrawBackend::EnumInterface(InterfaceSet set, uint32_t index) {
    if (set == nullptr) {
        return EnumStatus::Failed;
    }
    return index < ToSet(set)->paths.size() ? EnumStatus::Ok : EnumStatus::NoMoreItems;
}

bool HidrawBackend::GetInterfaceDetail(InterfaceSet set, uint32_t index, std::string& path) {
    if (set == nullptr || index >= ToSet(set)->paths.size()) {
        return false;
    }
    path = ToSet(set)->paths[index];
    return true;
}

void HidrawBackend::DestroyInterfaceSet(InterfaceSet set) {
    delete ToSet(set);
}

OpenStatus HidrawBackend::Open(const std::string& path, bool /*overlapped*/, HidHandle& handle) {
    // Reads always wait in poll(), so both open modes are the same here.
    handle = nullptr;
    std::string nodeName;
    size_t index = 0;
    if (!SplitInterfacePath(path, setup_.devRoot, nodeName, index)) {
        return OpenStatus::Failed;
    }
    const auto node = ReadHidrawNode(setup_.sysfsRoot, nodeName);
    if (!node || index >= node->descriptor.Collections.size()) {
        return OpenStatus::Failed;
    }
    const int fd =
        setup_.openNode(setup_.devRoot + "/" + nodeName, O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return errno == EACCES || errno == EPERM ? OpenStatus::AccessDenied : OpenStatus::Failed;
    }
    const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        ::close(fd);
        return OpenStatus::Failed;
    }
    auto device = std::make_shared<Device>(fd, wakeFd);
    device->attributes = node->attributes;
    device->collection = node->descriptor.Collections[index];
    device->numbered = node->descriptor.NumberedReports;

    std::lock_guard<std::mutex> guard(handlesLock_);
    const uintptr_t id = nextHandle_++;
    handles_.emplace(id, std::move(device));
    handle = reinterpret_cast<HidHandle>(id);
    return OpenStatus::Ok;
}

bool HidrawBackend::PeekAttributes(const std::string& path, HidAttributes& attributes,
                                   std::string& node) {
    // sysfs is readable by everyone, even where the node itself is not.
    std::string nodeName;
    size_t index = 0;
    if (!SplitInterfacePath(path, setup_.devRoot, nodeName, index)) {
        return false;
    }
    const auto found = ReadHidrawNode(setup_.sysfsRoot, nodeName);
    if (!found) {
        return false;
    }
    attributes = found->attributes;
    node = setup_.devRoot + "/" + nodeName;
    return true;
}

std::shared_ptr<HidrawBackend::Device> HidrawBackend::Find(HidHandle handle) {
    std::lock_guard<std::mutex> guard(handlesLock_);
    const auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
    return found == handles_.end() ? nullptr : found->second;
}

bool HidrawBackend::GetPreparsedData(HidHandle handle, PreparsedData& data) {
    data = nullptr;
    const auto device = Find(handle);
    if (!device) {
        return false;
    }
    const TopLevelCollection& collection = device->collection;
    auto* preparsed = new HidrawPreparsed{
        HidCaps{collection.Usage, collection.UsagePage, collection.InputReportByteLength,
                collection.OutputReportByteLength, collection.FeatureReportByteLength}};
    data = reinterpret_cast<PreparsedData>(preparsed);
    return true;
}

bool HidrawBackend::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    const auto device = Find(handle);
    if (!device) {
        return false;
    }
    attributes = device->attributes;
    return true;
}

uint32_t HidrawBackend::GetCaps(PreparsedData data, HidCaps& caps) {
    if (data == nullptr) {
        return kHidpStatusInvalidPreparsedData;
    }
    caps = ToPreparsed(data)->caps;
    return kHidpStatusSuccess;
}

void HidrawBackend::FreePreparsedData(PreparsedData data) {
    delete ToPreparsed(data);
}

void HidrawBackend::Close(HidHandle handle) {
    std::shared_ptr<Device> device;
    {
        std::lock_guard<std::mutex> guard(handlesLock_);
        const auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
        if (found == handles_.end()) {
            return;
        }
        device = std::move(found->second);
        handles_.erase(found);
    }
    // A read still waiting on the device wakes and fails; the descriptors
    // close when the last user lets go of the device.
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t woken = ::write(device->wakeFd, &one, sizeof one);
}

ReadResult HidrawBackend::Read(HidHandle handle, uint8_t* buffer, size_t capacity, Event& cancel) {
    const auto device = Find(handle);
    if (!device || (buffer == nullptr && capacity != 0)) {
        return {ReadStatus::Failed, 0};
    }
    std::lock_guard<std::mutex> reading(device->readLock);
    const int cancelFd = cancel.PollFd();
    for (;;) {
        if (cancel.IsSet()) {
            return {ReadStatus::Cancelled, 0};
        }
        pollfd fds[] = {
            {device->fd, POLLIN, 0}, {device->wakeFd, POLLIN, 0}, {cancelFd, POLLIN, 0}};
        if (::poll(fds, 3, cancelFd < 0 ? kCancelCheckMs : -1) < 0 && errno != EINTR) {
            return {ReadStatus::Failed, 0};
        }
        if (cancel.IsSet()) {
            return {ReadStatus::Cancelled, 0};
        }
        if (fds[1].revents != 0) {
            return {ReadStatus::Failed, 0};
        }
        if ((fds[0].revents & POLLIN) == 0) {
            if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                return {ReadStatus::Failed, 0};
            }
            continue;
        }
        size_t length = 0;
        switch (ReceiveReport(device->fd, device->numbered, device->readBuffer, length)) {
            case Receive::Failed:
                return {ReadStatus::Failed, 0};
            case Receive::NothingYet:
                continue;
            case Receive::Report:
                break;
        }
        // The node carries every collection's reports; the others' are not ours.
        if (!device->collection.InputIds.test(device->readBuffer[0])) {
            continue;
        }
        std::memcpy(buffer, device->readBuffer.data(), std::min(length, capacity));
        return {ReadStatus::Completed, length};
    }
}

bool HidrawBackend::Write(HidHandle handle, const uint8_t* report, size_t length, size_t& written) {
    written = 0;
    const auto device = Find(handle);
    if (!device || report == nullptr || length == 0 || !device->AcceptsReportId(report[0])) {
        return false;
    }
    const ssize_t sent = WriteReport(device->fd, device->wakeFd, report, length);
    if (sent < 0) {
        return false;
    }
    written = static_cast<size_t>(sent);
    return true;
}

bool HidrawBackend::SetOutputReport(HidHandle handle, const uint8_t* report, size_t length) {
    const auto device = Find(handle);
    if (!device || report == nullptr || length == 0 || !device->AcceptsReportId(report[0])) {
        return false;
    }
    // The node only reads what it is sent; the request takes a writable buffer
    // because the get request fills one.
    if (setup_.control(device->fd, ReportRequest::SetOutput, const_cast<uint8_t*>(report),
                       length) >= 0) {
        return true;
    }
    // Kernels without the request take output reports through write().
    return errno == ENOTTY &&
           WriteReport(device->fd, device->wakeFd, report, length) == static_cast<ssize_t>(length);
}

bool HidrawBackend::GetFeature(HidHandle handle, uint8_t* report, size_t length) {
    const auto device = Find(handle);
    if (!device || report == nullptr || length == 0 || !device->AcceptsReportId(report[0])) {
        return false;
    }
    if (device->numbered) {
        return setup_.control(device->fd, ReportRequest::GetFeature, report, length) >= 0;
    }
    // A bare feature report comes back without an id: let it land one byte on,
    // behind the 0 id the caller expects. The node takes the id it is asked
    // for from the first byte it is given.
    if (length < 2) {
        return false;
    }
    report[1] = 0;
    return setup_.control(device->fd, ReportRequest::GetFeature, report + 1, length - 1) >= 0;
}

bool HidrawBackend::SetFeature(HidHandle handle, const uint8_t* report, size_t length) {
    const auto device = Find(handle);
    if (!device || report == nullptr || length == 0 || !device->AcceptsReportId(report[0])) {
        return false;
    }
    return setup_.control(device->fd, ReportRequest::SetFeature, const_cast<uint8_t*>(report),
                          length) >= 0;
}

}  // namespace platform::hid
