// Writes the seed corpus of every harness: valid reports of each kind as the
// virtual controller sends them through the engine, framed as each harness
// reads its input, and a baseline and an accuracy result as the checks write
// them. Usage: make_seed_corpus DIR (DIR/<harness>/<name> files).

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "Checks/AccuracyFile.h"
#include "DriverInterface/DriverIO.h"
#include "Protocol/Protocolutils.h"
#include "Simulator/VirtualController.h"
#include "platform/Sync.h"
#include "t860ctl/Ctl.h"
#include "tests/platform/hid/Descriptors.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kReportData = 64;
constexpr size_t kKeepPerKind = 4;
constexpr size_t kKeepChunks = 24;  // a whole block

std::mutex lock;
// The first few reports of each kind, per channel; replies and events are
// told apart by their code as well.
std::map<int, std::map<std::string, std::vector<Bytes>>> received;

std::string KindOf(const uint8_t* data) {
    std::string kind(1, static_cast<char>(data[0]));
    if (data[0] == 'C' || data[0] == 'E') {
        char code[4];
        std::snprintf(code, sizeof code, "%02X", data[2]);
        kind += code;
    }
    return kind;
}

void Keep(int channel, const uint8_t* data, int32_t length) {
    if (length != static_cast<int32_t>(kReportData)) {
        return;
    }
    std::lock_guard<std::mutex> guard(lock);
    auto& kind = received[channel][KindOf(data)];
    if (kind.size() < (data[0] == 'N' ? kKeepChunks : kKeepPerKind)) {
        kind.emplace_back(data, data + kReportData);
    }
}

void OnReport0(int32_t, const uint8_t* data, int32_t length) {
    Keep(0, data, length);
}
void OnReport6(int32_t, const uint8_t* data, int32_t length) {
    Keep(6, data, length);
}

void Write(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Whole reports, each behind a length selector of 0 (a full 64-byte report).
void AppendReports(Bytes& input, const std::vector<Bytes>& reports, int channelByte = -1) {
    for (const Bytes& report : reports) {
        if (channelByte >= 0) {
            input.push_back(static_cast<uint8_t>(channelByte));
        }
        input.push_back(0);
        input.insert(input.end(), report.begin(), report.end());
    }
}

// Sets the first setting of the channel to the value it has, for its echo.
void EchoFirstSetting(VirtualController& controller, int channel) {
    const auto block = controller.SettingsBlockBytes(channel);
    const uint16_t tableBytes = static_cast<uint16_t>(block[0] << 8 | block[1]);
    const uint8_t typeCode = block[6 + 2];
    const size_t width = typeCode == 1 || typeCode == 4   ? 1
                         : typeCode == 2 || typeCode == 5 ? 2
                                                          : 4;
    uint8_t report[65] = {static_cast<uint8_t>(channel), 'S', 's', 0, 0, typeCode, 0};
    std::memcpy(&report[7], &block[6 + tableBytes], width);
    if (channel == 0) {
        QueueReport0(0, report, sizeof report);
    } else {
        QueueReport6(report, sizeof report);
    }
}

void Collect(platform::hid::VirtualBus& bus) {
    ControllerConfig config;
    config.touchReportsPerSecond = 200;
    config.floopPeriodMs = 100;
    config.calibrationMs = 200;
    VirtualController controller(bus, config);
    controller.Plug();
    SetReportCallback0(OnReport0);
    SetReportCallback6(OnReport6);
    StartDriverIO();
    platform::Sleep(300);
    for (uint8_t code :
         {kGetVersionCode, kGetModelNumberCode, kGetFirmwareVersionCode, kGetSerialNumberCode}) {
        SendDeviceQuery(code);
    }
    GetReportMode();
    GetOffscreenMode();
    GetStreamStatus();
    SendText("M?");
    RequestSettings0();
    RequestSettings6();
    for (uint8_t code : {48, 51, 59, 60, 70, 72, 80}) {
        RequestScopeData(code);
    }
    Calibrate(true);
    platform::Sleep(400);
    EchoFirstSetting(controller, 0);
    EchoFirstSetting(controller, 6);
    for (uint16_t mode : {kReportModeXPackets, kReportModeYPackets, kReportModeOffscreenPackets}) {
        SetReportMode(mode);
        platform::Sleep(300);
    }
    StopDriverIO();
    JoinDriverIOThreads();
    controller.Unplug();
}

// A baseline recorded from t860ctl's own virtual controller, and an accuracy
// result of a few taken targets.
bool WriteCheckFiles(const std::filesystem::path& root) {
    std::filesystem::create_directories(root / "baseline_file");
    std::string out;
    std::string err;
    if (RunCtl({"--simulate", "baseline", "save", (root / "baseline_file" / "recorded").string(),
                "--note", "seed"},
               out, err) != 0) {
        std::fprintf(stderr, "%s", err.c_str());
        return false;
    }
    AccuracyResult result;
    result.Date = "2026-12-08T01:45:10Z";
    result.SerialNumber = 86012345;
    result.Screen = {1920, 1080, 527.0, 296.0};
    for (int index = 0; index < TargetCount(kSmallTargetGrid); ++index) {
        TargetSample sample;
        sample.Taken = index != 4;
        const AccuracyPoint target = TargetFraction(kSmallTargetGrid, index);
        sample.Target = {target.X * 1920, target.Y * 1080};
        sample.Controller.Mean = {sample.Target.X + 3, sample.Target.Y - 2};
        sample.Controller.JitterSd = 0.5;
        sample.Controller.JitterLargest = 1.5;
        result.Samples.push_back(sample);
    }
    const std::string accuracy = WriteAccuracyFile(result);
    Write(root / "accuracy_file", "result", Bytes(accuracy.begin(), accuracy.end()));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seed_corpus DIR\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    platform::hid::VirtualBus bus;
    platform::hid::SelectBackend(&bus);
    Collect(bus);
    platform::hid::SelectBackend(nullptr);

    // Channel 6: one file per kind, the touch test chosen to match touch packets.
    for (const auto& [kind, reports] : received[6]) {
        Bytes input{static_cast<uint8_t>(kind == "Y" ? 1 : kind == "O" ? 2 : 0)};
        AppendReports(input, reports);
        Write(root / "dispatch6", kind, input);
        if (kind == "G") {
            Bytes scope;
            AppendReports(scope, reports);
            Write(root / "scope", "camera_data", scope);
        }
    }
    for (const auto& [kind, reports] : received[0]) {
        Bytes input{0};
        AppendReports(input, reports);
        Write(root / "dispatch0", kind, input);
    }
    // The settings view: each channel's whole block in chunks, then its echo.
    for (int channel : {0, 6}) {
        Bytes input{0};
        AppendReports(input, received[channel]["N"], channel);
        AppendReports(input, received[channel]["S"], channel);
        Write(root / "settings_view", "block" + std::to_string(channel), input);
    }
    // A block loaded straight into a tree: header, table and values as sent.
    {
        platform::hid::VirtualBus other;
        VirtualController controller(other);
        const auto block = controller.SettingsBlockBytes(6);
        const size_t tableBytes = static_cast<size_t>(block[0] << 8 | block[1]);
        const size_t valuesOffset = 6 + tableBytes;
        Bytes input{1, 0, 6, static_cast<uint8_t>(valuesOffset >> 8),
                    static_cast<uint8_t>(valuesOffset)};
        input.insert(input.end(), block.begin(), block.end());
        Write(root / "settings_view", "load_block6", input);
    }
    Write(root / "report_descriptor", "controller", descriptors::kController);
    Write(root / "report_descriptor", "multitouch", descriptors::kMultiTouch);
    Write(root / "report_descriptor", "keyboard", descriptors::kKeyboardAndConsumer);
    const std::string ini = "[DeviceID]\r\nVendorID=12154\r\nProductID=6\r\n";
    Write(root / "ini_file", "identity", Bytes(ini.begin(), ini.end()));
    const char commandLine[] =
        "/vendorid\0"
        "2F7A\0/productid\0"
        "0006\0/scope";
    Write(root / "command_line", "options",
          Bytes(commandLine, commandLine + sizeof commandLine - 1));
    return WriteCheckFiles(root) ? 0 : 1;
}
