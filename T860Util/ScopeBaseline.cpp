// The scope's "Save Baseline…": the unit as it is now (identity, both
// channels' settings, every camera's rows, the last accuracy result) to a
// baseline file, through the program's own device access. The window thread
// handles events while it waits, as a settings load does, so the replies'
// hand-overs run.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include "Formats/WholeFile.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/Protocolutils.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"
#include "T860Util/UiSeam.h"
#include "platform/Sync.h"

namespace {

constexpr int kBlockTimeoutMs = 2000;
constexpr int kProfileTimeoutMs = 1000;
constexpr char kCaption[] = "Save Baseline";

// Marks the recording for as long as it runs, however it ends: the timer asks
// for nothing meanwhile and channel 6's settings blocks are taken.
class RecordingScope {
public:
    explicit RecordingScope(TfrmScope& scope) : scope_(scope) {
        scope_.RecordingBaseline = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~RecordingScope() {
        scope_.RecordingBaseline = false;
        QApplication::restoreOverrideCursor();
    }
    RecordingScope(const RecordingScope&) = delete;
    RecordingScope& operator=(const RecordingScope&) = delete;

private:
    TfrmScope& scope_;
};

// Camera data go to the scans while it lives.
class DivertedScopeData {
public:
    DivertedScopeData(TfrmScope& scope, TBaselineScans& scans) : scope_(scope) {
        scope_.DivertScopeData(&scans);
    }
    ~DivertedScopeData() { scope_.DivertScopeData(nullptr); }
    DivertedScopeData(const DivertedScopeData&) = delete;
    DivertedScopeData& operator=(const DivertedScopeData&) = delete;

private:
    TfrmScope& scope_;
};

}  // namespace

template <typename Done>
bool TfrmScope::WaitFor(Done done, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        platform::Sleep(1);
    }
    return done();
}

void TfrmScope::SaveBaselineClick() {
    if (RecordingBaseline) {
        return;  // the menu opened again while events are handled: one at a time
    }
    if (!DeviceStatus.Connected) {
        ShowMessage(this, "No controller is connected.", kCaption);
        return;
    }
    const std::optional<QString> path =
        PromptSaveFileName({this, "Baseline files (*.json)|*.JSON", ".json", "T860Baseline.json"});
    if (!path) {
        return;
    }
    BaselineContent content;
    std::string error;
    if (!RecordBaseline(content, error) ||
        !WriteFileReplacing(QFile::encodeName(*path).toStdString(), WriteBaselineFile(content),
                            error)) {
        ShowMessageBox({QString::fromStdString(error), kCaption, MessageButtons::Ok,
                        MessageIcon::Error, this});
        return;
    }
    ShowMessage(
        this,
        "Baseline of unit " + QString::number(content.serialNumber) + " saved to " + *path + ".",
        kCaption);
}

bool TfrmScope::RecordBaseline(BaselineContent& content, std::string& error) {
    TakeBaselineIdentity(content, DeviceStatus);
    RecordingScope recording(*this);
    if (!FetchSettingsBlocks(error)) {
        return false;
    }
    content.channel0 = ListBlockSettings(SettingsChannel0.settingsData);
    content.channel6 = ListBlockSettings(SettingsChannel6.settingsData);
    TBaselineScans scans(BaselineCameraCount(content.channel6), kDefaultBaselineScans);
    return ScanProfiles(scans, error) && CompleteBaseline(content, scans, error);
}

bool TfrmScope::FetchSettingsBlocks(std::string& error) {
    const uint32_t before0 = SettingsChannel0.blocks;
    const uint32_t before6 = SettingsChannel6.blocks;
    RequestSettings0();
    RequestSettings6();
    if (!WaitFor(
            [&] {
                return SettingsChannel0.blocks != before0 && SettingsChannel6.blocks != before6;
            },
            kBlockTimeoutMs)) {
        error = "The controller did not send its settings.";
        return false;
    }
    return true;
}

bool TfrmScope::ScanProfiles(TBaselineScans& scans, std::string& error) {
    DivertedScopeData diverted(*this, scans);
    const uint8_t incomplete = RunBaselineScans(
        scans,
        [&](uint8_t code) {
            RequestScopeData(code);
            WaitFor([&] { return scans.Complete(); }, kProfileTimeoutMs);
        },
        [&](uint32_t ms) { WaitFor([] { return false; }, static_cast<int>(ms)); });
    if (incomplete != 0) {
        error = "The controller did not send all " + std::to_string(kBaselinePixels) +
                " pixels of scope channel " + std::to_string(incomplete) + ".";
        return false;
    }
    return true;
}
