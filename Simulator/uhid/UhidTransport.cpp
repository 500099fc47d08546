#include "Simulator/uhid/UhidTransport.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "platform/hid/HidBackend.h"

namespace {

ssize_t ReadEvent(int fd, uhid_event& event) {
    for (;;) {
        const ssize_t got = ::read(fd, &event, sizeof event);
        if (got >= 0 || errno != EINTR) {
            return got;
        }
    }
}

}  // namespace

UhidTransport::UhidTransport(UhidIdentity identity, UhidTopology topology, const std::string& node,
                             platform::hid::NodeOpener openNode)
    : identity_(std::move(identity)) {
    for (UhidDeviceLayout& layout : BuildUhidLayout(topology)) {
        Device device;
        device.parsed = platform::hid::ParseReportDescriptor(layout.descriptor.data(),
                                                             layout.descriptor.size());
        device.layout = std::move(layout);
        if (openError_ == 0) {
            device.fd = openNode(node, O_RDWR | O_CLOEXEC);
            if (device.fd < 0) {
                openError_ = errno != 0 ? errno : EIO;
            }
        }
        devices_.push_back(std::move(device));
    }
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0 && openError_ == 0) {
        openError_ = errno;
    }
    if (openError_ == 0) {
        thread_ = std::thread(&UhidTransport::Run, this);
    }
}

UhidTransport::~UhidTransport() {
    Unplug();
    if (thread_.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t woken = ::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    for (const Device& device : devices_) {
        if (device.fd >= 0) {
            ::close(device.fd);
        }
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
}

int UhidTransport::PlugError() const {
    std::lock_guard<std::mutex> guard(sendLock_);
    return plugError_;
}

bool UhidTransport::AllStartedLocked() const {
    for (const Device& device : devices_) {
        if (!device.started) {
            return false;
        }
    }
    return true;
}

bool UhidTransport::WaitStarted(int timeoutMs) {
    std::unique_lock<std::mutex> lock(sendLock_);
    return startedChanged_.wait_for(
               lock, std::chrono::milliseconds(timeoutMs),
               [&] { return !plugged_ || plugError_ != 0 || AllStartedLocked(); }) &&
           plugged_ && plugError_ == 0 && AllStartedLocked();
}

void UhidTransport::Attach(platform::hid::VirtualDeviceHandler* handler) {
    std::lock_guard<std::mutex> guard(handlerLock_);
    handler_ = handler;
}

int UhidTransport::WriteEvent(const Device& device, const uhid_event& event) {
    if (device.fd < 0) {
        return EBADF;
    }
    for (;;) {
        if (::write(device.fd, &event, sizeof event) == static_cast<ssize_t>(sizeof event)) {
            return 0;
        }
        if (errno != EINTR) {
            return errno != 0 ? errno : EIO;
        }
    }
}

void UhidTransport::Plug() {
    std::lock_guard<std::mutex> guard(sendLock_);
    if (plugged_ || openError_ != 0) {
        return;
    }
    plugError_ = 0;
    for (Device& device : devices_) {
        device.started = false;
        if (!EncodeCreate(sendEvent_, identity_, device.layout.descriptor,
                          device.layout.nameSuffix)) {
            plugError_ = EINVAL;
        } else if (const int error = WriteEvent(device, sendEvent_)) {
            plugError_ = error;
        }
    }
    plugged_ = true;
    startedChanged_.notify_all();
}

void UhidTransport::Unplug() {
    std::lock_guard<std::mutex> guard(sendLock_);
    if (!plugged_) {
        return;
    }
    EncodeDestroy(sendEvent_);
    for (Device& device : devices_) {
        if (const int error = WriteEvent(device, sendEvent_)) {
            plugError_ = error;
        }
        device.started = false;
    }
    plugged_ = false;
    startedChanged_.notify_all();
}

bool UhidTransport::IsPlugged() const {
    std::lock_guard<std::mutex> guard(sendLock_);
    return plugged_;
}

void UhidTransport::SendInput(size_t collection, const uint8_t* report, size_t length) {
    if (report == nullptr || length == 0) {
        return;
    }
    std::lock_guard<std::mutex> guard(sendLock_);
    if (!plugged_) {
        return;
    }
    for (const Device& device : devices_) {
        for (size_t held : device.layout.collections) {
            if (held != collection) {
                continue;
            }
            // A device without numbered reports sends its data bare.
            const size_t skip = device.parsed.NumberedReports ? 0 : 1;
            if (EncodeInput(sendEvent_, report + skip, length - skip)) {
                WriteEvent(device, sendEvent_);
            }
            return;
        }
    }
}

bool UhidTransport::Route(const Device& device, uint8_t reportId, Direction direction,
                          size_t& collection) const {
    const auto& parsed = device.parsed.Collections;
    for (size_t i = 0; i < parsed.size() && i < device.layout.collections.size(); ++i) {
        const auto& ids =
            direction == Direction::Output ? parsed[i].OutputIds : parsed[i].FeatureIds;
        if (ids.test(reportId)) {
            collection = device.layout.collections[i];
            return true;
        }
    }
    return false;
}

void UhidTransport::Run() {
    std::vector<pollfd> fds;
    for (const Device& device : devices_) {
        fds.push_back({device.fd, POLLIN, 0});
    }
    fds.push_back({wakeFd_, POLLIN, 0});
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            return;
        }
        if (fds.back().revents != 0) {
            return;
        }
        for (size_t i = 0; i < devices_.size(); ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            const ssize_t got =
                (fds[i].revents & POLLIN) != 0 ? ReadEvent(fds[i].fd, requestEvent_) : -1;
            if (got <= 0) {
                fds[i].fd = -1;  // the node is gone; poll skips it from now on
                continue;
            }
            UhidRequest request;
            if (DecodeRequest(requestEvent_, static_cast<size_t>(got), request)) {
                Take(devices_[i], request);
            }
        }
    }
}

void UhidTransport::Take(Device& device, const UhidRequest& request) {
    switch (request.kind) {
        case UhidRequestKind::Start:
        case UhidRequestKind::Stop: {
            std::lock_guard<std::mutex> guard(sendLock_);
            device.started = request.kind == UhidRequestKind::Start;
            startedChanged_.notify_all();
            return;
        }
        case UhidRequestKind::Output: {
            size_t collection = 0;
            if (request.length == 0 || request.reportType != UHID_OUTPUT_REPORT ||
                !Route(device, request.reportNumber, Direction::Output, collection)) {
                return;
            }
            std::lock_guard<std::mutex> guard(handlerLock_);
            if (handler_ != nullptr) {
                handler_->OnOutputReport(collection, request.data, request.length);
            }
            return;
        }
        case UhidRequestKind::GetReport:
            AnswerGetReport(device, request);
            return;
        case UhidRequestKind::SetReport:
            AnswerSetReport(device, request);
            return;
        case UhidRequestKind::Open:
        case UhidRequestKind::Close:
        case UhidRequestKind::Other:
            return;
    }
}

void UhidTransport::AnswerGetReport(const Device& device, const UhidRequest& request) {
    uint8_t report[platform::hid::kReportSize] = {request.reportNumber};
    size_t collection = 0;
    bool answered = false;
    if (request.reportType == UHID_FEATURE_REPORT &&
        Route(device, request.reportNumber, Direction::Feature, collection)) {
        std::lock_guard<std::mutex> guard(handlerLock_);
        answered = handler_ != nullptr && handler_->OnGetFeature(collection, report, sizeof report);
    }
    // A device without numbered reports answers with the data alone.
    const size_t skip = device.parsed.NumberedReports ? 0 : 1;
    EncodeGetReportReply(replyEvent_, request.id, answered ? 0 : EIO, report + skip,
                         answered ? sizeof report - skip : 0);
    WriteEvent(device, replyEvent_);
}

void UhidTransport::AnswerSetReport(const Device& device, const UhidRequest& request) {
    size_t collection = 0;
    bool taken = false;
    // Output reports come as output events; a kernel that sends one as a
    // set report request still gets it delivered.
    if (request.reportType == UHID_OUTPUT_REPORT && request.length > 0 &&
        Route(device, request.data[0], Direction::Output, collection)) {
        std::lock_guard<std::mutex> guard(handlerLock_);
        if (handler_ != nullptr) {
            handler_->OnOutputReport(collection, request.data, request.length);
        }
        taken = true;
    } else if (request.reportType == UHID_FEATURE_REPORT && request.length > 0 &&
               request.data[0] == request.reportNumber &&
               Route(device, request.reportNumber, Direction::Feature, collection)) {
        std::lock_guard<std::mutex> guard(handlerLock_);
        taken =
            handler_ != nullptr && handler_->OnSetFeature(collection, request.data, request.length);
    }
    EncodeSetReportReply(replyEvent_, request.id, taken ? 0 : EIO);
    WriteEvent(device, replyEvent_);
}
