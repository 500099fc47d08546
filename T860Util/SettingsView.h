#pragma once
// The settings view: the settings block of channel 0 (left tree) and of
// channel 6 (right tree), each shown as an editable tree; every edit goes
// straight back to the controller as one set-setting command on the tree's
// own channel.
//
// Threads: settings reports arrive on their channel's read thread, which only
// copies chunks into the channel's assembly buffer. Everything that touches
// settingsData, the settings pointers or a tree runs on the window thread,
// handed over with SyncCall: taking a completed block, applying an echo or a
// chunk that arrives after its block was completed (stored without a
// rebuild, so the next one shows it), the overflow message box, and of course
// the edits. So an echo never interleaves with an edit, and a block still
// being assembled never overwrites the values a tree points into.

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Protocol/SettingsBlockAssembly.h"

class QAction;
class QTreeWidget;
class TEasyTree;
struct SettingsLoadSummary;
struct SavedSetting;

// Positions whose echoes a settings load can wait for.
constexpr int kSettingsEchoPositions = 200;
// How long a settings load waits for each setting's echo.
constexpr int kSettingsEchoTimeoutMs = 1000;

// One channel's settings.
struct TSettingsChannel {
    explicit TSettingsChannel(uint8_t id) : reportId(id) {}
    const uint8_t reportId;  // 0 or 6, which is also the channel's number

    // Window thread only. The header words are in host order, the values in
    // the controller's order; the pointers are null until the first block.
    uint8_t settingsData[kSettingsDataSize] = {};
    SettingDescriptor* settingsTable = nullptr;
    uint8_t* settingsValues = nullptr;
    // settingsData as the tree last read it: shows which setting an edit changed.
    uint8_t shownData[kSettingsDataSize] = {};
    // Echoes applied, by descriptor position: a load waits for its setting's.
    uint32_t echoes[kSettingsEchoPositions] = {};
    // Blocks taken: whoever asked for a fresh block waits for this to change.
    uint32_t blocks = 0;

    // The read thread's side. The lock is held from a report's arrival until
    // its hand-over has run, so two read threads of one channel (one outliving
    // a restart) never change what the window thread is reading.
    std::mutex handOverLock;
    uint8_t assembly[kSettingsDataSize] = {};  // chunks as received
    ChunkTally tally;
    // An echo or a late chunk waiting for the window thread.
    uint8_t waiting[kSettingsReportSize] = {};
    int32_t waitingLength = 0;
};

extern TSettingsChannel SettingsChannel0;
extern TSettingsChannel SettingsChannel6;

// A settings report of the channel ('N' chunk or 'S' echo), on its read thread
// (or on the window thread, which then does the window's part at once).
// Allocates nothing while it assembles chunks.
void OnSettingsReport(TSettingsChannel& channel, const uint8_t* report, int32_t length);

// Builds the 65-byte set-setting command (report id left 0) for an edited
// value (device order, as wide as the setting's type). The setting is the one
// whose value lives at editedValue when that is given and lies in the table;
// else the one the group and setting names find. False, with a trace, when
// there is no block or no such setting.
bool CommitSetting(const SettingDescriptor* settingsTable, uint8_t* settingsValues,
                   const char* groupName, const char* settingName, const uint8_t* value,
                   uint8_t* report, const uint8_t* editedValue = nullptr);

class TfrmSettingsView : public QWidget {
    Q_OBJECT
public:
    // Created hidden; registers itself as frmSettingsView.
    explicit TfrmSettingsView(QWidget* parent = nullptr);
    ~TfrmSettingsView() override;

    QTreeWidget* TreeView1;  // channel 0, left
    QTreeWidget* TreeView2;  // channel 6, right
    QAction* actSaveSettings;
    QAction* actLoadSettings;

    void FormShow();
    void FormResize();
    int OnTreeEdited0(int userData, const char* groupName, const char* settingName,
                      const uint8_t* value);
    int OnTreeEdited6(int userData, const char* groupName, const char* settingName,
                      const uint8_t* value);

    // The tree of the channel; window thread.
    TEasyTree& TreeOf(const TSettingsChannel& channel) const;

    // The context menu's "Save Settings…" and "Load Settings…": both
    // channels' blocks to a settings file, and a file's values back to the
    // controller, one echoed setting at a time, ending with a summary.
    void SaveSettingsClick();
    void LoadSettingsClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LoadChannel(TSettingsChannel& channel, const std::vector<SavedSetting>& saved,
                     SettingsLoadSummary& summary);
    // Queues the set-setting command and handles hand-overs until the echo
    // for the position was applied; false when none came in time.
    bool SendAndAwaitEcho(TSettingsChannel& channel, int position, uint8_t typeCode,
                          const uint8_t* value);
    int OnTreeEdited(TSettingsChannel& channel, const char* groupName, const char* settingName,
                     const uint8_t* value);

    // Declared in this order so that the right tree's object goes first.
    std::unique_ptr<TEasyTree> tree0_;
    std::unique_ptr<TEasyTree> tree6_;
};

// The one settings view, or null; read by the read threads.
extern std::atomic<TfrmSettingsView*> frmSettingsView;

// True while the settings view is shown: channel 6's settings reports are
// taken only then.
bool SettingsViewShowing();
