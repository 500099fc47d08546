#pragma once
// How the controller's touches reach the operating system. Its touch-screen
// digitizer collection carries them as multi-touch contacts; two collections
// of their own carry the single-contact forms, an absolute mouse and a
// single-touch digitizer. The report mode's input-mode choice selects the
// form, or, with its "Use Feature Report Input Mode" bit, the input mode held
// in the digitizer's feature report.
//
// Every form reports positions in the controller's own 0..32767 range, the
// one its X and Y packets use, so that the system and the program see a
// finger at the same place.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "Simulator/TouchScript.h"
#include "platform/hid/VirtualBus.h"

enum class DigitizerForm { None, Mouse, Digitizer, Multitouch };

constexpr uint16_t kReportModeMouse = 0x0001;
constexpr uint16_t kReportModeDigitizer = 0x0004;
constexpr uint16_t kReportModeMultitouch = 0x0020;
constexpr uint16_t kReportModeUseFeatureInputMode = 0x0040;

// The input mode values of the feature report.
constexpr uint8_t kInputModeMouse = 0;
constexpr uint8_t kInputModeDigitizer = 1;
constexpr uint8_t kInputModeMultitouch = 2;

DigitizerForm SelectDigitizerForm(uint16_t reportMode, uint8_t inputMode);

// Report ids of the forms. The multi-touch form is the touch-screen
// collection's own input report; its feature report holds the input mode and
// the contact count maximum.
constexpr uint8_t kMultitouchReportId = 1;
constexpr uint8_t kInputModeReportId = 2;
constexpr uint8_t kMouseReportId = 3;
constexpr uint8_t kSingleTouchReportId = 4;
constexpr uint8_t kMaxContacts = kMaxTouchesPerFrame;
// Offset of the contact count maximum in the feature report, after the
// report id and the input mode.
constexpr size_t kContactCountMaximumAt = 2;

// The collections of the single-contact forms: a mouse, and a single-touch
// digitizer under the pen usage, since hosts make input devices of digitizer
// applications from the pen usage on and the touch screen usage is the one
// the program looks for.
constexpr uint16_t kMouseUsagePage = 0x0001;
constexpr uint16_t kMouseUsage = 0x0002;
constexpr uint16_t kSingleTouchUsagePage = 0x000D;
constexpr uint16_t kSingleTouchUsage = 0x0002;

// The controller's collections: the four the program uses, in the order of
// platform::hid::ControllerCollections(), then the mouse and the single-touch
// digitizer.
std::vector<platform::hid::VirtualCollection> VirtualControllerCollections();

// A collection through which touches reach the system, with its report
// descriptor items.
struct FormCollection {
    uint16_t usagePage;
    uint16_t usage;
    void (*appendDescriptor)(std::vector<uint8_t>& out);
    // Added to the controller's name where the collection is a device of its
    // own, as the system names the input devices of a device's applications,
    // so that the touch screen's name is the controller's and no other's.
    const char* nameSuffix;
};
// The touch screen, the mouse and the single-touch digitizer.
std::span<const FormCollection> FormCollections();

// Longest report of any form, report id included.
constexpr size_t kFormReportSize = platform::hid::kReportSize;

// Fills report (report id first) with the frame in the form and returns its
// length; 0 when the form sends nothing. The single-contact forms follow the
// frame's first touch.
size_t EncodeFormReport(DigitizerForm form, const TouchFrame& frame, uint8_t* report);
