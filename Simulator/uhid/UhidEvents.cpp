#include "Simulator/uhid/UhidEvents.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

void CopyText(char* to, size_t capacity, const std::string& text) {
    const size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(to, text.data(), length);
    to[length] = '\0';
}

void Clear(uhid_event& event, uint32_t type) {
    std::memset(&event, 0, sizeof event);
    event.type = type;
}

// Where a request's member starts within the event.
constexpr size_t kRequestStart = offsetof(uhid_event, u);

}  // namespace

bool EncodeCreate(uhid_event& event, const UhidIdentity& identity,
                  const std::vector<uint8_t>& descriptor, const std::string& nameSuffix) {
    Clear(event, UHID_CREATE2);
    uhid_create2_req& create = event.u.create2;
    if (descriptor.empty() || descriptor.size() > sizeof create.rd_data) {
        return false;
    }
    CopyText(reinterpret_cast<char*>(create.name), sizeof create.name, identity.name + nameSuffix);
    CopyText(reinterpret_cast<char*>(create.phys), sizeof create.phys, "t860-uhid");
    CopyText(reinterpret_cast<char*>(create.uniq), sizeof create.uniq, identity.uniq);
    create.rd_size = static_cast<uint16_t>(descriptor.size());
    create.bus = 0x03;  // USB: the identity the program looks for includes the bus
    create.vendor = identity.vendorId;
    create.product = identity.productId;
    create.version = identity.version;
    std::memcpy(create.rd_data, descriptor.data(), descriptor.size());
    return true;
}

void EncodeDestroy(uhid_event& event) {
    Clear(event, UHID_DESTROY);
}

bool EncodeInput(uhid_event& event, const uint8_t* report, size_t length) {
    event.type = UHID_INPUT2;
    if (length > sizeof event.u.input2.data || (report == nullptr && length > 0)) {
        return false;
    }
    event.u.input2.size = static_cast<uint16_t>(length);
    if (length > 0) {
        std::memcpy(event.u.input2.data, report, length);
    }
    return true;
}

void EncodeGetReportReply(uhid_event& event, uint32_t id, uint16_t error, const uint8_t* report,
                          size_t length) {
    Clear(event, UHID_GET_REPORT_REPLY);
    uhid_get_report_reply_req& reply = event.u.get_report_reply;
    reply.id = id;
    reply.err = error;
    length = report == nullptr ? 0 : std::min(length, sizeof reply.data);
    reply.size = static_cast<uint16_t>(length);
    if (length > 0) {
        std::memcpy(reply.data, report, length);
    }
}

void EncodeSetReportReply(uhid_event& event, uint32_t id, uint16_t error) {
    Clear(event, UHID_SET_REPORT_REPLY);
    event.u.set_report_reply.id = id;
    event.u.set_report_reply.err = error;
}

bool DecodeRequest(const uhid_event& event, size_t received, UhidRequest& request) {
    request = {};
    if (received < sizeof event.type) {
        return false;
    }
    switch (event.type) {
        case UHID_START:
            request.kind = UhidRequestKind::Start;
            return true;
        case UHID_STOP:
            request.kind = UhidRequestKind::Stop;
            return true;
        case UHID_OPEN:
            request.kind = UhidRequestKind::Open;
            return true;
        case UHID_CLOSE:
            request.kind = UhidRequestKind::Close;
            return true;
        case UHID_OUTPUT: {
            const uhid_output_req& output = event.u.output;
            if (received < kRequestStart + sizeof output || output.size > sizeof output.data) {
                return false;
            }
            request.kind = UhidRequestKind::Output;
            request.reportType = output.rtype;
            request.reportNumber = output.size > 0 ? output.data[0] : 0;
            request.data = output.data;
            request.length = output.size;
            return true;
        }
        case UHID_GET_REPORT: {
            const uhid_get_report_req& get = event.u.get_report;
            if (received < kRequestStart + sizeof get) {
                return false;
            }
            request.kind = UhidRequestKind::GetReport;
            request.id = get.id;
            request.reportNumber = get.rnum;
            request.reportType = get.rtype;
            return true;
        }
        case UHID_SET_REPORT: {
            const uhid_set_report_req& set = event.u.set_report;
            if (received < kRequestStart + offsetof(uhid_set_report_req, data) ||
                set.size > sizeof set.data ||
                received < kRequestStart + offsetof(uhid_set_report_req, data) + set.size) {
                return false;
            }
            request.kind = UhidRequestKind::SetReport;
            request.id = set.id;
            request.reportNumber = set.rnum;
            request.reportType = set.rtype;
            request.data = set.data;
            request.length = set.size;
            return true;
        }
        default:
            request.kind = UhidRequestKind::Other;
            return true;
    }
}
