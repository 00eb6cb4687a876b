#include "core/mavlink/MavlinkDialect.h"

#include <algorithm>
#include <array>

namespace MavlinkDialect {

const MessageInfo *find(uint32_t msgid)
{
    // Ids below 256 are looked up in a direct index built once, the rest by binary search.
    static const auto lowIndex = [] {
        std::array<const MessageInfo *, 256> index{};
        for (int i = 0; i < kMessageCount && kMessages[i].msgid < 256; ++i)
            index[kMessages[i].msgid] = &kMessages[i];
        return index;
    }();
    if (msgid < 256)
        return lowIndex[msgid];
    const MessageInfo *end = kMessages + kMessageCount;
    const MessageInfo *it =
        std::lower_bound(kMessages, end, msgid, [](const MessageInfo &m, uint32_t id) { return m.msgid < id; });
    return (it != end && it->msgid == msgid) ? it : nullptr;
}

} // namespace MavlinkDialect
