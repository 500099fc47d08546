#include "platform/hid/HidrawBackend.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/platform/hid/Descriptors.h"
#include "tests/platform/hid/SysfsTree.h"

namespace fs = std::filesystem;
using namespace platform::hid;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr const char* kControllerId = "DRIVER=hid-generic\nHID_ID=0003:00002F7A:00000006\n";

struct ControlCall {
    ReportRequest request;
    Bytes report;
};

// A sysfs and /dev tree in a temporary folder. Opening a node makes a
// socket pair: the backend gets one end, the test plays the device on the
// other, one report per message as hidraw gives them.
class HidrawFixture : public ::testing::Test {
protected:
    HidrawFixture() {
        signal(SIGPIPE, SIG_IGN);  // a write to a closed fake device must fail, not kill us
    }

    ~HidrawFixture() override {
        for (int fd : deviceEnds_) {
            close(fd);
        }
    }

    void AddNode(const std::string& name, const std::string& uevent, const Bytes& descriptor) {
        tree_.AddNode(name, uevent, descriptor);
    }

    HidrawSetup FixtureSetup() {
        HidrawSetup setup;
        setup.sysfsRoot = (root_ / "sys").string();
        setup.devRoot = (root_ / "dev").string();
        setup.openNode = [this](const std::string& path, int flags) {
            return OpenFake(path, flags);
        };
        setup.control = [this](int, ReportRequest request, uint8_t* report, size_t length) {
            std::lock_guard<std::mutex> guard(lock_);
            calls_.push_back({request, Bytes(report, report + length)});
            if (request == ReportRequest::GetFeature) {
                std::copy(featureReply_.begin(), featureReply_.end(), report);
            }
            errno = controlErrno_;
            return controlErrno_ == 0 ? static_cast<int>(length) : -1;
        };
        return setup;
    }

    std::string Path(const std::string& nodeAndCollection) const {
        return (root_ / "dev").string() + "/" + nodeAndCollection;
    }

    HidHandle Open(HidrawBackend& backend, const std::string& nodeAndCollection) {
        HidHandle handle = nullptr;
        EXPECT_EQ(backend.Open(Path(nodeAndCollection), true, handle), OpenStatus::Ok);
        return handle;
    }

    // The device end of the node opened last at nodeName: each open gets its
    // own, as each hidraw open gets every report.
    int Device(const std::string& nodeName) { return devices_.at(Path(nodeName)); }

    void Send(const std::string& nodeName, const Bytes& report) {
        ASSERT_EQ(send(Device(nodeName), report.data(), report.size(), 0),
                  static_cast<ssize_t>(report.size()));
    }

    // What the backend sent to the device, or nothing within a second.
    Bytes Received(const std::string& nodeName) {
        pollfd fd{Device(nodeName), POLLIN, 0};
        if (poll(&fd, 1, 1000) != 1) {
            return {};
        }
        Bytes report(100);
        const ssize_t got = recv(fd.fd, report.data(), report.size(), 0);
        report.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return report;
    }

    std::vector<std::string> Enumerate(HidrawBackend& backend) {
        std::vector<std::string> paths;
        InterfaceSet set = backend.GetClassDevs();
        EXPECT_NE(set, nullptr);
        for (uint32_t index = 0; backend.EnumInterface(set, index) == EnumStatus::Ok; ++index) {
            std::string path;
            EXPECT_TRUE(backend.GetInterfaceDetail(set, index, path));
            paths.push_back(path.substr((root_ / "dev").string().size() + 1));
        }
        backend.DestroyInterfaceSet(set);
        return paths;
    }

    SysfsTree tree_;
    const fs::path root_ = tree_.Root();
    std::map<std::string, int> refusals_;  // path -> errno of a refused open
    int lastFlags_ = 0;
    Bytes featureReply_;
    int controlErrno_ = 0;
    std::mutex lock_;
    std::vector<ControlCall> calls_;

private:
    int OpenFake(const std::string& path, int flags) {
        lastFlags_ = flags;
        if (const auto refused = refusals_.find(path); refused != refusals_.end()) {
            errno = refused->second;
            return -1;
        }
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
            return -1;
        }
        fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | (flags & O_NONBLOCK));
        devices_[path] = ends[1];
        deviceEnds_.push_back(ends[1]);
        return ends[0];
    }

    std::map<std::string, int> devices_;  // the device end of the node opened last
    std::vector<int> deviceEnds_;
};

ReadResult ReadInto(HidrawBackend& backend, HidHandle handle, Bytes& buffer) {
    platform::Event cancel(platform::Event::Reset::Manual);
    return backend.Read(handle, buffer.data(), buffer.size(), cancel);
}

Bytes Report(uint8_t id, size_t dataBytes, uint8_t fill) {
    Bytes report(dataBytes + 1, fill);
    report[0] = id;
    return report;
}

}  // namespace

TEST_F(HidrawFixture, EnumerationListsEachCollectionInNodeOrderAndSkipsBrokenNodes) {
    AddNode("hidraw10", kControllerId, descriptors::kController);
    AddNode("hidraw2", "HID_ID=0003:0000046D:0000C31C\n", descriptors::kKeyboardAndConsumer);
    AddNode("hidraw3", "HID_ID=0003:0000046D\n", descriptors::kBareMouse);           // short id
    AddNode("hidraw4", "HID_ID=0003:00010000:00000001\n", descriptors::kBareMouse);  // wide id
    AddNode("hidraw5", "HID_ID=0003:zz:00000001\n", descriptors::kBareMouse);
    AddNode("hidraw6", kControllerId, {});                         // no collections
    AddNode("mouse0", kControllerId, descriptors::kBareMouse);     // not a hidraw node
    fs::create_directories(root_ / "sys" / "hidraw7" / "device");  // no files at all
    AddNode("hidraw8", "DEVTYPE=x\n", descriptors::kBareMouse);    // no HID_ID
    AddNode("hidraw9", "HID_ID=0018:000004F3:00000C4B\n", descriptors::kBareMouse);
    fs::remove(root_ / "sys" / "hidraw9" / "device" / "report_descriptor");

    HidrawBackend backend(FixtureSetup());
    EXPECT_EQ(Enumerate(backend),
              (std::vector<std::string>{"hidraw2#0", "hidraw2#1", "hidraw10#0", "hidraw10#1",
                                        "hidraw10#2", "hidraw10#3"}));

    InterfaceSet set = backend.GetClassDevs();
    std::string path;
    EXPECT_EQ(backend.EnumInterface(set, 6), EnumStatus::NoMoreItems);
    EXPECT_FALSE(backend.GetInterfaceDetail(set, 6, path));
    backend.DestroyInterfaceSet(set);
    EXPECT_EQ(backend.EnumInterface(nullptr, 0), EnumStatus::Failed);

    HidrawSetup missing = FixtureSetup();
    missing.sysfsRoot = (root_ / "nowhere").string();
    EXPECT_EQ(HidrawBackend(missing).GetClassDevs(), nullptr);
}

TEST_F(HidrawFixture, OpenedCollectionReportsItsOwnCapsAndTheDeviceIds) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    HidrawBackend backend(FixtureSetup());

    const struct {
        const char* node;
        HidCaps caps;
    } expected[] = {{"hidraw1#0", {0x0001, 0xFFA0, 65, 65, 0}},
                    {"hidraw1#2", {0x0006, 0xFFA0, 65, 65, 0}},
                    {"hidraw1#3", {0x0004, 0x000D, 11, 0, 2}}};
    for (const auto& one : expected) {
        HidHandle handle = Open(backend, one.node);
        ASSERT_NE(handle, nullptr) << one.node;
        EXPECT_EQ(lastFlags_, O_RDWR | O_CLOEXEC | O_NONBLOCK);
        HidAttributes attributes;
        ASSERT_TRUE(backend.GetAttributes(handle, attributes));
        EXPECT_EQ(attributes.VendorID, 0x2F7A);
        EXPECT_EQ(attributes.ProductID, 0x0006);
        PreparsedData data = nullptr;
        ASSERT_TRUE(backend.GetPreparsedData(handle, data));
        HidCaps caps;
        EXPECT_EQ(backend.GetCaps(data, caps), kHidpStatusSuccess);
        EXPECT_EQ(caps.Usage, one.caps.Usage) << one.node;
        EXPECT_EQ(caps.UsagePage, one.caps.UsagePage);
        EXPECT_EQ(caps.InputReportByteLength, one.caps.InputReportByteLength);
        EXPECT_EQ(caps.OutputReportByteLength, one.caps.OutputReportByteLength);
        EXPECT_EQ(caps.FeatureReportByteLength, one.caps.FeatureReportByteLength);
        backend.FreePreparsedData(data);
        backend.Close(handle);
        EXPECT_FALSE(backend.GetAttributes(handle, attributes)) << "a closed handle is dead";
        EXPECT_FALSE(backend.GetPreparsedData(handle, data));
    }
    HidCaps caps;
    EXPECT_NE(backend.GetCaps(nullptr, caps), kHidpStatusSuccess);
}

TEST_F(HidrawFixture, OpenFailuresSayWhetherAccessWasDenied) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    HidrawBackend backend(FixtureSetup());
    HidHandle handle = nullptr;
    for (const char* bad : {"hidraw1#4", "hidraw1", "hidraw1#", "hidraw1#x", "hidraw9#0"}) {
        EXPECT_EQ(backend.Open(Path(bad), true, handle), OpenStatus::Failed) << bad;
        EXPECT_EQ(handle, nullptr);
    }
    EXPECT_EQ(backend.Open("/elsewhere/hidraw1#0", true, handle), OpenStatus::Failed);

    const std::pair<int, OpenStatus> outcomes[] = {{EACCES, OpenStatus::AccessDenied},
                                                   {EPERM, OpenStatus::AccessDenied},
                                                   {ENOENT, OpenStatus::Failed}};
    for (const auto& [error, status] : outcomes) {
        refusals_[Path("hidraw1")] = error;
        EXPECT_EQ(backend.Open(Path("hidraw1#0"), false, handle), status) << error;
        EXPECT_EQ(handle, nullptr);
    }
}

TEST_F(HidrawFixture, PeekReadsTheIdsOfANodeThatRefusesToOpen) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    AddNode("hidraw2", "HID_ID=0003:0000046A:00000011\n", descriptors::kController);
    HidrawBackend backend(FixtureSetup());
    refusals_[Path("hidraw1")] = EACCES;
    HidAttributes attributes;
    std::string node;
    ASSERT_TRUE(backend.PeekAttributes(Path("hidraw1#2"), attributes, node));
    EXPECT_EQ(attributes.VendorID, 0x2F7A);
    EXPECT_EQ(attributes.ProductID, 0x0006);
    EXPECT_EQ(node, Path("hidraw1"));
    ASSERT_TRUE(backend.PeekAttributes(Path("hidraw2#0"), attributes, node));
    EXPECT_EQ(attributes.VendorID, 0x046A);
    for (const char* bad : {"hidraw9#0", "hidraw1", "../hidraw1#0"}) {
        EXPECT_FALSE(backend.PeekAttributes(Path(bad), attributes, node)) << bad;
    }
}

TEST_F(HidrawFixture, ReadDeliversOnlyThisCollectionsReports) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    HidrawBackend backend(FixtureSetup());
    HidHandle channel6 = Open(backend, "hidraw1#2");
    Send("hidraw1", Report(5, 64, 0x55));
    Send("hidraw1", Report(0, 64, 0x00));
    Send("hidraw1", Report(7, 10, 0x77));
    Send("hidraw1", Report(6, 64, 0x66));
    Bytes buffer(65);
    ReadResult result = ReadInto(backend, channel6, buffer);
    EXPECT_EQ(result.status, ReadStatus::Completed);
    EXPECT_EQ(result.bytes, 65u);
    EXPECT_EQ(buffer, Report(6, 64, 0x66));

    HidHandle channel0 = Open(backend, "hidraw1#0");
    Send("hidraw1", Report(6, 64, 0x66));
    Send("hidraw1", Report(0, 64, 0x01));
    result = ReadInto(backend, channel0, buffer);
    EXPECT_EQ(result.status, ReadStatus::Completed);
    EXPECT_EQ(buffer, Report(0, 64, 0x01)) << "report id 0 is channel 0's";
    backend.Close(channel6);
    backend.Close(channel0);
}

TEST_F(HidrawFixture, ReadNeverCopiesPastTheCapacity) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    HidrawBackend backend(FixtureSetup());
    HidHandle handle = Open(backend, "hidraw1#2");
    Send("hidraw1", Report(6, 99, 0x66));  // longer than the descriptor says
    Bytes buffer(80, 0xEE);
    platform::Event cancel(platform::Event::Reset::Manual);
    const ReadResult result = backend.Read(handle, buffer.data(), 65, cancel);
    EXPECT_EQ(result.status, ReadStatus::Completed);
    EXPECT_EQ(result.bytes, 100u) << "the full length received";
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 65), Report(6, 64, 0x66));
    EXPECT_EQ(Bytes(buffer.begin() + 65, buffer.end()), Bytes(15, 0xEE));
    backend.Close(handle);
}

TEST_F(HidrawFixture, BareInterfaceGetsIdZeroInFrontAndSendsItsReportsWithIdZero) {
    AddNode("hidraw0", "HID_ID=0003:0000046D:0000C077\n", descriptors::kBareMouse);
    HidrawBackend backend(FixtureSetup());
    HidHandle handle = Open(backend, "hidraw0#0");
    Send("hidraw0", {0x01, 0x05, 0xFB});
    Bytes buffer(65);
    const ReadResult result = ReadInto(backend, handle, buffer);
    EXPECT_EQ(result.status, ReadStatus::Completed);
    ASSERT_EQ(result.bytes, 4u);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 4), (Bytes{0x00, 0x01, 0x05, 0xFB}));

    // hidraw takes the 0 id in front of a bare report and drops it itself.
    size_t written = 0;
    EXPECT_TRUE(backend.Write(handle, Bytes{0x00, 0x00, 0x07}.data(), 3, written));
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(Received("hidraw0"), (Bytes{0x00, 0x00, 0x07}));
    EXPECT_FALSE(backend.Write(handle, Bytes{0x02, 0x07}.data(), 2, written))
        << "no other id can be meant for a bare interface";
    EXPECT_FALSE(backend.SetFeature(handle, Bytes{0x02, 0x07}.data(), 2));
    backend.Close(handle);
}

TEST_F(HidrawFixture, CancelEndsAWaitingReadWithoutConsumingTheEvent) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    HidrawBackend backend(FixtureSetup());
    HidHandle handle = Open(backend, "hidraw1#2");
    platform::Event cancel(platform::Event::Reset::Auto);
    Bytes buffer(65);
    ReadResult result;
    std::thread reader([&] { result = backend.Read(handle, buffer.data(), 65, cancel); });
    Send("hidraw1", Report(5, 64, 0x55));  // not ours: the read goes on waiting
    platform::Sleep(50);
    cancel.Set();
    reader.join();
    EXPECT_EQ(result.status, ReadStatus::Cancelled);
    EXPECT_TRUE(cancel.IsSet());

    Send("hidraw1", Report(6, 64, 0x66));
    EXPECT_EQ(backend.Read(handle, buffer.data(), 65, cancel).status, ReadStatus::Cancelled)
        << "a set event wins over a waiting report";
    cancel.Clear();
    EXPECT_EQ(backend.Read(handle, buffer.data(), 65, cancel).status, ReadStatus::Completed);
    backend.Close(handle);
}

TEST_F(HidrawFixture, UnplugAndCloseEndReadsAsFailed) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    HidrawBackend backend(FixtureSetup());
    HidHandle handle = Open(backend, "hidraw1#2");
    Bytes buffer(65);
    Send("hidraw1", Report(6, 64, 0x66));
    shutdown(Device("hidraw1"), SHUT_RDWR);
    EXPECT_EQ(ReadInto(backend, handle, buffer).status, ReadStatus::Completed)
        << "what arrived before the unplug is still delivered";
    EXPECT_EQ(ReadInto(backend, handle, buffer).status, ReadStatus::Failed);
    size_t written = 0;
    EXPECT_FALSE(backend.Write(handle, Report(6, 64, 0).data(), 65, written));
    backend.Close(handle);

    // A read blocked while another thread closes the handle.
    handle = Open(backend, "hidraw1#2");
    ReadResult result;
    std::thread reader([&] { result = ReadInto(backend, handle, buffer); });
    platform::Sleep(50);
    backend.Close(handle);
    reader.join();
    EXPECT_EQ(result.status, ReadStatus::Failed);
    EXPECT_EQ(ReadInto(backend, handle, buffer).status, ReadStatus::Failed);
    EXPECT_FALSE(backend.Write(handle, Report(6, 64, 0).data(), 65, written));
    backend.Close(handle);  // a second close does nothing
}

TEST_F(HidrawFixture, WritesAndOutputReportsReachTheNodeWithTheirIdByte) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    HidrawBackend backend(FixtureSetup());
    HidHandle handle = Open(backend, "hidraw1#2");
    size_t written = 0;
    EXPECT_TRUE(backend.Write(handle, Report(6, 64, 0x31).data(), 65, written));
    EXPECT_EQ(written, 65u);
    EXPECT_EQ(Received("hidraw1"), Report(6, 64, 0x31));

    EXPECT_TRUE(backend.SetOutputReport(handle, Report(6, 64, 0x32).data(), 65));
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].request, ReportRequest::SetOutput);
    EXPECT_EQ(calls_[0].report, Report(6, 64, 0x32));

    controlErrno_ = ENOTTY;  // a kernel without the request: written instead
    EXPECT_TRUE(backend.SetOutputReport(handle, Report(6, 64, 0x33).data(), 65));
    EXPECT_EQ(Received("hidraw1"), Report(6, 64, 0x33));

    controlErrno_ = EIO;
    EXPECT_FALSE(backend.SetOutputReport(handle, Report(6, 64, 0x34).data(), 65));
    EXPECT_EQ(Received("hidraw1"), Bytes{}) << "a failed request is not retried as a write";
    EXPECT_FALSE(backend.Write(handle, nullptr, 65, written));
    backend.Close(handle);
}

TEST_F(HidrawFixture, FeatureReportsGoThroughTheNodeRequests) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    AddNode("hidraw2", "HID_ID=0003:0000046D:0000C077\n", descriptors::kBareMouse);
    HidrawBackend backend(FixtureSetup());
    HidHandle digitizer = Open(backend, "hidraw1#3");

    featureReply_ = {0x02, 0x03};
    Bytes report(65, 0);
    report[0] = 0x02;
    ASSERT_TRUE(backend.GetFeature(digitizer, report.data(), report.size()));
    EXPECT_EQ(report[1], 0x03);
    EXPECT_EQ(calls_.back().request, ReportRequest::GetFeature);
    EXPECT_EQ(calls_.back().report.size(), 65u);
    EXPECT_EQ(calls_.back().report[0], 0x02);

    Bytes mode(65, 0);
    mode[0] = 0x02;
    mode[1] = 0x02;
    EXPECT_TRUE(backend.SetFeature(digitizer, mode.data(), mode.size()));
    EXPECT_EQ(calls_.back().request, ReportRequest::SetFeature);
    EXPECT_EQ(calls_.back().report, mode);

    controlErrno_ = EPIPE;
    EXPECT_FALSE(backend.GetFeature(digitizer, report.data(), report.size()));
    EXPECT_FALSE(backend.SetFeature(digitizer, mode.data(), mode.size()));

    // A bare feature report comes back without its id; the caller still sees
    // the id byte in front of the data.
    controlErrno_ = 0;
    HidHandle bare = Open(backend, "hidraw2#0");
    featureReply_ = {0xAB, 0xCD};
    Bytes bareReport = {0x00, 0x11, 0x22};
    ASSERT_TRUE(backend.GetFeature(bare, bareReport.data(), bareReport.size()));
    EXPECT_EQ(calls_.back().report, (Bytes{0x00, 0x22})) << "asked with id 0, one byte shorter";
    EXPECT_EQ(bareReport, (Bytes{0x00, 0xAB, 0xCD}));
    backend.Close(digitizer);
    backend.Close(bare);
}

TEST_F(HidrawFixture, RealRequestsOnANonHidNodeFail) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    HidrawSetup setup = FixtureSetup();
    setup.control = ControlDeviceNode;
    HidrawBackend backend(setup);
    HidHandle handle = Open(backend, "hidraw1#3");
    Bytes report(65, 0);
    report[0] = 0x02;
    EXPECT_FALSE(backend.GetFeature(handle, report.data(), report.size()));
    EXPECT_FALSE(backend.SetFeature(handle, report.data(), report.size()));
    // Output reports fall back to a write where the request is unknown.
    EXPECT_TRUE(backend.SetOutputReport(handle, report.data(), report.size()));
    EXPECT_EQ(Received("hidraw1"), report);
    backend.Close(handle);
}

TEST_F(HidrawFixture, OneThreadReadsWhileAnotherWrites) {
    AddNode("hidraw1", kControllerId, descriptors::kController);
    HidrawBackend backend(FixtureSetup());
    HidHandle handle = Open(backend, "hidraw1#2");
    constexpr int kReports = 200;
    const int device = Device("hidraw1");

    // The fake device answers every output report with an input report.
    std::thread echo([&] {
        Bytes report(65);
        for (int i = 0; i < kReports; ++i) {
            ASSERT_EQ(recv(device, report.data(), report.size(), 0), 65);
            ASSERT_EQ(send(device, report.data(), report.size(), 0), 65);
        }
    });
    int delivered = 0;
    std::thread reader([&] {
        Bytes buffer(65);
        while (delivered < kReports &&
               ReadInto(backend, handle, buffer).status == ReadStatus::Completed) {
            EXPECT_EQ(buffer[1], static_cast<uint8_t>(delivered));
            ++delivered;
        }
    });
    for (int i = 0; i < kReports; ++i) {
        size_t written = 0;
        ASSERT_TRUE(
            backend.Write(handle, Report(6, 64, static_cast<uint8_t>(i)).data(), 65, written));
    }
    echo.join();
    reader.join();
    EXPECT_EQ(delivered, kReports);
    backend.Close(handle);
}

TEST(HidBackend, SelectedBackendReplacesTheDefaultUntilDeselected) {
    Backend& platformDefault = CurrentBackend();
    EXPECT_NE(dynamic_cast<HidrawBackend*>(&platformDefault), nullptr);
    HidrawBackend other;
    SelectBackend(&other);
    EXPECT_EQ(&CurrentBackend(), &other);
    SelectBackend(nullptr);
    EXPECT_EQ(&CurrentBackend(), &platformDefault);
}
