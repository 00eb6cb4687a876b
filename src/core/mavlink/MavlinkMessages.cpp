#include "core/mavlink/MavlinkMessages.h"

#include <QtEndian>

#include <cstring>

namespace {
// The one place where multi-byte fields meet the wire: little-endian at a byte offset.
template <class T> void put(uint8_t *p, int ofs, T value)
{
    qToLittleEndian<T>(value, p + ofs);
}
template <class T> T get(const uint8_t *p, int ofs)
{
    return qFromLittleEndian<T>(p + ofs);
}
void putFloat(uint8_t *p, int ofs, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    put<uint32_t>(p, ofs, bits);
}
float getFloat(const uint8_t *p, int ofs)
{
    const uint32_t bits = get<uint32_t>(p, ofs);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
} // namespace

void mavlink_heartbeat_t::encode(uint8_t *p) const
{
    put<uint32_t>(p, 0, custom_mode);
    p[4] = type;
    p[5] = autopilot;
    p[6] = base_mode;
    p[7] = system_status;
    p[8] = mavlink_version;
}

mavlink_heartbeat_t mavlink_heartbeat_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_heartbeat_t r;
    r.custom_mode = get<uint32_t>(p, 0);
    r.type = p[4];
    r.autopilot = p[5];
    r.base_mode = p[6];
    r.system_status = p[7];
    r.mavlink_version = p[8];
    return r;
}

void mavlink_param_request_read_t::encode(uint8_t *p) const
{
    put<int16_t>(p, 0, param_index);
    p[2] = target_system;
    p[3] = target_component;
    std::memcpy(p + 4, param_id, 16);
}

mavlink_param_request_read_t mavlink_param_request_read_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_param_request_read_t r;
    r.param_index = get<int16_t>(p, 0);
    r.target_system = p[2];
    r.target_component = p[3];
    std::memcpy(r.param_id, p + 4, 16);
    return r;
}

void mavlink_param_request_list_t::encode(uint8_t *p) const
{
    p[0] = target_system;
    p[1] = target_component;
}

mavlink_param_request_list_t mavlink_param_request_list_t::decode(const mavlink_message_t &msg)
{
    mavlink_param_request_list_t r;
    r.target_system = msg.payload[0];
    r.target_component = msg.payload[1];
    return r;
}

void mavlink_param_value_t::encode(uint8_t *p) const
{
    putFloat(p, 0, param_value);
    put<uint16_t>(p, 4, param_count);
    put<uint16_t>(p, 6, param_index);
    std::memcpy(p + 8, param_id, 16);
    p[24] = param_type;
}

mavlink_param_value_t mavlink_param_value_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_param_value_t r;
    r.param_value = getFloat(p, 0);
    r.param_count = get<uint16_t>(p, 4);
    r.param_index = get<uint16_t>(p, 6);
    std::memcpy(r.param_id, p + 8, 16);
    r.param_type = p[24];
    return r;
}

void mavlink_param_set_t::encode(uint8_t *p) const
{
    putFloat(p, 0, param_value);
    p[4] = target_system;
    p[5] = target_component;
    std::memcpy(p + 6, param_id, 16);
    p[22] = param_type;
}

mavlink_param_set_t mavlink_param_set_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_param_set_t r;
    r.param_value = getFloat(p, 0);
    r.target_system = p[4];
    r.target_component = p[5];
    std::memcpy(r.param_id, p + 6, 16);
    r.param_type = p[22];
    return r;
}

void mavlink_attitude_t::encode(uint8_t *p) const
{
    put<uint32_t>(p, 0, time_boot_ms);
    putFloat(p, 4, roll);
    putFloat(p, 8, pitch);
    putFloat(p, 12, yaw);
    putFloat(p, 16, rollspeed);
    putFloat(p, 20, pitchspeed);
    putFloat(p, 24, yawspeed);
}

mavlink_attitude_t mavlink_attitude_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_attitude_t r;
    r.time_boot_ms = get<uint32_t>(p, 0);
    r.roll = getFloat(p, 4);
    r.pitch = getFloat(p, 8);
    r.yaw = getFloat(p, 12);
    r.rollspeed = getFloat(p, 16);
    r.pitchspeed = getFloat(p, 20);
    r.yawspeed = getFloat(p, 24);
    return r;
}

void mavlink_log_request_list_t::encode(uint8_t *p) const
{
    put<uint16_t>(p, 0, start);
    put<uint16_t>(p, 2, end);
    p[4] = target_system;
    p[5] = target_component;
}

mavlink_log_request_list_t mavlink_log_request_list_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_log_request_list_t r;
    r.start = get<uint16_t>(p, 0);
    r.end = get<uint16_t>(p, 2);
    r.target_system = p[4];
    r.target_component = p[5];
    return r;
}

void mavlink_log_entry_t::encode(uint8_t *p) const
{
    put<uint32_t>(p, 0, time_utc);
    put<uint32_t>(p, 4, size);
    put<uint16_t>(p, 8, id);
    put<uint16_t>(p, 10, num_logs);
    put<uint16_t>(p, 12, last_log_num);
}

mavlink_log_entry_t mavlink_log_entry_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_log_entry_t r;
    r.time_utc = get<uint32_t>(p, 0);
    r.size = get<uint32_t>(p, 4);
    r.id = get<uint16_t>(p, 8);
    r.num_logs = get<uint16_t>(p, 10);
    r.last_log_num = get<uint16_t>(p, 12);
    return r;
}

void mavlink_log_request_data_t::encode(uint8_t *p) const
{
    put<uint32_t>(p, 0, ofs);
    put<uint32_t>(p, 4, count);
    put<uint16_t>(p, 8, id);
    p[10] = target_system;
    p[11] = target_component;
}

mavlink_log_request_data_t mavlink_log_request_data_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_log_request_data_t r;
    r.ofs = get<uint32_t>(p, 0);
    r.count = get<uint32_t>(p, 4);
    r.id = get<uint16_t>(p, 8);
    r.target_system = p[10];
    r.target_component = p[11];
    return r;
}

void mavlink_log_data_t::encode(uint8_t *p) const
{
    put<uint32_t>(p, 0, ofs);
    put<uint16_t>(p, 4, id);
    p[6] = count;
    std::memcpy(p + 7, data, sizeof data);
}

mavlink_log_data_t mavlink_log_data_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_log_data_t r;
    r.ofs = get<uint32_t>(p, 0);
    r.id = get<uint16_t>(p, 4);
    r.count = p[6];
    std::memcpy(r.data, p + 7, sizeof r.data);
    return r;
}

void mavlink_log_erase_t::encode(uint8_t *p) const
{
    p[0] = target_system;
    p[1] = target_component;
}

mavlink_log_erase_t mavlink_log_erase_t::decode(const mavlink_message_t &msg)
{
    mavlink_log_erase_t r;
    r.target_system = msg.payload[0];
    r.target_component = msg.payload[1];
    return r;
}

QString MavlinkMessages::paramName(const char (&id)[16])
{
    int n = 0;
    while (n < 16 && id[n] != '\0')
        ++n;
    return QString::fromLatin1(id, n);
}

void MavlinkMessages::setParamId(char (&id)[16], const QByteArray &name)
{
    std::memset(id, 0, sizeof id);
    std::memcpy(id, name.constData(), size_t(qMin(name.size(), 16)));
}

void mavlink_log_request_end_t::encode(uint8_t *p) const
{
    p[0] = target_system;
    p[1] = target_component;
}

mavlink_log_request_end_t mavlink_log_request_end_t::decode(const mavlink_message_t &msg)
{
    mavlink_log_request_end_t r;
    r.target_system = msg.payload[0];
    r.target_component = msg.payload[1];
    return r;
}

void mavlink_command_long_t::encode(uint8_t *p) const
{
    for (int i = 0; i < 7; ++i)
        putFloat(p, 4 * i, param[i]);
    put<uint16_t>(p, 28, command);
    p[30] = target_system;
    p[31] = target_component;
    p[32] = confirmation;
}

mavlink_command_long_t mavlink_command_long_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_command_long_t r;
    for (int i = 0; i < 7; ++i)
        r.param[i] = getFloat(p, 4 * i);
    r.command = get<uint16_t>(p, 28);
    r.target_system = p[30];
    r.target_component = p[31];
    r.confirmation = p[32];
    return r;
}

void mavlink_autopilot_version_t::encode(uint8_t *p) const
{
    put<uint64_t>(p, 0, capabilities);
    put<uint64_t>(p, 8, uid);
    put<uint32_t>(p, 16, flight_sw_version);
    put<uint32_t>(p, 20, middleware_sw_version);
    put<uint32_t>(p, 24, os_sw_version);
    put<uint32_t>(p, 28, board_version);
    put<uint16_t>(p, 32, vendor_id);
    put<uint16_t>(p, 34, product_id);
}

mavlink_autopilot_version_t mavlink_autopilot_version_t::decode(const mavlink_message_t &msg)
{
    const uint8_t *p = msg.payload;
    mavlink_autopilot_version_t r;
    r.capabilities = get<uint64_t>(p, 0);
    r.uid = get<uint64_t>(p, 8);
    r.flight_sw_version = get<uint32_t>(p, 16);
    r.middleware_sw_version = get<uint32_t>(p, 20);
    r.os_sw_version = get<uint32_t>(p, 24);
    r.board_version = get<uint32_t>(p, 28);
    r.vendor_id = get<uint16_t>(p, 32);
    r.product_id = get<uint16_t>(p, 34);
    return r;
}
