#pragma once

#include "link/IOHandler.h"

// How the Param and Log pages open the shared MAVLink link: "USB" is the picked port at 9600 8N1,
// anything else UDP bound to 127.0.0.1:7001, sending to 127.0.0.1:7000.
IOHandler::DeviceInfo mavlinkPageDevice(int linkId, const QString &linkKind, const QString &portText);

class MavlinkHandler;

// The program's own MAVLink ids for vehicles that accept only a known ground station, from
// ./cfg/mavlink.ini ("mavlink/system_id", "mavlink/component_id", 0..255, default 0 and 0; the file
// is written with the defaults on first use), handed to the link before it opens.
void applyMavlinkOwnIds(MavlinkHandler *link, const QString &settingsPath = QStringLiteral("./cfg/mavlink.ini"));
