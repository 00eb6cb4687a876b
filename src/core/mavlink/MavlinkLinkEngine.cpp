#include "core/mavlink/MavlinkLinkEngine.h"

QByteArray MavlinkLinkEngine::paramRequestList()
{
    return frame(mavlink_param_request_list_t());
}

QByteArray MavlinkLinkEngine::paramSet(const QByteArray &name, float value, quint8 type)
{
    mavlink_param_set_t set;
    set.param_value = value;
    MavlinkMessages::setParamId(set.param_id, name);
    set.param_type = type;
    return frame(set);
}

QByteArray MavlinkLinkEngine::logRequestList(quint16 start, quint16 end)
{
    mavlink_log_request_list_t request;
    request.start = start;
    request.end = end;
    return frame(request);
}

QByteArray MavlinkLinkEngine::logRequestData(quint32 ofs, quint32 count, quint16 id)
{
    mavlink_log_request_data_t request;
    request.ofs = ofs;
    request.count = count;
    request.id = id;
    return frame(request, LogDataChannel);
}

QByteArray MavlinkLinkEngine::logErase()
{
    return frame(mavlink_log_erase_t());
}

MavlinkLinkEngine::ParamValue MavlinkLinkEngine::decodeParamValue(const mavlink_message_t &msg)
{
    const mavlink_param_value_t record = mavlink_param_value_t::decode(msg);
    ParamValue value;
    value.value = record.param_value;
    value.count = record.param_count;
    value.index = record.param_index;
    value.name = MavlinkMessages::paramName(record.param_id);
    value.type = record.param_type;
    return value;
}
