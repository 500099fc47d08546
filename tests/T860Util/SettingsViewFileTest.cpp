// The settings view's "Save Settings…" and "Load Settings…" on the device
// engine and the virtual controller: the same files as t860ctl, written back
// one echoed setting at a time, with a summary.

#include <gmock/gmock.h>

#include <QAction>
#include <QFileDialog>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "Formats/Json.h"
#include "T860Util/SettingsView.h"
#include "tests/T860Util/AppFixture.h"
#include "tests/support/WaitUntil.h"

using ::testing::HasSubstr;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

class SettingsViewFile : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
        view_ = std::make_unique<TfrmSettingsView>();
        view_->show();
        ASSERT_TRUE(t860test::WaitUntil([] {
            return SettingsChannel0.settingsTable != nullptr &&
                   SettingsChannel6.settingsTable != nullptr;
        }));
    }
    void TearDown() override {
        StopDeviceAccess();
        view_.reset();
        AppFixture::TearDown();
    }

    void ChooseFile(const std::string& path) {
        ui_.dialogAnswers.push_back([path](QDialog& dialog) {
            static_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(path));
            return static_cast<int>(QDialog::Accepted);
        });
    }

    // The descriptor position of a setting of channel 6, from a saved file.
    static int PositionOf(const std::string& fileText, const char* name) {
        JsonValue root;
        std::string error;
        EXPECT_TRUE(ParseJson(fileText, root, error)) << error;
        const std::vector<JsonValue>& list = root.Find("channel6")->Items();
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i].Find("name")->AsString() == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    std::unique_ptr<TfrmSettingsView> view_;
};

TEST_F(SettingsViewFile, TheContextMenuOffersSaveAndLoad) {
    for (QWidget* widget :
         std::initializer_list<QWidget*>{view_.get(), view_->TreeView1, view_->TreeView2}) {
        EXPECT_EQ(widget->contextMenuPolicy(), Qt::ActionsContextMenu);
        ASSERT_EQ(widget->actions().size(), 2);
        EXPECT_EQ(widget->actions()[0]->text(), QString::fromUtf8("Save Settings\u2026"));
        EXPECT_EQ(widget->actions()[1]->text(), QString::fromUtf8("Load Settings\u2026"));
    }
}

TEST_F(SettingsViewFile, LoadWritesBackExactlyWhatChangedSinceTheSave) {
    const std::string path = (home_.Root() / "view.json").string();
    ui_.saveAnswers.push_back(QString::fromStdString(path));
    view_->actSaveSettings->trigger();
    const std::string saved = ReadAll(path);
    ASSERT_THAT(saved, HasSubstr("\"channel0\""));
    const std::vector<uint8_t> block6 = controller_->SettingsBlockBytes(6);

    // Another program changes a setting; its echo reaches the view too.
    const int position = PositionOf(saved, "ReportMode");
    const uint8_t change[65] = {6, 'S', 's', 0, static_cast<uint8_t>(position), 2, 0, 0x01, 0x23};
    controller_->OnOutputReport(controller_->CollectionOf(6), change, sizeof change);
    ASSERT_TRUE(t860test::WaitUntil([&] { return controller_->SettingsBlockBytes(6) != block6; }));
    ASSERT_TRUE(InjectedReportsHandled()) << "the echo";

    ChooseFile(path);
    view_->actLoadSettings->trigger();
    ASSERT_FALSE(ui_.messages.empty());
    const MessageBoxRequest& summary = ui_.messages.back();
    EXPECT_EQ(summary.Caption, "Load Settings");
    EXPECT_THAT(summary.Text.toStdString(), HasSubstr("Changed: 1\n  My.ReportMode: 291 -> 32\n"));
    EXPECT_THAT(summary.Text.toStdString(), HasSubstr("Not found on this controller: 0\n"));
    EXPECT_EQ(controller_->SettingsBlockBytes(6), block6);
}

TEST_F(SettingsViewFile, AMalformedFileIsRefusedAndNothingIsSent) {
    const std::string path = (home_.Root() / "bad.json").string();
    std::ofstream(path) << R"({"format": "T860 settings", "version": 1, "channel6": [,]})";
    const uint32_t sent = controller_->OutputReportCount(6) + controller_->OutputReportCount(0);
    ChooseFile(path);
    view_->actLoadSettings->trigger();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Icon, MessageIcon::Error);
    EXPECT_THAT(ui_.messages[0].Text.toStdString(), HasSubstr("Nothing was written."));
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_EQ(controller_->OutputReportCount(6) + controller_->OutputReportCount(0), sent);
}

TEST_F(SettingsViewFile, SaveReplacesTheFileWholeAndAFailedSaveKeepsTheOldOne) {
    const std::filesystem::path path = home_.Root() / "kept.json";
    const std::filesystem::path reader = home_.Root() / "reader.json";
    std::ofstream(path) << "old";
    // A second name for the old file, as a reader holding it open sees it:
    // the save puts a new file in place and leaves the old one whole.
    std::filesystem::create_hard_link(path, reader);
    ui_.saveAnswers.push_back(QString::fromStdString(path.string()));
    view_->actSaveSettings->trigger();
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_THAT(ReadAll(path.string()), HasSubstr("\"channel6\""));
    EXPECT_EQ(ReadAll(reader.string()), "old");

    // The temporary file cannot be made: the save fails and says so.
    std::filesystem::create_directory(path.string() + ".tmp");
    const std::string saved = ReadAll(path.string());
    ui_.saveAnswers.push_back(QString::fromStdString(path.string()));
    view_->actSaveSettings->trigger();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Caption, "Save Settings");
    EXPECT_EQ(ui_.messages[0].Text.toStdString(), "Could not write " + path.string() + ".");
    EXPECT_EQ(ReadAll(path.string()), saved);
}
