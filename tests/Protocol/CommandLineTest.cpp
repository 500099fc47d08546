#include "Protocol/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DriverInterface/DriverIO.h"

namespace {

struct Identity {
    uint16_t vendor;
    uint16_t product;
    bool operator==(const Identity&) const = default;
};

// Runs the parser over the arguments from a known identity.
Identity Parse(std::vector<std::string> args, Identity start = {0x1111, 0x2222},
               bool* showMain = nullptr) {
    args.insert(args.begin(), "t860util");
    std::vector<const char*> argv;
    for (const auto& arg : args) {
        argv.push_back(arg.c_str());
    }
    SetDeviceIdentity(start.vendor, start.product);
    const CommandLineEffects effects = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    if (showMain != nullptr) {
        *showMain = effects.showMainForm;
    }
    Identity result{};
    GetDeviceIdentity(result.vendor, result.product);
    return result;
}

TEST(CommandLine, HexValuesWithoutPrefixSetTheIds) {
    EXPECT_EQ(Parse({"/VendorID", "2F7A"}), (Identity{0x2F7A, 0x2222}));
    EXPECT_EQ(Parse({"/productid", "abcd"}), (Identity{0x1111, 0xABCD}));
    EXPECT_EQ(Parse({"/vendorid", "12345"}), (Identity{0x2345, 0x2222})) << "low 16 bits";
    EXPECT_EQ(Parse({"/vendorid", "1", "/VENDORID", "2"}), (Identity{0x0002, 0x2222}))
        << "the later option wins";
    EXPECT_EQ(Parse({"/vendoridXYZ", "10"}), (Identity{0x0010, 0x2222})) << "prefix match";
}

TEST(CommandLine, InvalidValuesGiveTheBuiltInDefault) {
    EXPECT_EQ(Parse({"/productid", "zz"}), (Identity{0x1111, 0x0006}));
    EXPECT_EQ(Parse({"/vendorid", "0x1234"}), (Identity{0x2F7A, 0x2222})) << "0x0x1234";
    EXPECT_EQ(Parse({"/vendorid", ""}), (Identity{0x2F7A, 0x2222}));
    EXPECT_EQ(Parse({"/vendorid", "-1"}), (Identity{0x2F7A, 0x2222}));
    EXPECT_EQ(Parse({"/vendorid", "123456789"}), (Identity{0x2F7A, 0x2222})) << "beyond 32 bits";
    EXPECT_EQ(Parse({"/vendorid", std::string(5000, 'f')}), (Identity{0x2F7A, 0x2222}));
    EXPECT_EQ(Parse({"/vendorid", "\xC3\xA9"}), (Identity{0x2F7A, 0x2222})) << "non-ASCII";
}

TEST(CommandLine, OptionWithoutValueOrUnknownArgumentsChangeNothing) {
    EXPECT_EQ(Parse({"/vendorid"}), (Identity{0x1111, 0x2222}));
    EXPECT_EQ(Parse({"-vendorid", "1"}), (Identity{0x1111, 0x2222}));
    EXPECT_EQ(Parse({"x/vendorid", "1"}), (Identity{0x1111, 0x2222}));
    EXPECT_EQ(Parse({}), (Identity{0x1111, 0x2222}));
    EXPECT_EQ(Parse({std::string(100000, '/')}), (Identity{0x1111, 0x2222}));
}

TEST(CommandLine, ValueIsExaminedAsAnArgumentOfItsOwn) {
    // The value of /vendorid is itself "/productid", so it is both converted
    // (and fails) and then acts as an option with the next argument.
    EXPECT_EQ(Parse({"/vendorid", "/productid", "12"}), (Identity{0x2F7A, 0x0012}));
}

TEST(CommandLine, ScopePrefixHidesTheMainWindow) {
    bool showMain = true;
    Parse({"/scopeview"}, {1, 2}, &showMain);
    EXPECT_FALSE(showMain);
    Parse({"/SCOPE"}, {1, 2}, &showMain);
    EXPECT_FALSE(showMain);
    Parse({"-scope", "x/scope"}, {1, 2}, &showMain);
    EXPECT_TRUE(showMain);
}

TEST(CommandLine, AccuracyAndCoverageHideTheMainWindowByTheSamePrefixRules) {
    bool showMain = true;
    Parse({"/ACCURACYTEST"}, {1, 2}, &showMain);
    EXPECT_FALSE(showMain);
    Parse({"/Coverage"}, {1, 2}, &showMain);
    EXPECT_FALSE(showMain);
    Parse({"/accurac", "accuracy"}, {1, 2}, &showMain);
    EXPECT_TRUE(showMain);
}

}  // namespace

namespace {

TEST(CommandLine, OwnOptionsSelectTheSimulationAndTheScreenshot) {
    const char* argv[] = {"t860util", "/Simulate", "/screenshot", "out.png", "/vendorid", "1"};
    const CommandLineEffects effects = ParseCommandLine(6, argv);
    EXPECT_TRUE(effects.simulate);
    EXPECT_EQ(effects.screenshotFile, "out.png");
    EXPECT_TRUE(effects.showMainForm);
    uint16_t vendor;
    uint16_t product;
    GetDeviceIdentity(vendor, product);
    EXPECT_EQ(vendor, 0x0001) << "the identity options still apply";

    const char* last[] = {"t860util", "/screenshot"};
    EXPECT_TRUE(ParseCommandLine(2, last).screenshotFile.empty()) << "no file given";
    const char* none[] = {"t860util", "/scope"};
    EXPECT_FALSE(ParseCommandLine(2, none).simulate);
}

}  // namespace

namespace {

TEST(CommandLine, VersionIsAskedForOnlyByTheWholeOption) {
    const char* alone[] = {"t860util", "--version"};
    EXPECT_TRUE(AsksForVersion(2, alone));
    const char* amongOthers[] = {"t860util", "/simulate", "/vendorid", "--version"};
    EXPECT_TRUE(AsksForVersion(4, amongOthers)) << "a value is an argument of its own too";
    const char* lookAlikes[] = {"t860util", "--versions", "--VERSION",
                                "-version", "/version",   "--ver"};
    EXPECT_FALSE(AsksForVersion(6, lookAlikes));
    EXPECT_FALSE(AsksForVersion(1, alone)) << "the program's name is no option";

    // The slash options do not see it, so that it changes nothing else.
    bool showMain = false;
    EXPECT_EQ(Parse({"--version"}, {0x1111, 0x2222}, &showMain), (Identity{0x1111, 0x2222}));
    EXPECT_TRUE(showMain);
}

}  // namespace
