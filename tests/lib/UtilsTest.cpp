#include "lib/Utils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/UserFolder.h"
#include "tests/support/TempConfigHome.h"

namespace {

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(DataFolder, IsBuiltUnderTheConfigHomeAndCreated) {
    TempConfigHome home;
    char buffer[kDataFolderCapacity];
    ASSERT_TRUE(GetDataFolder(buffer, sizeof buffer));
    const std::string separator(1, platform::kPathSeparator);
    EXPECT_EQ(std::string(buffer),
              home.Root().string() + separator + "Brightfold" + separator + "T860" + separator);
    EXPECT_TRUE(std::filesystem::is_directory(home.DataFolder()));
    char small[8];
    EXPECT_FALSE(GetDataFolder(small, sizeof small));
}

#ifndef _WIN32
TEST(DataFolder, FallsBackToHomeDotConfigAndFailsWithoutEither) {
    TempConfigHome home;
    unsetenv("XDG_CONFIG_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", home.Root().c_str(), 1);
    ResetDataFolderCacheForTest();
    char buffer[kDataFolderCapacity];
    ASSERT_TRUE(GetDataFolder(buffer, sizeof buffer));
    EXPECT_EQ(std::string(buffer), home.Root().string() + "/.config/Brightfold/T860/");

    unsetenv("HOME");
    ResetDataFolderCacheForTest();
    uint16_t vendor = 1;
    uint16_t product = 2;
    EXPECT_FALSE(GetDataFolder(buffer, sizeof buffer));
    EXPECT_FALSE(ReadDeviceIdentity(vendor, product));
    EXPECT_EQ(vendor, 1);
    EXPECT_EQ(product, 2) << "outputs untouched";
    EXPECT_FALSE(WriteDeviceIdentity(3, 4));
    setenv("HOME", savedHome.c_str(), 1);
}
#endif

TEST(DeviceIdentityFile, MissingFileGivesDefaultsAndWriteSavesDecimal) {
    TempConfigHome home;
    uint16_t vendor = 0;
    uint16_t product = 0;
    ASSERT_TRUE(ReadDeviceIdentity(vendor, product));
    EXPECT_EQ(vendor, 0x2F7A);
    EXPECT_EQ(product, 0x0006);
    EXPECT_FALSE(std::filesystem::exists(home.IniFile()));

    ASSERT_TRUE(WriteDeviceIdentity(0xABCD, 0x0102));
#ifdef _WIN32
    EXPECT_EQ(ReadText(home.IniFile()), "[DeviceID]\r\nVendorID=43981\r\nProductID=258\r\n");
#else
    EXPECT_EQ(ReadText(home.IniFile()), "[DeviceID]\nVendorID=43981\nProductID=258\n");
#endif
    ASSERT_TRUE(ReadDeviceIdentity(vendor, product));
    EXPECT_EQ(vendor, 0xABCD);
    EXPECT_EQ(product, 0x0102);
}

TEST(DeviceIdentityFile, OddContentIsKeptToSixteenBits) {
    TempConfigHome home;
    std::filesystem::create_directories(home.DataFolder());
    std::ofstream(home.IniFile()) << "[deviceid]\nvendorid=70000\nProductID=junk\n";
    uint16_t vendor = 0;
    uint16_t product = 9;
    ASSERT_TRUE(ReadDeviceIdentity(vendor, product));
    EXPECT_EQ(vendor, static_cast<uint16_t>(70000));
    EXPECT_EQ(product, 0);
}

TEST(DeviceIdentityFile, UnwritableDataFolderReportsFailure) {
    TempConfigHome home;
    std::filesystem::create_directories(home.Root() / "Brightfold");
    // A file where the folder should be: nothing can be created below it.
    std::ofstream(home.DataFolder()) << "not a folder";
    EXPECT_FALSE(WriteDeviceIdentity(1, 2));
    uint16_t vendor = 0;
    uint16_t product = 0;
    EXPECT_TRUE(ReadDeviceIdentity(vendor, product));
    EXPECT_EQ(vendor, 0x2F7A);
}

}  // namespace
