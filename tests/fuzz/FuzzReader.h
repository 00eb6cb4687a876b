#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// The fuzz input read byte by byte; past its end every read gives 0, so a target never runs out.
struct FuzzReader
{
    const uint8_t *data;
    size_t size;
    size_t pos = 0;
    bool empty() const { return pos >= size; }
    uint8_t byte() { return pos < size ? data[pos++] : 0; }
    // Two bytes, most significant first (read in turn: the operands of | are not sequenced).
    uint16_t u16()
    {
        const uint16_t high = byte();
        return uint16_t(high << 8 | byte());
    }
    // Four bytes, most significant first.
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | byte();
        return v;
    }
    // Where a fake millisecond clock starts: anywhere, or (nearWrap) at most 12.75 s before the quint32
    // wrap, so that a run's time differences cross it.
    uint32_t clockStart(bool nearWrap) { return nearWrap ? 0xFFFFFFFFu - uint32_t(byte()) * 50 : u32(); }
};

// A property of the code under test that must hold: a break ends the run as a finding.
inline void fuzzExpect(bool ok)
{
    if (!ok)
        std::abort();
}
