#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TempConfigHome.h"

namespace {

class IniFile : public ::testing::Test {
protected:
    std::string Path() const { return (home.Root() / "sub" / "test.ini").string(); }
    void Store(const std::string& content) {
        std::filesystem::create_directories(home.Root() / "sub");
        std::ofstream(Path(), std::ios::binary) << content;
    }
    std::string Load() const {
        std::ifstream in(Path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    uint32_t Read(const char* key, uint32_t fallback = 77) const {
        return platform::GetPrivateProfileInt("DeviceID", key, fallback, Path().c_str());
    }
    TempConfigHome home;
};

TEST_F(IniFile, WriteCreatesFolderAndFileAndReadsBack) {
    EXPECT_EQ(Read("VendorID"), 77u) << "missing file gives the default";
    ASSERT_TRUE(
        platform::WritePrivateProfileString("DeviceID", "VendorID", "12154", Path().c_str()));
    ASSERT_TRUE(platform::WritePrivateProfileString("DeviceID", "ProductID", "6", Path().c_str()));
    EXPECT_EQ(Read("VendorID"), 12154u);
    EXPECT_EQ(Read("ProductID"), 6u);
    EXPECT_EQ(Read("Other"), 77u) << "missing key gives the default";
    EXPECT_EQ(Load(), "[DeviceID]\nVendorID=12154\nProductID=6\n");
}

TEST_F(IniFile, NamesMatchWithoutCaseAndOtherLinesAreKept) {
    Store("; comment\r\n[Other]\r\nvendorid=1\r\n\r\n[deviceid]\r\nVENDORID=5\r\nKeep=me\r\n");
    EXPECT_EQ(Read("VendorID"), 5u);
    ASSERT_TRUE(platform::WritePrivateProfileString("DeviceID", "VendorID", "9", Path().c_str()));
    ASSERT_TRUE(platform::WritePrivateProfileString("DeviceID", "ProductID", "6", Path().c_str()));
    EXPECT_EQ(Load(),
              "; comment\r\n[Other]\r\nvendorid=1\r\n\r\n[deviceid]\r\nVendorID=9\r\nKeep=me\r\n"
              "ProductID=6\r\n");
    EXPECT_EQ(platform::GetPrivateProfileInt("other", "VendorID", 0, Path().c_str()), 1u);
}

TEST_F(IniFile, NewSectionIsAppendedAfterABlankLine) {
    Store("[A]\nx=1\n");
    ASSERT_TRUE(platform::WritePrivateProfileString("DeviceID", "VendorID", "2", Path().c_str()));
    EXPECT_EQ(Load(), "[A]\nx=1\n\n[DeviceID]\nVendorID=2\n");
}

TEST_F(IniFile, ValuesThatAreNotPlainNumbersReadSafely) {
    Store("[DeviceID]\nA=-5\nB=abc\nC=42xyz\nD=99999999999\nE=0x1F\nF=\n G = 7 \n");
    EXPECT_EQ(Read("A"), 0u) << "negative";
    EXPECT_EQ(Read("B"), 0u) << "no digits";
    EXPECT_EQ(Read("C"), 42u) << "digits up to the first non-digit";
    EXPECT_EQ(Read("D"), static_cast<uint32_t>(99999999999ull)) << "wraps at 32 bits";
    EXPECT_EQ(Read("E"), 0x1Fu);
    EXPECT_EQ(Read("F"), 0u);
    EXPECT_EQ(Read("G"), 7u) << "blanks around key and value";
}

TEST_F(IniFile, BinaryGarbageReadsAsDefaultsAndStaysWritable) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage.push_back(static_cast<char>((i * 131 + 7) & 0xFF));
    }
    Store(garbage);
    EXPECT_EQ(Read("VendorID"), 77u);
    ASSERT_TRUE(platform::WritePrivateProfileString("DeviceID", "VendorID", "3", Path().c_str()));
    EXPECT_EQ(Read("VendorID"), 3u);
    const std::string completeLines = garbage.substr(0, garbage.rfind('\n') + 1);
    EXPECT_TRUE(Load().starts_with(completeLines)) << "the garbage is kept as it was";
}

TEST_F(IniFile, UnwritableFolderFailsWithoutDamage) {
    if (geteuid() == 0) {
        // Root writes through permissions; use a path whose parent is a file.
        Store("[DeviceID]\nVendorID=1\n");
        const std::string inside = Path() + "/nested.ini";
        EXPECT_FALSE(
            platform::WritePrivateProfileString("DeviceID", "VendorID", "2", inside.c_str()));
        EXPECT_EQ(Read("VendorID"), 1u);
        return;
    }
    Store("[DeviceID]\nVendorID=1\n");
    std::filesystem::permissions(home.Root() / "sub", std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_exec);
    EXPECT_FALSE(platform::WritePrivateProfileString("DeviceID", "VendorID", "2", Path().c_str()));
    EXPECT_EQ(Read("VendorID"), 1u);
}

}  // namespace
