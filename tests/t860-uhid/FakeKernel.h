#pragma once
// Between /dev/uhid and hidraw, the little the kernel does for a device
// created through uhid, played on socket pairs: a created device becomes a
// hidraw node in a sysfs tree (its uevent with the device's ids, its report
// descriptor as given), input events reach every open of the node as they
// are, what the program writes or sets as an output report goes to the
// device as an output event, and feature reports become get and set report
// requests whose replies end the program's call. A destroyed device's node
// disappears and its opens end.

#include <errno.h>
#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/hid/HidrawBackend.h"
#include "tests/Simulator/uhid/FakeUhid.h"
#include "tests/platform/hid/SysfsTree.h"
#include "tests/support/WaitUntil.h"

class FakeKernel {
public:
    FakeKernel() : wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~FakeKernel() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stopping_ = true;
        }
        Wake();
        if (thread_.joinable()) {
            thread_.join();
        }
        for (const auto& [end, device] : nodeEnds_) {
            close(end);
        }
        close(wake_);
    }
    FakeKernel(const FakeKernel&) = delete;
    FakeKernel& operator=(const FakeKernel&) = delete;

    platform::hid::NodeOpener UhidOpener() { return uhid_.Opener(); }

    // Serves the devices opened through UhidOpener so far.
    void Start() {
        thread_ = std::thread([this] { Run(); });
    }

    // Waits until that many devices have nodes: a real kernel creates and
    // removes them inside the write, this one on its own thread.
    bool WaitForNodes(size_t count) {
        std::unique_lock<std::mutex> lock(lock_);
        return replied_.wait_for(lock, t860test::kGenerousDeadline, [&] {
            return static_cast<size_t>(
                       std::count_if(created_.begin(), created_.end(),
                                     [](const auto& entry) { return entry.second; })) == count;
        });
    }

    platform::hid::HidrawSetup Setup() {
        platform::hid::HidrawSetup setup;
        setup.sysfsRoot = (tree_.Root() / "sys").string();
        setup.devRoot = (tree_.Root() / "dev").string();
        setup.openNode = [this](const std::string& path, int flags) { return Open(path, flags); };
        setup.control = [this](int fd, platform::hid::ReportRequest request, uint8_t* report,
                               size_t length) { return Control(fd, request, report, length); };
        return setup;
    }

private:
    static std::string NodeName(size_t device) { return "hidraw" + std::to_string(device); }

    int Open(const std::string& path, int flags) {
        std::lock_guard<std::mutex> guard(lock_);
        for (size_t device = 0; device < uhid_.DeviceCount(); ++device) {
            if (path.ends_with("/" + NodeName(device)) && created_[device]) {
                int ends[2];
                if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
                    return -1;
                }
                fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | (flags & O_NONBLOCK));
                programEnds_[ends[0]] = device;
                nodeEnds_[ends[1]] = device;
                Wake();
                return ends[0];
            }
        }
        errno = ENOENT;
        return -1;
    }

    int Control(int fd, platform::hid::ReportRequest request, uint8_t* report, size_t length) {
        size_t device;
        uint32_t id;
        {
            std::lock_guard<std::mutex> guard(lock_);
            const auto found = programEnds_.find(fd);
            if (found == programEnds_.end()) {
                errno = EBADF;
                return -1;
            }
            device = found->second;
            id = ++lastId_;
        }
        uhid_event event{};
        switch (request) {
            case platform::hid::ReportRequest::SetOutput:
                SendOutput(device, report, length);
                return static_cast<int>(length);
            case platform::hid::ReportRequest::GetFeature:
                event.type = UHID_GET_REPORT;
                event.u.get_report = {id, report[0], UHID_FEATURE_REPORT};
                break;
            case platform::hid::ReportRequest::SetFeature:
                event.type = UHID_SET_REPORT;
                event.u.set_report.id = id;
                event.u.set_report.rnum = report[0];
                event.u.set_report.rtype = UHID_FEATURE_REPORT;
                event.u.set_report.size = static_cast<uint16_t>(length);
                std::memcpy(event.u.set_report.data, report, length);
                break;
        }
        send(uhid_.End(device), &event, sizeof event, 0);
        std::unique_lock<std::mutex> lock(lock_);
        if (!replied_.wait_for(lock, t860test::kGenerousDeadline,
                               [&] { return replies_.count(id) != 0; })) {
            errno = EIO;
            return -1;
        }
        const uhid_event reply = replies_[id];
        replies_.erase(id);
        if (reply.type == UHID_GET_REPORT_REPLY) {
            if (reply.u.get_report_reply.err != 0) {
                errno = EIO;
                return -1;
            }
            const size_t size = std::min<size_t>(length, reply.u.get_report_reply.size);
            std::memcpy(report, reply.u.get_report_reply.data, size);
            return static_cast<int>(size);
        }
        if (reply.u.set_report_reply.err != 0) {
            errno = EIO;
            return -1;
        }
        return static_cast<int>(length);
    }

    void SendOutput(size_t device, const uint8_t* report, size_t length) {
        uhid_event event{};
        event.type = UHID_OUTPUT;
        std::memcpy(event.u.output.data, report, length);
        event.u.output.size = static_cast<uint16_t>(length);
        event.u.output.rtype = UHID_OUTPUT_REPORT;
        send(uhid_.End(device), &event, sizeof event, 0);
    }

    void Wake() {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t woken = write(wake_, &one, sizeof one);
    }

    void Run() {
        const size_t devices = uhid_.DeviceCount();
        for (;;) {
            std::vector<pollfd> fds;
            std::vector<size_t> nodeDevices;
            {
                std::lock_guard<std::mutex> guard(lock_);
                for (const auto& [end, device] : nodeEnds_) {
                    fds.push_back({end, POLLIN, 0});
                    nodeDevices.push_back(device);
                }
            }
            const size_t nodes = fds.size();
            for (size_t device = 0; device < devices; ++device) {
                fds.push_back({uhid_.End(device), POLLIN, 0});
            }
            fds.push_back({wake_, POLLIN, 0});
            if (poll(fds.data(), fds.size(), -1) < 0) {
                return;
            }
            if (fds.back().revents != 0) {
                uint64_t count;
                [[maybe_unused]] const ssize_t taken = read(wake_, &count, sizeof count);
                std::lock_guard<std::mutex> guard(lock_);
                if (stopping_) {
                    return;
                }
            }
            for (size_t i = 0; i < nodes; ++i) {
                if (fds[i].revents != 0) {
                    FromProgram(fds[i].fd, nodeDevices[i]);
                }
            }
            for (size_t device = 0; device < devices; ++device) {
                if (fds[nodes + device].revents != 0) {
                    FromDevice(device);
                }
            }
        }
    }

    void FromProgram(int end, size_t device) {
        uint8_t report[4096];
        const ssize_t got = recv(end, report, sizeof report, 0);
        if (got <= 0) {  // the program closed its handle
            std::lock_guard<std::mutex> guard(lock_);
            nodeEnds_.erase(end);
            close(end);
            return;
        }
        SendOutput(device, report, static_cast<size_t>(got));
    }

    void FromDevice(size_t device) {
        uhid_event event;
        if (recv(uhid_.End(device), &event, sizeof event, 0) <= 0) {
            return;
        }
        switch (event.type) {
            case UHID_CREATE2: {
                const uhid_create2_req& create = event.u.create2;
                char uevent[256];
                std::snprintf(uevent, sizeof uevent, "HID_ID=%04X:%08X:%08X\nHID_NAME=%s\n",
                              create.bus, create.vendor, create.product,
                              reinterpret_cast<const char*>(create.name));
                tree_.AddNode(
                    NodeName(device), uevent,
                    std::vector<uint8_t>(create.rd_data, create.rd_data + create.rd_size));
                {
                    std::lock_guard<std::mutex> guard(lock_);
                    created_[device] = true;
                    replied_.notify_all();
                }
                uhid_event start{};
                start.type = UHID_START;
                send(uhid_.End(device), &start, sizeof start, 0);
                return;
            }
            case UHID_DESTROY: {
                std::filesystem::remove_all(tree_.Root() / "sys" / NodeName(device));
                std::lock_guard<std::mutex> guard(lock_);
                created_[device] = false;
                replied_.notify_all();
                for (auto it = nodeEnds_.begin(); it != nodeEnds_.end();) {
                    if (it->second == device) {
                        close(it->first);  // the program's reads end
                        it = nodeEnds_.erase(it);
                    } else {
                        ++it;
                    }
                }
                return;
            }
            case UHID_INPUT2: {
                std::lock_guard<std::mutex> guard(lock_);
                for (const auto& [end, owner] : nodeEnds_) {
                    if (owner == device) {
                        send(end, event.u.input2.data, event.u.input2.size, MSG_DONTWAIT);
                    }
                }
                return;
            }
            case UHID_GET_REPORT_REPLY:
            case UHID_SET_REPORT_REPLY: {
                const uint32_t id = event.type == UHID_GET_REPORT_REPLY
                                        ? event.u.get_report_reply.id
                                        : event.u.set_report_reply.id;
                std::lock_guard<std::mutex> guard(lock_);
                replies_[id] = event;
                replied_.notify_all();
                return;
            }
            default:
                return;
        }
    }

    FakeUhid uhid_;
    SysfsTree tree_;
    std::mutex lock_;
    std::condition_variable replied_;  // a reply came, or a node came or went
    std::map<size_t, bool> created_;
    std::map<int, size_t> programEnds_;  // the program's ends of node opens
    std::map<int, size_t> nodeEnds_;     // the kernel's ends of the same
    std::map<uint32_t, uhid_event> replies_;
    uint32_t lastId_ = 0;
    bool stopping_ = false;
    const int wake_;
    std::thread thread_;
};
