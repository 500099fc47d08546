// Linked into a test executable (as an object library, so that the linker keeps
// it), this gives every test of that executable one QApplication.

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "tests/support/WaitUntil.h"

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Run by hand without a display, the tests still work.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        application_ = std::make_unique<QApplication>(argc_, argv_);
        t860test::SetEventPump([] { QCoreApplication::processEvents(); });
    }
    void TearDown() override {
        t860test::SetEventPump(nullptr);
        application_.reset();
    }

private:
    int argc_ = 1;
    char name_[16] = "t860_qt_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

const ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
