#pragma once

#include <QHostAddress>
#include <QMetaType>
#include <QVariantMap>

// The settings map that opens a factory device (DeviceCommunication::OpenProtocolDevice): its keys,
// named once, and builders for the two kinds of device.
//
// Serial: SerialPortName (the text before the first ":" is the port, so a picker's "name: description"
// works), SerialPort_baudRate (115200), SerialPort_DataBit (8), SerialPort_StopBit (1),
// SerialPort_Parity (0). UDP: SocketUDP_IP (local address or multicast group), SocketUDP_Port (0),
// SocketUDP_TargetIP and SocketUDP_TargetPort (where every datagram goes; without them, to the sender
// of the last datagram). Addresses travel as QHostAddress values.
namespace DeviceOpenMap {
constexpr const char *SerialPortName = "SerialPortName";
constexpr const char *SerialBaudRate = "SerialPort_baudRate";
constexpr const char *SerialDataBits = "SerialPort_DataBit";
constexpr const char *SerialStopBits = "SerialPort_StopBit";
constexpr const char *SerialParity = "SerialPort_Parity";
constexpr const char *UdpLocalIp = "SocketUDP_IP";
constexpr const char *UdpLocalPort = "SocketUDP_Port";
constexpr const char *UdpTargetIp = "SocketUDP_TargetIP";
constexpr const char *UdpTargetPort = "SocketUDP_TargetPort";

// A serial port; baud 0 leaves the default.
QVariantMap serial(const QString &path, int baud = 0);
// A local UDP socket; a null target address leaves the target out (answer the last sender).
QVariantMap udp(const QHostAddress &localIp, quint16 localPort, const QHostAddress &targetIp = QHostAddress(),
                quint16 targetPort = 0);
} // namespace DeviceOpenMap

// Open maps carry addresses as QHostAddress values.
Q_DECLARE_METATYPE(QHostAddress)
