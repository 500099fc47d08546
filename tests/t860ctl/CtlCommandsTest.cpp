// Every command of t860ctl against the virtual controller, and the exit codes
// of the ways a run can go wrong.

#include <gmock/gmock.h>

#include <fstream>

#include "Checks/AccuracyFile.h"
#include "Formats/Json.h"
#include "lib/Version.h"
#include "tests/t860ctl/CtlFixture.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

JsonValue ParsedJson(const std::string& text) {
    JsonValue value;
    std::string error;
    EXPECT_TRUE(ParseJson(text, value, error)) << error << "\n" << text;
    return value;
}

}  // namespace

TEST_F(CtlOnController, InfoShowsTheControllersAnswersAsTextAndJson) {
    const CtlResult text = Run({"info"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out,
              "Connection: Connected\nDriver Version: 2.6.0.1187\nModel Number: 860\n"
              "Firmware Version: 3.12\nSerial Number: 86012345\nInput Devices: on\n");

    const CtlResult json = Run({"--json", "info"});
    ASSERT_EQ(json.code, 0) << json.err;
    const JsonValue info = ParsedJson(json.out);
    EXPECT_EQ(info.Find("serialNumber")->AsNumber(), 86012345);
    EXPECT_EQ(info.Find("firmwareVersion")->AsString(), "3.12");
}

TEST_F(CtlOnController, ModesAreReadWrittenAndCheckedAgainstTheAnswer) {
    EXPECT_EQ(Run({"report-mode"}).out, "Report Mode: 0x0020 (32)\n");
    ASSERT_EQ(Run({"report-mode", "0x0122"}).code, 0);
    EXPECT_EQ(controller.ReportMode(), 0x0122);
    EXPECT_EQ(Run({"--json", "report-mode"}).out, "{\"reportMode\": 290}\n");

    controller.RefuseReportModeBits(0x0100);
    const CtlResult refused = Run({"report-mode", "0x0100"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.out, "Report Mode: 0x0000 (0)\n");
    EXPECT_THAT(refused.err, HasSubstr("kept report mode 0x0000 (0) instead of 0x0100 (256)"));

    ASSERT_EQ(Run({"offscreen-mode", "1"}).code, 0);
    EXPECT_EQ(controller.OffscreenMode(), 1);
    EXPECT_EQ(Run({"offscreen-mode"}).out, "Offscreen Mode: 0x01 (1)\n");

    ASSERT_EQ(Run({"input-mode", "3"}).code, 0);
    EXPECT_EQ(controller.InputMode(), 3);
    EXPECT_EQ(Run({"input-mode"}).out, "Input Mode: 0x03 (3)\n");
}

TEST_F(CtlOnController, SwitchesTakeEffectOnTheController) {
    EXPECT_EQ(Run({"calibrate", "start"}).out, "Calibrating: yes\n");
    EXPECT_TRUE(controller.Calibrating());
    EXPECT_EQ(Run({"calibrate", "stop"}).code, 0);
    EXPECT_FALSE(controller.Calibrating());

    ASSERT_EQ(Run({"stream", "on"}).code, 0);
    EXPECT_TRUE(controller.StreamOn());
    EXPECT_EQ(Run({"stream-status"}).out,
              "Stream Status: Ok: Driver is getting data from touchscreen.\n");
    const CtlResult off = Run({"stream", "off"});
    EXPECT_FALSE(controller.StreamOn());
    EXPECT_EQ(off.out,
              "Continuous Stream: off\n"
              "Stream Status: Bad: Driver is not getting data from touchscreen.\n");

    EXPECT_EQ(Run({"input-devices", "off"}).out, "Input Devices: off\n");
    EXPECT_FALSE(controller.InputDevicesOn());
    EXPECT_EQ(Run({"input-devices", "on"}).code, 0);
    EXPECT_TRUE(controller.InputDevicesOn());

    ASSERT_EQ(Run({"report-mode", "0x0300"}).code, 0);
    EXPECT_EQ(Run({"restore-defaults"}).code, 0);
    EXPECT_EQ(controller.ReportMode(), 0x0020);
}

TEST_F(CtlOnController, DataCommandsCollectWhatTheControllerSends) {
    const JsonValue stats = ParsedJson(Run({"--json", "perf-stats"}).out);
    EXPECT_EQ(stats.Members().size(), 6u);
    EXPECT_NE(stats.Find("xlateLibPaged"), nullptr);

    const CtlResult scope = Run({"scope", "51"});
    ASSERT_EQ(scope.code, 0) << scope.err;
    EXPECT_THAT(scope.out, StartsWith("Scope channel 51: 512 pixels\n0 "));
    EXPECT_THAT(scope.out, HasSubstr("\n511 "));
    EXPECT_THAT(scope.out, ::testing::Not(HasSubstr(" -\n")));  // every pixel arrived
    EXPECT_THAT(Run({"scope", "51", "--csv"}).out, StartsWith("pixel,value\n0,"));
    const JsonValue profile = ParsedJson(Run({"--json", "scope", "0x3D"}).out);
    EXPECT_EQ(profile.Find("values")->Items().size(), 512u);

    ASSERT_EQ(Run({"report-mode", "0x0002"}).code, 0);  // X packets
    const std::string log = PathOf("touches.mtp");
    const CtlResult logged = Run({"--json", "log-packets", log, "--seconds", "1"});
    ASSERT_EQ(logged.code, 0) << logged.err;
    const double packets = ParsedJson(logged.out).Find("packets")->AsNumber();
    EXPECT_GT(packets, 10);
    const std::string lines = ReadAll(log);
    EXPECT_EQ(static_cast<double>(std::count(lines.begin(), lines.end(), '\n')), packets);
    EXPECT_THAT(lines, HasSubstr("\r\n"));
}

TEST_F(CtlOnController, ServiceReportHoldsEverySection) {
    const std::string path = PathOf("report.txt");
    const CtlResult result = Run({"report", path});
    ASSERT_EQ(result.code, 0) << result.err;
    const std::string report = ReadAll(path);
    EXPECT_THAT(report, HasSubstr("Program: t860ctl " + std::string(ProgramVersion()) + "\n"));
    for (const char* expected :
         {"Platform: ", "Identity: vendor id 0x2F7A, product id 0x0006", "Serial Number: 86012345",
          "Report Mode: 0x0020", "Offscreen Mode: ", "Input Mode: ", "Stream Status: ",
          "Channel 0: ", "Channel 6: ", "XlateLib Paged: ", "[Trace, last lines of this run]"}) {
        EXPECT_THAT(report, HasSubstr(expected));
    }
}

TEST_F(CtlOnController, ServiceReportCarriesTheAccuracyResultAndSaysWhenItIsBad) {
    AccuracyResult result;
    result.Date = "2026-12-08T01:45:10Z";
    result.SerialNumber = 86012345;
    result.Screen = {1280, 800, {}, {}};
    result.Samples.resize(1);
    result.Samples[0].Taken = true;
    result.Samples[0].Target = {128, 80};
    result.Samples[0].Controller.Mean = {140, 73};
    const std::string accuracy = PathOf("accuracy.json");
    std::string error;
    ASSERT_TRUE(SaveAccuracyFile(accuracy, result, error)) << error;
    const std::string path = PathOf("report.txt");
    const CtlResult good = Run({"report", path, "--accuracy", accuracy});
    ASSERT_EQ(good.code, 0) << good.err;
    EXPECT_THAT(ReadAll(path),
                HasSubstr("[Accuracy test]\nFile: " + accuracy + "\nDate: 2026-12-08T01:45:10Z\n"));
    EXPECT_THAT(ReadAll(path), HasSubstr("Largest offset: 13.9 px\n"));
    EXPECT_THAT(ReadAll(path), HasSubstr("Result: passed\n"));

    std::ofstream(accuracy, std::ios::trunc) << "{\"format\": \"T860 accuracy\",}";
    const CtlResult bad = Run({"report", path, "--accuracy", accuracy});
    EXPECT_EQ(bad.code, 1);
    EXPECT_THAT(bad.err, HasSubstr("line 1, column"));
    EXPECT_THAT(ReadAll(path), HasSubstr("[Accuracy test]\nNot available: "));
    EXPECT_THAT(ReadAll(path), HasSubstr("Serial Number: 86012345"));  // the rest is there
}

TEST_F(CtlOnController, ServiceReportJudgesTheAcceptanceChecksWithATypedDiagonal) {
    // A monitor that reported no size: the offset of 13 px is judged in
    // millimetres of a 96 dpi pixel (25.4 / 96 mm: 3.44 mm), or of the typed
    // 15 inch diagonal: 381 mm over sqrt(1280^2 + 800^2) = 1509.43 px is
    // 0.25241 mm a pixel, 323.1 x 201.9 mm, and 3.28 mm.
    AccuracyResult result;
    result.Date = "2026-12-08T01:45:10Z";
    result.Screen = {1280, 800, {}, {}};
    result.Samples.resize(1);
    result.Samples[0].Taken = true;
    result.Samples[0].Target = {128, 80};
    result.Samples[0].Controller.Mean = {141, 80};
    result.Acceptance.emplace();
    result.Acceptance->Limits = DefaultLimits(result.Screen);
    TakeTargets(*result.Acceptance, result.Samples);
    const std::string accuracy = PathOf("accuracy.json");
    std::string error;
    ASSERT_TRUE(SaveAccuracyFile(accuracy, result, error)) << error;
    const std::string path = PathOf("report.txt");

    ASSERT_EQ(Run({"report", path, "--accuracy", accuracy}).code, 0);
    EXPECT_THAT(ReadAll(path), HasSubstr("Screen size: unknown (unknown)\n"));
    EXPECT_THAT(ReadAll(path), HasSubstr("largest 3.44 mm"));

    const CtlResult typed = Run({"report", path, "--accuracy", accuracy, "--diagonal", "15"});
    ASSERT_EQ(typed.code, 0) << typed.err;
    EXPECT_THAT(ReadAll(path), HasSubstr("Screen size: 323.1 x 201.9 mm (15.0 in) (typed)\n"));
    EXPECT_THAT(ReadAll(path), HasSubstr("largest 3.28 mm"));

    EXPECT_EQ(Run({"report", path, "--accuracy", accuracy, "--diagonal", "fifteen"}).code, 2);
    EXPECT_EQ(Run({"report", path, "--accuracy", accuracy, "--diagonal", "500"}).code, 2);
    EXPECT_EQ(Run({"report", path, "--diagonal", "15"}).code, 2);
}

TEST_F(CtlOnController, ServiceReportIsWrittenEvenWhenTheControllerFallsSilent) {
    controller.DropReplies(true);
    const std::string path = PathOf("report.txt");
    const CtlResult result = Run({"--timeout", "100", "report", path});
    EXPECT_EQ(result.code, 4);
    const std::string report = ReadAll(path);
    EXPECT_THAT(report, HasSubstr("Not available: the controller did not answer"));
    // The feature report and statistics do not go through the silent channels.
    EXPECT_THAT(report, HasSubstr("Input Mode: 0x02"));
    EXPECT_THAT(report, HasSubstr("XlateLib NP"));
}

TEST_F(CtlOnController, ADroppedReplyEndsWithExitFour) {
    controller.DropReplies(true);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--timeout", "150", "info"},
                                               {"--timeout", "150", "report-mode"},
                                               {"--timeout", "150", "settings", "dump"},
                                               {"--timeout", "150", "scope", "51"}}) {
        const CtlResult result = Run(args);
        EXPECT_EQ(result.code, 4) << args.back();
        EXPECT_THAT(result.err, HasSubstr("did not answer"));
        EXPECT_THAT(result.err, HasSubstr("within 150 ms"));
    }
}

TEST_F(CtlOnController, NoControllerEndsWithExitThree) {
    controller.Unplug();
    for (const char* command : {"info", "perf-stats", "input-mode"}) {
        const CtlResult result = Run({command});
        EXPECT_EQ(result.code, 3) << command;
        EXPECT_THAT(result.err, HasSubstr("found with vendor id 0x2F7A and product id 0x0006"));
        EXPECT_EQ(result.out, "");
    }
    controller.Plug();
    EXPECT_EQ(Run({"--vid", "1234", "--pid", "0x5678", "info"}).code, 3);
    EXPECT_EQ(Run({"info"}).code, 0);
}

TEST_F(CtlOnController, BadArgumentsEndWithExitTwoBeforeTheControllerIsTouched) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"--json"},
        {"info", "extra"},
        {"report-mode", "65536"},
        {"report-mode", "0x"},
        {"offscreen-mode", "-1"},
        {"offscreen-mode", "256"},
        {"calibrate"},
        {"calibrate", "sideways"},
        {"stream", "maybe"},
        {"--vid", "zz", "--pid", "6", "info"},
        {"--vid", "2F7A", "info"},
        {"--timeout", "0", "info"},
        {"--timeout"},
        {"settings"},
        {"settings", "dump", "--channel", "3"},
        {"settings", "save"},
        {"settings", "load"},
        {"log-packets", "x.mtp", "--seconds", "soon"},
        {"scope", "47"},
        {"scope", "55"},
        {"--json", "scope", "51", "--csv"},
        {"report"},
    };
    for (const std::vector<std::string>& args : bad) {
        const CtlResult result = Run(args);
        EXPECT_EQ(result.code, 2) << ::testing::PrintToString(args);
        EXPECT_THAT(result.err, StartsWith("t860ctl: "));
    }
    EXPECT_EQ(OutputReports(), 0u);
}

TEST(CtlVersion, PrintsTheProgramsVersionAloneOrWithAnyOtherOption) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--version"}, {"--simulate", "--version", "--json"}}) {
        std::string out;
        std::string err;
        EXPECT_EQ(RunCtl(args, out, err), 0) << err;
        EXPECT_EQ(out, "t860ctl " + std::string(ProgramVersion()) + "\n");
    }
}

TEST(CtlSimulate, RunsOnItsOwnVirtualControllerAndPutsTheBackendBack) {
    TempConfigHome home;
    SelectedVirtualBus bus;  // empty: only --simulate has a controller
    std::string out;
    std::string err;
    EXPECT_EQ(RunCtl({"--simulate", "info"}, out, err), 0) << err;
    EXPECT_THAT(out, HasSubstr("Serial Number: 86012345"));
    EXPECT_EQ(RunCtl({"info"}, out, err), 3);
}

TEST(CtlHelp, PrintsTheUsage) {
    std::string out;
    std::string err;
    EXPECT_EQ(RunCtl({"--help"}, out, err), 0);
    EXPECT_THAT(out, HasSubstr("settings load FILE [--dry-run]"));
}

namespace {

// The controller outside the program's process, as it is behind the system's
// HID driver: requests arrive, but nothing can be filled in the program's
// memory.
class OutsideTheProcess final : public ControllerTransport {
public:
    explicit OutsideTheProcess(platform::hid::VirtualBus& bus)
        : bus_(bus, "outside", kDefaultVendorID, kDefaultProductID) {}

    void Attach(platform::hid::VirtualDeviceHandler* handler) override { bus_.Attach(handler); }
    void Plug() override { bus_.Plug(); }
    void Unplug() override { bus_.Unplug(); }
    bool IsPlugged() const override { return bus_.IsPlugged(); }
    void SendInput(size_t collection, const uint8_t* report, size_t length) override {
        bus_.SendInput(collection, report, length);
    }
    bool SharesSenderMemory() const override { return false; }

private:
    BusTransport bus_;
};

}  // namespace

TEST(CtlPerfStats, AControllerOutsideTheProcessGivesTheStatisticsFailureAndNoNumbers) {
    TempConfigHome home;
    SelectedVirtualBus bus;
    OutsideTheProcess transport(bus.bus);
    VirtualController controller(transport);
    controller.Plug();
    for (const bool json : {false, true}) {
        const CtlResult result =
            RunCtlCapturing(json ? std::vector<std::string>{"--json", "perf-stats"}
                                 : std::vector<std::string>{"perf-stats"});
        EXPECT_EQ(result.code, 4);
        EXPECT_THAT(result.err, HasSubstr("BF_REPORT_GET_PERFORMANCE_STATS failed"));
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(controller.OutputReportCount(5), 2u);  // the requests did arrive
    // The rest of the controller answers as ever.
    EXPECT_EQ(RunCtlCapturing({"info"}).code, 0);
}
