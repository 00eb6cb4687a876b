#pragma once

#include <QString>

// What to tell the user when a serial port cannot be opened for lack of permission: on Debian the
// serial devices belong to the group dialout.
namespace SerialPermissionHint {
// "add your user to the 'dialout' group, then log in again", translated.
QString text();
// message, then the hint on a line of its own when permissionDenied; message alone otherwise.
QString appendTo(const QString &message, bool permissionDenied);
// True when the device file path exists but this user may not read and write it.
bool deniedFor(const QString &path);
} // namespace SerialPermissionHint
