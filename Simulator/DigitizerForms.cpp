#include "Simulator/DigitizerForms.h"

#include <cstring>
#include <initializer_list>

#include "Simulator/ReportBytes.h"

namespace {

constexpr uint16_t kDigitizerPage = kSingleTouchUsagePage;
constexpr uint16_t kDesktopPage = kMouseUsagePage;
constexpr uint16_t kButtonPage = 0x0009;
constexpr uint16_t kTouchScreenUsage = 0x0004;

// Report lengths with the report id; the touch screen keeps the 64 data bytes
// of the controller's reports.
constexpr uint16_t kTouchScreenReportSize = platform::hid::kReportSize;
constexpr uint16_t kSingleContactReportSize = 6;  // id, buttons or tip and range, X, Y

// Short items of a report descriptor, written as bytes.
class Items {
public:
    explicit Items(std::vector<uint8_t>& out) : out_(out) {}

    Items& UsagePage(uint16_t page) { return Global(0x04, page); }
    Items& Usage(uint8_t usage) { return Put(0x08, usage); }
    Items& Usages(std::initializer_list<uint8_t> usages) {
        for (uint8_t usage : usages) {
            Usage(usage);
        }
        return *this;
    }
    Items& UsageRange(uint8_t first, uint8_t last) { return Put(0x18, first).Put(0x28, last); }
    Items& Logical(int32_t minimum, int32_t maximum) {
        return Global(0x14, static_cast<uint32_t>(minimum))
            .Global(0x24, static_cast<uint32_t>(maximum));
    }
    Items& ReportId(uint8_t id) { return Put(0x84, id); }
    Items& Fields(uint8_t bits, uint8_t count) { return Put(0x74, bits).Put(0x94, count); }
    Items& Input() { return Put(0x80, kData); }
    Items& InputPadding() { return Put(0x80, kConstant); }
    Items& Feature() { return Put(0xB0, kData); }
    Items& FeaturePadding() { return Put(0xB0, kConstant); }
    Items& Application() { return Put(0xA0, 0x01); }
    Items& Physical() { return Put(0xA0, 0x00); }
    Items& Logical() { return Put(0xA0, 0x02); }
    Items& End() {
        out_.push_back(0xC0);
        return *this;
    }

private:
    static constexpr uint8_t kData = 0x02;      // Data, Variable, Absolute
    static constexpr uint8_t kConstant = 0x03;  // Constant, Variable, Absolute

    Items& Put(uint8_t prefix, uint8_t value) {
        out_.insert(out_.end(), {static_cast<uint8_t>(prefix | 1), value});
        return *this;
    }
    // Global values take the fewest bytes that hold them as signed numbers.
    Items& Global(uint8_t prefix, uint32_t value) {
        const auto signedValue = static_cast<int32_t>(value);
        if (signedValue >= -128 && signedValue <= 127) {
            return Put(prefix, static_cast<uint8_t>(value));
        }
        if (signedValue >= -32768 && signedValue <= 32767) {
            out_.insert(out_.end(), {static_cast<uint8_t>(prefix | 2), static_cast<uint8_t>(value),
                                     static_cast<uint8_t>(value >> 8)});
            return *this;
        }
        out_.push_back(static_cast<uint8_t>(prefix | 3));
        for (int i = 0; i < 4; ++i) {
            out_.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
        return *this;
    }

    std::vector<uint8_t>& out_;
};

constexpr uint8_t kTipSwitch = 0x42;
constexpr uint8_t kInRange = 0x32;
constexpr uint8_t kFinger = 0x22;
constexpr uint8_t kContactId = 0x51;
constexpr uint8_t kContactCount = 0x54;
constexpr uint8_t kContactCountMaximum = 0x55;
constexpr uint8_t kInputMode = 0x52;
constexpr uint8_t kX = 0x30;
constexpr uint8_t kY = 0x31;
constexpr int32_t kMaxPosition = 32767;

// Tip switch and in range, padded to a byte; the caller has the digitizer page set.
void TipAndRange(Items& items) {
    items.Usages({kTipSwitch, kInRange}).Logical(0, 1).Fields(1, 2).Input();
    items.Fields(1, 6).InputPadding();
}

// X and Y in the controller's own range; leaves the desktop page set.
void Position(Items& items) {
    items.UsagePage(kDesktopPage).Usages({kX, kY}).Logical(0, kMaxPosition).Fields(16, 2).Input();
}

// Input report 1: per contact its tip switch, in range, identifier and
// position, then the contact count; the rest of the 64 bytes is padding.
// Feature report 2: the input mode, the contact count maximum, padding.
void AppendTouchScreen(std::vector<uint8_t>& out) {
    Items items(out);
    items.UsagePage(kDigitizerPage).Usage(kTouchScreenUsage).Application();
    items.ReportId(kMultitouchReportId);
    for (size_t contact = 0; contact < kMaxContacts; ++contact) {
        items.UsagePage(kDigitizerPage).Usage(kFinger).Logical();
        TipAndRange(items);
        items.Usage(kContactId).Logical(0, kMaxContacts - 1).Fields(8, 1).Input();
        Position(items);
        items.End();
    }
    items.UsagePage(kDigitizerPage).Usage(kContactCount).Logical(0, kMaxContacts);
    items.Fields(8, 1).Input();
    constexpr uint8_t kUsedBytes = 6 * kMaxContacts + 1;
    items.Fields(8, static_cast<uint8_t>(kTouchScreenReportSize - 1 - kUsedBytes)).InputPadding();

    items.ReportId(kInputModeReportId);
    // Any byte is taken as the input mode; the controller acts on 0, 1 and 2.
    items.Usage(kInputMode).Logical(0, 255).Fields(8, 1).Feature();
    items.Usage(kContactCountMaximum).Logical(0, kMaxContacts).Fields(8, 1).Feature();
    items.Fields(8, static_cast<uint8_t>(kTouchScreenReportSize - 1 - kContactCountMaximumAt))
        .FeaturePadding();
    items.End();
}

// Input report 3: button 1 and the position of an absolute pointer.
void AppendMouse(std::vector<uint8_t>& out) {
    Items items(out);
    items.UsagePage(kDesktopPage).Usage(kMouseUsage).Application();
    items.ReportId(kMouseReportId);
    items.Usage(0x01).Physical();  // Pointer
    items.UsagePage(kButtonPage).UsageRange(1, 1).Logical(0, 1).Fields(1, 1).Input();
    items.Fields(1, 7).InputPadding();
    Position(items);
    items.End().End();
}

// Input report 4: one contact's tip switch, in range and position. The
// finger is a physical collection: a host that reads in range as a tool
// takes it for a finger, not a pen.
void AppendSingleTouch(std::vector<uint8_t>& out) {
    Items items(out);
    items.UsagePage(kDigitizerPage).Usage(kSingleTouchUsage).Application();
    items.ReportId(kSingleTouchReportId);
    items.Usage(kFinger).Physical();
    TipAndRange(items);
    Position(items);
    items.End().End();
}

constexpr FormCollection kFormCollections[] = {
    {kDigitizerPage, kTouchScreenUsage, AppendTouchScreen, ""},
    {kDesktopPage, kMouseUsage, AppendMouse, " Mouse"},
    {kDigitizerPage, kSingleTouchUsage, AppendSingleTouch, " Digitizer"},
};

bool Touching(const ScriptTouch& touch) {
    return touch.state != kTouchUp;
}

// Bit 0 tip switch (or button 1), bit 1 in range: a lifted finger is neither.
uint8_t ContactFlags(const ScriptTouch& touch) {
    return Touching(touch) ? 0x03 : 0x00;
}

void PutPosition(uint8_t* at, const ScriptTouch& touch) {
    PutLittleEndian16(&at[0], DeviceUnits16(touch.x));
    PutLittleEndian16(&at[2], DeviceUnits16(touch.y));
}

}  // namespace

DigitizerForm SelectDigitizerForm(uint16_t reportMode, uint8_t inputMode) {
    if (reportMode & kReportModeUseFeatureInputMode) {
        switch (inputMode) {
            case kInputModeMouse:
                return DigitizerForm::Mouse;
            case kInputModeDigitizer:
                return DigitizerForm::Digitizer;
            case kInputModeMultitouch:
                return DigitizerForm::Multitouch;
            default:
                return DigitizerForm::None;
        }
    }
    // The first set bit wins, in the order the report mode dialog reads them.
    if (reportMode & kReportModeMouse) {
        return DigitizerForm::Mouse;
    }
    if (reportMode & kReportModeDigitizer) {
        return DigitizerForm::Digitizer;
    }
    if (reportMode & kReportModeMultitouch) {
        return DigitizerForm::Multitouch;
    }
    return DigitizerForm::None;
}

std::vector<platform::hid::VirtualCollection> VirtualControllerCollections() {
    auto collections = platform::hid::ControllerCollections();
    collections.push_back({kDesktopPage, kMouseUsage, kSingleContactReportSize, 0, 0});
    collections.push_back({kDigitizerPage, kSingleTouchUsage, kSingleContactReportSize, 0, 0});
    return collections;
}

std::span<const FormCollection> FormCollections() {
    return kFormCollections;
}

size_t EncodeFormReport(DigitizerForm form, const TouchFrame& frame, uint8_t* report) {
    if (form == DigitizerForm::None || frame.count == 0) {
        return 0;
    }
    const ScriptTouch& first = frame.touches[0];
    switch (form) {
        case DigitizerForm::Mouse:
            report[0] = kMouseReportId;
            report[1] = Touching(first) ? 0x01 : 0x00;
            PutPosition(&report[2], first);
            return kSingleContactReportSize;
        case DigitizerForm::Digitizer:
            report[0] = kSingleTouchReportId;
            report[1] = ContactFlags(first);
            PutPosition(&report[2], first);
            return kSingleContactReportSize;
        case DigitizerForm::Multitouch:
            break;
        case DigitizerForm::None:
            return 0;
    }
    std::memset(report, 0, kTouchScreenReportSize);
    report[0] = kMultitouchReportId;
    for (size_t i = 0; i < frame.count; ++i) {
        uint8_t* contact = &report[1 + 6 * i];
        contact[0] = ContactFlags(frame.touches[i]);
        contact[1] = frame.touches[i].id;
        PutPosition(&contact[2], frame.touches[i]);
    }
    report[1 + 6 * kMaxContacts] = static_cast<uint8_t>(frame.count);
    return kTouchScreenReportSize;
}
