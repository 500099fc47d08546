#include "platform/hid/HidrawSysfs.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace platform::hid {

namespace {

// The kernel keeps descriptors far smaller; the cap only bounds what a broken
// or hostile file can make us read.
constexpr size_t kMaxDescriptorBytes = 65536;
constexpr size_t kMaxUeventBytes = 65536;
constexpr std::string_view kNodePrefix = "hidraw";

bool ParseUnsigned(std::string_view text, int base, unsigned long& value) {
    if (text.empty()) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc{} && end == text.data() + text.size();
}

bool ParseNodeNumber(std::string_view name, unsigned& number) {
    unsigned long value = 0;
    if (name.substr(0, kNodePrefix.size()) != kNodePrefix ||
        !ParseUnsigned(name.substr(kNodePrefix.size()), 10, value) || value > 0xFFFFFFu) {
        return false;
    }
    number = static_cast<unsigned>(value);
    return true;
}

bool ReadWholeFile(const std::filesystem::path& path, size_t maxBytes, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    content.resize(maxBytes);
    in.read(content.data(), static_cast<std::streamsize>(maxBytes));
    if (in.bad()) {
        return false;
    }
    content.resize(static_cast<size_t>(in.gcount()));
    return true;
}

// HID_ID=<bus>:<vendor>:<product>, each field hexadecimal.
bool ParseHidId(std::string_view uevent, HidAttributes& attributes) {
    constexpr std::string_view kKey = "HID_ID=";
    while (!uevent.empty()) {
        const size_t end = std::min(uevent.find('\n'), uevent.size());
        const std::string_view line = uevent.substr(0, end);
        uevent.remove_prefix(std::min(end + 1, uevent.size()));
        if (line.substr(0, kKey.size()) != kKey) {
            continue;
        }
        const std::string_view value = line.substr(kKey.size());
        const size_t first = value.find(':');
        const size_t second = first == std::string_view::npos ? first : value.find(':', first + 1);
        unsigned long bus = 0;
        unsigned long vendor = 0;
        unsigned long product = 0;
        if (second == std::string_view::npos || !ParseUnsigned(value.substr(0, first), 16, bus) ||
            !ParseUnsigned(value.substr(first + 1, second - first - 1), 16, vendor) ||
            !ParseUnsigned(value.substr(second + 1), 16, product) || vendor > 0xFFFF ||
            product > 0xFFFF) {
            return false;
        }
        attributes.VendorID = static_cast<uint16_t>(vendor);
        attributes.ProductID = static_cast<uint16_t>(product);
        return true;
    }
    return false;
}

}  // namespace

std::optional<HidrawNode> ReadHidrawNode(const std::string& sysfsRoot, const std::string& name) {
    HidrawNode node;
    node.name = name;
    if (!ParseNodeNumber(name, node.number)) {
        return std::nullopt;
    }
    const std::filesystem::path device = std::filesystem::path(sysfsRoot) / name / "device";
    std::string uevent;
    std::string descriptor;
    if (!ReadWholeFile(device / "uevent", kMaxUeventBytes, uevent) ||
        !ParseHidId(uevent, node.attributes) ||
        !ReadWholeFile(device / "report_descriptor", kMaxDescriptorBytes, descriptor)) {
        return std::nullopt;
    }
    node.descriptor = ParseReportDescriptor(reinterpret_cast<const uint8_t*>(descriptor.data()),
                                            descriptor.size());
    return node;
}

std::optional<std::vector<HidrawNode>> ListHidrawNodes(const std::string& sysfsRoot) {
    std::error_code error;
    std::filesystem::directory_iterator entry(sysfsRoot, error);
    if (error) {
        return std::nullopt;
    }
    std::vector<HidrawNode> nodes;
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        if (auto node = ReadHidrawNode(sysfsRoot, entry->path().filename().string())) {
            nodes.push_back(std::move(*node));
        }
    }
    std::sort(nodes.begin(), nodes.end(),
              [](const HidrawNode& a, const HidrawNode& b) { return a.number < b.number; });
    return nodes;
}

std::string InterfacePath(const std::string& devRoot, const std::string& nodeName,
                          size_t collection) {
    return devRoot + "/" + nodeName + "#" + std::to_string(collection);
}

bool SplitInterfacePath(const std::string& path, const std::string& devRoot, std::string& nodeName,
                        size_t& collection) {
    const std::string prefix = devRoot + "/";
    const size_t hash = path.rfind('#');
    unsigned long index = 0;
    if (hash == std::string::npos || path.compare(0, prefix.size(), prefix) != 0 ||
        hash <= prefix.size() ||
        !ParseUnsigned(std::string_view(path).substr(hash + 1), 10, index)) {
        return false;
    }
    nodeName = path.substr(prefix.size(), hash - prefix.size());
    collection = index;
    return nodeName.find('/') == std::string::npos;
}

}  // namespace platform::hid
