// Hours on a service bench, compressed into about two minutes: the controller
// floods both channels with touch packets, camera data and settings echoes
// while the touch test, the scope and the settings view are open, is
// unplugged and re-plugged again and again, and takes edits. At the end every
// edit made after the last re-plug must have come back, and the memory the
// process holds must not have grown since the end of the first half.
// Run by the sanitizer pass (ctest label "soak"); T860_SOAK_SECONDS shortens it.

#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "DriverInterface/DriverIO.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/Protocolutils.h"
#include "Simulator/ReportFlood.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"
#include "T860Util/Sync.h"
#include "tests/T860Util/AppFixture.h"
#include "tests/T860Util/ReadBarrier.h"
#include "tests/support/WaitUntil.h"

#if defined(__SANITIZE_ADDRESS__)
// Freed memory waits in the sanitizer's quarantine before it is used again; a
// small quarantine fills within seconds, so that what grows after that is ours.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}
#endif

namespace {

using t860test::WaitUntil;
using Clock = std::chrono::steady_clock;

constexpr int kReportsPerSecond = 8000;  // per channel: a high-speed endpoint's limit
constexpr int kConnectedMs = 3000;       // between a reconnection and the next unplug
constexpr int kFinalEdits = 6;

int SoakSeconds() {
    const char* seconds = std::getenv("T860_SOAK_SECONDS");
    return seconds != nullptr && std::atoi(seconds) > 0 ? std::atoi(seconds) : 100;
}

long ResidentBytes() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

class Soak : public AppFixture {
protected:
    ControllerConfig Config() const override {
        ControllerConfig config = AppFixture::Config();
        config.touchReportsPerSecond = 1000;  // the controller's own, in the report mode set
        return config;
    }

    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
        scope_ = std::make_unique<TfrmScope>(main_.get());
        frmScope = scope_.get();
        view_ = std::make_unique<TfrmSettingsView>();
        SetReportMode(kReportModeXPackets);
        xtest_->TestMode = kReportModeXPackets;
        xtest_->show();
        scope_->show();
        view_->show();
        ASSERT_TRUE(WaitUntil([this] { return GainNode(0) >= 0 && GainNode(6) >= 0; }))
            << "both settings blocks";
    }

    void TearDown() override {
        floods_.clear();
        // The view takes hand-overs of its own: a read thread waiting in one
        // is let go before the threads are joined and the windows go.
        SetConnectCallback6(nullptr);
        main_->FormClose();
        CloseSyncCalls(view_.get());
        JoinDriverIOThreads();
        scope_.reset();
        view_.reset();
        AppFixture::TearDown();
    }

    QTreeWidget* TreeWidget(int channel) const {
        return channel == 0 ? view_->TreeView1 : view_->TreeView2;
    }

    // The first "Gain" node of the channel's tree, by its place in the tree; -1 when none.
    int GainNode(int channel) const {
        int index = 0;
        for (QTreeWidgetItemIterator it(TreeWidget(channel)); *it != nullptr; ++it, ++index) {
            if ((*it)->text(0).startsWith("Gain = ")) {
                return index;
            }
        }
        return -1;
    }

    QTreeWidgetItem* NodeAt(int channel, int index) const {
        QTreeWidgetItemIterator it(TreeWidget(channel));
        for (int i = 0; i < index && *it != nullptr; ++i) {
            ++it;
        }
        return *it;
    }

    // Enters value + 256 for the channel's one-byte Gain: the tree stores the
    // low byte and keeps showing what was typed until the controller's echo
    // rebuilds it from the block, so "Gain = value " is the acknowledgement.
    void EditGain(int channel, int value) {
        QTreeWidgetItem* node = NodeAt(channel, GainNode(channel));
        ASSERT_NE(node, nullptr);
        // Through the keyboard, as a technician edits.
        QTreeWidget* tree = TreeWidget(channel);
        tree->setCurrentItem(node);
        QTest::keyClick(tree, Qt::Key_F2);
        auto* editor = tree->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText(QString::number(value + 256));
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    bool GainShows(int channel, int value) const {
        const QTreeWidgetItem* node = NodeAt(channel, GainNode(channel));
        return node != nullptr && node->text(0) == QString("Gain = %1 ").arg(value);
    }

    // Unplugs the controller until the program has noticed (its read thread
    // waits 5 s after the failed read) and waits for it to be found again.
    void Replug() {
        controller_->Unplug();
        ASSERT_TRUE(WaitUntil([] { return !DeviceStatus.Connected; }));
        controller_->Plug();
        ASSERT_TRUE(WaitUntil([] { return DeviceStatus.Connected.load(); }))
            << "found again by a restart";
    }

    void StartFloods() {
        for (int channel : {6, 0}) {
            floods_.push_back(std::make_unique<ReportFlood>(
                *controller_, channel, BusyBenchReports(*controller_, channel), kReportsPerSecond));
        }
    }

    std::unique_ptr<TfrmScope> scope_;
    std::unique_ptr<TfrmSettingsView> view_;
    std::vector<std::unique_ptr<ReportFlood>> floods_;
};

TEST_F(Soak, FloodReplugsAndEditsLeaveEveryLaterEditAcknowledgedAndMemoryFlat) {
    const auto soakTime = std::chrono::seconds(SoakSeconds());
    const auto start = Clock::now();
    StartFloods();
    long halfwayResident = 0;
    int replugs = 0;
    int edits = 0;
    while (Clock::now() - start < soakTime) {
        const auto connectedUntil = Clock::now() + std::chrono::milliseconds(kConnectedMs);
        while (Clock::now() < connectedUntil) {
            const int channel = edits % 2 == 0 ? 0 : 6;
            const int value = edits % 200;
            ASSERT_NO_FATAL_FAILURE(EditGain(channel, value));
            ++edits;
            // Paced by the controller's echo; an edit lost to the flood or
            // a re-plug is no fault here, the last round's are checked.
            WaitUntil([&] { return GainShows(channel, value) || !DeviceStatus.Connected; },
                      std::chrono::seconds(1));
        }
        if (halfwayResident == 0 && Clock::now() - start >= soakTime / 2) {
            halfwayResident = ResidentBytes();
        }
        Replug();
        ++replugs;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const auto& flood : floods_) {
        RecordProperty("reports_per_second",
                       static_cast<int>(static_cast<double>(flood->Sent()) / seconds));
        std::printf("flood: %.0f reports/s\n", static_cast<double>(flood->Sent()) / seconds);
    }
    floods_.clear();
    const long finalResident = ResidentBytes();
    std::printf("%d re-plugs, %d edits; resident %.1f MB halfway, %.1f MB at the end\n", replugs,
                edits, halfwayResident / 1e6, finalResident / 1e6);

    // The flood's last reports are handled before the last round of edits;
    // right after the re-plug a channel's reader may not listen yet, and a
    // marker sent then is lost, so it is sent again until one is handled.
    Replug();
    ASSERT_TRUE(WaitUntil([this] {
        return ::InjectedReportsHandled(*controller_, 6, std::chrono::seconds(2)) &&
               ::InjectedReportsHandled(*controller_, 0, std::chrono::seconds(2));
    }));
    for (int edit = 0; edit < kFinalEdits; ++edit) {
        const int channel = edit % 2 == 0 ? 0 : 6;
        const int value = 201 + edit;
        ASSERT_NO_FATAL_FAILURE(EditGain(channel, value));
        EXPECT_TRUE(WaitUntil([&] { return GainShows(channel, value); }))
            << "edit " << edit << " on channel " << channel << " acknowledged";
    }
    EXPECT_GE(replugs, 2);
    // Caches fill in the first half; after that the process holds what it held.
    EXPECT_LE(finalResident - halfwayResident, 8L << 20)
        << "grew from " << halfwayResident << " to " << finalResident << " bytes";
}

}  // namespace
