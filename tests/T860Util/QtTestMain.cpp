// Test entry for tests that need a QApplication on the main thread, which then
// serves as the window thread.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    // No display is needed, also when the test list is collected at build time.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
