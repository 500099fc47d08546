#pragma once
// The controller's input reports as tests build them: the 64 data bytes that
// follow the report id, placed as the controller places them.

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "Protocol/TouchPackets.h"
#include "Simulator/ReportBytes.h"

using Report64 = std::array<uint8_t, kReportDataSize>;

// The leading bytes given, zeros after them.
inline Report64 Report(std::initializer_list<uint8_t> leading) {
    Report64 report{};
    std::copy_n(leading.begin(), std::min(leading.size(), report.size()), report.begin());
    return report;
}

// A reply to a command: its length counts the code and the data.
inline Report64 Reply(uint8_t code, std::initializer_list<uint8_t> data = {}) {
    Report64 report = Report({'C', static_cast<uint8_t>(1 + data.size()), code});
    std::copy_n(data.begin(), std::min<size_t>(data.size(), report.size() - 3), &report[3]);
    return report;
}

// An X multitouch packet; the length says whether the second touch counts.
inline Report64 XReport(uint8_t length, const XTouchRecord& first,
                        const XTouchRecord& second = {}) {
    Report64 report = Report({'X', length});
    uint8_t* at = &report[2];
    for (const XTouchRecord* touch : {&first, &second}) {
        at[0] = touch->State;
        PutBigEndianFloat(&at[1], touch->X);
        PutBigEndianFloat(&at[5], touch->Y);
        PutLittleEndian16(&at[9], touch->Width);
        PutLittleEndian16(&at[11], touch->Height);
        at += kXLengthOneTouch;
    }
    return report;
}

// An X packet of one touch whose coordinates are the given float bit patterns
// (infinities, NaNs, values far off the window).
inline Report64 XReportBits(uint8_t state, uint32_t xBits, uint32_t yBits) {
    Report64 report = Report({'X', kXLengthOneTouch, state});
    PutBigEndian32(&report[3], xBits);
    PutBigEndian32(&report[7], yBits);
    return report;
}

// A Y multitouch packet: up to two touches, the count in byte 22.
inline Report64 YReport(uint8_t count, std::initializer_list<TouchRecord> touches) {
    Report64 report = Report({'Y'});
    uint8_t* at = &report[2];
    for (const TouchRecord& touch : touches) {
        at[0] = touch.State;
        at[1] = touch.Id;
        PutLittleEndian16(&at[2], touch.X);
        PutLittleEndian16(&at[4], touch.Y);
        PutLittleEndian16(&at[6], touch.Width);
        PutLittleEndian16(&at[8], touch.Height);
        at += 10;
    }
    report[22] = count;
    return report;
}

// An offscreen packet of one touch at fractions of the screen, the count in
// byte 30.
inline Report64 OReport(uint8_t count, uint8_t state, uint8_t id, float x, float y) {
    Report64 report = Report({'O', 0, state, id});
    PutLittleEndianFloat(&report[4], x);
    PutLittleEndianFloat(&report[8], y);
    report[30] = count;
    return report;
}

// A chunk of a settings block: number, count and offset of the block's chunks,
// up to 57 data bytes; the length byte counts the data and four more unless
// given.
inline Report64 SettingsChunk(uint8_t number, uint8_t count, uint16_t offset,
                              const std::vector<uint8_t>& data, int lengthByte = -1) {
    Report64 report =
        Report({'N', static_cast<uint8_t>(lengthByte < 0 ? data.size() + 4 : lengthByte), 'A',
                number, count});
    PutBigEndian16(&report[5], offset);
    std::copy_n(data.begin(), std::min<size_t>(data.size(), 57), &report[7]);
    return report;
}

// The controller's echo of the setting at a position of its table.
inline Report64 SettingsEcho(uint16_t position, const std::vector<uint8_t>& value) {
    Report64 report = Report({'S', 0, 's'});
    PutBigEndian16(&report[4], position);
    std::copy_n(value.begin(), std::min<size_t>(value.size(), report.size() - 10), &report[10]);
    return report;
}
