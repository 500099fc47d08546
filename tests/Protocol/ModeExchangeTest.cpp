// Reading and writing the two modes through the engine, with the
// controller's answer given by the test as channel 6's read thread would
// apply it.

#include "Protocol/ModeExchange.h"

#include <array>

#include "tests/DriverInterface/EngineFixture.h"

namespace {

class ModeExchangeTest : public EngineTest {
protected:
    ModeExchangeTest() {
        PlugController(device);
        StartDriverIO();
    }

    // Sends, waits until the controller has the request, remembers it and
    // answers with the reply bytes the test chose (none: no answer).
    ModeReplyWait AnswerWith(std::vector<uint8_t> reply) {
        return [this, reply](ControllerMode mode, const std::function<void()>& send) {
            const size_t before = device.outputs.Size();
            send();
            EXPECT_TRUE(device.outputs.WaitFor(before + 1));
            sent = device.outputs.Items().back().bytes;
            if (reply.empty()) {
                return false;
            }
            std::array<uint8_t, 64> report{};
            std::copy(reply.begin(), reply.end(), report.begin());
            ApplyCommandReply(status, report.data());
            return ModeReceived(mode, status).load();
        };
    }

    TDeviceStatus status;
    Bytes sent;
};

TEST_F(ModeExchangeTest, ReadsEachModeWithItsRequest) {
    EXPECT_EQ(ReadMode(ControllerMode::Report, status, AnswerWith({'C', 3, 0x36, 0x01, 0x25})),
              0x0125u);
    EXPECT_EQ(sent, Report65({0x06, 0x43, 0x01, 0x36}));
    EXPECT_EQ(ReadMode(ControllerMode::Offscreen, status, AnswerWith({'C', 2, 0x84, 0x03})), 3u);
    EXPECT_EQ(sent, Report65({0x06, 0x43, 0x01, 0x84}));
    EXPECT_FALSE(ReadMode(ControllerMode::Report, status, AnswerWith({})));
}

TEST_F(ModeExchangeTest, AWriteIsKeptOnlyWhenTheControllerAnswersTheValueWritten) {
    EXPECT_EQ(
        WriteMode(ControllerMode::Report, 0x1234, status, AnswerWith({'C', 3, 0x36, 0x12, 0x34})),
        ModeWriteResult::Kept);
    EXPECT_EQ(sent, Report65({0x06, 0x43, 0x03, 0x36, 0x12, 0x34}));

    // A refused bit comes back cleared.
    EXPECT_EQ(
        WriteMode(ControllerMode::Report, 0x0003, status, AnswerWith({'C', 3, 0x36, 0x00, 0x01})),
        ModeWriteResult::Refused);
    EXPECT_EQ(HeldMode(ControllerMode::Report, status), 0x0001u);

    // Cut to the mode's width before it is sent and compared.
    EXPECT_EQ(WriteMode(ControllerMode::Offscreen, 0x102, status, AnswerWith({'C', 2, 0x84, 0x02})),
              ModeWriteResult::Kept);
    EXPECT_EQ(sent, Report65({0x06, 0x43, 0x02, 0x84, 0x02}));
    EXPECT_EQ(WriteMode(ControllerMode::Offscreen, 1, status, AnswerWith({})),
              ModeWriteResult::NoAnswer);
}

}  // namespace
