#include "Simulator/SettingsBlocks.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Simulator/ReportBytes.h"

namespace {

// Descriptor flags: every listed setting is visible and writable.
constexpr uint8_t kSettingFlags = 0x03;

void EncodeValue(const SettingSpec& setting, uint8_t* at) {
    if (setting.typeCode == SettingType::FLOAT) {
        PutBigEndianFloat(at, static_cast<float>(setting.value));
        return;
    }
    // Two's complement of the rounded value, cut to the type's width.
    const auto bits = static_cast<uint64_t>(static_cast<int64_t>(std::llround(setting.value)));
    const size_t width = settingsTypeWidth(setting.typeCode);
    for (size_t i = 0; i < width; ++i) {
        at[i] = static_cast<uint8_t>(bits >> (8 * (width - 1 - i)));
    }
}

}  // namespace

SettingsBlock::SettingsBlock(std::span<const SettingSpec> settings) {
    // How many settings fit, with the table's closing descriptor.
    size_t valueBytes = 0;
    size_t fitting = 0;
    for (const SettingSpec& setting : settings) {
        const size_t width = settingsTypeWidth(setting.typeCode);
        const size_t needed = kHeaderSize + (fitting + 2) * kDescriptorSize + valueBytes + width;
        if (width == 0 || needed > kCapacity) {
            break;
        }
        valueBytes += width;
        ++fitting;
    }
    count_ = fitting;
    const size_t tableBytes = (count_ + 1) * kDescriptorSize;
    size_ = kHeaderSize + tableBytes + valueBytes;
    PutBigEndian16(&bytes_[0], static_cast<uint16_t>(tableBytes));
    PutBigEndian16(&bytes_[2], static_cast<uint16_t>(count_));
    PutBigEndian16(&bytes_[4], static_cast<uint16_t>(valueBytes));
    uint8_t* value = &bytes_[kHeaderSize + tableBytes];
    for (size_t i = 0; i < count_; ++i) {
        const SettingSpec& setting = settings[i];
        uint8_t* descriptor = &bytes_[kHeaderSize + i * kDescriptorSize];
        descriptor[0] = setting.parentId;
        descriptor[1] = setting.childId;
        descriptor[2] = setting.typeCode;
        descriptor[3] = kSettingFlags;
        EncodeValue(setting, value);
        value += settingsTypeWidth(setting.typeCode);
    }
}

size_t SettingsBlock::TableBytes() const {
    return (count_ + 1) * kDescriptorSize;
}

const uint8_t* SettingsBlock::Descriptor(size_t position) const {
    return &bytes_[kHeaderSize + position * kDescriptorSize];
}

size_t SettingsBlock::ValueOffset(size_t position) const {
    size_t offset = kHeaderSize + TableBytes();
    for (size_t i = 0; i < position; ++i) {
        offset += settingsTypeWidth(Descriptor(i)[2]);
    }
    return offset;
}

size_t SettingsBlock::ChunkNumberAt(ChunkOrder order, size_t sent) const {
    const size_t last = ChunkCount() - 1;
    if (ChunkCount() == 0 || sent >= last) {
        return last;
    }
    switch (order) {
        case ChunkOrder::Descending:
            return last - 1 - sent;
        case ChunkOrder::Interleaved: {
            const size_t evens = (last + 1) / 2;
            return sent < evens ? 2 * sent : 2 * (sent - evens) + 1;
        }
        case ChunkOrder::Ascending:
        default:
            return sent;
    }
}

void SettingsBlock::EncodeChunk(size_t number, uint8_t* data) const {
    std::memset(data, 0, kReportDataSize);
    if (number >= ChunkCount()) {
        return;
    }
    const size_t offset = number * kChunkData;
    const size_t length = std::min(kChunkData, size_ - offset);
    data[0] = 'N';
    data[1] = static_cast<uint8_t>(4 + length);
    data[2] = 'A';
    data[3] = static_cast<uint8_t>(number);
    data[4] = static_cast<uint8_t>(ChunkCount());
    PutBigEndian16(&data[5], static_cast<uint16_t>(offset));
    std::memcpy(&data[7], &bytes_[offset], length);
}

bool SettingsBlock::Store(uint16_t position, uint8_t typeCode, const uint8_t* value,
                          size_t available) {
    if (position >= count_ || Descriptor(position)[2] != typeCode) {
        return false;
    }
    const size_t width = settingsTypeWidth(typeCode);
    if (width > available) {
        return false;
    }
    std::memcpy(&bytes_[ValueOffset(position)], value, width);
    return true;
}

void SettingsBlock::EncodeEcho(uint16_t position, uint8_t* data) const {
    std::memset(data, 0, kReportDataSize);
    if (position >= count_) {
        return;
    }
    const uint8_t typeCode = Descriptor(position)[2];
    const size_t width = settingsTypeWidth(typeCode);
    data[0] = 'S';
    data[1] = static_cast<uint8_t>(8 + width);
    data[2] = 's';
    PutBigEndian16(&data[4], position);
    data[6] = typeCode;
    std::memcpy(&data[10], &bytes_[ValueOffset(position)], width);
}
