#include "T860Util/SettingsView.h"

#include <QResizeEvent>
#include <QShowEvent>
#include <QTreeWidget>
#include <cstddef>
#include <cstring>

#include "Driver/XlateLib/Settings.h"
#include "DriverInterface/DriverIO.h"
#include "Painter/EasyTreeView.h"
#include "T860Util/Protocolutils.h"
#include "T860Util/Sync.h"
#include "T860Util/UiSeam.h"
#include "lib/ByteOrder.h"
#include "lib/Trace.h"

TSettingsChannel SettingsChannel0(0);
TSettingsChannel SettingsChannel6(6);
std::atomic<TfrmSettingsView*> frmSettingsView{nullptr};

namespace {

constexpr int kHeaderBytes = 6;  // tableBytes and two more 16-bit words
constexpr int kTreeIndent = 19;

// Block chunk reply.
constexpr int kChunkNumber = 3;
constexpr int kChunkCount = 4;
constexpr int kChunkOffset = 5;
constexpr int kChunkData = 7;
constexpr int kChunkLengthBase = 4;  // L counts the chunk number, count and offset too

// Setting echo reply.
constexpr int kEchoPosition = 4;
constexpr int kEchoValue = 10;

// Set-setting command.
constexpr int kSetPosition = 3;
constexpr int kSetType = 5;
constexpr int kSetValue = 7;

constexpr char kPointersNotSet[] = "T860Util: settings pointers not initialised!";

std::atomic<bool> viewShowing{false};

uint16_t BigEndian16(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

TSettingsChannel& ChannelOf(int32_t number) {
    return number == 0 ? SettingsChannel0 : SettingsChannel6;
}

uint16_t TableBytes(const TSettingsChannel& channel) {
    uint16_t tableBytes;
    std::memcpy(&tableBytes, channel.settingsData, sizeof tableBytes);
    return tableBytes;
}

// Descriptors in the current block: up to the terminator, within tableBytes.
int DescriptorCount(const TSettingsChannel& channel) {
    const int inTable = TableBytes(channel) / static_cast<int>(sizeof(SettingDescriptor));
    int count = 0;
    while (count < inTable && channel.settingsTable[count].typeCode != 0) {
        ++count;
    }
    return count;
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

// Window thread: the assembly buffer holds a complete block.
void TakeBlock(int32_t, int32_t channelNumber) {
    TSettingsChannel& channel = ChannelOf(channelNumber);
    // A table longer than the buffer would put the value area outside it.
    if (kHeaderBytes + BigEndian16(channel.assembly) > kSettingsDataSize) {
        TraceError("T860Util: settings block table larger than settingsData", __FILE__, __LINE__);
        return;
    }
    std::memcpy(channel.settingsData, channel.assembly, kSettingsDataSize);
    for (int word = 0; word < kHeaderBytes; word += 2) {
        const uint16_t host = BigEndian16(channel.settingsData + word);
        std::memcpy(channel.settingsData + word, &host, sizeof host);
    }
    channel.settingsTable =
        reinterpret_cast<SettingDescriptor*>(channel.settingsData + kHeaderBytes);
    channel.settingsValues = channel.settingsData + kHeaderBytes + TableBytes(channel);
    ReloadTree(channel);
}

// Window thread: the channel's waiting echo rewrites one value.
void ApplyEcho(int32_t, int32_t channelNumber) {
    TSettingsChannel& channel = ChannelOf(channelNumber);
    if (channel.settingsTable == nullptr || channel.settingsValues == nullptr) {
        TraceError(kPointersNotSet, __FILE__, __LINE__);
        return;
    }
    const int position = BigEndian16(channel.echo + kEchoPosition);
    const int count = DescriptorCount(channel);
    if (position >= count) {
        TraceError("T860Util: setting echo beyond the descriptor table", __FILE__, __LINE__);
        return;
    }
    // Counted as an offset: a value past the buffer is never even addressed.
    std::ptrdiff_t offset = channel.settingsValues - channel.settingsData;
    for (int before = 0; before < position; ++before) {
        offset += settingsTypeSize(channel.settingsTable[before].typeCode);
    }
    const int width = settingsTypeSize(channel.settingsTable[position].typeCode);
    if (offset + width > kSettingsDataSize) {
        TraceError("T860Util: setting echo value beyond settingsData", __FILE__, __LINE__);
        return;
    }
    if (kEchoValue + width > channel.echoLength) {
        TraceError("T860Util: setting echo shorter than its value", __FILE__, __LINE__);
        return;
    }
    std::memcpy(channel.settingsData + offset, channel.echo + kEchoValue,
                static_cast<size_t>(width));
    ReloadTree(channel);
}

void ShowSettingsOverflow(int32_t, int32_t) {
    ShowMessageBox({"settingsData not big enough!", "Settings View", MessageButtons::Ok,
                    MessageIcon::Error, nullptr});
}

void HandOver(SyncHandler handler, const TSettingsChannel& channel) {
    SyncCall(frmSettingsView.load(), handler, channel.reportId);
}

void AssembleChunk(TSettingsChannel& channel, const uint8_t* report, int32_t length) {
    // An L below 4 wraps to a huge length, which the bounds check refuses.
    const auto dataLength = static_cast<uint16_t>(report[1] - kChunkLengthBase);
    const uint16_t offset = BigEndian16(report + kChunkOffset);
    if (offset + dataLength >= kSettingsDataSize) {
        HandOver(ShowSettingsOverflow, channel);
        return;
    }
    if (kChunkData + dataLength > length) {
        TraceError("T860Util: settings chunk longer than its report", __FILE__, __LINE__);
        return;
    }
    std::memcpy(channel.assembly + offset, report + kChunkData, dataLength);
    // Earlier chunks may come in any order; the last-numbered one ends the block.
    if (report[kChunkNumber] != report[kChunkCount] - 1) {
        return;
    }
    HandOver(TakeBlock, channel);
}

void HandOverEcho(TSettingsChannel& channel, const uint8_t* report, int32_t length) {
    channel.echoLength = length < kSettingsReportSize ? length : kSettingsReportSize;
    std::memcpy(channel.echo, report, static_cast<size_t>(channel.echoLength));
    HandOver(ApplyEcho, channel);
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
    if (report == nullptr || length < kChunkData) {
        return;
    }
    std::lock_guard<std::mutex> guard(channel.handOverLock);
    if (report[0] == 'N' && report[2] == 'A') {
        AssembleChunk(channel, report, length);
    } else if (report[0] == 'S' && report[2] == 's') {
        HandOverEcho(channel, report, length);
    }
}

bool CommitSetting(const SettingDescriptor* settingsTable, uint8_t* settingsValues,
                   const char* groupName, const char* settingName, const uint8_t* value,
                   uint8_t* report, const uint8_t* editedValue) {
    std::memset(report, 0, kSetSettingReportSize);
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
    const uint8_t typeCode = settingsTable[position].typeCode;
    report[1] = 'S';
    report[2] = 's';
    report[kSetPosition] = static_cast<uint8_t>(position >> 8);
    report[kSetPosition + 1] = static_cast<uint8_t>(position);
    report[kSetType] = typeCode;
    std::memcpy(report + kSetValue, value, static_cast<size_t>(settingsTypeSize(typeCode)));
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
        if (channel.reportId == 0) {
            QueueReport0(0, report, kSetSettingReportSize);
        } else {
            QueueReport6(report, kSetSettingReportSize);
        }
    }
    std::memcpy(channel.shownData, channel.settingsData, kSettingsDataSize);
    return 0;
}

bool SettingsViewShowing() {
    return viewShowing.load();
}
