#pragma once
// The kernel's side of /dev/uhid for tests: every open of the node gets one
// end of a socket pair, message for message as uhid reads and writes whole
// events, and the test plays the kernel on the other end.

#include <errno.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hid/HidrawBackend.h"
#include "tests/support/WaitUntil.h"

class FakeUhid {
public:
    FakeUhid() = default;
    FakeUhid(const FakeUhid&) = delete;
    FakeUhid& operator=(const FakeUhid&) = delete;
    ~FakeUhid() {
        for (int fd : kernelEnds_) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }

    // Opens fail with this errno from now on; 0 lets them succeed.
    void RefuseOpens(int error) { refuse_ = error; }

    platform::hid::NodeOpener Opener() {
        return [this](const std::string&, int) {
            if (refuse_ != 0) {
                errno = refuse_;
                return -1;
            }
            int ends[2];
            if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
                return -1;
            }
            std::lock_guard<std::mutex> guard(lock_);
            kernelEnds_.push_back(ends[1]);
            return ends[0];
        };
    }

    // The kernel's ends go away: every write of the devices fails from now on.
    void CloseKernelEnds() {
        std::lock_guard<std::mutex> guard(lock_);
        for (int& fd : kernelEnds_) {
            ::close(fd);
            fd = -1;
        }
    }

    size_t DeviceCount() {
        std::lock_guard<std::mutex> guard(lock_);
        return kernelEnds_.size();
    }

    // The next event of the given type the device sends, skipping others;
    // false when none comes within the time.
    bool Next(size_t device, uint32_t type, uhid_event& event,
              int timeoutMs = static_cast<int>(t860test::kGenerousDeadline.count())) {
        for (;;) {
            pollfd fd{End(device), POLLIN, 0};
            if (::poll(&fd, 1, timeoutMs) != 1) {
                return false;
            }
            if (::recv(fd.fd, &event, sizeof event, 0) <= 0) {
                return false;
            }
            if (event.type == type) {
                return true;
            }
        }
    }

    // True when the device sends no event of the type within the time.
    bool Quiet(size_t device, uint32_t type, int ms) {
        uhid_event event;
        return !Next(device, type, event, ms);
    }

    void Send(size_t device, const uhid_event& event) {
        ASSERT_EQ(::send(End(device), &event, sizeof event, 0), static_cast<ssize_t>(sizeof event));
    }

    void SendType(size_t device, uint32_t type) {
        uhid_event event{};
        event.type = type;
        Send(device, event);
    }

    // An output report as hidraw passes on what the program writes: report
    // id byte first, whether or not the device numbers its reports.
    void SendOutput(size_t device, const std::vector<uint8_t>& report) {
        uhid_event event{};
        event.type = UHID_OUTPUT;
        std::memcpy(event.u.output.data, report.data(), report.size());
        event.u.output.size = static_cast<uint16_t>(report.size());
        event.u.output.rtype = UHID_OUTPUT_REPORT;
        Send(device, event);
    }

    // The kernel's end of a device's node.
    int End(size_t device) {
        std::lock_guard<std::mutex> guard(lock_);
        return kernelEnds_.at(device);
    }

private:
    std::mutex lock_;
    std::vector<int> kernelEnds_;
    int refuse_ = 0;
};
