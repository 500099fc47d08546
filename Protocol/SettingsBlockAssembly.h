#pragma once
// The settings block as it travels: chunk replies placed into a 1024-byte
// buffer by their offset, the completed block taken over with its header words
// in host order, per-setting echoes written into it, and the set-setting
// command. Shared by every front end that reads or writes the controller's
// settings; nothing here allocates, so it runs on a read thread as it is.

#include <bitset>
#include <cstdint>

struct SettingDescriptor;

constexpr int kSettingsDataSize = 1024;
constexpr int kSettingsReportSize = 64;  // incoming, without the report id
constexpr int kSetSettingReportSize = 65;
constexpr int kSettingsHeaderBytes = 6;  // tableBytes and two more 16-bit words

enum class ChunkResult {
    Ignored,   // not a well-formed chunk reply; nothing stored
    Stored,    // stored; the block is not complete yet
    Complete,  // the last-numbered chunk was stored: the buffer holds a block
    Overflow,  // the chunk would reach past the buffer; nothing stored
    Late,      // stored; a chunk of the block completed last, arriving after it
};

// report: a block chunk reply ('N' ... 'A'). Chunks are placed by their
// offset and may come in any order; the last-numbered one ends the block.
ChunkResult StoreSettingsChunk(uint8_t (&assembly)[kSettingsDataSize], const uint8_t* report,
                               int32_t length);

// Which chunks of a block arrived, to tell a chunk that comes after its block
// was completed from the first chunk of the next block.
struct ChunkTally {
    std::bitset<256> assembling;  // chunk numbers of the block being assembled
    std::bitset<256> completed;   // chunk numbers of the block completed last
    int completedCount = -1;      // its number of chunks; -1: no block takes late chunks
};

// As above, and Late for a chunk of the block completed last that had not
// arrived before the block was completed (until the next block begins).
ChunkResult StoreSettingsChunk(uint8_t (&assembly)[kSettingsDataSize], ChunkTally& tally,
                               const uint8_t* report, int32_t length);

// Stores a late chunk into a taken block (header words in host order). False,
// with settingsData unchanged, when the chunk does not fit or would make the
// block's table reach past the buffer.
bool StoreLateSettingsChunk(uint8_t (&settingsData)[kSettingsDataSize], const uint8_t* report,
                            int32_t length);

// Copies a completed block into settingsData with its three header words in
// host order. False (settingsData unchanged) when the descriptor table would
// reach past the buffer.
bool TakeSettingsBlock(const uint8_t (&assembly)[kSettingsDataSize],
                       uint8_t (&settingsData)[kSettingsDataSize]);

// Views of a taken block (header words in host order).
const SettingDescriptor* SettingsTableOf(const uint8_t (&settingsData)[kSettingsDataSize]);
int SettingsValuesOffset(const uint8_t (&settingsData)[kSettingsDataSize]);
// Descriptors up to the closing one, within tableBytes and kMaxSettingsLookup.
int SettingsDescriptorCount(const uint8_t (&settingsData)[kSettingsDataSize]);
// Offset in settingsData of the value at the position, or -1 when the position
// is past the table or the value would reach past the buffer.
int SettingValueOffset(const uint8_t (&settingsData)[kSettingsDataSize], int position);

// report: a setting echo ('S' ... 's'). Writes the echoed value into the taken
// block; the position written, or -1 (with a trace) when the echo names no
// setting of the block or is shorter than the value.
int ApplySettingEcho(uint8_t (&settingsData)[kSettingsDataSize], const uint8_t* report,
                     int32_t length);

// The set-setting command for the setting at the position: report id, 'S',
// 's', position (big-endian), type code, 0, then the value's width in bytes of
// value (device order); the rest of the kSetSettingReportSize bytes zero.
void BuildSetSettingReport(uint8_t reportId, int position, uint8_t typeCode, const uint8_t* value,
                           uint8_t* report);

bool IsSettingsChunk(const uint8_t* report, int32_t length);
bool IsSettingEcho(const uint8_t* report, int32_t length);
