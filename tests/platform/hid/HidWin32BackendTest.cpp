#include "platform/win32/HidWin32Backend.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "platform/win32/Windows.h"

using platform::Event;
using platform::hid::EnumStatus;
using platform::hid::HidAttributes;
using platform::hid::HidCaps;
using platform::hid::HidHandle;
using platform::hid::kHidpStatusSuccess;
using platform::hid::OpenStatus;
using platform::hid::PreparsedData;
using platform::hid::ReadStatus;
using platform::hid::Win32Backend;

namespace {

std::string UniqueName(const char* stem) {
    std::random_device random;
    return std::string(stem) + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(random());
}

// A scratch folder with files that stand in for device paths: the system
// opens them like any other path, and every HID query on them fails.
class Scratch {
public:
    Scratch() : root_(std::filesystem::temp_directory_path() / UniqueName("t860-hid-")) {
        std::filesystem::create_directories(root_);
    }
    ~Scratch() {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
            SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        std::filesystem::remove_all(root_, error);
    }
    std::string File(const char* name, const std::string& content) const {
        const auto path = root_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    std::string Folder() const { return root_.string(); }

private:
    std::filesystem::path root_;
};

// A pipe whose client end reads like an overlapped device that has nothing to
// say until the server end writes.
class Pipe {
public:
    Pipe() : path_("\\\\.\\pipe\\" + UniqueName("t860-hid-")) {
        server_ = CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                                   0, nullptr);
    }
    ~Pipe() { CloseHandle(server_); }
    const std::string& Path() const { return path_; }
    bool Valid() const { return server_ != INVALID_HANDLE_VALUE; }
    void Send(const std::string& bytes) {
        DWORD written = 0;
        WriteFile(server_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }

private:
    std::string path_;
    HANDLE server_;
};

class HidWin32BackendTest : public ::testing::Test {
protected:
    HidHandle OpenOrFail(const std::string& path, bool overlapped = true) {
        HidHandle handle = nullptr;
        EXPECT_EQ(backend.Open(path, overlapped, handle), OpenStatus::Ok) << path;
        return handle;
    }
    Win32Backend backend;
    Scratch scratch;
    Event cancel{Event::Reset::Auto};
    uint8_t buffer[65] = {};
};

TEST_F(HidWin32BackendTest, EnumerationOfTheHidClassEndsQuietly) {
    const auto set = backend.GetClassDevs();
    ASSERT_NE(set, nullptr);
    uint32_t index = 0;
    std::string path;
    while (backend.EnumInterface(set, index) == EnumStatus::Ok) {
        EXPECT_TRUE(backend.GetInterfaceDetail(set, index, path));
        EXPECT_FALSE(path.empty());
        ++index;
    }
    EXPECT_EQ(backend.EnumInterface(set, index), EnumStatus::NoMoreItems);
    EXPECT_FALSE(backend.GetInterfaceDetail(set, index, path)) << "no detail past the end";
    backend.DestroyInterfaceSet(set);

    EXPECT_EQ(backend.EnumInterface(nullptr, 0), EnumStatus::Failed);
    EXPECT_FALSE(backend.GetInterfaceDetail(nullptr, 0, path));
    backend.DestroyInterfaceSet(nullptr);
}

TEST_F(HidWin32BackendTest, OpenTellsRefusedAccessFromOtherFailures) {
    HidHandle handle = reinterpret_cast<HidHandle>(1);
    EXPECT_EQ(backend.Open(scratch.Folder() + "\\missing", true, handle), OpenStatus::Failed);
    EXPECT_EQ(handle, nullptr);

    // A folder refuses read and write access, as the keyboards and mice that
    // the system holds for itself do.
    EXPECT_EQ(backend.Open(scratch.Folder(), false, handle), OpenStatus::AccessDenied);
    EXPECT_EQ(handle, nullptr);

    // Another opener that shares nothing makes the open fail otherwise.
    const std::string locked = scratch.File("locked", "x");
    const HANDLE exclusive =
        CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_EQ(backend.Open(locked, true, handle), OpenStatus::Failed);
    CloseHandle(exclusive);
}

TEST_F(HidWin32BackendTest, QueriesOnWhatIsNoHidCollectionFail) {
    const HidHandle handle = OpenOrFail(scratch.File("plain", "data"));
    ASSERT_NE(handle, nullptr);
    PreparsedData data = reinterpret_cast<PreparsedData>(1);
    EXPECT_FALSE(backend.GetPreparsedData(handle, data));
    EXPECT_EQ(data, nullptr);
    HidAttributes attributes;
    attributes.VendorID = 0x1234;
    EXPECT_FALSE(backend.GetAttributes(handle, attributes));
    EXPECT_EQ(attributes.VendorID, 0x1234) << "left alone on failure";
    HidCaps caps;
    EXPECT_NE(backend.GetCaps(nullptr, caps), kHidpStatusSuccess);
    backend.FreePreparsedData(nullptr);

    uint8_t feature[65] = {0x02};
    EXPECT_FALSE(backend.GetFeature(handle, feature, sizeof feature));
    EXPECT_FALSE(backend.SetFeature(handle, feature, sizeof feature));
    EXPECT_FALSE(backend.SetOutputReport(handle, feature, sizeof feature));
    backend.Close(handle);
}

TEST_F(HidWin32BackendTest, ReadsAndWritesCompleteOnEitherKindOfHandle) {
    const std::string report(65, '\x06');
    for (const bool overlapped : {true, false}) {
        SCOPED_TRACE(overlapped ? "overlapped" : "plain");
        const HidHandle handle = OpenOrFail(scratch.File("report", report), overlapped);
        std::memset(buffer, 0, sizeof buffer);
        const auto result = backend.Read(handle, buffer, sizeof buffer, cancel);
        EXPECT_EQ(result.status, ReadStatus::Completed);
        EXPECT_EQ(result.bytes, 65u);
        EXPECT_EQ(buffer[64], 0x06);

        size_t written = 0;
        EXPECT_TRUE(backend.Write(handle, buffer, sizeof buffer, written));
        EXPECT_EQ(written, 65u);
        EXPECT_FALSE(backend.Write(handle, buffer, 0, written));
        EXPECT_EQ(written, 0u);

        backend.Close(handle);
    }
    // Nothing to read where nothing can come any more fails, as on an unplugged device.
    const HidHandle empty = OpenOrFail(scratch.File("empty", ""));
    EXPECT_EQ(backend.Read(empty, buffer, sizeof buffer, cancel).status, ReadStatus::Failed);
    backend.Close(empty);
}

TEST_F(HidWin32BackendTest, ClosedOrUnknownHandlesFailEveryOperation) {
    const HidHandle handle = OpenOrFail(scratch.File("closed", "data"));
    backend.Close(handle);
    backend.Close(handle);
    size_t written = 1;
    PreparsedData data = nullptr;
    HidAttributes attributes;
    EXPECT_EQ(backend.Read(handle, buffer, sizeof buffer, cancel).status, ReadStatus::Failed);
    EXPECT_FALSE(backend.Write(handle, buffer, sizeof buffer, written));
    EXPECT_FALSE(backend.SetOutputReport(handle, buffer, sizeof buffer));
    EXPECT_FALSE(backend.GetFeature(handle, buffer, sizeof buffer));
    EXPECT_FALSE(backend.GetPreparsedData(handle, data));
    EXPECT_FALSE(backend.GetAttributes(nullptr, attributes));
}

TEST_F(HidWin32BackendTest, PendingReadEndsWithItsReportOrItsCancelRequest) {
    Pipe pipe;
    ASSERT_TRUE(pipe.Valid());
    const HidHandle handle = OpenOrFail(pipe.Path());
    ASSERT_NE(handle, nullptr);

    std::thread sender([&pipe] {
        platform::Sleep(50);
        pipe.Send("\x06reply");
    });
    auto result = backend.Read(handle, buffer, sizeof buffer, cancel);
    sender.join();
    EXPECT_EQ(result.status, ReadStatus::Completed);
    EXPECT_EQ(result.bytes, 6u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 6), "\x06reply");

    std::thread canceller([this] {
        platform::Sleep(50);
        cancel.Set();
    });
    result = backend.Read(handle, buffer, sizeof buffer, cancel);
    canceller.join();
    EXPECT_EQ(result.status, ReadStatus::Cancelled);
    EXPECT_TRUE(cancel.IsSet()) << "the cancel request stands for the caller to see";
    cancel.Clear();

    // The cancelled read was taken back: what comes next goes to the next read.
    pipe.Send("\x06next");
    result = backend.Read(handle, buffer, sizeof buffer, cancel);
    EXPECT_EQ(result.status, ReadStatus::Completed);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), result.bytes), "\x06next");
    backend.Close(handle);
}

TEST_F(HidWin32BackendTest, ClosingAHandleEndsAReadWaitingOnIt) {
    Pipe pipe;
    ASSERT_TRUE(pipe.Valid());
    const HidHandle handle = OpenOrFail(pipe.Path());
    std::atomic<bool> done{false};
    ReadStatus status = ReadStatus::Completed;
    std::thread reader([&] {
        status = backend.Read(handle, buffer, sizeof buffer, cancel).status;
        done = true;
    });
    platform::Sleep(50);
    EXPECT_FALSE(done);
    backend.Close(handle);
    reader.join();
    EXPECT_EQ(status, ReadStatus::Failed);
    EXPECT_FALSE(cancel.IsSet());
}

}  // namespace
