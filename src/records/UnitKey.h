#pragma once

#include <QString>

// The key that joins a unit's records: the ORVE panel's unique id, the three 32-bit words at offsets
// 0, 4 and 8 each as 8 uppercase hex digits, in that order. The bootloader's GET_SN answers the same
// three words, so a unit's flash and factory records share the key.
namespace UnitKey {
QString fromWords(quint32 word0, quint32 word1, quint32 word2);
// The same from the 12 bytes the three words take on the wire (little-endian, as the board
// information and GET_SN carry them); empty for any other length.
QString fromWire(const QByteArray &twelveBytes);
// A MAVLink unit: its AUTOPILOT_VERSION uid when it reported one (16 hex digits), else "sys<N>@<port>".
QString mavlink(quint64 uid, int systemId, const QString &port);
} // namespace UnitKey
