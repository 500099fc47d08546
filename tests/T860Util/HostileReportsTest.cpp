// Reports that fuzzing the dispatch found faults with, replayed with every
// window of the program open: each must give a defined result.

#include <QImage>
#include <QTest>
#include <cstring>

#include "T860Util/Dispatch.h"
#include "tests/T860Util/AppFixture.h"

namespace {

class HostileReports : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
    }
    void ShowTouchTest(uint16_t testMode) {
        xtest_->TestMode = testMode;
        xtest_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(xtest_.get()));
    }
};

TEST_F(HostileReports, TouchesFarOffTheWindowAreClippedAndLaterTouchesStillDrawn) {
    ASSERT_NO_FATAL_FAILURE(ShowTouchTest(kReportModeXPackets));
    constexpr uint32_t kMinus4e11 = 0xD2D2D2D2;  // scales to below INT_MIN
    constexpr uint32_t kPlus3e38 = 0x7F000000;
    constexpr uint32_t kInfinity = 0x7F800000;
    const Report64 hostile[] = {
        XReportBits(1, 0x467FFED2, kMinus4e11), XReportBits(2, kPlus3e38, kMinus4e11),
        XReportBits(3, kInfinity, kPlus3e38),   XReportBits(1, kMinus4e11, kInfinity),
        XReportBits(2, 0x467FFED2, 0x467FFED2),
    };
    for (const Report64& report : hostile) {
        OnChannel6Report(0, report.data(), static_cast<int32_t>(report.size()));
    }
    const uint32_t kMiddle = 0x467FFF00;  // 16383.75 of 32767: the middle of the window
    const Report64 touch = XReportBits(1, kMiddle, kMiddle);
    OnChannel6Report(0, touch.data(), static_cast<int32_t>(touch.size()));
    const QImage canvas = xtest_->CanvasSnapshot();
    EXPECT_EQ(canvas.pixelColor(canvas.width() / 2, canvas.height() / 2), QColor(0, 128, 0))
        << "the first touch's down circle";
}

}  // namespace
