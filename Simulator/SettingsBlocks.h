#pragma once
// The controller's settings: one packed block per channel (header, descriptor
// table, value area with big-endian values), sent to the host in chunks and
// changed one setting at a time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "Driver/XlateLib/Settings.h"

// One setting as the controller's defaults list it.
struct SettingSpec {
    uint8_t parentId;  // 16 × group index
    uint8_t childId;
    uint8_t typeCode;
    double value;  // converted to the type when the block is built
};

// The default settings of channel 0 or channel 6; other channels have none.
std::span<const SettingSpec> DefaultSettings(int channel);

// Order in which the chunks of one block go out; whatever the order, the
// last-numbered chunk goes last, since the host takes it as the block's end.
enum class ChunkOrder { Ascending, Descending, Interleaved };

class SettingsBlock {
public:
    // The block must fit the host's 1024-byte buffer with room to spare.
    static constexpr size_t kCapacity = 1023;
    static constexpr size_t kChunkData = 57;
    static constexpr size_t kMaxChunks = (kCapacity + kChunkData - 1) / kChunkData;
    static constexpr size_t kHeaderSize = 6;
    static constexpr size_t kDescriptorSize = 4;

    SettingsBlock() = default;
    // Settings that would not fit are left out.
    explicit SettingsBlock(std::span<const SettingSpec> settings);

    const uint8_t* Bytes() const { return bytes_.data(); }
    size_t Size() const { return size_; }
    size_t ChunkCount() const { return (size_ + kChunkData - 1) / kChunkData; }

    // The chunk number that goes out as the sent-th chunk of the block.
    size_t ChunkNumberAt(ChunkOrder order, size_t sent) const;
    // Fills the 64 data bytes of the chunk reply for one chunk number.
    void EncodeChunk(size_t number, uint8_t* data) const;

    // Stores a new value (device byte order) for the setting at the descriptor
    // position. Refused when the position is past the table, the type code is
    // not the setting's, or fewer value bytes are available than it is wide.
    bool Store(uint16_t position, uint8_t typeCode, const uint8_t* value, size_t available);
    // Fills the 64 data bytes of the echo of one setting's current value.
    void EncodeEcho(uint16_t position, uint8_t* data) const;

private:
    size_t TableBytes() const;
    const uint8_t* Descriptor(size_t position) const;
    size_t ValueOffset(size_t position) const;

    std::array<uint8_t, kCapacity> bytes_{};
    size_t size_ = 0;
    size_t count_ = 0;
};
