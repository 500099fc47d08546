#pragma once
// The virtual controller in the running kernel: each device of the chosen
// topology is created through its own descriptor of /dev/uhid, so that
// hidraw, the kernel's HID parser and udev see it as they see a controller
// on the USB bus. One thread takes the kernel's requests for all devices:
// output reports go to the controller, get and set report requests are
// answered with the controller's feature report.
//
// Lock order: the handler lock before the controller's lock; the send lock
// alone (the controller sends with its own lock held).

#include <linux/uhid.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Simulator/ControllerTransport.h"
#include "Simulator/uhid/UhidEvents.h"
#include "Simulator/uhid/UhidLayout.h"
#include "platform/hid/HidrawBackend.h"
#include "platform/hid/ReportDescriptor.h"

class UhidTransport final : public ControllerTransport {
public:
    // Opens the node once per device; OpenError says whether that worked.
    UhidTransport(UhidIdentity identity, UhidTopology topology,
                  const std::string& node = "/dev/uhid",
                  platform::hid::NodeOpener openNode = platform::hid::OpenDeviceNode);
    ~UhidTransport() override;
    UhidTransport(const UhidTransport&) = delete;
    UhidTransport& operator=(const UhidTransport&) = delete;

    // 0, or the errno of the first open of the node that failed.
    int OpenError() const { return openError_; }
    // 0, or the errno of the last creation or removal the kernel refused.
    int PlugError() const;
    size_t DeviceCount() const { return devices_.size(); }
    // Waits until the kernel has started every device after Plug; false on a
    // time-out, a refused creation or when unplugged.
    bool WaitStarted(int timeoutMs);

    void Attach(platform::hid::VirtualDeviceHandler* handler) override;
    void Plug() override;
    void Unplug() override;
    bool IsPlugged() const override;
    void SendInput(size_t collection, const uint8_t* report, size_t length) override;
    bool SharesSenderMemory() const override { return false; }

private:
    struct Device {
        int fd = -1;
        UhidDeviceLayout layout;
        platform::hid::ReportDescriptor parsed;
        bool started = false;  // guarded by sendLock_
    };
    enum class Direction { Output, Feature };

    bool AllStartedLocked() const;
    // The controller's collection that takes the report id on the device, or
    // false when none declares it.
    bool Route(const Device& device, uint8_t reportId, Direction direction,
               size_t& collection) const;
    // Writes one event to a device; the errno of a refusal, else 0.
    static int WriteEvent(const Device& device, const uhid_event& event);

    // The request thread.
    void Run();
    void Take(Device& device, const UhidRequest& request);
    void AnswerGetReport(const Device& device, const UhidRequest& request);
    void AnswerSetReport(const Device& device, const UhidRequest& request);

    const UhidIdentity identity_;
    std::vector<Device> devices_;
    int openError_ = 0;
    int wakeFd_ = -1;

    std::mutex handlerLock_;  // held while the handler is called
    platform::hid::VirtualDeviceHandler* handler_ = nullptr;

    mutable std::mutex sendLock_;  // guards plugged_, plugError_, sendEvent_, started
    std::condition_variable startedChanged_;
    bool plugged_ = false;
    int plugError_ = 0;
    uhid_event sendEvent_{};

    uhid_event requestEvent_{};  // the request thread's own
    uhid_event replyEvent_{};
    std::thread thread_;  // last: starts once everything above exists
};
