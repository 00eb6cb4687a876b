#pragma once

#include "link/IOHandler.h"

// How the Param and Log pages open the shared MAVLink link: "USB" is the picked port at 9600 8N1,
// anything else UDP bound to 127.0.0.1:7001, sending to 127.0.0.1:7000.
IOHandler::DeviceInfo mavlinkPageDevice(int linkId, const QString &linkKind, const QString &portText);
