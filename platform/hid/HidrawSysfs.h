#pragma once
// What sysfs tells about each hidraw node: the USB ids of its device and its
// report descriptor, read into the collections the program can open.

#include <optional>
#include <string>
#include <vector>

#include "platform/hid/HidBackend.h"
#include "platform/hid/ReportDescriptor.h"

namespace platform::hid {

struct HidrawNode {
    std::string name;  // "hidraw3"
    unsigned number = 0;
    HidAttributes attributes;
    ReportDescriptor descriptor;
};

// The node named name under sysfsRoot; nullopt when its name is not a hidraw
// node's or its uevent or report descriptor is missing or malformed.
std::optional<HidrawNode> ReadHidrawNode(const std::string& sysfsRoot, const std::string& name);

// Every readable node under sysfsRoot in node number order, unreadable ones
// left out; nullopt when the folder itself cannot be read.
std::optional<std::vector<HidrawNode>> ListHidrawNodes(const std::string& sysfsRoot);

// One path per top-level collection: the node's device file and the
// collection's index, "/dev/hidraw3#1".
std::string InterfacePath(const std::string& devRoot, const std::string& nodeName,
                          size_t collection);
// The node name and collection index of a path made by InterfacePath.
bool SplitInterfacePath(const std::string& path, const std::string& devRoot, std::string& nodeName,
                        size_t& collection);

}  // namespace platform::hid
