#include "t860ctl/DoctorHidraw.h"

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/hid/HidrawSysfs.h"
#include "t860ctl/CtlOutput.h"

using platform::hid::HidrawNode;
using platform::hid::TopLevelCollection;

namespace {

constexpr char kRuleName[] = "70-t860.rules";
constexpr char kGroupRuleAdvice[] =
    "use a group instead: a rule SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"2f7a\", "
    "GROUP=\"plugdev\", MODE=\"0660\" in /etc/udev/rules.d, and the user in plugdev";

// The entries of a POSIX access list as the kernel stores it.
constexpr uint32_t kAclVersion = 2;
constexpr uint16_t kAclUser = 0x02;
constexpr uint16_t kAclMask = 0x10;
constexpr uint16_t kAclReadWrite = 0x06;

uint32_t Little32(const uint8_t* at) {
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

uint16_t Little16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

std::string IdsText(const std::bitset<256>& ids) {
    std::string text;
    for (size_t id = 0; id < ids.size(); ++id) {
        if (ids.test(id)) {
            if (!text.empty()) {
                text += ',';
            }
            text += std::to_string(id);
        }
    }
    return text;
}

std::string CollectionText(const TopLevelCollection& collection) {
    std::string text = HexText(collection.UsagePage, 4) + "/" + HexText(collection.Usage, 4);
    const std::bitset<256> ids = collection.InputIds | collection.OutputIds | collection.FeatureIds;
    if (ids.any()) {
        text += " (report ids " + IdsText(ids) + ")";
    }
    return text;
}

std::string NodePath(const HidrawDoctorSetup& setup, const HidrawNode& node) {
    return setup.devRoot + "/" + node.name;
}

DoctorCheck NodesCheck(const HidrawDoctorSetup& setup, uint16_t vendor, uint16_t product,
                       bool listed, const std::vector<HidrawNode>& nodes) {
    DoctorCheck check{"nodes", "Controller nodes"};
    const std::string identity = HexText(vendor, 4) + ":" + HexText(product, 4);
    if (!listed) {
        check.verdict = Verdict::Failed;
        check.detail = setup.sysfsRoot + " cannot be read: this system shows no hidraw nodes";
        check.fix = "load the kernel's HID support (sudo modprobe hid-generic hidraw)";
        return check;
    }
    if (nodes.empty()) {
        check.verdict = Verdict::Failed;
        check.detail = "no hidraw node has the identity " + identity + " (read from " +
                       setup.sysfsRoot + "/*/device/uevent)";
        check.fix =
            "plug the controller in (lsusb lists it); for another identity give --vid and --pid";
        return check;
    }
    check.verdict = Verdict::Ok;
    std::vector<std::pair<uint16_t, uint16_t>> found;
    for (const HidrawNode& node : nodes) {
        std::string collections;
        for (const TopLevelCollection& collection : node.descriptor.Collections) {
            collections += (collections.empty() ? "" : ", ") + CollectionText(collection);
            found.emplace_back(collection.UsagePage, collection.Usage);
        }
        check.detail += (check.detail.empty() ? "" : "; ") + NodePath(setup, node) + ": " +
                        (collections.empty() ? "no collections" : collections);
    }
    const std::pair<uint16_t, uint16_t> needed[] = {
        {0xFFA0, 0x0001}, {0xFFA0, 0x0006}, {0xFFA0, 0x0002}, {0x000D, 0x0004}};
    std::string missing;
    for (const auto& usage : needed) {
        if (std::find(found.begin(), found.end(), usage) == found.end()) {
            missing += (missing.empty() ? "" : ", ") + HexText(usage.first, 4) + "/" +
                       HexText(usage.second, 4);
        }
    }
    if (!missing.empty()) {
        check.verdict = Verdict::Warning;
        check.detail += "; missing: " + missing;
        check.fix = "these nodes have the identity but not every collection of the controller";
    }
    return check;
}

DoctorCheck AccessCheck(const HidrawDoctorSetup& setup, const std::vector<HidrawNode>& nodes) {
    DoctorCheck check{"access", "Access to the nodes"};
    bool denied = false;
    if (nodes.empty()) {
        check.detail = "no nodes to open";
        return check;
    }
    check.verdict = Verdict::Ok;
    for (const HidrawNode& node : nodes) {
        const std::string path = NodePath(setup, node);
        const int fd = setup.openNode(path, O_RDWR | O_CLOEXEC | O_NONBLOCK);
        const int error = fd < 0 ? errno : 0;
        if (fd >= 0) {
            ::close(fd);
        }
        check.detail += (check.detail.empty() ? "" : "; ") + path + ": " +
                        (fd >= 0 ? "opens for reading and writing" : std::strerror(error));
        if (fd < 0) {
            check.verdict = Verdict::Failed;
            denied = denied || error == EACCES || error == EPERM;
        }
    }
    if (denied) {
        check.fix = kUdevRuleAdvice;
    } else if (check.verdict == Verdict::Failed) {
        check.fix = "re-plug the controller; see the kernel's log (sudo dmesg) for the node";
    }
    return check;
}

// How this user reaches a node: by its access list, its group, its mode.
std::string HowGranted(const std::string& path) {
    const uid_t user = ::geteuid();
    uint8_t acl[1024];
    const ssize_t length = ::getxattr(path.c_str(), "system.posix_acl_access", acl, sizeof acl);
    if (length > 0) {
        const auto users = AclReadWriteUsers(acl, static_cast<size_t>(length));
        if (std::find(users.begin(), users.end(), static_cast<uint32_t>(user)) != users.end()) {
            return "its access list gives you read and write";
        }
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return {};
    }
    if ((status.st_mode & (S_IROTH | S_IWOTH)) == (S_IROTH | S_IWOTH)) {
        return "its mode gives everyone read and write";
    }
    if (status.st_uid == user && (status.st_mode & (S_IRUSR | S_IWUSR)) == (S_IRUSR | S_IWUSR)) {
        return "you own it";
    }
    if ((status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
        gid_t groups[256];
        const int count = ::getgroups(256, groups);
        const bool member = status.st_gid == ::getegid() ||
                            std::find(groups, groups + std::max(count, 0), status.st_gid) !=
                                groups + std::max(count, 0);
        if (member) {
            const group* named = ::getgrgid(status.st_gid);
            return std::string("its group ") +
                   (named != nullptr ? named->gr_name : std::to_string(status.st_gid)) +
                   " gives you read and write";
        }
    }
    return {};
}

DoctorCheck RuleCheck(const HidrawDoctorSetup& setup, const std::vector<HidrawNode>& nodes) {
    DoctorCheck check{"udevRule", "udev rule"};
    std::string installed;
    std::string searched;
    for (const std::string& folder : setup.ruleFolders) {
        const std::string path = folder + "/" + kRuleName;
        searched += (searched.empty() ? "" : ", ") + folder;
        std::error_code error;
        if (installed.empty() && std::filesystem::is_regular_file(path, error)) {
            installed = path;
        }
    }
    if (installed.empty()) {
        check.verdict = Verdict::Failed;
        check.detail = std::string(kRuleName) + " is in none of " + searched;
        check.fix = kUdevRuleAdvice;
        return check;
    }
    check.verdict = Verdict::Ok;
    check.detail = "installed as " + installed;
    if (::geteuid() == 0) {
        check.detail += "; you are root, who needs no rule";
        return check;
    }
    for (const HidrawNode& node : nodes) {
        const std::string path = NodePath(setup, node);
        const std::string how = HowGranted(path);
        check.detail += "; " + path + ": " +
                        (how.empty() ? "neither its access list (read with getxattr "
                                       "system.posix_acl_access) nor its group or mode gives you "
                                       "read and write"
                                     : how);
        if (how.empty()) {
            check.verdict = Verdict::Failed;
            check.fix =
                "apply the rule: sudo udevadm control --reload-rules && sudo udevadm trigger "
                "--subsystem-match=hidraw, or re-plug the controller; its access list goes only "
                "to the user at the machine's seat (see the seat check)";
        }
    }
    return check;
}

DoctorCheck SeatCheck(const HidrawDoctorSetup& setup) {
    DoctorCheck check{"seat", "Local seat"};
    const char* seat = setup.getEnv("XDG_SEAT");
    if (seat != nullptr && *seat != '\0') {
        check.verdict = Verdict::Ok;
        check.detail = std::string("this session sits at seat ") + seat + " (XDG_SEAT)";
        return check;
    }
    std::error_code error;
    check.verdict = Verdict::Warning;
    if (!std::filesystem::is_directory(setup.seatsFolder, error)) {
        check.detail = "no seats are managed here (" + setup.seatsFolder +
                       " is missing): the rule's access list reaches no one";
    } else {
        check.detail =
            "this session has no seat (XDG_SEAT is not set: a remote login or a service), and "
            "the rule gives access only to the user at the machine's seat";
    }
    check.fix = std::string("log in at the machine, or ") + kGroupRuleAdvice;
    return check;
}

}  // namespace

std::vector<uint32_t> AclReadWriteUsers(const uint8_t* bytes, size_t length) {
    constexpr size_t kHeader = 4;
    constexpr size_t kEntry = 8;
    std::vector<uint32_t> users;
    if (bytes == nullptr || length < kHeader || (length - kHeader) % kEntry != 0 ||
        Little32(bytes) != kAclVersion) {
        return users;
    }
    uint16_t mask = kAclReadWrite;
    for (size_t at = kHeader; at < length; at += kEntry) {
        if (Little16(bytes + at) == kAclMask) {
            mask = Little16(bytes + at + 2);
        }
    }
    for (size_t at = kHeader; at < length; at += kEntry) {
        const uint16_t permissions = Little16(bytes + at + 2) & mask;
        if (Little16(bytes + at) == kAclUser && (permissions & kAclReadWrite) == kAclReadWrite) {
            users.push_back(Little32(bytes + at + 4));
        }
    }
    return users;
}

std::vector<DoctorCheck> CheckHidraw(const HidrawDoctorSetup& setup, uint16_t vendor,
                                     uint16_t product) {
    const auto listed = platform::hid::ListHidrawNodes(setup.sysfsRoot);
    std::vector<HidrawNode> nodes;
    if (listed) {
        for (const HidrawNode& node : *listed) {
            if (node.attributes.VendorID == vendor && node.attributes.ProductID == product) {
                nodes.push_back(node);
            }
        }
    }
    std::vector<DoctorCheck> checks;
    checks.push_back(NodesCheck(setup, vendor, product, listed.has_value(), nodes));
    checks.push_back(AccessCheck(setup, nodes));
    checks.push_back(RuleCheck(setup, nodes));
    checks.push_back(SeatCheck(setup));
    return checks;
}
