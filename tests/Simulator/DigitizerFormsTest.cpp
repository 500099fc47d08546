#include "Simulator/DigitizerForms.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "tests/Simulator/ControllerSession.h"
#include "tests/Simulator/HidFieldDecoder.h"

using hidfields::Usage;

namespace {

constexpr uint32_t kTipSwitch = Usage(0x0D, 0x42);
constexpr uint32_t kInRange = Usage(0x0D, 0x32);
constexpr uint32_t kContactId = Usage(0x0D, 0x51);
constexpr uint32_t kContactCount = Usage(0x0D, 0x54);
constexpr uint32_t kContactCountMaximum = Usage(0x0D, 0x55);
constexpr uint32_t kInputMode = Usage(0x0D, 0x52);
constexpr uint32_t kButton1 = Usage(0x09, 0x01);
constexpr uint32_t kX = Usage(0x01, 0x30);
constexpr uint32_t kY = Usage(0x01, 0x31);

std::vector<uint8_t> FormsDescriptor() {
    std::vector<uint8_t> descriptor;
    for (const FormCollection& form : FormCollections()) {
        form.appendDescriptor(descriptor);
    }
    return descriptor;
}

using Values = std::map<uint32_t, std::vector<uint32_t>>;

// The report's values as a host reads them through the descriptor.
Values Decode(const uint8_t* report, size_t length) {
    static const hidfields::Layout layout =
        hidfields::Fields(FormsDescriptor(), hidfields::Kind::Input);
    const auto fields = layout.find(report[0]);
    EXPECT_NE(fields, layout.end()) << "report id " << int(report[0]) << " not declared";
    if (fields == layout.end()) {
        return {};
    }
    EXPECT_EQ(length * 8, 8 + fields->second.back().bitOffset + fields->second.back().bitSize)
        << "the report's length is the declared one";
    return hidfields::Values(fields->second, report + 1, length - 1);
}

ScriptTouch Touch(uint8_t state, uint8_t id, float x, float y) {
    return {state, id, x, y, 12, 14};
}

}  // namespace

TEST(DigitizerForms, EachFormReadsThroughItsDescriptorAsTheFrameItCarries) {
    // Finger 0 held at a quarter across; finger 1 lifting beyond the right
    // and top edges, where every encoding puts it at the edge.
    const TouchFrame two = {{Touch(kTouchMove, 0, 0.25f, 0.75f), Touch(kTouchUp, 1, 1.2f, -0.1f)},
                            2};
    uint8_t report[kFormReportSize];

    size_t length = EncodeFormReport(DigitizerForm::Multitouch, two, report);
    EXPECT_EQ(report[0], kMultitouchReportId);
    Values values = Decode(report, length);
    EXPECT_EQ(values[kContactCount], (std::vector<uint32_t>{2}));
    EXPECT_EQ(values[kTipSwitch], (std::vector<uint32_t>{1, 0}));
    EXPECT_EQ(values[kInRange], (std::vector<uint32_t>{1, 0}));
    EXPECT_EQ(values[kContactId], (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(values[kX], (std::vector<uint32_t>{8192, 32767}));
    EXPECT_EQ(values[kY], (std::vector<uint32_t>{24575, 0}));

    const TouchFrame one = {{Touch(kTouchDown, 1, 0.5f, 0.5f)}, 1};
    values = Decode(report, EncodeFormReport(DigitizerForm::Multitouch, one, report));
    EXPECT_EQ(values[kContactCount], (std::vector<uint32_t>{1}));
    EXPECT_EQ(values[kContactId][0], 1u);
    EXPECT_EQ(values[kTipSwitch][0], 1u);
    EXPECT_EQ(values[kX][0], 16384u);

    // The single-contact forms follow the frame's first touch.
    length = EncodeFormReport(DigitizerForm::Mouse, two, report);
    EXPECT_EQ(report[0], kMouseReportId);
    values = Decode(report, length);
    EXPECT_EQ(values[kButton1], (std::vector<uint32_t>{1}));
    EXPECT_EQ(values[kX], (std::vector<uint32_t>{8192}));
    EXPECT_EQ(values[kY], (std::vector<uint32_t>{24575}));

    length = EncodeFormReport(DigitizerForm::Digitizer, two, report);
    EXPECT_EQ(report[0], kSingleTouchReportId);
    values = Decode(report, length);
    EXPECT_EQ(values[kTipSwitch], (std::vector<uint32_t>{1}));
    EXPECT_EQ(values[kInRange], (std::vector<uint32_t>{1}));
    EXPECT_EQ(values[kX], (std::vector<uint32_t>{8192}));

    const TouchFrame lifted = {{Touch(kTouchUp, 0, 0.1f, 0.2f)}, 1};
    EXPECT_EQ(Decode(report, EncodeFormReport(DigitizerForm::Mouse, lifted, report))[kButton1][0],
              0u);
    values = Decode(report, EncodeFormReport(DigitizerForm::Digitizer, lifted, report));
    EXPECT_EQ(values[kTipSwitch][0], 0u);
    EXPECT_EQ(values[kInRange][0], 0u);

    EXPECT_EQ(EncodeFormReport(DigitizerForm::None, two, report), 0u);
    EXPECT_EQ(EncodeFormReport(DigitizerForm::Multitouch, TouchFrame{}, report), 0u);
}

TEST(DigitizerForms, TheFeatureReportHoldsTheInputModeAndTheContactCountMaximum) {
    const auto layout = hidfields::Fields(FormsDescriptor(), hidfields::Kind::Feature);
    ASSERT_EQ(layout.count(kInputModeReportId), 1u);
    ControllerSession session;
    HidHandle handle = nullptr;
    ASSERT_EQ(session.bus.Open(VirtualBus::PathOf(session.controller.Device(),
                                                  session.controller.CollectionOf(2)),
                               false, handle),
              OpenStatus::Ok);
    // A driver writes the input mode with the maximum it read beside it; only
    // the input mode is the writer's.
    uint8_t set[kReportSize] = {kInputModeReportId, 1, 9};
    ASSERT_TRUE(session.bus.SetFeature(handle, set, sizeof set));
    uint8_t get[kReportSize] = {kInputModeReportId};
    ASSERT_TRUE(session.bus.GetFeature(handle, get, sizeof get));
    session.bus.Close(handle);
    Values values = hidfields::Values(layout.at(kInputModeReportId), get + 1, sizeof get - 1);
    EXPECT_EQ(values[kInputMode], (std::vector<uint32_t>{1}));
    EXPECT_EQ(values[kContactCountMaximum], (std::vector<uint32_t>{kMaxContacts}));
    for (const hidfields::Field& field : layout.at(kInputModeReportId)) {
        if (field.usage == kContactCountMaximum) {
            EXPECT_EQ(field.logicalMax, kMaxContacts);
        }
    }
}

namespace {

struct Selection {
    uint16_t reportMode;
    uint8_t inputMode;
    DigitizerForm form;
};

void PrintTo(const Selection& selection, std::ostream* out) {
    *out << "report mode " << selection.reportMode << ", input mode " << int(selection.inputMode);
}

class FormSelection : public testing::TestWithParam<Selection> {};

// A Y packet's touches: state, id, X and Y in device units.
struct PacketTouch {
    uint32_t state, id, x, y;
};

std::vector<PacketTouch> YPacketTouches(const Report& packet) {
    std::vector<PacketTouch> touches;
    const uint8_t* data = packet.Data();
    for (size_t i = 0; i < data[22] && i < kMaxContacts; ++i) {
        const uint8_t* record = &data[2 + 10 * i];
        touches.push_back({record[0], record[1], uint32_t(record[2] | record[3] << 8),
                           uint32_t(record[4] | record[5] << 8)});
    }
    return touches;
}

}  // namespace

// Each frame goes out as the controller's packet and, at once, as the form
// the modes select, at the same position.
TEST_P(FormSelection, EveryFrameGoesOutInTheSelectedFormBesideItsPacket) {
    const Selection selection = GetParam();
    ControllerConfig config;
    config.reportMode = 0;  // nothing flows until the test has its readers open
    config.inputMode = selection.inputMode;
    config.touchReportsPerSecond = 1000;
    ControllerSession session(config);
    OpenCollection form(session.bus, session.controller.Device(),
                        session.controller.CollectionOf(selection.form));
    ASSERT_TRUE(form.IsOpen());
    const uint16_t mode = selection.reportMode | kReportModeYPackets;
    session.Send(6, {6, 'C', 3, 0x36, uint8_t(mode >> 8), uint8_t(mode)});

    for (int pair = 0; pair < 40; ++pair) {
        Report packet;
        do {
            ASSERT_TRUE(session.Channel(6).Next(packet));
        } while (packet.Data()[0] != 'Y');
        Report sent;
        ASSERT_TRUE(form.Next(sent));
        const auto touches = YPacketTouches(packet);
        ASSERT_FALSE(touches.empty());
        Values values = Decode(sent.bytes.data(), sent.length);
        const PacketTouch& first = touches[0];
        switch (selection.form) {
            case DigitizerForm::Mouse:
                EXPECT_EQ(values[kButton1][0], first.state != kTouchUp ? 1u : 0u);
                break;
            case DigitizerForm::Digitizer:
                EXPECT_EQ(values[kTipSwitch][0], first.state != kTouchUp ? 1u : 0u);
                break;
            default:
                ASSERT_EQ(values[kContactCount], (std::vector<uint32_t>{uint32_t(touches.size())}));
                for (size_t i = 0; i < touches.size(); ++i) {
                    EXPECT_EQ(values[kContactId][i], touches[i].id);
                    EXPECT_EQ(values[kTipSwitch][i], touches[i].state != kTouchUp ? 1u : 0u);
                    EXPECT_EQ(values[kX][i], touches[i].x);
                    EXPECT_EQ(values[kY][i], touches[i].y);
                }
                break;
        }
        EXPECT_EQ(values[kX][0], first.x) << "pair " << pair;
        EXPECT_EQ(values[kY][0], first.y) << "pair " << pair;
    }
    EXPECT_EQ(session.controller.Form(), selection.form);
}

INSTANTIATE_TEST_SUITE_P(
    ReportModeAndFeatureInputMode, FormSelection,
    testing::Values(
        Selection{kReportModeMouse, 2, DigitizerForm::Mouse},
        Selection{kReportModeDigitizer, 0, DigitizerForm::Digitizer},
        Selection{kReportModeMultitouch, 0, DigitizerForm::Multitouch},
        // The first choice wins, in the report mode dialog's order.
        Selection{kReportModeDigitizer | kReportModeMultitouch, 0, DigitizerForm::Digitizer},
        // With the precedence flag the feature report decides.
        Selection{kReportModeUseFeatureInputMode | kReportModeMultitouch, 0, DigitizerForm::Mouse},
        Selection{kReportModeUseFeatureInputMode | kReportModeMouse, 1, DigitizerForm::Digitizer},
        Selection{kReportModeUseFeatureInputMode, 2, DigitizerForm::Multitouch}));

TEST(DigitizerForms, NoFormAndFeatureValuesBeyondTheChoicesSendNothing) {
    for (const Selection selection :
         {Selection{0x0000, 2, DigitizerForm::None},
          Selection{kReportModeUseFeatureInputMode | kReportModeMultitouch, 7,
                    DigitizerForm::None}}) {
        ControllerConfig config;
        config.reportMode = selection.reportMode;
        config.inputMode = selection.inputMode;
        VirtualBus bus;
        VirtualController controller(bus, config);
        EXPECT_EQ(controller.Form(), DigitizerForm::None) << testing::PrintToString(selection);
    }
}

TEST(DigitizerForms, AFingerHeldWhenTheFormChangesIsLiftedInTheOldForm) {
    ControllerConfig config;
    config.reportMode = kReportModeMultitouch;
    config.touchReportsPerSecond = 1000;
    ControllerSession session(config);
    TechnicianConfig technician;
    technician.targets = {{0.5f, 0.5f}};
    technician.startMs = 0;
    technician.holdMs = 600'000;  // held for the whole test
    session.controller.PlayTechnician(std::make_shared<TechnicianScript>(technician, 1000));
    OpenCollection touchScreen(session.bus, session.controller.Device(),
                               session.controller.CollectionOf(DigitizerForm::Multitouch));
    OpenCollection mouse(session.bus, session.controller.Device(),
                         session.controller.CollectionOf(DigitizerForm::Mouse));
    Report report;
    ASSERT_TRUE(touchScreen.Next(report));
    ASSERT_EQ(Decode(report.bytes.data(), report.length)[kTipSwitch][0], 1u);

    session.Send(6, {6, 'C', 3, 0x36, 0, uint8_t(kReportModeMouse)});
    ASSERT_TRUE(mouse.Next(report));
    EXPECT_EQ(Decode(report.bytes.data(), report.length)[kButton1][0], 1u);
    // The touch screen's reports end with one that lifts the finger there.
    Values values;
    do {
        ASSERT_TRUE(touchScreen.Next(report)) << "the finger stays down on the touch screen";
        values = Decode(report.bytes.data(), report.length);
    } while (values[kTipSwitch][0] != 0);
    EXPECT_EQ(values[kContactCount], (std::vector<uint32_t>{1}));
    EXPECT_EQ(values[kX][0], 16384u) << "lifted where it was held";
}

TEST(DigitizerForms, AFingerHeldWhenTheTechnicianTakesOverIsLifted) {
    ControllerConfig config;
    config.reportMode = kReportModeMultitouch;
    config.touchReportsPerSecond = 1000;
    ControllerSession session(config);
    TechnicianConfig holding;
    holding.targets = {{0.25f, 0.5f}};
    holding.startMs = 0;
    holding.holdMs = 600'000;
    session.controller.PlayTechnician(std::make_shared<TechnicianScript>(holding, 1000));
    OpenCollection touchScreen(session.bus, session.controller.Device(),
                               session.controller.CollectionOf(DigitizerForm::Multitouch));
    Report report;
    ASSERT_TRUE(touchScreen.Next(report));
    ASSERT_EQ(Decode(report.bytes.data(), report.length)[kTipSwitch][0], 1u);

    // A technician who touches nothing: the held finger must still come up.
    session.controller.PlayTechnician(std::make_shared<TechnicianScript>(TechnicianConfig{}, 1000));
    Values values;
    do {
        ASSERT_TRUE(touchScreen.Next(report)) << "the finger stays down";
        values = Decode(report.bytes.data(), report.length);
    } while (values[kTipSwitch][0] != 0);
    EXPECT_EQ(values[kX][0], 8192u);
}
