// Every window clears the program's pointer to it when it goes away, so that
// no hand-over or dispatch reaches a destroyed window.

#include <gtest/gtest.h>

#include <memory>

#include "T860Util/Calibrate.h"
#include "T860Util/Featurereportinputmode.h"
#include "T860Util/Floopcount.h"
#include "T860Util/Offscreenmode.h"
#include "T860Util/Performancestats.h"
#include "T860Util/Reportmode.h"
#include "T860Util/Scope.h"
#include "T860Util/Xtest.h"
#include "tests/T860Util/ProgramGlobals.h"

namespace {

template <class Window>
void ExpectForgottenWhenDestroyed(Window*& pointer) {
    auto window = std::make_unique<Window>();
    pointer = window.get();
    window.reset();
    EXPECT_EQ(pointer, nullptr);

    Window kept;
    pointer = &kept;
    std::make_unique<Window>().reset();
    EXPECT_EQ(pointer, &kept) << "another window of the kind leaves it alone";
}

TEST(WindowPointers, EachWindowClearsItsPointerWhenDestroyed) {
    ResetProgramGlobals();
    ExpectForgottenWhenDestroyed(frmXTest);
    ExpectForgottenWhenDestroyed(frmCalibrate);
    ExpectForgottenWhenDestroyed(frmFloopCount);
    ExpectForgottenWhenDestroyed(frmScope);
    ExpectForgottenWhenDestroyed(frmReportMode);
    ExpectForgottenWhenDestroyed(frmOffscreenMode);
    ExpectForgottenWhenDestroyed(frmFeatureReportInputMode);
    ExpectForgottenWhenDestroyed(frmPerformanceStats);
}

}  // namespace
