#include "platform/IniFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/TempConfigHome.h"

namespace {

// The line end of the files the writer makes.
#ifdef _WIN32
constexpr char kEol[] = "\r\n";
#else
constexpr char kEol[] = "\n";
#endif

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
    EXPECT_EQ(Load(),
              std::string("[DeviceID]") + kEol + "VendorID=12154" + kEol + "ProductID=6" + kEol);
}

TEST_F(IniFile, NamesMatchWithoutCaseAndOtherLinesAreKept) {
    Store("; comment\r\n[Other]\r\nvendorid=1\r\n\r\n[deviceid]\r\nVENDORID=5\r\nKeep=me\r\n");
    EXPECT_EQ(Read("VendorID"), 5u);
    ASSERT_TRUE(platform::WritePrivateProfileString("DeviceID", "VendorID", "9", Path().c_str()));
    ASSERT_TRUE(platform::WritePrivateProfileString("DeviceID", "ProductID", "6", Path().c_str()));
    EXPECT_EQ(Read("VENDORID"), 9u);
    EXPECT_EQ(Read("ProductID"), 6u);
    EXPECT_EQ(platform::GetPrivateProfileInt("other", "VendorID", 0, Path().c_str()), 1u);
    EXPECT_NE(Load().find("Keep=me\r\n"), std::string::npos);
    EXPECT_TRUE(Load().starts_with("; comment\r\n"));
#ifndef _WIN32
    // Our own writer also keeps blank lines and spells a replaced key as asked.
    EXPECT_EQ(Load(),
              "; comment\r\n[Other]\r\nvendorid=1\r\n\r\n[deviceid]\r\nVendorID=9\r\nKeep=me\r\n"
              "ProductID=6\r\n");
#endif
}

TEST_F(IniFile, NewSectionIsAppendedAfterTheOthers) {
    Store("[A]\nx=1\n");
    ASSERT_TRUE(platform::WritePrivateProfileString("DeviceID", "VendorID", "2", Path().c_str()));
    EXPECT_EQ(platform::GetPrivateProfileInt("A", "x", 0, Path().c_str()), 1u);
    EXPECT_EQ(Read("VendorID"), 2u);
#ifndef _WIN32
    EXPECT_EQ(Load(), "[A]\nx=1\n\n[DeviceID]\nVendorID=2\n");
#endif
}

TEST_F(IniFile, ValuesThatAreNotPlainNumbersReadSafely) {
    Store("[DeviceID]\nA=-5\nB=abc\nC=42xyz\nD=99999999999\nE=0x1F\nF=\n G = 7 \n");
    EXPECT_EQ(Read("B"), 0u) << "no digits";
    EXPECT_EQ(Read("C"), 42u) << "digits up to the first non-digit";
    EXPECT_EQ(Read("D"), static_cast<uint32_t>(99999999999ull)) << "wraps at 32 bits";
    EXPECT_EQ(Read("E"), 0x1Fu);
    EXPECT_EQ(Read("G"), 7u) << "blanks around key and value";
#ifndef _WIN32
    // The system's reader has answers of its own for these two.
    EXPECT_EQ(Read("A"), 0u) << "negative";
    EXPECT_EQ(Read("F"), 0u);
#endif
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
#ifndef _WIN32
    const std::string completeLines = garbage.substr(0, garbage.rfind('\n') + 1);
    EXPECT_TRUE(Load().starts_with(completeLines)) << "the garbage is kept as it was";
#endif
}

TEST_F(IniFile, UnwritableFolderFailsWithoutDamage) {
    Store("[DeviceID]\nVendorID=1\n");
#ifndef _WIN32
    if (geteuid() != 0) {
        std::filesystem::permissions(home.Root() / "sub", std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_exec);
        EXPECT_FALSE(
            platform::WritePrivateProfileString("DeviceID", "VendorID", "2", Path().c_str()));
        EXPECT_EQ(Read("VendorID"), 1u);
        return;
    }
#endif
    // Permissions do not stop every writer; a path whose parent is a file does.
    const std::string inside = Path() + "/nested.ini";
    EXPECT_FALSE(platform::WritePrivateProfileString("DeviceID", "VendorID", "2", inside.c_str()));
    EXPECT_EQ(Read("VendorID"), 1u);
}

}  // namespace
