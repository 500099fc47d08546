#pragma once
// The doctor's look at the hidraw nodes, the udev rule and the session, from
// sysfs and the nodes' permissions, without talking to the controller.

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/hid/HidrawBackend.h"
#include "t860ctl/Doctor.h"

// Where the checks look; tests point them at a fixture.
struct HidrawDoctorSetup {
    std::string sysfsRoot = "/sys/class/hidraw";
    std::string devRoot = "/dev";
    platform::hid::NodeOpener openNode = platform::hid::OpenDeviceNode;
    std::vector<std::string> ruleFolders = {"/etc/udev/rules.d", "/run/udev/rules.d",
                                            "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
    std::string seatsFolder = "/run/systemd/seats";
    std::function<const char*(const char*)> getEnv = [](const char* name) {
        return std::getenv(name);
    };
};

// Nodes with the identity and their collections, whether this user can open
// each, whether the udev rule is installed and has given access, and whether
// the session sits at a seat.
std::vector<DoctorCheck> CheckHidraw(const HidrawDoctorSetup& setup, uint16_t vendor,
                                     uint16_t product);

// The users a POSIX access list (as stored in system.posix_acl_access) gives
// both read and write; empty for a malformed list.
std::vector<uint32_t> AclReadWriteUsers(const uint8_t* bytes, size_t length);
