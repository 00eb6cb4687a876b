#pragma once

#include "core/mavlink/MavlinkFrame.h"
#include "core/mavlink/MavlinkMessages.h"

#include <QByteArray>
#include <QString>

// The sans-IO half of the program's MAVLink link: the channel states, the frames the program sends
// and the decoding of the messages it handles. MavlinkHandler owns one and feeds it the received
// bytes; it is used on one thread only.
//
// Channel 0 parses every received byte and numbers every sent frame except LOG_REQUEST_DATA, which
// carries the sequence of channel 1. Sent frames come from the program's own system and component
// (0 and 0 unless set).
//
// The unit: a vehicle has several components (autopilot, gimbal, camera) that may all answer a
// broadcast request. The engine follows one: the sender of the first HEARTBEAT that names an
// autopilot or, before any such heartbeat, provisionally the sender of the first PARAM_VALUE.
// Once it is known, every request is addressed to it (target system and component); before, they
// are broadcast (targets 0 and 0).
//
// Integer parameters travel in PARAM_VALUE's and PARAM_SET's float field either converted to float
// (C cast, ArduPilot) or copied bytewise (PX4). The unit's AUTOPILOT_VERSION capability bits decide;
// without them a PX4 unit (HEARTBEAT autopilot 12) is taken as bytewise and others as C cast.
class MavlinkLinkEngine
{
public:
    enum Channel { MainChannel = 0, LogDataChannel = 1, ChannelCount = 2 };
    enum class ParamEncoding { CCast, Bytewise };
    static constexpr quint8 AutopilotInvalid = 8; // MAV_AUTOPILOT_INVALID: not a flight controller
    static constexpr quint8 AutopilotPx4 = 12;

    // A received PARAM_VALUE as the pages see it (value decoded by the unit's encoding: a bytewise
    // integer exactly, whatever its size; otherwise the float's value).
    struct ParamValue
    {
        double value = 0;
        quint16 count = 0;
        quint16 index = 0;
        QString name;
        quint8 type = 0;
    };

    // The component the link follows.
    struct Unit
    {
        bool known = false;
        bool fromHeartbeat = false; // false: provisional, taken from a PARAM_VALUE
        quint8 sysid = 0;
        quint8 compid = 0;
        quint8 autopilot = 0;          // MAV_AUTOPILOT of its heartbeat (0 when not seen)
        bool haveCapabilities = false; // its AUTOPILOT_VERSION arrived
        quint64 capabilities = 0;
        quint64 uid = 0; // its AUTOPILOT_VERSION uid (0: none reported)
    };

    // What a received frame meant for the unit.
    enum class UnitNote {
        Unchanged,
        Changed,            // the link now follows another component (or the first one)
        CapabilitiesArrived // the unit's AUTOPILOT_VERSION arrived
    };

    // Parses received bytes on channel 0; onFrame runs for every complete frame, in order.
    void feed(const QByteArray &bytes, const MavlinkParser::Sink &onFrame) { m_parser.feed(bytes, onFrame); }

    // Notes a HEARTBEAT, PARAM_VALUE or AUTOPILOT_VERSION for the choice of the unit.
    UnitNote noteUnit(const mavlink_message_t &msg);
    // True when msg comes from the unit, or no unit is known yet.
    bool isFromUnit(const mavlink_message_t &msg) const;
    const Unit &unit() const { return m_unit; }
    // Forgets the unit (a new connection).
    void resetUnit() { m_unit = Unit(); }
    ParamEncoding paramEncoding() const { return encodingOf(m_unit); }
    // The integer encoding of a unit: its capability bits, else bytewise for a PX4 heartbeat.
    static ParamEncoding encodingOf(const Unit &unit);

    // The program's own system and component id of every sent frame.
    void setOwnIds(quint8 sysid, quint8 compid)
    {
        m_ownSysid = sysid;
        m_ownCompid = compid;
    }
    quint8 ownSysid() const { return m_ownSysid; }
    quint8 ownCompid() const { return m_ownCompid; }

    QByteArray paramRequestList();
    QByteArray paramRequestRead(quint16 index);
    // name: the parameter id's bytes, at most 16 used; type: the MAV_PARAM_TYPE code. The value is
    // encoded as the unit expects.
    QByteArray paramSet(const QByteArray &name, double value, quint8 type);
    QByteArray logRequestList(quint16 start = 0, quint16 end = 0xFFFF);
    QByteArray logRequestData(quint32 ofs, quint32 count, quint16 id);
    QByteArray logRequestEnd();
    QByteArray logErase();
    // The program's HEARTBEAT as a ground station (type GCS, autopilot invalid): a unit on UDP
    // learns where to send from it.
    QByteArray gcsHeartbeat();
    // MAV_CMD_REQUEST_MESSAGE for AUTOPILOT_VERSION, addressed to the unit.
    QByteArray requestAutopilotVersion();

    // Finalises a record on a channel from the program's own ids and returns the frame's bytes.
    template <class Record> QByteArray frame(const Record &record, Channel channel = MainChannel)
    {
        return MavlinkMessages::frame(record, m_tx[channel], m_ownSysid, m_ownCompid);
    }

    // PARAM_VALUE decoded with a given integer encoding (C cast when not given).
    static ParamValue decodeParamValue(const mavlink_message_t &msg, ParamEncoding encoding = ParamEncoding::CCast);
    // PARAM_VALUE decoded with the unit's encoding.
    ParamValue decodeUnitParamValue(const mavlink_message_t &msg) const
    {
        return decodeParamValue(msg, paramEncoding());
    }
    // The number a parameter's float field carries, and the reverse, for a MAV_PARAM_TYPE and an
    // encoding. Bytewise integers sit in the field's low bytes, bit for bit (a pattern that reads as a
    // float NaN included); values are rounded and clamped to the type's range.
    static double decodeParamField(float field, quint8 type, ParamEncoding encoding);
    static float encodeParamField(double value, quint8 type, ParamEncoding encoding);

    MavlinkTxChannel &txChannel(Channel channel) { return m_tx[channel]; }
    const MavlinkLinkCounters &counters() const { return m_parser.counters(); }

private:
    template <class Request> void address(Request &request) const
    {
        request.target_system = m_unit.known ? m_unit.sysid : 0;
        request.target_component = m_unit.known ? m_unit.compid : 0;
    }

    MavlinkParser m_parser; // channel 0
    MavlinkTxChannel m_tx[ChannelCount];
    quint8 m_ownSysid = 0;
    quint8 m_ownCompid = 0;
    Unit m_unit;
};
