// The input device's name by its USB ids, from a stand-in of the input class.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/InputDevices.h"
#include "tests/support/TempConfigHome.h"

namespace {

void AddInput(const std::filesystem::path& root, const char* node, const char* vendor,
              const char* product, const char* name) {
    std::filesystem::create_directories(root / node / "id");
    std::ofstream(root / node / "id" / "vendor") << vendor << "\n";
    std::ofstream(root / node / "id" / "product") << product << "\n";
    std::ofstream(root / node / "name") << name << "\n";
}

}  // namespace

TEST(InputDevices, FindsTheNameByVendorAndProduct) {
    TempConfigHome home;
    const std::filesystem::path root = home.Root() / "input";
    AddInput(root, "input3", "046d", "c52b", "Logitech Receiver");
    AddInput(root, "input7", "2f7a", "0006", "Brightfold BFT860");
    AddInput(root, "event7", "2f7a", "0006", "not an input node");
    AddInput(root, "input9", "2f7a", "00zz", "bad id");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0006, root.string()), "Brightfold BFT860");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0007, root.string()), "");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0006, (root / "missing").string()), "");
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
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0006, root.string()), "BFT860 Digitizer");
    AddInput(root, "input6", "2f7a", "0006", "BFT860");
    capabilities("input6", "260800000000003", "2");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0006, root.string()), "BFT860");
}
