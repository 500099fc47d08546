#pragma once
// Reads the values of a report through the fields its descriptor declares, as
// a host's HID parser does: what a report says depends on the descriptor
// alone, not on how the controller meant to encode it. Enough of the item
// grammar for the controller's own descriptors (short items, Push and Pop
// not used); a test fails on anything else rather than guess.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace hidfields {

enum class Kind { Input, Feature };

struct Field {
    uint32_t usage = 0;        // usage page << 16 | usage id; 0 for padding
    uint32_t application = 0;  // the usage of the top-level collection holding it
    size_t bitOffset = 0;      // after the report id
    size_t bitSize = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
};

// The fields of one report id, in report order, per kind.
using Layout = std::map<uint8_t, std::vector<Field>>;

inline constexpr uint32_t Usage(uint16_t page, uint16_t id) {
    return static_cast<uint32_t>(page) << 16 | id;
}

inline int32_t SignedItem(uint32_t data, size_t size) {
    if (size == 1) {
        return static_cast<int8_t>(data);
    }
    if (size == 2) {
        return static_cast<int16_t>(data);
    }
    return static_cast<int32_t>(data);
}

inline Layout Fields(const std::vector<uint8_t>& descriptor, Kind kind) {
    Layout layout;
    std::map<uint8_t, size_t> bits;
    uint32_t page = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
    int32_t logicalMin = 0;
    int32_t logicalMax = 0;
    std::vector<uint32_t> usages;
    uint32_t usageMin = 0;
    int depth = 0;
    uint32_t application = 0;
    for (size_t pos = 0; pos < descriptor.size();) {
        const uint8_t prefix = descriptor[pos];
        const size_t size = (prefix & 3) == 3 ? 4 : prefix & 3;
        EXPECT_LE(pos + 1 + size, descriptor.size()) << "item cut short at " << pos;
        if (pos + 1 + size > descriptor.size()) {
            break;
        }
        uint32_t data = 0;
        for (size_t i = 0; i < size; ++i) {
            data |= static_cast<uint32_t>(descriptor[pos + 1 + i]) << (8 * i);
        }
        pos += 1 + size;
        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;
        const auto fullUsage = [&](uint32_t id) { return size == 4 ? id : page << 16 | id; };
        if (type == 1) {  // global
            switch (tag) {
                case 0x0:
                    page = data;
                    break;
                case 0x1:
                    logicalMin = SignedItem(data, size);
                    break;
                case 0x2:
                    logicalMax = SignedItem(data, size);
                    break;
                case 0x7:
                    reportSize = data;
                    break;
                case 0x8:
                    reportId = static_cast<uint8_t>(data);
                    break;
                case 0x9:
                    reportCount = data;
                    break;
                default:
                    ADD_FAILURE() << "global item tag " << int(tag) << " not read here";
            }
            continue;
        }
        if (type == 2) {  // local
            if (tag == 0x0) {
                usages.push_back(fullUsage(data));
            } else if (tag == 0x1) {
                usageMin = fullUsage(data);
            } else if (tag == 0x2) {
                for (uint32_t usage = usageMin; usage <= fullUsage(data); ++usage) {
                    usages.push_back(usage);
                }
            }
            continue;
        }
        switch (tag) {  // main
            case 0xA:
                if (depth++ == 0) {
                    application = usages.empty() ? 0 : usages.front();
                }
                break;
            case 0xC:
                --depth;
                break;
            case 0x8:
            case 0xB: {
                const bool wanted = (tag == 0x8) == (kind == Kind::Input);
                const bool constant = (data & 1) != 0;
                for (uint32_t i = 0; i < reportCount; ++i) {
                    Field field;
                    if (!constant && !usages.empty()) {
                        field.usage = usages[std::min<size_t>(i, usages.size() - 1)];
                    }
                    field.application = application;
                    field.bitOffset = bits[reportId];
                    field.bitSize = reportSize;
                    field.logicalMin = logicalMin;
                    field.logicalMax = logicalMax;
                    bits[reportId] += reportSize;
                    if (wanted) {
                        layout[reportId].push_back(field);
                    }
                }
                break;
            }
            default:
                break;
        }
        usages.clear();
    }
    EXPECT_EQ(depth, 0) << "collections left open";
    return layout;
}

inline uint32_t BitsAt(const uint8_t* data, size_t bitOffset, size_t bitSize) {
    uint32_t value = 0;
    for (size_t bit = 0; bit < bitSize; ++bit) {
        const size_t at = bitOffset + bit;
        value |= static_cast<uint32_t>((data[at / 8] >> (at % 8)) & 1) << bit;
    }
    return value;
}

// A report's values by usage, each usage's values in report order. data is
// what follows the report id.
inline std::map<uint32_t, std::vector<uint32_t>> Values(const std::vector<Field>& fields,
                                                        const uint8_t* data, size_t length) {
    std::map<uint32_t, std::vector<uint32_t>> values;
    for (const Field& field : fields) {
        EXPECT_LE(field.bitOffset + field.bitSize, length * 8) << "field past the report's end";
        if (field.usage != 0 && field.bitOffset + field.bitSize <= length * 8) {
            values[field.usage].push_back(BitsAt(data, field.bitOffset, field.bitSize));
        }
    }
    return values;
}

}  // namespace hidfields
