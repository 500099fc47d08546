#include "Protocol/SettingsBlockAssembly.h"

#include <cstring>

#include "Driver/XlateLib/Settings.h"
#include "lib/Trace.h"

namespace {

// Block chunk reply.
constexpr int kChunkNumber = 3;
constexpr int kChunkCount = 4;
constexpr int kChunkOffset = 5;
constexpr int kChunkData = 7;
constexpr int kChunkLengthBase = 4;  // L counts the chunk number, count and offset too

// Setting echo reply.
constexpr int kEchoPosition = 4;
constexpr int kEchoValue = 10;

// Set-setting command.
constexpr int kSetPosition = 3;
constexpr int kSetType = 5;
constexpr int kSetValue = 7;

uint16_t BigEndian16(const uint8_t* bytes) {
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

uint16_t TableBytes(const uint8_t (&settingsData)[kSettingsDataSize]) {
    uint16_t tableBytes;
    std::memcpy(&tableBytes, settingsData, sizeof tableBytes);
    return tableBytes;
}

}  // namespace

bool IsSettingsChunk(const uint8_t* report, int32_t length) {
    return report != nullptr && length >= kChunkData && report[0] == 'N' && report[2] == 'A';
}

bool IsSettingEcho(const uint8_t* report, int32_t length) {
    return report != nullptr && length >= kChunkData && report[0] == 'S' && report[2] == 's';
}

ChunkResult StoreSettingsChunk(uint8_t (&assembly)[kSettingsDataSize], const uint8_t* report,
                               int32_t length) {
    if (!IsSettingsChunk(report, length)) {
        return ChunkResult::Ignored;
    }
    // An L below 4 wraps to a huge length, which the bounds check refuses.
    const auto dataLength = static_cast<uint16_t>(report[1] - kChunkLengthBase);
    const uint16_t offset = BigEndian16(report + kChunkOffset);
    if (offset + dataLength >= kSettingsDataSize) {
        return ChunkResult::Overflow;
    }
    if (kChunkData + dataLength > length) {
        TraceError("T860Util: settings chunk longer than its report", __FILE__, __LINE__);
        return ChunkResult::Ignored;
    }
    std::memcpy(assembly + offset, report + kChunkData, dataLength);
    return report[kChunkNumber] == report[kChunkCount] - 1 ? ChunkResult::Complete
                                                           : ChunkResult::Stored;
}

ChunkResult StoreSettingsChunk(uint8_t (&assembly)[kSettingsDataSize], ChunkTally& tally,
                               const uint8_t* report, int32_t length) {
    const ChunkResult result = StoreSettingsChunk(assembly, report, length);
    if (result != ChunkResult::Stored && result != ChunkResult::Complete) {
        return result;
    }
    const uint8_t number = report[kChunkNumber];
    const int count = report[kChunkCount];
    if (count == tally.completedCount && number < count && !tally.completed.test(number)) {
        tally.completed.set(number);
        return ChunkResult::Late;
    }
    // Any other chunk belongs to the next block: the last one takes no more.
    tally.completedCount = -1;
    tally.assembling.set(number);
    if (result == ChunkResult::Complete) {
        tally.completed = tally.assembling;
        tally.completedCount = count;
        tally.assembling.reset();
    }
    return result;
}

bool StoreLateSettingsChunk(uint8_t (&settingsData)[kSettingsDataSize], const uint8_t* report,
                            int32_t length) {
    // The block as the controller sent it, header words included, with the
    // chunk in its place; taken again as a whole.
    uint8_t block[kSettingsDataSize];
    std::memcpy(block, settingsData, kSettingsDataSize);
    for (int word = 0; word < kSettingsHeaderBytes; word += 2) {
        uint16_t host;
        std::memcpy(&host, block + word, sizeof host);
        block[word] = static_cast<uint8_t>(host >> 8);
        block[word + 1] = static_cast<uint8_t>(host);
    }
    const ChunkResult stored = StoreSettingsChunk(block, report, length);
    if (stored != ChunkResult::Stored && stored != ChunkResult::Complete) {
        return false;
    }
    return TakeSettingsBlock(block, settingsData);
}

bool TakeSettingsBlock(const uint8_t (&assembly)[kSettingsDataSize],
                       uint8_t (&settingsData)[kSettingsDataSize]) {
    // A table longer than the buffer would put the value area outside it.
    if (kSettingsHeaderBytes + BigEndian16(assembly) > kSettingsDataSize) {
        TraceError("T860Util: settings block table larger than settingsData", __FILE__, __LINE__);
        return false;
    }
    std::memcpy(settingsData, assembly, kSettingsDataSize);
    for (int word = 0; word < kSettingsHeaderBytes; word += 2) {
        const uint16_t host = BigEndian16(settingsData + word);
        std::memcpy(settingsData + word, &host, sizeof host);
    }
    return true;
}

const SettingDescriptor* SettingsTableOf(const uint8_t (&settingsData)[kSettingsDataSize]) {
    return reinterpret_cast<const SettingDescriptor*>(settingsData + kSettingsHeaderBytes);
}

int SettingsValuesOffset(const uint8_t (&settingsData)[kSettingsDataSize]) {
    return kSettingsHeaderBytes + TableBytes(settingsData);
}

int SettingsDescriptorCount(const uint8_t (&settingsData)[kSettingsDataSize]) {
    const int inTable = TableBytes(settingsData) / static_cast<int>(sizeof(SettingDescriptor));
    const SettingDescriptor* table = SettingsTableOf(settingsData);
    int count = 0;
    while (count < inTable && count < kMaxSettingsLookup && table[count].typeCode != 0) {
        ++count;
    }
    return count;
}

int SettingValueOffset(const uint8_t (&settingsData)[kSettingsDataSize], int position) {
    if (position < 0 || position >= SettingsDescriptorCount(settingsData)) {
        return -1;
    }
    const SettingDescriptor* table = SettingsTableOf(settingsData);
    // Counted as an offset: a value past the buffer is never even addressed.
    int offset = SettingsValuesOffset(settingsData);
    for (int before = 0; before < position; ++before) {
        offset += settingsTypeSize(table[before].typeCode);
    }
    const int width = settingsTypeSize(table[position].typeCode);
    return offset + width > kSettingsDataSize ? -1 : offset;
}

int ApplySettingEcho(uint8_t (&settingsData)[kSettingsDataSize], const uint8_t* report,
                     int32_t length) {
    if (!IsSettingEcho(report, length)) {
        return -1;
    }
    const int position = BigEndian16(report + kEchoPosition);
    if (position >= SettingsDescriptorCount(settingsData)) {
        TraceError("T860Util: setting echo beyond the descriptor table", __FILE__, __LINE__);
        return -1;
    }
    const int offset = SettingValueOffset(settingsData, position);
    if (offset < 0) {
        TraceError("T860Util: setting echo value beyond settingsData", __FILE__, __LINE__);
        return -1;
    }
    const int width = settingsTypeSize(SettingsTableOf(settingsData)[position].typeCode);
    if (kEchoValue + width > length) {
        TraceError("T860Util: setting echo shorter than its value", __FILE__, __LINE__);
        return -1;
    }
    std::memcpy(settingsData + offset, report + kEchoValue, static_cast<size_t>(width));
    return position;
}

void BuildSetSettingReport(uint8_t reportId, int position, uint8_t typeCode, const uint8_t* value,
                           uint8_t* report) {
    std::memset(report, 0, kSetSettingReportSize);
    report[0] = reportId;
    report[1] = 'S';
    report[2] = 's';
    report[kSetPosition] = static_cast<uint8_t>(position >> 8);
    report[kSetPosition + 1] = static_cast<uint8_t>(position);
    report[kSetType] = typeCode;
    const int width = settingsTypeSize(typeCode);
    if (width > 0) {
        std::memcpy(report + kSetValue, value, static_cast<size_t>(width));
    }
}
