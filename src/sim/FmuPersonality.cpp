#include "sim/FmuPersonality.h"

#include "core/mavlink/MavlinkDialect.h"

#include <cstring>

namespace {
// MAV_PROTOCOL_CAPABILITY bits the units announce.
constexpr quint64 CapParamFloat = 2;
constexpr quint64 CapParamBytewise = 16;
constexpr quint64 CapMavlink2 = 8192;
constexpr quint64 CapParamCCast = 131072;

bool isInteger(quint8 type)
{
    return type >= 1 && type <= 6; // u8 i8 u16 i16 u32 i32
}
} // namespace

bool FmuPersonality::parseFamily(const QString &name, Family &out)
{
    if (name == QLatin1String("ardupilot"))
        out = Family::ArduPilot;
    else if (name == QLatin1String("px4"))
        out = Family::Px4;
    else
        return false;
    return true;
}

quint8 FmuPersonality::heartbeatAutopilot() const
{
    return family == Family::Px4 ? 12 : 3;
}

quint64 FmuPersonality::capabilities() const
{
    return family == Family::Px4 ? CapParamBytewise | CapMavlink2 : CapParamFloat | CapMavlink2 | CapParamCCast;
}

bool FmuPersonality::accepts(const mavlink_message_t &msg) const
{
    if (enforceGcsSysid >= 0 && msg.sysid != enforceGcsSysid)
        return false;
    if (family != Family::Px4)
        return true;
    const MavlinkDialect::MessageInfo *info = MavlinkDialect::find(msg.msgid);
    if (!info || !(info->flags & 1))
        return true;
    return msg.payload[info->targetSystemOfs] == SysId;
}

float FmuPersonality::encodeField(double value, quint8 type) const
{
    if (family != Family::Px4 || !isInteger(type))
        return float(value); // ArduPilot converts its integers to float on the way
    // The integer's bytes in the field's bytes, little-endian, the unused high bytes zero.
    const qint64 whole = qint64(value);
    quint32 bits = quint32(whole);
    if (type <= 2)
        bits &= 0xFFu;
    else if (type <= 4)
        bits &= 0xFFFFu;
    float field;
    std::memcpy(&field, &bits, sizeof field);
    return field;
}

double FmuPersonality::decodeField(float field, quint8 type) const
{
    if (family != Family::Px4 || !isInteger(type))
        return double(field);
    quint32 bits;
    std::memcpy(&bits, &field, sizeof bits);
    switch (type) {
    case 1:
        return double(quint8(bits));
    case 2:
        return double(qint8(quint8(bits)));
    case 3:
        return double(quint16(bits));
    case 4:
        return double(qint16(quint16(bits)));
    case 5:
        return double(bits);
    default:
        return double(qint32(bits));
    }
}
