#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "T860Util/Featurereportinputmode.h"
#include "T860Util/Offscreenmode.h"
#include "T860Util/Reportmode.h"

namespace {

TEST(ReportModeDialog, LoadKeepsTheFirstInputModeAndDropsUnknownBits) {
    TFrmReportMode dialog;
    dialog.LoadReportMode(0x0025);
    EXPECT_TRUE(dialog.rbMouse->isChecked());
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
        EXPECT_FALSE(box->isChecked()) << box->text().toStdString();
    }
    EXPECT_EQ(dialog.ReadReportMode(), 0x0001);

    dialog.LoadReportMode(0x0010);
    EXPECT_TRUE(dialog.rbNone->isChecked());
    EXPECT_EQ(dialog.ReadReportMode(), 0x0000) << "bit 4 has no control and is dropped";

    dialog.LoadReportMode(0xFC24);
    EXPECT_TRUE(dialog.rbDigi->isChecked());
    EXPECT_EQ(dialog.ReadReportMode(), 0x0004)
        << "the later input mode and bits 10..15 are dropped";
}

TEST(ReportModeDialog, LabelFollowsEveryChange) {
    TFrmReportMode dialog;
    dialog.LoadReportMode(0x0382);
    EXPECT_TRUE(dialog.rbNone->isChecked());
    EXPECT_TRUE(dialog.cbBFXMultitouch->isChecked());
    EXPECT_TRUE(dialog.cbBFYMultitouch->isChecked());
    EXPECT_TRUE(dialog.cbPuck->isChecked());
    EXPECT_TRUE(dialog.cbOffscreen->isChecked());
    EXPECT_FALSE(dialog.cbAngles->isChecked());
    EXPECT_EQ(dialog.lbReportMode->text(), "Report Mode: 898");

    dialog.cbWin7FeatureReport->click();
    EXPECT_EQ(dialog.lbReportMode->text(), "Report Mode: 962");
    dialog.rbWin7Multitouch->click();
    EXPECT_EQ(dialog.lbReportMode->text(), "Report Mode: 994");
    dialog.LoadReportMode(0xFFFF);
    EXPECT_EQ(dialog.lbReportMode->text(), "Report Mode: 971")
        << "Mouse wins; bits 2, 4, 5 and 10..15 dropped";
}

TEST(OffscreenModeDialog, ReadsTheLowByteOrZero) {
    TfrmOffscreenMode dialog;
    dialog.LoadOffscreenMode(17);
    EXPECT_EQ(dialog.edMode->text(), "17");
    const struct {
        const char* text;
        uint8_t value;
    } cases[] = {{"300", 44}, {"abc", 0},         {"", 0},      {"-1", 255},
                 {" 7 ", 7},  {"99999999999", 0}, {"12abc", 0}, {"0x10", 0}};
    for (const auto& c : cases) {
        dialog.edMode->setText(c.text);
        EXPECT_EQ(dialog.ReadOffscreenMode(), c.value) << c.text;
    }
}

TEST(InputModeDialog, UnknownValuesKeepTheSelection) {
    TFrmFeatureReportInputMode dialog;
    dialog.LoadInputMode(5);
    EXPECT_EQ(dialog.ReadInputMode(), 0) << "nothing selected at first use";
    EXPECT_FALSE(dialog.rbMouse->isChecked());
    dialog.LoadInputMode(1);
    EXPECT_TRUE(dialog.rbDigi->isChecked());
    dialog.LoadInputMode(200);
    EXPECT_EQ(dialog.ReadInputMode(), 1);
    dialog.LoadInputMode(2);
    EXPECT_EQ(dialog.ReadInputMode(), 2);
    dialog.LoadInputMode(0);
    EXPECT_TRUE(dialog.rbMouse->isChecked());
    EXPECT_EQ(dialog.ReadInputMode(), 0);
}

}  // namespace
