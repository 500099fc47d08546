#include "platform/win32/HidWin32Backend.h"

#include "platform/win32/Windows.h"

#include <setupapi.h>

// The HID class driver's header declares C functions without saying so.
extern "C" {
#include <hidsdi.h>
}

#include <cstdlib>
#include <utility>

namespace platform::hid {

namespace {

// How long a write waits for the device to take a report.
constexpr DWORD kWriteWaitMs = 1000;
// The caps status for data that is not preparsed data.
constexpr uint32_t kHidpStatusInvalidPreparsedData = 0xC0110001;

struct Win32InterfaceSet {
    HDEVINFO info;
    GUID hidClass;
};

Win32InterfaceSet* ToSet(InterfaceSet set) {
    return reinterpret_cast<Win32InterfaceSet*>(set);
}

PHIDP_PREPARSED_DATA ToPreparsed(PreparsedData data) {
    return reinterpret_cast<PHIDP_PREPARSED_DATA>(data);
}

bool EnumerateAt(const Win32InterfaceSet& set, uint32_t index, SP_DEVICE_INTERFACE_DATA& data) {
    data = {};
    data.cbSize = sizeof data;
    return SetupDiEnumDeviceInterfaces(set.info, nullptr, &set.hidClass, index, &data) != FALSE;
}

// An I/O started with this record ended or was cancelled: waits until the
// system no longer uses the record or the buffer and gives the count moved.
bool FinishIo(HANDLE file, OVERLAPPED& overlapped, DWORD& bytes) {
    return GetOverlappedResult(file, &overlapped, &bytes, TRUE) != FALSE;
}

// A buffer that the system calls, which count in 32 bits, can take.
bool IsReportBuffer(const void* buffer, size_t length) {
    return buffer != nullptr && length != 0 && length <= MAXDWORD;
}

void CancelAndFinishIo(HANDLE file, OVERLAPPED& overlapped) {
    CancelIoEx(file, &overlapped);
    DWORD ignored = 0;
    FinishIo(file, overlapped, ignored);
}

}  // namespace

struct Win32Backend::Device {
    Device(HANDLE device, bool isOverlapped)
        : file(device),
          overlapped(isOverlapped),
          readDone(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          closed(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    ~Device() {
        CloseHandle(file);
        if (readDone != nullptr) {
            CloseHandle(readDone);
        }
        if (closed != nullptr) {
            CloseHandle(closed);
        }
    }

    const HANDLE file;
    const bool overlapped;
    const HANDLE readDone;  // the event of the read in progress
    const HANDLE closed;    // set when the handle was closed, to end a waiting read
    std::mutex readLock;    // one read at a time uses readDone
};

Win32Backend::Win32Backend() = default;

Win32Backend::~Win32Backend() = default;

InterfaceSet Win32Backend::GetClassDevs() {
    GUID hidClass;
    HidD_GetHidGuid(&hidClass);
    const HDEVINFO info =
        SetupDiGetClassDevsA(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (info == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return reinterpret_cast<InterfaceSet>(new Win32InterfaceSet{info, hidClass});
}

EnumStatus Win32Backend::EnumInterface(InterfaceSet set, uint32_t index) {
    if (set == nullptr) {
        return EnumStatus::Failed;
    }
    SP_DEVICE_INTERFACE_DATA data;
    if (EnumerateAt(*ToSet(set), index, data)) {
        return EnumStatus::Ok;
    }
    return GetLastError() == ERROR_NO_MORE_ITEMS ? EnumStatus::NoMoreItems : EnumStatus::Failed;
}

bool Win32Backend::GetInterfaceDetail(InterfaceSet set, uint32_t index, std::string& path) {
    SP_DEVICE_INTERFACE_DATA data;
    if (set == nullptr || !EnumerateAt(*ToSet(set), index, data)) {
        return false;
    }
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(ToSet(set)->info, &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        return false;
    }
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::malloc(required));
    if (detail == nullptr) {
        return false;
    }
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    const bool fetched = SetupDiGetDeviceInterfaceDetailA(ToSet(set)->info, &data, detail, required,
                                                          nullptr, nullptr) != FALSE;
    if (fetched) {
        path = detail->DevicePath;
    }
    std::free(detail);
    return fetched;
}

void Win32Backend::DestroyInterfaceSet(InterfaceSet set) {
    if (set == nullptr) {
        return;
    }
    SetupDiDestroyDeviceInfoList(ToSet(set)->info);
    delete ToSet(set);
}

OpenStatus Win32Backend::Open(const std::string& path, bool overlapped, HidHandle& handle) {
    handle = nullptr;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_ACCESS_DENIED ? OpenStatus::AccessDenied
                                                     : OpenStatus::Failed;
    }
    auto device = std::make_shared<Device>(file, overlapped);
    if (device->readDone == nullptr || device->closed == nullptr) {
        return OpenStatus::Failed;
    }
    std::lock_guard<std::mutex> guard(handlesLock_);
    const uintptr_t id = nextHandle_++;
    handles_.emplace(id, std::move(device));
    handle = reinterpret_cast<HidHandle>(id);
    return OpenStatus::Ok;
}

std::shared_ptr<Win32Backend::Device> Win32Backend::Find(HidHandle handle) {
    std::lock_guard<std::mutex> guard(handlesLock_);
    const auto found = handles_.find(reinterpret_cast<uintptr_t>(handle));
    return found == handles_.end() ? nullptr : found->second;
}

bool Win32Backend::GetPreparsedData(HidHandle handle, PreparsedData& data) {
    data = nullptr;
    const auto device = Find(handle);
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!device || !HidD_GetPreparsedData(device->file, &preparsed)) {
        return false;
    }
    data = reinterpret_cast<PreparsedData>(preparsed);
    return true;
}

bool Win32Backend::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    const auto device = Find(handle);
    HIDD_ATTRIBUTES system = {};
    system.Size = sizeof system;
    if (!device || !HidD_GetAttributes(device->file, &system)) {
        return false;
    }
    attributes = {system.VendorID, system.ProductID, system.VersionNumber};
    return true;
}

bool Win32Backend::PeekAttributes(const std::string&, HidAttributes&, std::string&) {
    // Here the system itself holds some collections exclusively, the
    // controller's digitizer among them, and no setting of the user's changes
    // that: a refused interface is nothing to report.
    return false;
}

uint32_t Win32Backend::GetCaps(PreparsedData data, HidCaps& caps) {
    if (data == nullptr) {
        return kHidpStatusInvalidPreparsedData;
    }
    HIDP_CAPS system = {};
    const NTSTATUS status = HidP_GetCaps(ToPreparsed(data), &system);
    if (status == HIDP_STATUS_SUCCESS) {
        caps = {system.Usage, system.UsagePage, system.InputReportByteLength,
                system.OutputReportByteLength, system.FeatureReportByteLength};
    }
    return static_cast<uint32_t>(status);
}

void Win32Backend::FreePreparsedData(PreparsedData data) {
    if (data != nullptr) {
        HidD_FreePreparsedData(ToPreparsed(data));
    }
}

void Win32Backend::Close(HidHandle handle) {
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
    // A read still waiting on the device wakes and fails; the file closes when
    // the last user lets go of the device.
    SetEvent(device->closed);
}

ReadResult Win32Backend::Read(HidHandle handle, uint8_t* buffer, size_t capacity, Event& cancel) {
    const auto device = Find(handle);
    if (!device || !IsReportBuffer(buffer, capacity)) {
        return {ReadStatus::Failed, 0};
    }
    const DWORD length = static_cast<DWORD>(capacity);
    DWORD bytes = 0;
    if (!device->overlapped) {
        // A plain handle blocks until a report comes; nothing can end it early.
        return ReadFile(device->file, buffer, length, &bytes, nullptr)
                   ? ReadResult{ReadStatus::Completed, bytes}
                   : ReadResult{ReadStatus::Failed, 0};
    }
    if (device->readDone == nullptr || device->closed == nullptr) {
        return {ReadStatus::NoEvent, 0};
    }
    std::lock_guard<std::mutex> reading(device->readLock);
    OVERLAPPED overlapped = {};
    overlapped.hEvent = device->readDone;
    ResetEvent(device->readDone);
    if (ReadFile(device->file, buffer, length, nullptr, &overlapped)) {
        return FinishIo(device->file, overlapped, bytes) ? ReadResult{ReadStatus::Completed, bytes}
                                                         : ReadResult{ReadStatus::Failed, 0};
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        return {ReadStatus::Failed, 0};
    }
    const HANDLE waits[] = {device->readDone, static_cast<HANDLE>(cancel.NativeHandle()),
                            device->closed};
    const DWORD woken = WaitForMultipleObjects(3, waits, FALSE, INFINITE);
    if (woken == WAIT_OBJECT_0) {
        return FinishIo(device->file, overlapped, bytes) ? ReadResult{ReadStatus::Completed, bytes}
                                                         : ReadResult{ReadStatus::Failed, 0};
    }
    // The buffer must not be written after this returns: take the read back.
    CancelAndFinishIo(device->file, overlapped);
    if (woken == WAIT_OBJECT_0 + 1) {
        cancel.Set();  // the wait consumed an auto-reset request; it stands for the caller
        return {ReadStatus::Cancelled, 0};
    }
    return {ReadStatus::Failed, 0};
}

bool Win32Backend::Write(HidHandle handle, const uint8_t* report, size_t length, size_t& written) {
    written = 0;
    const auto device = Find(handle);
    if (!device || !IsReportBuffer(report, length)) {
        return false;
    }
    DWORD bytes = 0;
    if (!device->overlapped) {
        if (!WriteFile(device->file, report, static_cast<DWORD>(length), &bytes, nullptr)) {
            return false;
        }
        written = bytes;
        return true;
    }
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        return false;
    }
    bool accepted =
        WriteFile(device->file, report, static_cast<DWORD>(length), nullptr, &overlapped) != FALSE;
    bool finished = accepted;
    if (!accepted && GetLastError() == ERROR_IO_PENDING) {
        accepted = true;
        // A device that takes nothing must not hold the writer for good.
        if (WaitForSingleObject(overlapped.hEvent, kWriteWaitMs) == WAIT_OBJECT_0) {
            finished = true;
        } else {
            CancelAndFinishIo(device->file, overlapped);
        }
    }
    // A pending write that fails or times out was accepted: nothing written.
    if (finished && FinishIo(device->file, overlapped, bytes)) {
        written = bytes;
    }
    CloseHandle(overlapped.hEvent);
    return accepted;
}

bool Win32Backend::SetOutputReport(HidHandle handle, const uint8_t* report, size_t length) {
    const auto device = Find(handle);
    if (!device || !IsReportBuffer(report, length)) {
        return false;
    }
    // The driver only reads the report; its signature takes a plain pointer.
    return HidD_SetOutputReport(device->file, const_cast<uint8_t*>(report),
                                static_cast<ULONG>(length)) != FALSE;
}

bool Win32Backend::GetFeature(HidHandle handle, uint8_t* report, size_t length) {
    const auto device = Find(handle);
    if (!device || !IsReportBuffer(report, length)) {
        return false;
    }
    return HidD_GetFeature(device->file, report, static_cast<ULONG>(length)) != FALSE;
}

bool Win32Backend::SetFeature(HidHandle handle, const uint8_t* report, size_t length) {
    const auto device = Find(handle);
    if (!device || !IsReportBuffer(report, length)) {
        return false;
    }
    return HidD_SetFeature(device->file, const_cast<uint8_t*>(report),
                           static_cast<ULONG>(length)) != FALSE;
}

}  // namespace platform::hid
