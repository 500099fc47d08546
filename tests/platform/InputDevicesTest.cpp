// The input device's name by its USB ids, from a stand-in of the input class.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/InputDevices.h"
#include "tests/support/TempConfigHome.h"

namespace {

void AddInput(const std::filesystem::path& root, const char* node, const char* vendor,
              const char* product, const char* name, const char* properties = "0") {
    std::filesystem::create_directories(root / node / "id");
    std::ofstream(root / node / "id" / "vendor") << vendor << "\n";
    std::ofstream(root / node / "id" / "product") << product << "\n";
    std::ofstream(root / node / "name") << name << "\n";
    std::ofstream(root / node / "properties") << properties << "\n";
}

InputDeviceRoots Roots(const std::filesystem::path& root) {
    InputDeviceRoots roots;
    roots.Sysfs = root.string();
    roots.UdevData = (root / "udev").string();
    return roots;
}

// The event node of the input device, and udev's record of its properties.
void AddEventNode(const std::filesystem::path& root, const char* input, const char* event,
                  const char* devnum, const std::string& properties) {
    std::filesystem::create_directories(root / input / event);
    std::ofstream(root / input / event / "dev") << devnum << "\n";
    std::filesystem::create_directories(root / "udev");
    std::ofstream(root / "udev" / (std::string("c") + devnum)) << properties;
}

}  // namespace

TEST(InputDevices, FindsTheNameByVendorAndProduct) {
    TempConfigHome home;
    const std::filesystem::path root = home.Root() / "input";
    AddInput(root, "input3", "046d", "c52b", "Logitech Receiver");
    AddInput(root, "input7", "2f7a", "0006", "Brightfold BFT860");
    AddInput(root, "event7", "2f7a", "0006", "not an input node");
    AddInput(root, "input9", "2f7a", "00zz", "bad id");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0006, Roots(root)), "Brightfold BFT860");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0007, Roots(root)), "");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0006, Roots(root / "missing")), "");
}

// A controller that makes a mouse, a pen and a touch screen: the touch screen
// is the device the desktop maps, in whatever order the system lists them.
TEST(InputDevices, PrefersTheControllersTouchscreenAmongItsDevices) {
    TempConfigHome home;
    const std::filesystem::path root = home.Root() / "input";
    const auto capabilities = [&](const char* node, const char* abs, const char* properties) {
        std::filesystem::create_directories(root / node / "capabilities");
        std::ofstream(root / node / "capabilities" / "abs") << abs << "\n";
        std::ofstream(root / node / "properties") << properties << "\n";
    };
    AddInput(root, "input4", "2f7a", "0006", "BFT860 Mouse");
    capabilities("input4", "3", "0");
    AddInput(root, "input5", "2f7a", "0006", "BFT860 Digitizer");
    capabilities("input5", "3", "2");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0006, Roots(root)), "BFT860 Digitizer");
    AddInput(root, "input6", "2f7a", "0006", "BFT860");
    capabilities("input6", "260800000000003", "2");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0006, Roots(root)), "BFT860");
}

TEST(InputDevices, TheUdevMatrixOfTheTouchscreensEventNode) {
    TempConfigHome home;
    const std::filesystem::path root = home.Root() / "input";
    AddInput(root, "input4", "2f7a", "0006", "Brightfold BFT860 Mouse", "0");
    AddInput(root, "input5", "2f7a", "0006", "Brightfold BFT860", "2");
    AddEventNode(root, "input4", "event4", "13:68", "E:LIBINPUT_CALIBRATION_MATRIX=1 0 0 0 1 0\n");
    EXPECT_FALSE(InputDeviceUdevMatrix(0x2F7A, 0x0006, Roots(root))) << "no event node yet";
    AddEventNode(root, "input5", "event5", "13:69",
                 "S:input/by-path/x\nE:ID_INPUT_TOUCHSCREEN=1\n"
                 "E:LIBINPUT_CALIBRATION_MATRIX=0 -1 1 1 0 0\nG:seat\n");
    const auto matrix = InputDeviceUdevMatrix(0x2F7A, 0x0006, Roots(root));
    ASSERT_TRUE(matrix);
    EXPECT_EQ(*matrix, (std::array<double, 6>{0, -1, 1, 1, 0, 0}));

    // What libinput would refuse is no matrix either.
    for (const char* bad : {"0 -1 1 1 0", "0 -1 1 1 0 0 7", "0 -1 1 nan 0 0", "a b c d e f"}) {
        AddEventNode(root, "input5", "event5", "13:69",
                     std::string("E:LIBINPUT_CALIBRATION_MATRIX=") + bad + "\n");
        EXPECT_FALSE(InputDeviceUdevMatrix(0x2F7A, 0x0006, Roots(root))) << bad;
    }
    EXPECT_FALSE(InputDeviceUdevMatrix(0x2F7A, 0x0007, Roots(root)));
}
