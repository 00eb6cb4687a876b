#pragma once

#include "core/mavlink/MavlinkFrame.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

#include <cstdint>

// The MAVLink "common" messages the program and the simulated unit exchange, as records with their
// wire layout (fields ordered by size, little-endian). encode() writes the full-length payload;
// decode() reads a parsed frame, whose payload is zero-extended, so truncated frames read as zeros.

struct mavlink_heartbeat_t
{
    static constexpr uint32_t MSG_ID = 0;
    static constexpr int LEN = 9;
    uint32_t custom_mode = 0;
    uint8_t type = 0;
    uint8_t autopilot = 0;
    uint8_t base_mode = 0;
    uint8_t system_status = 0;
    uint8_t mavlink_version = 0;
    void encode(uint8_t *p) const;
    static mavlink_heartbeat_t decode(const mavlink_message_t &msg);
};

struct mavlink_param_request_read_t
{
    static constexpr uint32_t MSG_ID = 20;
    static constexpr int LEN = 20;
    int16_t param_index = 0;
    uint8_t target_system = 0;
    uint8_t target_component = 0;
    char param_id[16] = {};
    void encode(uint8_t *p) const;
    static mavlink_param_request_read_t decode(const mavlink_message_t &msg);
};

struct mavlink_param_request_list_t
{
    static constexpr uint32_t MSG_ID = 21;
    static constexpr int LEN = 2;
    uint8_t target_system = 0;
    uint8_t target_component = 0;
    void encode(uint8_t *p) const;
    static mavlink_param_request_list_t decode(const mavlink_message_t &msg);
};

struct mavlink_param_value_t
{
    static constexpr uint32_t MSG_ID = 22;
    static constexpr int LEN = 25;
    float param_value = 0;
    uint16_t param_count = 0;
    uint16_t param_index = 0;
    char param_id[16] = {}; // not NUL-terminated when the name has 16 characters
    uint8_t param_type = 0;
    void encode(uint8_t *p) const;
    static mavlink_param_value_t decode(const mavlink_message_t &msg);
};

struct mavlink_param_set_t
{
    static constexpr uint32_t MSG_ID = 23;
    static constexpr int LEN = 23;
    float param_value = 0;
    uint8_t target_system = 0;
    uint8_t target_component = 0;
    char param_id[16] = {};
    uint8_t param_type = 0;
    void encode(uint8_t *p) const;
    static mavlink_param_set_t decode(const mavlink_message_t &msg);
};

struct mavlink_attitude_t
{
    static constexpr uint32_t MSG_ID = 30;
    static constexpr int LEN = 28;
    uint32_t time_boot_ms = 0;
    float roll = 0, pitch = 0, yaw = 0;
    float rollspeed = 0, pitchspeed = 0, yawspeed = 0;
    void encode(uint8_t *p) const;
    static mavlink_attitude_t decode(const mavlink_message_t &msg);
};

struct mavlink_log_request_list_t
{
    static constexpr uint32_t MSG_ID = 117;
    static constexpr int LEN = 6;
    uint16_t start = 0;
    uint16_t end = 0;
    uint8_t target_system = 0;
    uint8_t target_component = 0;
    void encode(uint8_t *p) const;
    static mavlink_log_request_list_t decode(const mavlink_message_t &msg);
};

struct mavlink_log_entry_t
{
    static constexpr uint32_t MSG_ID = 118;
    static constexpr int LEN = 14;
    uint32_t time_utc = 0;
    uint32_t size = 0;
    uint16_t id = 0;
    uint16_t num_logs = 0;
    uint16_t last_log_num = 0;
    void encode(uint8_t *p) const;
    static mavlink_log_entry_t decode(const mavlink_message_t &msg);
};

struct mavlink_log_request_data_t
{
    static constexpr uint32_t MSG_ID = 119;
    static constexpr int LEN = 12;
    uint32_t ofs = 0;
    uint32_t count = 0;
    uint16_t id = 0;
    uint8_t target_system = 0;
    uint8_t target_component = 0;
    void encode(uint8_t *p) const;
    static mavlink_log_request_data_t decode(const mavlink_message_t &msg);
};

struct mavlink_log_data_t
{
    static constexpr uint32_t MSG_ID = 120;
    static constexpr int LEN = 97;
    uint32_t ofs = 0;
    uint16_t id = 0;
    uint8_t count = 0;
    uint8_t data[90] = {};
    void encode(uint8_t *p) const;
    static mavlink_log_data_t decode(const mavlink_message_t &msg);
};
Q_DECLARE_METATYPE(mavlink_log_data_t)

struct mavlink_log_erase_t
{
    static constexpr uint32_t MSG_ID = 121;
    static constexpr int LEN = 2;
    uint8_t target_system = 0;
    uint8_t target_component = 0;
    void encode(uint8_t *p) const;
    static mavlink_log_erase_t decode(const mavlink_message_t &msg);
};

struct mavlink_log_request_end_t
{
    static constexpr uint32_t MSG_ID = 122;
    static constexpr int LEN = 2;
    uint8_t target_system = 0;
    uint8_t target_component = 0;
    void encode(uint8_t *p) const;
    static mavlink_log_request_end_t decode(const mavlink_message_t &msg);
};

struct mavlink_command_long_t
{
    static constexpr uint32_t MSG_ID = 76;
    static constexpr int LEN = 33;
    static constexpr uint16_t MAV_CMD_REQUEST_MESSAGE = 512; // param1: the message id asked for
    float param[7] = {};
    uint16_t command = 0;
    uint8_t target_system = 0;
    uint8_t target_component = 0;
    uint8_t confirmation = 0;
    void encode(uint8_t *p) const;
    static mavlink_command_long_t decode(const mavlink_message_t &msg);
};

struct mavlink_autopilot_version_t
{
    static constexpr uint32_t MSG_ID = 148;
    static constexpr int LEN = 60; // without the uid2 extension
    // Capability bits: how the unit carries integer parameters in PARAM_VALUE/PARAM_SET's float.
    static constexpr uint64_t CAP_PARAM_ENCODE_BYTEWISE = 16;
    static constexpr uint64_t CAP_PARAM_ENCODE_C_CAST = 131072;
    uint64_t capabilities = 0;
    uint64_t uid = 0;
    uint32_t flight_sw_version = 0;
    uint32_t middleware_sw_version = 0;
    uint32_t os_sw_version = 0;
    uint32_t board_version = 0;
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    void encode(uint8_t *p) const; // the custom version bytes are left zero
    static mavlink_autopilot_version_t decode(const mavlink_message_t &msg);
};

namespace MavlinkMessages {
// Finalises record as a MAVLink 2 frame on channel (system/component from the arguments).
template <class Record>
bool pack(mavlink_message_t &msg, const Record &record, MavlinkTxChannel &channel, uint8_t sysid = 0,
          uint8_t compid = 0)
{
    uint8_t payload[Record::LEN] = {};
    record.encode(payload);
    return MavlinkFrame::finalize(msg, Record::MSG_ID, payload, Record::LEN, channel, sysid, compid);
}

// The wire bytes of record as one MAVLink 2 frame.
template <class Record>
QByteArray frame(const Record &record, MavlinkTxChannel &channel, uint8_t sysid = 0, uint8_t compid = 0)
{
    mavlink_message_t msg;
    pack(msg, record, channel, sysid, compid);
    return MavlinkFrame::serialize(msg);
}

// A parameter id as a name: the bytes up to the first NUL, at most 16, as Latin-1/ASCII.
QString paramName(const char (&id)[16]);
// Writes name (its bytes, at most 16) into id, the rest zero.
void setParamId(char (&id)[16], const QByteArray &name);
} // namespace MavlinkMessages
