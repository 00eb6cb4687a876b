#pragma once

#include <QByteArray>
#include <QList>

// The unit's transport command frame: "QJ", type, payload length n, n payload bytes, and the
// CRC-16/MODBUS of the payload only (low byte first; an empty payload carries FF FF).
namespace TransportCommand {
constexpr quint8 Header0 = 0x51; // "Q"
constexpr quint8 Header1 = 0x4A; // "J"
constexpr quint8 TypeControl = 3;
// Payloads of type 3.
constexpr quint8 SwitchToMavlink = 6;
constexpr quint8 SwitchToFlyLink = 7;
constexpr quint8 Reboot = 8;
// A switch of the output protocol is followed this long after by a reboot, which makes it take effect.
constexpr int RebootAfterSwitchMs = 200;

// CRC-16/MODBUS: initial 0xFFFF, reflected polynomial 0xA001, no final XOR.
quint16 crc16Modbus(const QByteArray &data);
constexpr int MaxPayload = 255;
// The frame of type with payload; empty for a payload over MaxPayload bytes.
QByteArray build(quint8 type, const QByteArray &payload);
// The type 3 frame with the one-byte payload what (SwitchToMavlink, SwitchToFlyLink or Reboot).
QByteArray control(quint8 what);

struct Frame
{
    quint8 type = 0;
    QByteArray payload;
};

// Finds the command frames in a byte stream (a stream that also carries other traffic): bytes that
// are not part of a good frame are skipped.
class Parser
{
public:
    QList<Frame> feed(const QByteArray &bytes);
    quint32 crcErrors() const { return m_crcErrors; }

private:
    QByteArray m_buffer;
    quint32 m_crcErrors = 0;
};
} // namespace TransportCommand
