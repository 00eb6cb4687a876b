#pragma once

#include <cstdint>

// The MAVLink "common" dialect as the program carries it: per message id its CRC_EXTRA seed, its
// payload lengths and the offsets of its target fields. The table itself is generated
// (MavlinkDialectTable.cpp, by scripts/gen-mavlink-dialect.py) and sorted by id.
namespace MavlinkDialect {

struct MessageInfo
{
    uint32_t msgid;
    const char *name;
    uint8_t crcExtra;
    uint8_t minLen; // payload length without MAVLink 2 extension fields (the MAVLink 1 length)
    uint8_t maxLen; // payload length with the extension fields
    uint8_t flags;  // bit 0: has target_system, bit 1: has target_component
    uint8_t targetSystemOfs;
    uint8_t targetComponentOfs;
};

extern const MessageInfo kMessages[];
extern const int kMessageCount;

// The entry of msgid, or null when the dialect has no such message.
const MessageInfo *find(uint32_t msgid);

} // namespace MavlinkDialect
