#include "t860-uhid/UhidOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(UhidOptionsTest, EveryKnobInBothFormsAndTheDefaults) {
    const UhidOptions defaults = ParseUhidOptions({});
    EXPECT_EQ(defaults.topology, UhidTopology::Separate);
    EXPECT_EQ(defaults.config.vendorId, 0x2F7A);
    EXPECT_EQ(defaults.config.productId, 0x0006);
    EXPECT_EQ(defaults.node, "/dev/uhid");
    EXPECT_FALSE(defaults.startUnplugged);

    const UhidOptions options = ParseUhidOptions(
        {"--topology=single", "--vid", "0x1234", "--pid=abcd", "--serial=42", "--report-mode",
         "0202", "--touch-rate=1000", "--floop-ms", "250", "--uhid=/tmp/u", "--unplugged"});
    EXPECT_EQ(options.topology, UhidTopology::Single);
    EXPECT_EQ(options.config.vendorId, 0x1234);
    EXPECT_EQ(options.config.productId, 0xABCD);
    EXPECT_EQ(options.config.serialNumber, 42u);
    EXPECT_EQ(options.config.reportMode, 0x0202);
    EXPECT_EQ(options.config.touchReportsPerSecond, 1000u);
    EXPECT_EQ(options.config.floopPeriodMs, 250u);
    EXPECT_EQ(options.node, "/tmp/u");
    EXPECT_TRUE(options.startUnplugged);
    EXPECT_TRUE(ParseUhidOptions({"--help"}).help);
    EXPECT_FALSE(options.version);
    EXPECT_TRUE(ParseUhidOptions({"--version"}).version);
}

TEST(UhidOptionsTest, BadValuesAreRefusedWithTheOptionNamed) {
    const std::vector<std::vector<std::string>> bad = {
        {"--topology=both"}, {"--vid=12345"},        {"--vid=xyz"},  {"--pid="},
        {"--serial=-1"},     {"--touch-rate=1001"},  {"--floop-ms"}, {"--report-mode=0x"},
        {"--uhid="},         {"--frobnicate=1"},     {"plug"},       {"--help=yes"},
        {"--version=1"},     {"--serial=4294967296"}};
    for (const auto& args : bad) {
        try {
            ParseUhidOptions(args);
            ADD_FAILURE() << args[0] << " was taken";
        } catch (const std::invalid_argument& error) {
            const std::string name = args[0].substr(0, args[0].find('='));
            if (name.starts_with("--")) {
                EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
            }
        }
    }
}
