#pragma once

#include "core/mavlink/MavlinkFrame.h"

#include <QString>

// How the simulated flight-control unit behaves like one firmware family or the other.
//   ardupilot: HEARTBEAT autopilot 3, integer parameters converted to float (C cast), logs from
//              id 1, answers requests to any target; with enforceGcsSysid (SYSID_ENFORCE) only
//              requests sent by that system are answered.
//   px4:       HEARTBEAT autopilot 12, integer parameters copied bytewise into the float field,
//              logs from id 0, answers only requests addressed to its own system id.
// Both answer MAV_CMD_REQUEST_MESSAGE for AUTOPILOT_VERSION with their capability bits.
struct FmuPersonality
{
    enum class Family { ArduPilot, Px4 };
    static constexpr quint8 SysId = 1;
    static constexpr quint8 CompId = 1;

    Family family = Family::ArduPilot;
    int enforceGcsSysid = -1; // ArduPilot's SYSID_MYGCS with SYSID_ENFORCE; -1: any sender

    // "ardupilot" or "px4"; false for another name.
    static bool parseFamily(const QString &name, Family &out);

    quint8 heartbeatAutopilot() const;
    quint64 capabilities() const;
    bool logsFromZero() const { return family == Family::Px4; }
    // Whether a request frame is answered: PX4 only when addressed to its system (targets that are
    // not in a message count as addressed); ArduPilot with enforcement only from the known sender.
    bool accepts(const mavlink_message_t &msg) const;
    // A parameter's value in PARAM_VALUE's float field, and a PARAM_SET's field as the value.
    float encodeField(double value, quint8 type) const;
    double decodeField(float field, quint8 type) const;
};
