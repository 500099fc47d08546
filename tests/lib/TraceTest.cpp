#include "lib/Trace.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/TraceCapture.h"

TEST(Trace, EachLevelHasItsFormat) {
    TraceCapture capture;
    TraceAssert("C:\\src\\DriverIO.cpp", 12);
    TraceError("DriverIO: Failed CreateFile", "C:\\src\\DriverIO.cpp", 34);
    TraceWarning("w", "DriverIO.cpp", 1);
    TraceInfo("i", "/work/DriverInterface/DriverIO.cpp", 2);
    TraceBug("b", "x\\y/z.cpp", 3);
    Trace("free %d form\n", 5);
    const std::vector<std::string> expected = {
        "!ASSERT! DriverIO.cpp; LINE: 12;\n",
        "!ERROR! - DriverIO: Failed CreateFile  DriverIO.cpp; LINE: 34;\n",
        "!WARNING! - w  DriverIO.cpp; LINE: 1;\n",
        "!INFO! - i  DriverIO.cpp; LINE: 2;\n",
        "!BUG! - b  z.cpp; LINE: 3;\n",
        "free 5 form\n",
    };
    EXPECT_EQ(capture.Lines(), expected);
}

TEST(Trace, RepeatsAreNotMerged) {
    TraceCapture capture;
    for (int i = 0; i < 3; ++i) {
        TraceError("DriverIO: Failed CreateFile", "DriverIO.cpp", 7);
    }
    EXPECT_EQ(capture.Count("!ERROR! - DriverIO: Failed CreateFile  DriverIO.cpp; LINE: 7;"), 3);
}

TEST(Trace, EachLevelStopsAfterItsOwnLimit) {
    TraceCapture capture;
    for (int i = 0; i < kTraceLimitPerLevel + 1; ++i) {
        TraceError("e", "f", i);
    }
    EXPECT_EQ(capture.Count("!ERROR!"), kTraceLimitPerLevel);
    EXPECT_FALSE(capture.Contains("LINE: 200;")) << "the 201st call writes nothing";
    TraceInfo("still", "f", 1);
    EXPECT_EQ(capture.Count("!INFO! - still"), 1);
    Trace("plain has no limit\n");
    EXPECT_TRUE(capture.Contains("plain has no limit"));
}

TEST(Trace, LimitHoldsAcrossThreads) {
    TraceCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 100; ++i) {
                TraceWarning("w", "f", i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(capture.Count("!WARNING!"), kTraceLimitPerLevel);
}

TEST(Trace, LongLinesAreCutToTheBuffer) {
    TraceCapture capture;
    const std::string message(2000, 'm');
    TraceError(message.c_str(), "f", 1);
    Trace("%s", message.c_str());
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), static_cast<size_t>(kTraceLineSize - 1));
    EXPECT_EQ(lines[0].substr(0, 12), "!ERROR! - mm");
    EXPECT_EQ(lines[1], std::string(kTraceLineSize - 1, 'm'));
}

TEST(Trace, FileNameIsThePartAfterTheLastSeparator) {
    EXPECT_STREQ(TraceFileName("DriverIO.cpp"), "DriverIO.cpp");
    EXPECT_STREQ(TraceFileName("a\\b\\c.cpp"), "c.cpp");
    EXPECT_STREQ(TraceFileName("a/b/c.cpp"), "c.cpp");
    EXPECT_STREQ(TraceFileName("dir\\"), "");
    EXPECT_STREQ(TraceFileName(nullptr), "");
}
