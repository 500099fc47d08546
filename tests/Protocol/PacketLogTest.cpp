#include "Protocol/PacketLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/TempConfigHome.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

XPacket Packet(uint8_t length, float x, float y) {
    XPacket packet;
    packet.Length = length;
    packet.Touch[0] = {1, x, y, 30, 40};
    packet.Touch[1] = {7, -1.5f, 0.25f, 65535, 2};
    return packet;
}

TEST(PacketLog, LineHasElevenFieldsEndingInCrLf) {
    char line[TPacketLog::kLineCapacity];
    TPacketLog::FormatLine(Packet(13, 1000.0f, 2000.0f), line, TPacketLog::kLineCapacity);
    EXPECT_STREQ(line, "1,1,1000.0000,2000.0000,30,40,7,-1.5000,0.2500,65535,2\r\n");
    TPacketLog::FormatLine(Packet(20, 0.5f, 0.00026f), line, TPacketLog::kLineCapacity);
    EXPECT_EQ(std::string(line).substr(0, 19), "2,1,0.5000,0.0003,3") << "count 2 for length 20";
}

TEST(PacketLog, ExtremeFloatsFitTheLine) {
    XPacket packet = Packet(26, -3.4e38f, std::numeric_limits<float>::infinity());
    packet.Touch[1].X = std::numeric_limits<float>::quiet_NaN();
    packet.Touch[1].Y = -3.4e38f;
    char line[TPacketLog::kLineCapacity];
    const int length = TPacketLog::FormatLine(packet, line, TPacketLog::kLineCapacity);
    EXPECT_LT(length, TPacketLog::kLineCapacity);
    EXPECT_EQ(std::string(line).substr(length - 2), "\r\n");
    EXPECT_NE(std::string(line).find(",inf,"), std::string::npos);
}

TEST(PacketLog, StartTruncatesAndStopClosesTheFile) {
    TempConfigHome home;
    const auto path = home.Root() / "log.mtp";
    std::ofstream(path) << "old content that is longer than a line of the log........";
    TPacketLog log;
    ASSERT_TRUE(log.Start(path.string()));
    EXPECT_TRUE(log.IsOn());
    log.Write(Packet(13, 1000.0f, 2000.0f));
    log.Stop();
    EXPECT_FALSE(log.IsOn());
    log.Write(Packet(13, 1.0f, 1.0f));  // after the stop: goes nowhere
    EXPECT_EQ(ReadAll(path), "1,1,1000.0000,2000.0000,30,40,7,-1.5000,0.2500,65535,2\r\n");

    EXPECT_FALSE(log.Start((home.Root() / "missing" / "x.mtp").string()));
    EXPECT_FALSE(log.IsOn());

    const std::string longName(250, 'p');  // beyond any fixed path buffer
    ASSERT_TRUE(log.Start((home.Root() / (longName + ".mtp")).string()));
    log.Stop();
    EXPECT_TRUE(std::filesystem::exists(home.Root() / (longName + ".mtp")));
}

TEST(PacketLog, StopWhileWritingKeepsWholeLinesOnly) {
    TempConfigHome home;
    const auto path = home.Root() / "race.mtp";
    TPacketLog log;
    ASSERT_TRUE(log.Start(path.string()));
    std::atomic<bool> done{false};
    std::atomic<int> written{0};
    std::thread writer([&] {
        while (!done) {
            log.Write(Packet(13, 1000.0f, 2000.0f));
            ++written;
        }
    });
    while (written < 200) {
        std::this_thread::yield();
    }
    log.Stop();
    done = true;
    writer.join();
    const std::string content = ReadAll(path);
    const std::string line = "1,1,1000.0000,2000.0000,30,40,7,-1.5000,0.2500,65535,2\r\n";
    ASSERT_FALSE(content.empty());
    EXPECT_EQ(content.size() % line.size(), 0u) << "no line cut by the close";
    EXPECT_EQ(content.substr(content.size() - line.size()), line);
}

}  // namespace
