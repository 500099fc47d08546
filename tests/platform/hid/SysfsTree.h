#pragma once
// A sysfs and /dev tree of hidraw nodes in a fresh temporary folder, removed
// with the object: what the hidraw backend and t860ctl doctor read instead of
// /sys/class/hidraw and /dev.

#include <stdlib.h>

#include <bitset>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class SysfsTree {
public:
    SysfsTree() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "t860-hidraw-XXXXXX").string();
        root_ = mkdtemp(pattern.data());
        std::filesystem::create_directories(root_ / "sys");
        std::filesystem::create_directories(root_ / "dev");
    }
    ~SysfsTree() { std::filesystem::remove_all(root_); }
    SysfsTree(const SysfsTree&) = delete;
    SysfsTree& operator=(const SysfsTree&) = delete;

    const std::filesystem::path& Root() const { return root_; }

    // A node's uevent and report descriptor.
    void AddNode(const std::string& name, const std::string& uevent,
                 const std::vector<uint8_t>& descriptor) const {
        const std::filesystem::path device = root_ / "sys" / name / "device";
        std::filesystem::create_directories(device);
        std::ofstream(device / "uevent") << uevent;
        std::ofstream(device / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(descriptor.data()),
                   static_cast<std::streamsize>(descriptor.size()));
    }

private:
    std::filesystem::path root_;
};

// The report ids set in a collection's id set, in order.
inline std::vector<size_t> IdsOf(const std::bitset<256>& ids) {
    std::vector<size_t> list;
    for (size_t id = 0; id < ids.size(); ++id) {
        if (ids.test(id)) {
            list.push_back(id);
        }
    }
    return list;
}
