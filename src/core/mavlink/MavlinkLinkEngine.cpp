#include "core/mavlink/MavlinkLinkEngine.h"

#include "core/mavlink/ParamValueCheck.h"

#include <cmath>
#include <cstring>

namespace {
enum : quint8 { U8 = 1, I8 = 2, U16 = 3, I16 = 4, U32 = 5, I32 = 6 };

quint32 bitsOf(float f)
{
    quint32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

float floatOf(quint32 bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// The range of an integer type a parameter's float field carries bytewise (up to 32 bits); false for
// the other types.
bool integerRange(quint8 type, double &lo, double &hi)
{
    qint64 low = 0;
    quint64 high = 0;
    if (type > I32 || !ParamValueCheck::integerBounds(type, low, high))
        return false;
    lo = double(low);
    hi = double(high);
    return true;
}
} // namespace

MavlinkLinkEngine::UnitNote MavlinkLinkEngine::noteUnit(const mavlink_message_t &msg)
{
    if (msg.msgid == mavlink_heartbeat_t::MSG_ID) {
        const mavlink_heartbeat_t hb = mavlink_heartbeat_t::decode(msg);
        if (hb.autopilot == AutopilotInvalid || m_unit.fromHeartbeat)
            return UnitNote::Unchanged;
        const bool same = m_unit.known && m_unit.sysid == msg.sysid && m_unit.compid == msg.compid;
        if (!same)
            m_unit = Unit();
        m_unit.known = true;
        m_unit.fromHeartbeat = true;
        m_unit.sysid = msg.sysid;
        m_unit.compid = msg.compid;
        m_unit.autopilot = hb.autopilot;
        return same ? UnitNote::Unchanged : UnitNote::Changed;
    }
    if (msg.msgid == mavlink_param_value_t::MSG_ID && !m_unit.known) {
        m_unit.known = true;
        m_unit.sysid = msg.sysid;
        m_unit.compid = msg.compid;
        return UnitNote::Changed;
    }
    if (msg.msgid == mavlink_autopilot_version_t::MSG_ID && m_unit.known && isFromUnit(msg)) {
        m_unit.haveCapabilities = true;
        const mavlink_autopilot_version_t version = mavlink_autopilot_version_t::decode(msg);
        m_unit.capabilities = version.capabilities;
        m_unit.uid = version.uid;
        return UnitNote::CapabilitiesArrived;
    }
    return UnitNote::Unchanged;
}

bool MavlinkLinkEngine::isFromUnit(const mavlink_message_t &msg) const
{
    return !m_unit.known || (msg.sysid == m_unit.sysid && msg.compid == m_unit.compid);
}

MavlinkLinkEngine::ParamEncoding MavlinkLinkEngine::encodingOf(const Unit &unit)
{
    if (unit.haveCapabilities)
        return (unit.capabilities & mavlink_autopilot_version_t::CAP_PARAM_ENCODE_BYTEWISE) ? ParamEncoding::Bytewise
                                                                                            : ParamEncoding::CCast;
    return unit.autopilot == AutopilotPx4 ? ParamEncoding::Bytewise : ParamEncoding::CCast;
}

double MavlinkLinkEngine::decodeParamField(float field, quint8 type, ParamEncoding encoding)
{
    if (encoding != ParamEncoding::Bytewise)
        return double(field);
    // The bits are taken before the field is used as a number: a pattern that reads as a float NaN
    // is an integer like any other.
    const quint32 bits = bitsOf(field);
    switch (type) {
    case U8:
        return double(bits & 0xFFu);
    case I8:
        return double(qint8(quint8(bits & 0xFFu)));
    case U16:
        return double(bits & 0xFFFFu);
    case I16:
        return double(qint16(quint16(bits & 0xFFFFu)));
    case U32:
        return double(bits);
    case I32:
        return double(qint32(bits));
    default:
        return double(field);
    }
}

float MavlinkLinkEngine::encodeParamField(double value, quint8 type, ParamEncoding encoding)
{
    double lo = 0, hi = 0;
    if (encoding != ParamEncoding::Bytewise || !integerRange(type, lo, hi))
        return float(value);
    const double v = std::isfinite(value) ? std::min(hi, std::max(lo, std::round(value))) : 0.0;
    quint32 bits = 0;
    switch (type) {
    case U8:
        bits = quint8(v);
        break;
    case I8:
        bits = quint8(qint8(v));
        break;
    case U16:
        bits = quint16(v);
        break;
    case I16:
        bits = quint16(qint16(v));
        break;
    case U32:
        bits = quint32(v);
        break;
    default:
        bits = quint32(qint32(v));
        break;
    }
    return floatOf(bits);
}

QByteArray MavlinkLinkEngine::paramRequestList()
{
    mavlink_param_request_list_t request;
    address(request);
    return frame(request);
}

QByteArray MavlinkLinkEngine::paramRequestRead(quint16 index)
{
    mavlink_param_request_read_t request;
    address(request);
    request.param_index = qint16(index);
    return frame(request);
}

QByteArray MavlinkLinkEngine::paramSet(const QByteArray &name, double value, quint8 type)
{
    mavlink_param_set_t set;
    address(set);
    set.param_value = encodeParamField(value, type, paramEncoding());
    MavlinkMessages::setParamId(set.param_id, name);
    set.param_type = type;
    return frame(set);
}

QByteArray MavlinkLinkEngine::logRequestList(quint16 start, quint16 end)
{
    mavlink_log_request_list_t request;
    address(request);
    request.start = start;
    request.end = end;
    return frame(request);
}

QByteArray MavlinkLinkEngine::logRequestData(quint32 ofs, quint32 count, quint16 id)
{
    mavlink_log_request_data_t request;
    address(request);
    request.ofs = ofs;
    request.count = count;
    request.id = id;
    return frame(request, LogDataChannel);
}

QByteArray MavlinkLinkEngine::logRequestEnd()
{
    mavlink_log_request_end_t request;
    address(request);
    return frame(request);
}

QByteArray MavlinkLinkEngine::logErase()
{
    mavlink_log_erase_t request;
    address(request);
    return frame(request);
}

QByteArray MavlinkLinkEngine::gcsHeartbeat()
{
    mavlink_heartbeat_t hb;
    hb.type = 6; // MAV_TYPE_GCS
    hb.autopilot = AutopilotInvalid;
    hb.system_status = 4; // active
    hb.mavlink_version = 3;
    return frame(hb);
}

QByteArray MavlinkLinkEngine::requestAutopilotVersion()
{
    mavlink_command_long_t command;
    address(command);
    command.command = mavlink_command_long_t::MAV_CMD_REQUEST_MESSAGE;
    command.param[0] = float(mavlink_autopilot_version_t::MSG_ID);
    return frame(command);
}

MavlinkLinkEngine::ParamValue MavlinkLinkEngine::decodeParamValue(const mavlink_message_t &msg, ParamEncoding encoding)
{
    const mavlink_param_value_t record = mavlink_param_value_t::decode(msg);
    ParamValue value;
    value.value = decodeParamField(record.param_value, record.param_type, encoding);
    value.count = record.param_count;
    value.index = record.param_index;
    value.name = MavlinkMessages::paramName(record.param_id);
    value.type = record.param_type;
    return value;
}
