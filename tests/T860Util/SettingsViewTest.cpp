// The settings view on the real device engine and the virtual controller:
// chunk assembly, echoes, edits sent back on their own channel, and the
// reports that must be refused.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "DriverInterface/DriverIO.h"
#include "DriverInterface/DriverIOInternal.h"
#include "Protocol/DeviceStatus.h"
#include "Simulator/VirtualController.h"
#include "T860Util/Dispatch.h"
#include "T860Util/Main.h"
#include "T860Util/SettingsView.h"
#include "T860Util/Sync.h"
#include "platform/hid/VirtualBus.h"
#include "tests/T860Util/ProgramGlobals.h"
#include "tests/T860Util/ReadBarrier.h"
#include "tests/T860Util/ScriptedUi.h"
#include "tests/T860Util/SettingsTreeInput.h"
#include "tests/support/ControllerReports.h"
#include "tests/support/EngineWaits.h"
#include "tests/support/TempConfigHome.h"
#include "tests/support/TraceCapture.h"

// Counts the allocations of the thread that asks for it.
namespace {
thread_local bool countAllocations = false;
std::atomic<int> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (countAllocations) {
        ++allocations;
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace {

using t860test::WaitUntil;
using Bytes = std::vector<uint8_t>;

struct Setting {
    uint8_t parentId;
    uint8_t childId;
    uint8_t typeCode;
    Bytes value;  // big-endian, as wide as the type
};

// A block as the controller sends it; the two spare header words are 0x0102 and 0x0304.
Bytes BlockBytes(const std::vector<Setting>& settings) {
    const auto tableBytes = static_cast<uint16_t>(4 * (settings.size() + 1));
    Bytes block = {
        static_cast<uint8_t>(tableBytes >> 8), static_cast<uint8_t>(tableBytes), 1, 2, 3, 4};
    for (const Setting& s : settings) {
        block.insert(block.end(), {s.parentId, s.childId, s.typeCode, 1});
    }
    block.insert(block.end(), {0, 0, 0, 0});
    for (const Setting& s : settings) {
        block.insert(block.end(), s.value.begin(), s.value.end());
    }
    return block;
}

void Send(TSettingsChannel& channel, const Report64& report) {
    OnSettingsReport(channel, report.data(), static_cast<int32_t>(report.size()));
}

// Sends the block's 57-byte chunks in the given order of chunk numbers.
void SendBlock(TSettingsChannel& channel, const Bytes& block, const std::vector<int>& order) {
    const auto count = static_cast<uint8_t>((block.size() + 56) / 57);
    for (int number : order) {
        const size_t offset = static_cast<size_t>(number) * 57;
        const Bytes data(block.begin() + static_cast<long>(offset),
                         block.begin() + static_cast<long>(std::min(block.size(), offset + 57)));
        Send(channel, SettingsChunk(static_cast<uint8_t>(number), count,
                                    static_cast<uint16_t>(offset), data));
    }
}

class SettingsViewTest : public ::testing::Test {
protected:
    // Device access is started by the main window, as in the program, or by
    // the test itself with the same dispatch (no connection handshake then).
    explicit SettingsViewTest(bool withMainWindow = false) {
        ResetProgramGlobals();
        platform::hid::SelectBackend(&bus);
        SetDeviceIdentity(kDefaultVendorID, kDefaultProductID);
        ControllerConfig config;
        config.touchReportsPerSecond = 0;
        controller = std::make_unique<VirtualController>(bus, config);
        controller->Plug();
        if (withMainWindow) {
            main = std::make_unique<TfrmMain>();
        } else {
            SetReportCallback0(OnChannel0Report);
            SetReportCallback6(OnChannel6Report);
            StartDriverIO();
        }
        view = std::make_unique<TfrmSettingsView>();
    }
    ~SettingsViewTest() override {
        // As the program ends: a read thread still waiting for the window
        // thread is let go before the threads are joined.
        if (main) {
            main->FormClose();
            CloseSyncCalls(main.get());
        } else {
            StopDriverIO();
        }
        view.reset();
        JoinDriverIOThreads();
        main.reset();
        SetReportCallback0(nullptr);
        SetReportCallback6(nullptr);
        controller->Unplug();
        controller.reset();
        platform::hid::SelectBackend(nullptr);
    }

    // Shows the view with the controller silent, so that only the test's blocks arrive.
    void ShowSilently() {
        controller->DropReplies(true);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        ASSERT_TRUE(WaitUntil([this] {
            return controller->OutputReportCount(0) == 1 && controller->OutputReportCount(6) == 1;
        })) << "the two read-settings commands";
    }

    // The next set-setting command the controller receives on the channel.
    Report64 SentAfter(int channel, uint32_t before) {
        EXPECT_TRUE(t860test::QueuedReportsSent(channel));
        EXPECT_EQ(controller->OutputReportCount(channel), before + 1);
        const auto sent = controller->LastOutputReport(channel);
        Report64 report{};
        std::copy_n(sent.begin(), 64, report.begin());
        EXPECT_EQ(sent[64], 0);
        return report;
    }

    TraceCapture trace;
    TempConfigHome home;
    ScriptedUi ui;
    platform::hid::VirtualBus bus;
    std::unique_ptr<VirtualController> controller;
    std::unique_ptr<TfrmMain> main;
    std::unique_ptr<TfrmSettingsView> view;
};

// Twenty UINT32 settings of "Panel": 170 bytes, three chunks.
Bytes ThreeChunkBlock(uint8_t firstByte) {
    std::vector<Setting> settings;
    for (uint8_t k = 0; k < 20; ++k) {
        settings.push_back({0x20, static_cast<uint8_t>(17 + k), 3, {firstByte, 0, 0, k}});
    }
    return BlockBytes(settings);
}

}  // namespace

TEST_F(SettingsViewTest, WindowShowsTwoDemoTreesSideBySide) {
    EXPECT_EQ(view->windowTitle(), "T860 Settings View");
    EXPECT_NE(view->minimumSize(), view->maximumSize()) << "sizeable";
    EXPECT_EQ(view->TreeView1->indentation(), 19);
    for (QTreeWidget* tree : {view->TreeView1, view->TreeView2}) {
        ASSERT_EQ(tree->topLevelItemCount(), 3);
        EXPECT_EQ(tree->topLevelItem(2)->text(0), "CAM1");
        EXPECT_FALSE(tree->topLevelItem(2)->isExpanded());
    }
    view->resize(501, 300);
    view->FormResize();
    EXPECT_EQ(view->TreeView1->geometry(), QRect(0, 0, 249, 300));
    EXPECT_EQ(view->TreeView2->geometry(), QRect(251, 0, 250, 300));
}

TEST_F(SettingsViewTest, ChunksInAnyOrderMakeABlockOnlyWithTheLastNumberedChunk) {
    const Bytes block = ThreeChunkBlock(0);
    SendBlock(SettingsChannel0, block, {1, 0});
    EXPECT_EQ(SettingsChannel0.settingsTable, nullptr);
    EXPECT_EQ(Texts(view->TreeView1).first(), "PANEL") << "still the demo list";

    SendBlock(SettingsChannel0, block, {2});
    uint8_t* data = SettingsChannel0.settingsData;
    ASSERT_EQ(static_cast<void*>(SettingsChannel0.settingsTable), data + 6);
    EXPECT_EQ(SettingsChannel0.settingsValues, data + 6 + 84);
    uint16_t header[3];
    std::memcpy(header, data, sizeof header);
    EXPECT_EQ(header[0], 84);
    EXPECT_EQ(header[1], 0x0102);
    EXPECT_EQ(header[2], 0x0304);
    EXPECT_EQ(Bytes(data + 90 + 76, data + 90 + 80), (Bytes{0, 0, 0, 19}))
        << "values stay big-endian";
    const QStringList texts = Texts(view->TreeView1);
    ASSERT_EQ(texts.size(), 21);
    EXPECT_EQ(texts[0], "Panel");
    EXPECT_EQ(texts[20], "Shutter0 = 19 ");
    EXPECT_EQ(Texts(view->TreeView2).first(), "PANEL") << "channel 6 untouched";

    // A chunk after the last one is kept for the next block, not shown.
    SendBlock(SettingsChannel0, ThreeChunkBlock(9), {1});
    EXPECT_EQ(Texts(view->TreeView1), texts);
    EXPECT_EQ(data[90 + 40], 0);
    SendBlock(SettingsChannel0, ThreeChunkBlock(9), {2});
    EXPECT_EQ(data[90 + 40], 9);

    Send(SettingsChannel6, SettingsChunk(0, 0, 0, Bytes(block.begin(), block.begin() + 57)));
    EXPECT_EQ(SettingsChannel6.settingsTable, nullptr) << "a block of no chunks never completes";
}

TEST_F(SettingsViewTest, AChunkAfterItsBlockCompletedIsStoredAndShownByTheNextRebuild) {
    const Bytes block = ThreeChunkBlock(0);
    SendBlock(SettingsChannel6, block, {0, 1, 2});
    const QStringList whole = Texts(view->TreeView2);

    SendBlock(SettingsChannel0, block, {0, 2});
    const QStringList withoutChunk1 = Texts(view->TreeView1);
    ASSERT_NE(withoutChunk1, whole) << "chunk 1 holds values of the first settings";
    SendBlock(SettingsChannel0, block, {1});
    EXPECT_EQ(Texts(view->TreeView1), withoutChunk1) << "stored without a rebuild";
    EXPECT_EQ(Bytes(SettingsChannel0.settingsData + 57, SettingsChannel0.settingsData + 114),
              Bytes(block.begin() + 57, block.begin() + 114));

    Send(SettingsChannel0, SettingsEcho(19, {0, 0, 0, 19}));  // rebuilds the tree
    EXPECT_EQ(Texts(view->TreeView1), whole);

    // Once every chunk is in, a chunk is the next block's: assembled as a
    // block of its own, not stored into the one shown.
    SendBlock(SettingsChannel0, ThreeChunkBlock(9), {1});
    EXPECT_EQ(SettingsChannel0.settingsData[90], 0);
}

TEST_F(SettingsViewTest, ChunksThatDoNotFitAreRefused) {
    const Bytes block = BlockBytes({{0x20, 17, 1, {5}}});
    Send(SettingsChannel0, SettingsChunk(0, 2, 0, block));
    const Bytes tail(24, 0xAB);
    Send(SettingsChannel0, SettingsChunk(1, 2, 1000, tail));  // L 28: would end at 1024
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].Text, "settingsData not big enough!");
    EXPECT_EQ(ui.messages[0].Caption, "Settings View");
    EXPECT_EQ(ui.messages[0].Icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[0].Owner, nullptr);
    EXPECT_EQ(SettingsChannel0.assembly[1000], 0) << "nothing copied";
    EXPECT_EQ(SettingsChannel0.settingsTable, nullptr) << "nor taken as the last chunk";

    Send(SettingsChannel0, SettingsChunk(1, 2, 1000, Bytes(23, 0xAB)));  // L 27: ends at 1023
    EXPECT_EQ(ui.messages.size(), 1u);
    ASSERT_NE(SettingsChannel0.settingsTable, nullptr);
    EXPECT_EQ(SettingsChannel0.settingsData[1000], 0xAB);
    EXPECT_EQ(SettingsChannel0.settingsData[1022], 0xAB);
    EXPECT_EQ(SettingsChannel0.settingsData[1023], 0);
    EXPECT_EQ(Texts(view->TreeView1), (QStringList{"Panel", "SerialNumber = 5 "}));

    Send(SettingsChannel0, SettingsChunk(0, 1, 0, {}, 3));  // L below 4: a wrapped length
    EXPECT_EQ(ui.messages.size(), 2u);

    // More data than a report holds: dropped, never read past the report.
    Send(SettingsChannel0, SettingsChunk(0, 1, 100, Bytes(57, 0xCD), 62));
    EXPECT_TRUE(trace.Contains("T860Util: settings chunk longer than its report"));
    EXPECT_EQ(SettingsChannel0.assembly[100], 0);
    EXPECT_EQ(ui.messages.size(), 2u);

    // A table longer than the buffer would put the values outside it.
    const Report64 tooLong = SettingsChunk(0, 1, 0, {0x03, 0xFB, 0, 0, 0, 0, 0x20, 18, 1, 1});
    Send(SettingsChannel0, tooLong);
    EXPECT_TRUE(trace.Contains("T860Util: settings block table larger than settingsData"));
    EXPECT_EQ(Texts(view->TreeView1), (QStringList{"Panel", "SerialNumber = 5 "}));

    const Report64 complete = SettingsChunk(0, 1, 0, block);
    OnSettingsReport(SettingsChannel6, complete.data(), 6);
    EXPECT_EQ(SettingsChannel6.settingsTable, nullptr) << "shorter than 7 bytes: ignored";
}

TEST_F(SettingsViewTest, AssemblingAChunkAllocatesNothing) {
    const Bytes block = ThreeChunkBlock(0);
    const Report64 chunk = SettingsChunk(0, 3, 0, Bytes(block.begin(), block.begin() + 57));
    allocations = 0;
    countAllocations = true;
    Send(SettingsChannel0, chunk);
    countAllocations = false;
    EXPECT_EQ(allocations.load(), 0);
}

TEST_F(SettingsViewTest, EchoesRewriteOneValueInsideTheBlock) {
    Send(SettingsChannel0, SettingsEcho(0, {1}));
    EXPECT_TRUE(trace.Contains("!ERROR! - T860Util: settings pointers not initialised!"));

    // UINT8, FLOAT, SINT16, then the UINT16 at position 3, 7 bytes into the values.
    const Bytes block = BlockBytes({{0x20, 17, 1, {1}},
                                    {0x20, 18, 7, {0x3F, 0x80, 0, 0}},
                                    {0x20, 19, 5, {0xFF, 0xFE}},
                                    {0x20, 20, 2, {0, 0}}});
    SendBlock(SettingsChannel0, block, {0});
    Send(SettingsChannel0, SettingsEcho(3, {0x12, 0x34}));
    EXPECT_EQ(Bytes(SettingsChannel0.settingsValues + 7, SettingsChannel0.settingsValues + 9),
              (Bytes{0x12, 0x34}));
    EXPECT_EQ(Texts(view->TreeView1).last(), "FactoryDate = 4660 ");

    trace.Clear();
    const Bytes before(SettingsChannel0.settingsData, SettingsChannel0.settingsData + 1024);
    Send(SettingsChannel0, SettingsEcho(4, {9, 9, 9, 9}));    // the terminator
    Send(SettingsChannel0, SettingsEcho(300, {9, 9, 9, 9}));  // far past the table
    EXPECT_EQ(trace.Count("T860Util: setting echo beyond the descriptor table"), 2);
    EXPECT_EQ(Bytes(SettingsChannel0.settingsData, SettingsChannel0.settingsData + 1024), before);

    // 253 UINT32 settings: the values start at 1018, so only the first fits.
    std::vector<Setting> many(253, Setting{0x20, 17, 3, {}});
    Bytes big = BlockBytes(many);
    big.resize(1023, 0);
    big.erase(big.begin() + 6 + 253 * 4, big.begin() + 6 + 254 * 4);  // no terminator
    big[0] = 0x03;
    big[1] = 0xF4;
    big.resize(1023, 0);
    std::vector<int> order;
    for (int k = 0; k < 18; ++k) {
        order.push_back(k);
    }
    SendBlock(SettingsChannel6, big, order);
    ASSERT_EQ(SettingsChannel6.settingsValues, SettingsChannel6.settingsData + 1018);
    Send(SettingsChannel6, SettingsEcho(1, {7, 7, 7, 7}));
    EXPECT_TRUE(trace.Contains("T860Util: setting echo value beyond settingsData"));
    Send(SettingsChannel6, SettingsEcho(0, {7, 7, 7, 7}));
    EXPECT_EQ(SettingsChannel6.settingsData[1021], 7);
}

class SettingsViewWithMainWindow : public SettingsViewTest {
protected:
    SettingsViewWithMainWindow() : SettingsViewTest(true) {}
};

TEST_F(SettingsViewTest, ShowingAsksChannel6FirstThenChannel0) {
    controller->DropReplies(true);
    const std::shared_ptr<platform::Mutex> queueLock0 = [] {
        std::lock_guard<std::mutex> guard(WriteContext0.rq.published);
        return WriteContext0.rq.hLock;
    }();
    ASSERT_TRUE(queueLock0);
    // While channel 0's queue is held, its request waits to be queued: channel
    // 6's, asked first, goes out meanwhile. Asked the other way round, the
    // window would wait for channel 0's queue until it gave up, and drop that
    // request.
    std::atomic<bool> held{false};
    std::atomic<bool> channel6WhileHeld{false};
    std::thread holder([&] {
        const bool acquired = queueLock0->Acquire(1000);
        held = true;
        channel6WhileHeld = t860test::WaitUntilWithoutEvents(
            [this] { return controller->OutputReportCount(6) == 1; });
        if (acquired) {
            queueLock0->Release();
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return held.load(); }));
    view->show();
    holder.join();
    EXPECT_TRUE(channel6WhileHeld.load());
    ASSERT_TRUE(t860test::QueuedReportsSent(0) && t860test::QueuedReportsSent(6));
    EXPECT_EQ(controller->OutputReportCount(0), 1u);
    EXPECT_EQ(controller->OutputReportCount(6), 1u);
}

TEST_F(SettingsViewWithMainWindow, CtrlShiftTFillsBothTreesFromTheirChannels) {
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    QTest::keyClick(main->focusWidget() != nullptr ? main->focusWidget() : main.get(), Qt::Key_T,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(view->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return Texts(view->TreeView1).contains("VersionMajor = 3 "); }));
    ASSERT_TRUE(
        WaitUntil([&] { return Texts(view->TreeView2).contains("SerialNumber = 86012345 "); }));
    EXPECT_EQ(Texts(view->TreeView1).first(), "VersionMajor = 3 ") << "group My stands hidden";
    EXPECT_FALSE(Texts(view->TreeView1).contains("SerialNumber = 86012345 "));
    EXPECT_TRUE(Texts(view->TreeView2).contains("Panel"));
    EXPECT_TRUE(WaitUntil([&] {
        return DeviceStatus.InfoReceived == kInfoAll &&
               main->cbInputDevices->checkState() != Qt::PartiallyChecked;
    })) << "the main window's own exchange went on beside";
}

TEST_F(SettingsViewTest, AnEditGoesToItsOwnChannelAndTheEchoShowsIt) {
    view->show();
    ASSERT_TRUE(WaitUntil([&] { return Texts(view->TreeView1).contains("Gain = 10 "); }));
    ASSERT_TRUE(WaitUntil([&] { return Texts(view->TreeView2).contains("Shutter0 = 420 "); }));

    uint32_t before = controller->OutputReportCount(0);
    ASSERT_NO_FATAL_FAILURE(
        EditNode(view->TreeView1, "Gain = 10 ", "77"));  // CAM2's Gain, position 13
    EXPECT_EQ(SentAfter(0, before), (Report64{0, 'S', 's', 0, 13, 1, 0, 77}));
    EXPECT_TRUE(WaitUntil([&] { return Texts(view->TreeView1).contains("Gain = 77 "); }))
        << "refreshed by the controller's echo";

    before = controller->OutputReportCount(6);
    ASSERT_NO_FATAL_FAILURE(
        EditNode(view->TreeView2, "Shutter0 = 420 ", "421"));  // CAM0's Shutter0, position 17
    EXPECT_EQ(SentAfter(6, before), (Report64{6, 'S', 's', 0, 17, 2, 0, 0x01, 0xA5}));
    EXPECT_TRUE(WaitUntil([&] { return Texts(view->TreeView2).contains("Shutter0 = 421 "); }));

    before = controller->OutputReportCount(0);
    ASSERT_NO_FATAL_FAILURE(
        EditNode(view->TreeView1, "VersionMajor = 3 ", "4"));  // group "My": hidden, still found
    EXPECT_EQ(SentAfter(0, before), (Report64{0, 'S', 's', 0, 0, 1, 0, 4}));
    EXPECT_TRUE(WaitUntil([&] { return Texts(view->TreeView1).contains("VersionMajor = 4 "); }));

    // Hidden, the view takes channel 0's echoes still, channel 6's no more.
    view->hide();
    const Report64 echo0 = SettingsEcho(13, {55});
    const Report64 echo6 = SettingsEcho(17, {0x00, 0x05});
    controller->InjectReport(0, echo0.data(), echo0.size());
    controller->InjectReport(6, echo6.data(), echo6.size());
    EXPECT_TRUE(WaitUntil([&] { return Texts(view->TreeView1).contains("Gain = 55 "); }));
    ASSERT_TRUE(InjectedReportsHandled(*controller, 6));
    EXPECT_TRUE(Texts(view->TreeView2).contains("Shutter0 = 421 "));
}

TEST_F(SettingsViewTest, AnEditBeforeAnyBlockSendsNothing) {
    ASSERT_NO_FATAL_FAILURE(ShowSilently());
    const uint32_t before = controller->OutputReportCount(0);
    ASSERT_NO_FATAL_FAILURE(EditNode(view->TreeView1, "X = 0 mm", "5"));
    EXPECT_TRUE(trace.Contains("!ERROR! - T860Util: settings pointers not initialised!"));
    ASSERT_TRUE(t860test::QueuedReportsSent(0));
    EXPECT_EQ(controller->OutputReportCount(0), before);
}

TEST_F(SettingsViewTest, SettingsThatShareNamesAreCommittedAtTheirOwnPosition) {
    ASSERT_NO_FATAL_FAILURE(ShowSilently());
    SendBlock(SettingsChannel0,
              BlockBytes({{0x10, 78, 1, {1}},  // "spare", like the next two
                          {0x10, 79, 1, {2}},
                          {0x10, 116, 2, {0, 3}},
                          {0xF0, 17, 1, {4}},       // a group without a name
                          {0x21, 34, 2, {0, 5}}}),  // "Panel", but not 16 x its index
              {0});

    uint32_t before = controller->OutputReportCount(0);
    ASSERT_NO_FATAL_FAILURE(EditNode(view->TreeView1, "spare = 2 ", "6"));
    EXPECT_EQ(SentAfter(0, before), (Report64{0, 'S', 's', 0, 1, 1, 0, 6}));

    before = controller->OutputReportCount(0);
    ASSERT_NO_FATAL_FAILURE(
        EditNode(view->TreeView1, "spare = 1 ", "1"));  // unchanged: still that setting
    EXPECT_EQ(SentAfter(0, before), (Report64{0, 'S', 's', 0, 0, 1, 0, 1}));

    before = controller->OutputReportCount(0);
    ASSERT_NO_FATAL_FAILURE(EditNode(view->TreeView1, "SerialNumber = 4 ", "8"));
    EXPECT_EQ(SentAfter(0, before), (Report64{0, 'S', 's', 0, 3, 1, 0, 8}));

    before = controller->OutputReportCount(0);
    ASSERT_NO_FATAL_FAILURE(EditNode(view->TreeView1, "X = 5 ", "300"));
    EXPECT_EQ(SentAfter(0, before), (Report64{0, 'S', 's', 0, 4, 2, 0, 0x01, 0x2C}));
    EXPECT_FALSE(trace.Contains("Current settings not from driver"));
}

TEST(CommitSetting, FindsTheSettingByItsNamesWithoutAValueAddress) {
    TraceCapture trace;
    const Bytes block = BlockBytes({{0x20, 34, 1, {0}}, {0x20, 35, 5, {0, 0}}});
    const auto* table = reinterpret_cast<const SettingDescriptor*>(block.data() + 6);
    uint8_t* values = const_cast<uint8_t*>(block.data()) + 6 + 12;
    const uint8_t value[4] = {0xAB, 0xCD, 0xEF, 0x01};
    uint8_t report[65];
    std::memset(report, 0x55, sizeof report);
    ASSERT_TRUE(CommitSetting(table, values, "Panel", "Y", value, report));
    EXPECT_EQ(Bytes(report, report + 10), (Bytes{0, 'S', 's', 0, 1, 5, 0, 0xAB, 0xCD, 0}));
    EXPECT_EQ(report[64], 0);

    EXPECT_FALSE(CommitSetting(table, values, "Panel", "Gain", value, report));
    EXPECT_TRUE(trace.Contains(
        "!ERROR! - Current settings not from driver. Commit settings operation cancled"));
    EXPECT_FALSE(CommitSetting(nullptr, values, "Panel", "Y", value, report));
    EXPECT_TRUE(trace.Contains("T860Util: settings pointers not initialised!"));
}
