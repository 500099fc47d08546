// t860ctl doctor's checks on a fixture of sysfs, /dev, rule folders and seats,
// and what a run says when the controller's nodes refuse this user.

#include "t860ctl/Doctor.h"

#include <errno.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "Formats/Json.h"
#include "lib/Utils.h"
#include "t860ctl/DoctorHidraw.h"
#include "tests/platform/hid/Descriptors.h"
#include "tests/platform/hid/SysfsTree.h"
#include "tests/t860ctl/CtlFixture.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr char kControllerUevent[] = "DRIVER=hid-generic\nHID_ID=0003:00002F7A:00000006\n";
constexpr char kKeyboardUevent[] = "DRIVER=hid-generic\nHID_ID=0003:0000046A:00000011\n";

class DoctorFixture : public ::testing::Test {
protected:
    DoctorFixture() {
        fs::create_directories(root_ / "rules");
        fs::create_directories(root_ / "seats");
        setup.sysfsRoot = (root_ / "sys").string();
        setup.devRoot = (root_ / "dev").string();
        setup.ruleFolders = {(root_ / "rules").string()};
        setup.seatsFolder = (root_ / "seats").string();
        setup.openNode = [this](const std::string& path, int) {
            if (path.ends_with(refusedNode_)) {
                errno = EACCES;
                return -1;
            }
            return ::open("/dev/null", O_RDWR | O_CLOEXEC);
        };
        setup.getEnv = [this](const char*) { return seat_.empty() ? nullptr : seat_.c_str(); };
    }
    void AddNode(const std::string& name, const char* uevent, const std::vector<uint8_t>& bytes) {
        tree_.AddNode(name, uevent, bytes);
    }
    void InstallRule() { std::ofstream(root_ / "rules" / "70-t860.rules") << "# rule\n"; }
    void Refuse(const std::string& node) { refusedNode_ = "/" + node; }
    void SitAt(const std::string& seat) { seat_ = seat; }
    void NoSeatManager() { fs::remove_all(root_ / "seats"); }

    std::vector<DoctorCheck> Checks() const { return CheckHidraw(setup, 0x2F7A, 0x0006); }
    static const DoctorCheck& Find(const std::vector<DoctorCheck>& checks, const char* name) {
        for (const DoctorCheck& check : checks) {
            if (check.name == name) {
                return check;
            }
        }
        throw std::runtime_error(std::string("no check ") + name);
    }

    HidrawDoctorSetup setup;

private:
    SysfsTree tree_;
    const fs::path root_ = tree_.Root();
    std::string refusedNode_ = "/none";
    std::string seat_;
};

}  // namespace

TEST_F(DoctorFixture, NodesWithTheIdentityAreListedWithTheirCollectionsAndOpenedOneByOne) {
    AddNode("hidraw0", kKeyboardUevent, descriptors::kKeyboardAndConsumer);
    AddNode("hidraw2", kControllerUevent, descriptors::kController);
    AddNode("hidraw5", kControllerUevent, descriptors::kBareMouse);  // right ids, wrong usages
    Refuse("hidraw5");
    const auto checks = Checks();

    const DoctorCheck& nodes = Find(checks, "nodes");
    EXPECT_THAT(nodes.detail, HasSubstr("/hidraw2: 0xFFA0/0x0001 (report ids 0)"));
    EXPECT_THAT(nodes.detail, HasSubstr("0x000D/0x0004 (report ids 2,7)"));
    EXPECT_THAT(nodes.detail, HasSubstr("/hidraw5: 0x0001/0x0002"));
    EXPECT_THAT(nodes.detail, Not(HasSubstr("hidraw0")));
    EXPECT_EQ(nodes.verdict, Verdict::Ok);

    const DoctorCheck& access = Find(checks, "access");
    EXPECT_EQ(access.verdict, Verdict::Failed);
    EXPECT_THAT(access.detail, HasSubstr("/hidraw2: opens for reading and writing"));
    EXPECT_THAT(access.detail, HasSubstr("/hidraw5: Permission denied"));
    EXPECT_THAT(access.fix, HasSubstr("70-t860.rules"));
    EXPECT_THAT(access.fix, HasSubstr("udevadm trigger --subsystem-match=hidraw"));
}

TEST_F(DoctorFixture, MissingNodesCollectionsAndSysfsEachFailWithTheirFix) {
    EXPECT_EQ(Find(Checks(), "nodes").verdict, Verdict::Failed);
    EXPECT_THAT(Find(Checks(), "nodes").fix, HasSubstr("plug the controller in"));
    EXPECT_EQ(Find(Checks(), "access").verdict, Verdict::Skipped);

    // Only the channel collections: the digitizer and statistics are missing.
    AddNode("hidraw1", kControllerUevent, {0x06, 0xA0, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0xC0});
    EXPECT_EQ(Find(Checks(), "nodes").verdict, Verdict::Warning);
    EXPECT_THAT(Find(Checks(), "nodes").detail, HasSubstr("missing: 0xFFA0/0x0006, 0xFFA0/0x0002"));

    setup.sysfsRoot = "/nonexistent/hidraw";
    EXPECT_EQ(Find(Checks(), "nodes").verdict, Verdict::Failed);
    EXPECT_THAT(Find(Checks(), "nodes").detail, HasSubstr("cannot be read"));
}

TEST_F(DoctorFixture, TheRuleMustBeInstalledAndTheSessionAtASeat) {
    AddNode("hidraw2", kControllerUevent, descriptors::kController);
    EXPECT_EQ(Find(Checks(), "udevRule").verdict, Verdict::Failed);
    EXPECT_THAT(Find(Checks(), "udevRule").detail, HasSubstr("70-t860.rules is in none of"));
    InstallRule();
    EXPECT_THAT(Find(Checks(), "udevRule").detail, HasSubstr("installed as "));

    EXPECT_EQ(Find(Checks(), "seat").verdict, Verdict::Warning);
    EXPECT_THAT(Find(Checks(), "seat").detail, HasSubstr("XDG_SEAT is not set"));
    EXPECT_THAT(Find(Checks(), "seat").fix, HasSubstr("GROUP=\"plugdev\""));
    NoSeatManager();
    EXPECT_THAT(Find(Checks(), "seat").detail, HasSubstr("no seats are managed here"));
    SitAt("seat0");
    EXPECT_EQ(Find(Checks(), "seat").verdict, Verdict::Ok);
    EXPECT_THAT(Find(Checks(), "seat").detail, HasSubstr("seat0"));
}

TEST(DoctorAcl, ReadAndWriteUsersAreTakenThroughTheMask) {
    // version 2; user_obj rw; user 1000 rw; user 1001 r; group_obj r; other none
    std::vector<uint8_t> acl = {2,    0,    0,    0,    0x01, 0,    6,    0,    0xFF, 0xFF, 0xFF,
                                0xFF, 0x02, 0,    6,    0,    0xE8, 0x03, 0,    0,    0x02, 0,
                                4,    0,    0xE9, 0x03, 0,    0,    0x04, 0,    4,    0,    0xFF,
                                0xFF, 0xFF, 0xFF, 0x20, 0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(AclReadWriteUsers(acl.data(), acl.size()), std::vector<uint32_t>{1000});
    // A mask of read only takes write from every named user.
    std::vector<uint8_t> masked = acl;
    masked.insert(masked.end(), {0x10, 0, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_TRUE(AclReadWriteUsers(masked.data(), masked.size()).empty());
    // Malformed lists give no one.
    EXPECT_TRUE(AclReadWriteUsers(acl.data(), acl.size() - 1).empty());
    acl[0] = 1;
    EXPECT_TRUE(AclReadWriteUsers(acl.data(), acl.size()).empty());
    EXPECT_TRUE(AclReadWriteUsers(nullptr, 0).empty());
}

TEST(DoctorCommandTest, ExitsZeroWhenTheControllerAnswersAndThreeOtherwise) {
    TempConfigHome home;
    const CtlResult simulated = RunCtlCapturing({"--simulate", "doctor"});
    EXPECT_EQ(simulated.code, 0) << simulated.err;
    EXPECT_THAT(simulated.out, HasSubstr("[ok] Controller answers: version 2.6.0.1187"));
    EXPECT_THAT(simulated.out, HasSubstr("[ok] Saved identity: 0x2F7A:0x0006"));

    SelectedVirtualBus bus;  // nothing plugged in
    WriteDeviceIdentity(0x1234, 0x0006);
    const CtlResult absent = RunCtlCapturing({"--json", "doctor"});
    EXPECT_EQ(absent.code, 3);
    JsonValue json;
    std::string error;
    ASSERT_TRUE(ParseJson(absent.out, json, error)) << error << absent.out;
    EXPECT_FALSE(json.Find("controllerAnswers")->AsBool());
    bool identityWarned = false;
    for (const JsonValue& check : json.Find("checks")->Items()) {
        if (check.Find("name")->AsString() == "identity") {
            identityWarned =
                check.Find("verdict")->AsString() == "warning" &&
                check.Find("detail")->AsString().find("0x1234:0x0006") != std::string::npos &&
                check.Find("fix") != nullptr;
        }
    }
    EXPECT_TRUE(identityWarned) << absent.out;
}

TEST(CtlAccessDenied, NoControllerNamesTheRefusingNodeAndTheRuleToInstall) {
    TempConfigHome home;
    SelectedVirtualBus bus;
    platform::hid::PlugDecoys(bus.bus);  // a refusing keyboard is no concern
    const auto controller = bus.PlugController("refusing");
    for (size_t collection = 0; collection < controller->Collections().size(); ++collection) {
        controller->FailStep(collection, platform::hid::InterfaceStep::Open,
                             platform::hid::OpenStatus::AccessDenied);
    }
    const CtlResult result = RunCtlCapturing({"info"});
    EXPECT_EQ(result.code, 3);
    EXPECT_THAT(result.err, HasSubstr("no controller found with vendor id 0x2F7A"));
    EXPECT_THAT(result.err, HasSubstr("the controller at virtual:refusing cannot be opened: "
                                      "permission denied; install the udev rule 70-t860.rules"));
    EXPECT_THAT(result.err, Not(HasSubstr("keyboard")));
    // Named once, though four collections refused.
    const size_t first = result.err.find("virtual:refusing");
    EXPECT_EQ(result.err.find("virtual:refusing", first + 1), std::string::npos);

    const CtlResult doctor = RunCtlCapturing({"doctor"});
    EXPECT_EQ(doctor.code, 3);
    EXPECT_THAT(doctor.out, HasSubstr("[failed] Controller answers: no controller found"));
    EXPECT_THAT(doctor.out, Not(HasSubstr("t860ctl:")));  // one line a check
}
