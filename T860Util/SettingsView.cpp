#include "T860Util/SettingsView.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTreeWidget>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <sstream>

#include "Driver/XlateLib/Settings.h"
#include "DriverInterface/DriverIO.h"
#include "Formats/SettingsFile.h"
#include "Formats/WholeFile.h"
#include "Painter/EasyTreeView.h"
#include "Protocol/Protocolutils.h"
#include "T860Util/Sync.h"
#include "T860Util/UiSeam.h"
#include "lib/ByteOrder.h"
#include "lib/Trace.h"
#include "platform/Sync.h"

TSettingsChannel SettingsChannel0(0);
TSettingsChannel SettingsChannel6(6);
std::atomic<TfrmSettingsView*> frmSettingsView{nullptr};

namespace {

constexpr int kTreeIndent = 19;

constexpr char kPointersNotSet[] = "T860Util: settings pointers not initialised!";

std::atomic<bool> viewShowing{false};

TSettingsChannel& ChannelOf(int32_t number) {
    return number == 0 ? SettingsChannel0 : SettingsChannel6;
}

// Window thread: the tree shows settingsData as it is now.
void ReloadTree(TSettingsChannel& channel) {
    TfrmSettingsView* view = frmSettingsView.load();
    if (view != nullptr) {
        TEasyTree& tree = view->TreeOf(channel);
        tree.LoadSettings(channel.settingsTable, channel.settingsValues,
                          channel.settingsData + kSettingsDataSize);
        tree.Refresh();
    }
    std::memcpy(channel.shownData, channel.settingsData, kSettingsDataSize);
}

// The settings pointers of the block in settingsData.
void PointIntoBlock(TSettingsChannel& channel) {
    channel.settingsTable =
        reinterpret_cast<SettingDescriptor*>(channel.settingsData + kSettingsHeaderBytes);
    channel.settingsValues = channel.settingsData + SettingsValuesOffset(channel.settingsData);
}

// Window thread: the assembly buffer holds a complete block.
void TakeBlock(int32_t, int32_t channelNumber) {
    TSettingsChannel& channel = ChannelOf(channelNumber);
    if (!TakeSettingsBlock(channel.assembly, channel.settingsData)) {
        return;
    }
    PointIntoBlock(channel);
    ++channel.blocks;
    ReloadTree(channel);
}

// Window thread: the channel's waiting echo rewrites one value.
void ApplyEcho(int32_t, int32_t channelNumber) {
    TSettingsChannel& channel = ChannelOf(channelNumber);
    if (channel.settingsTable == nullptr || channel.settingsValues == nullptr) {
        TraceError(kPointersNotSet, __FILE__, __LINE__);
        return;
    }
    const int position =
        ApplySettingEcho(channel.settingsData, channel.waiting, channel.waitingLength);
    if (position < 0) {
        return;
    }
    if (position < kSettingsEchoPositions) {
        ++channel.echoes[position];
    }
    ReloadTree(channel);
}

// Window thread: the channel's waiting chunk belongs to the block shown; it is
// stored without a rebuild, as if it had come in time.
void StoreLateChunk(int32_t, int32_t channelNumber) {
    TSettingsChannel& channel = ChannelOf(channelNumber);
    if (channel.settingsTable == nullptr ||
        !StoreLateSettingsChunk(channel.settingsData, channel.waiting, channel.waitingLength)) {
        return;
    }
    // What the tree shows is compared with settingsData to find an edit's
    // setting: the chunk is no edit.
    StoreLateSettingsChunk(channel.shownData, channel.waiting, channel.waitingLength);
    PointIntoBlock(channel);
}

void ShowSettingsOverflow(int32_t, int32_t) {
    ShowMessageBox({"settingsData not big enough!", "Settings View", MessageButtons::Ok,
                    MessageIcon::Error, nullptr});
}

void QueueOnChannel(const TSettingsChannel& channel, const uint8_t* report) {
    if (channel.reportId == 0) {
        QueueReport0(0, report, kSetSettingReportSize);
    } else {
        QueueReport6(report, kSetSettingReportSize);
    }
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

void HandOver(SyncHandler handler, const TSettingsChannel& channel) {
    SyncCall(frmSettingsView.load(), handler, channel.reportId);
}

// Hands the report itself over: the window thread works on a copy.
void HandOverReport(SyncHandler handler, TSettingsChannel& channel, const uint8_t* report,
                    int32_t length) {
    channel.waitingLength = length < kSettingsReportSize ? length : kSettingsReportSize;
    std::memcpy(channel.waiting, report, static_cast<size_t>(channel.waitingLength));
    HandOver(handler, channel);
}

void AssembleChunk(TSettingsChannel& channel, const uint8_t* report, int32_t length) {
    switch (StoreSettingsChunk(channel.assembly, channel.tally, report, length)) {
        case ChunkResult::Overflow:
            HandOver(ShowSettingsOverflow, channel);
            break;
        case ChunkResult::Complete:
            HandOver(TakeBlock, channel);
            break;
        case ChunkResult::Late:
            HandOverReport(StoreLateChunk, channel, report, length);
            break;
        case ChunkResult::Stored:
        case ChunkResult::Ignored:
            break;
    }
}

// Descriptor position of the setting whose value lives at the address, or -1.
// Settings without a width share their address with the next one and are
// never the edited one.
int PositionOfValue(const SettingDescriptor* table, const uint8_t* values, const uint8_t* address) {
    if (address < values) {
        return -1;
    }
    const auto target = static_cast<size_t>(address - values);
    size_t offset = 0;
    for (int position = 0; position < kMaxSettingsLookup && table[position].typeCode != 0;
         ++position) {
        const int width = settingsTypeSize(table[position].typeCode);
        if (offset == target && width > 0) {
            return position;
        }
        if (offset > target) {
            return -1;
        }
        offset += static_cast<size_t>(width);
    }
    return -1;
}

// Where the edited setting's value lives in settingsData. The names alone do
// not tell settings apart that share them ("spare", the empty name, a group
// id that is not 16 times its index): among the tree's settings with these
// names, the edited one is the only one, or the one whose bytes the edit
// changed, or else one that already holds the value, so that no other
// setting ever gets a value it does not have.
const uint8_t* EditedValueAddress(const TSettingsChannel& channel, const TEasyTree& tree,
                                  const char* groupName, const char* settingName,
                                  const uint8_t* value) {
    const uint8_t* only = nullptr;
    const uint8_t* changed = nullptr;
    const uint8_t* holdsValue = nullptr;
    int candidates = 0;
    int changes = 0;
    const char* group = nullptr;
    for (const TEasyTreeNode& record : tree.Nodes()) {
        if (record.type == 0) {
            group = record.name.c_str();
            continue;
        }
        const uint8_t* address = record.valuePtr;
        if (group == nullptr || address == nullptr || record.name != settingName ||
            std::strcmp(group, groupName) != 0 || address < channel.settingsData ||
            address >= channel.settingsData + kSettingsDataSize) {
            continue;
        }
        const auto width = static_cast<size_t>(settingsTypeSize(record.type));
        const std::ptrdiff_t offset = address - channel.settingsData;
        ++candidates;
        only = address;
        if (std::memcmp(address, channel.shownData + offset, width) != 0) {
            ++changes;
            changed = address;
        }
        if (holdsValue == nullptr && std::memcmp(address, value, width) == 0) {
            holdsValue = address;
        }
    }
    if (candidates == 1) {
        return only;
    }
    return changes == 1 ? changed : holdsValue;
}

}  // namespace

void OnSettingsReport(TSettingsChannel& channel, const uint8_t* report, int32_t length) {
    std::lock_guard<std::mutex> guard(channel.handOverLock);
    if (IsSettingsChunk(report, length)) {
        AssembleChunk(channel, report, length);
    } else if (IsSettingEcho(report, length)) {
        HandOverReport(ApplyEcho, channel, report, length);
    }
}

bool CommitSetting(const SettingDescriptor* settingsTable, uint8_t* settingsValues,
                   const char* groupName, const char* settingName, const uint8_t* value,
                   uint8_t* report, const uint8_t* editedValue) {
    std::memset(report, 0, kSetSettingReportSize);  // a refused commit leaves no stale bytes
    if (settingsTable == nullptr || settingsValues == nullptr) {
        TraceError(kPointersNotSet, __FILE__, __LINE__);
        return false;
    }
    int position =
        editedValue != nullptr ? PositionOfValue(settingsTable, settingsValues, editedValue) : -1;
    if (position < 0) {
        position = settingsFindByNames(settingsTable, settingsValues, groupName, settingName);
    }
    if (position < 0) {
        TraceError("Current settings not from driver. Commit settings operation cancled", __FILE__,
                   __LINE__);
        return false;
    }
    BuildSetSettingReport(0, position, settingsTable[position].typeCode, value, report);
    return true;
}

TfrmSettingsView::TfrmSettingsView(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle("T860 Settings View");
    setAttribute(Qt::WA_QuitOnClose, false);
    TreeView1 = new QTreeWidget(this);
    TreeView2 = new QTreeWidget(this);
    for (QTreeWidget* treeView : {TreeView1, TreeView2}) {
        treeView->setIndentation(kTreeIndent);
    }
    tree0_ = std::make_unique<TEasyTree>(TreeView1, true, 0);
    tree6_ = std::make_unique<TEasyTree>(TreeView2, true, 0);
    tree0_->SetNotify(true);
    tree6_->SetNotify(true);
    tree0_->SetCallback(
        [this](int userData, const char* group, const char* setting, const uint8_t* value) {
            return OnTreeEdited0(userData, group, setting, value);
        });
    tree6_->SetCallback(
        [this](int userData, const char* group, const char* setting, const uint8_t* value) {
            return OnTreeEdited6(userData, group, setting, value);
        });
    actSaveSettings = new QAction(QString::fromUtf8("Save Settings\u2026"), this);
    actLoadSettings = new QAction(QString::fromUtf8("Load Settings\u2026"), this);
    connect(actSaveSettings, &QAction::triggered, this, &TfrmSettingsView::SaveSettingsClick);
    connect(actLoadSettings, &QAction::triggered, this, &TfrmSettingsView::LoadSettingsClick);
    for (QWidget* widget : std::initializer_list<QWidget*>{this, TreeView1, TreeView2}) {
        widget->setContextMenuPolicy(Qt::ActionsContextMenu);
        widget->addActions({actSaveSettings, actLoadSettings});
    }
    resize(562, 438);
    FormResize();
    OpenSyncCalls(this);
    frmSettingsView.store(this);
}

TfrmSettingsView::~TfrmSettingsView() {
    // No hand-over reaches the trees from here on.
    CloseSyncCalls(this);
    TfrmSettingsView* self = this;
    frmSettingsView.compare_exchange_strong(self, nullptr);
    viewShowing.store(false);
}

TEasyTree& TfrmSettingsView::TreeOf(const TSettingsChannel& channel) const {
    return &channel == &SettingsChannel0 ? *tree0_ : *tree6_;
}

void TfrmSettingsView::FormShow() {
    RequestSettings6();
    RequestSettings0();
}

void TfrmSettingsView::FormResize() {
    const int half = width() / 2;
    TreeView1->setGeometry(0, 0, half - 1, height());
    TreeView2->setGeometry(width() - half, 0, half, height());
}

void TfrmSettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        viewShowing.store(true);
        FormShow();
    }
}

void TfrmSettingsView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        viewShowing.store(false);
    }
}

void TfrmSettingsView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
}

int TfrmSettingsView::OnTreeEdited0(int, const char* groupName, const char* settingName,
                                    const uint8_t* value) {
    return OnTreeEdited(SettingsChannel0, groupName, settingName, value);
}

int TfrmSettingsView::OnTreeEdited6(int, const char* groupName, const char* settingName,
                                    const uint8_t* value) {
    return OnTreeEdited(SettingsChannel6, groupName, settingName, value);
}

int TfrmSettingsView::OnTreeEdited(TSettingsChannel& channel, const char* groupName,
                                   const char* settingName, const uint8_t* value) {
    uint8_t report[kSetSettingReportSize];
    const uint8_t* edited =
        EditedValueAddress(channel, TreeOf(channel), groupName, settingName, value);
    if (CommitSetting(channel.settingsTable, channel.settingsValues, groupName, settingName, value,
                      report, edited)) {
        report[0] = channel.reportId;
        QueueOnChannel(channel, report);
    }
    std::memcpy(channel.shownData, channel.settingsData, kSettingsDataSize);
    return 0;
}

bool SettingsViewShowing() {
    return viewShowing.load();
}

void TfrmSettingsView::SaveSettingsClick() {
    SettingsFileContent content;
    GetDeviceIdentity(content.vendor, content.product);
    content.hasChannel0 = SettingsChannel0.settingsTable != nullptr;
    content.hasChannel6 = SettingsChannel6.settingsTable != nullptr;
    if (!content.hasChannel0 && !content.hasChannel6) {
        ShowMessage(this, "No settings have arrived from the controller yet.", "Save Settings");
        return;
    }
    const std::optional<QString> path =
        PromptSaveFileName({this, "Settings files (*.json)|*.JSON", ".json", "T860Settings.json"});
    if (!path) {
        return;
    }
    if (content.hasChannel0) {
        content.channel0 = ListBlockSettings(SettingsChannel0.settingsData);
    }
    if (content.hasChannel6) {
        content.channel6 = ListBlockSettings(SettingsChannel6.settingsData);
    }
    // Through a temporary file: a failed save keeps the file that was there.
    std::string error;
    if (!WriteFileReplacing(LocalPath(*path), WriteSettingsFile(content), error)) {
        ShowMessageBox({"Could not write " + *path + ".", "Save Settings", MessageButtons::Ok,
                        MessageIcon::Error, this});
    }
}

void TfrmSettingsView::LoadSettingsClick() {
    QFileDialog dialog(this, "Load Settings", QString(), "Settings files (*.json)");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().first();
    std::ifstream file(LocalPath(path), std::ios::binary);
    std::ostringstream text;
    SettingsFileContent content;
    std::string error = "cannot be read";
    // The whole file is checked before anything is sent.
    if (!file || !(text << file.rdbuf()) || !ParseSettingsFile(text.str(), content, error)) {
        ShowMessageBox({path + ": " + QString::fromStdString(error) + "\nNothing was written.",
                        "Load Settings", MessageButtons::Ok, MessageIcon::Error, this});
        return;
    }
    SettingsLoadSummary summary;
    if (content.hasChannel0) {
        LoadChannel(SettingsChannel0, content.channel0, summary);
    }
    if (content.hasChannel6) {
        LoadChannel(SettingsChannel6, content.channel6, summary);
    }
    ShowMessage(this, QString::fromStdString(FormatLoadSummary(summary)), "Load Settings");
}

void TfrmSettingsView::LoadChannel(TSettingsChannel& channel,
                                   const std::vector<SavedSetting>& saved,
                                   SettingsLoadSummary& summary) {
    if (channel.settingsTable == nullptr) {
        SettingsLoadPlan none;
        for (const SavedSetting& setting : saved) {
            none.notFound.push_back(
                {setting, "channel " + std::to_string(channel.reportId) + " sent no settings"});
        }
        RecordSettingMisses(summary, none);
        return;
    }
    const SettingsLoadPlan plan = PlanSettingsLoad(saved, channel.settingsData);
    RecordSettingMisses(summary, plan);
    for (const SettingWrite& write : plan.writes) {
        const bool echoed =
            SendAndAwaitEcho(channel, write.position, write.wanted.typeCode, write.wanted.value);
        const int offset = SettingValueOffset(channel.settingsData, write.position);
        if (!echoed || offset < 0) {
            RecordSettingWrite(summary, write, WriteOutcome::Unanswered, nullptr);
            continue;
        }
        const bool held = SettingHolds(channel.settingsData, write.position, write.wanted.value);
        RecordSettingWrite(summary, write, held ? WriteOutcome::Changed : WriteOutcome::Refused,
                           channel.settingsData + offset);
    }
}

bool TfrmSettingsView::SendAndAwaitEcho(TSettingsChannel& channel, int position, uint8_t typeCode,
                                        const uint8_t* value) {
    if (position < 0 || position >= kSettingsEchoPositions) {
        return false;
    }
    const uint32_t before = channel.echoes[position];
    uint8_t report[kSetSettingReportSize];
    BuildSetSettingReport(channel.reportId, position, typeCode, value, report);
    QueueOnChannel(channel, report);
    // The echo is applied by a hand-over to this thread, so the wait handles
    // them while it waits.
    QElapsedTimer waited;
    waited.start();
    while (channel.echoes[position] == before && waited.elapsed() < kSettingsEchoTimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        platform::Sleep(1);
    }
    return channel.echoes[position] != before;
}
