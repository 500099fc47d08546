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

TEST(InputDevices, OfSeveralWithTheIdsTheTouchscreenIsTaken) {
    TempConfigHome home;
    const std::filesystem::path root = home.Root() / "input";
    // Listed in whatever order the directory gives; the direct one wins.
    AddInput(root, "input4", "2f7a", "0006", "Brightfold BFT860 Mouse", "0");
    AddInput(root, "input5", "2f7a", "0006", "Brightfold BFT860", "2");
    AddInput(root, "input6", "2f7a", "0006", "Brightfold BFT860 Keyboard", "20");
    EXPECT_EQ(InputDeviceName(0x2F7A, 0x0006, root.string()), "Brightfold BFT860");
}
