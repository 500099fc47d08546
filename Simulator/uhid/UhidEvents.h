#pragma once
// The events exchanged with the kernel through /dev/uhid: one struct
// uhid_event per read or write. Encoding fills a caller's event so that the
// report path allocates nothing; decoding checks every length the other side
// gives before anything is read through it.

#include <linux/uhid.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct UhidIdentity {
    std::string name = "BFT860 virtual controller";
    std::string uniq;  // the serial number as text
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t version = 0x0100;
};

// False when the descriptor is empty or longer than the kernel takes.
// nameSuffix follows the identity's name.
bool EncodeCreate(uhid_event& event, const UhidIdentity& identity,
                  const std::vector<uint8_t>& descriptor, const std::string& nameSuffix = {});
void EncodeDestroy(uhid_event& event);
// False when the report is longer than an event carries.
bool EncodeInput(uhid_event& event, const uint8_t* report, size_t length);
void EncodeGetReportReply(uhid_event& event, uint32_t id, uint16_t error, const uint8_t* report,
                          size_t length);
void EncodeSetReportReply(uhid_event& event, uint32_t id, uint16_t error);

enum class UhidRequestKind { Start, Stop, Open, Close, Output, GetReport, SetReport, Other };

// What the kernel asks of the device. Data points into the decoded event.
struct UhidRequest {
    UhidRequestKind kind = UhidRequestKind::Other;
    uint32_t id = 0;  // of a get or set report, for its reply
    uint8_t reportNumber = 0;
    uint8_t reportType = 0;  // UHID_FEATURE_REPORT, UHID_OUTPUT_REPORT, UHID_INPUT_REPORT
    const uint8_t* data = nullptr;
    size_t length = 0;
};

// The request in an event of received bytes; false when the event is cut
// short or its length field runs past its data.
bool DecodeRequest(const uhid_event& event, size_t received, UhidRequest& request);

// The number of bytes a write of the event must carry.
constexpr size_t kUhidEventSize = sizeof(uhid_event);
