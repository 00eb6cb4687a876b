#pragma once

#include <cstddef>
#include <cstdint>

// The fuzz input read byte by byte; past its end every read gives 0, so a target never runs out.
struct FuzzReader
{
    const uint8_t *data;
    size_t size;
    size_t pos = 0;
    bool empty() const { return pos >= size; }
    uint8_t byte() { return pos < size ? data[pos++] : 0; }
    // Four bytes, most significant first.
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        return v;
    }
};
