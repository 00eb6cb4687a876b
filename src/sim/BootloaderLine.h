#pragma once

#include "sim/BootloaderOptions.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

class SimEndpoint;

// The USB line of a simulated bootloader: applies the input faults (a duplicated byte, the unit
// vanishing at a stream offset) to what arrives, and sends replies as a USB device does, in packets of
// at most 64 bytes with an optional minimum gap between packets. Each send() is at least one packet:
// a reply whose data and in-sync pair are sent separately reaches the host in separate reads whenever
// the host reads in between.
class BootloaderLine : public QObject
{
    Q_OBJECT
public:
    static constexpr int PacketSize = 64;

    BootloaderLine(SimEndpoint &endpoint, const BootloaderOptions &options, QObject *parent = nullptr);
    void send(const QByteArray &bytes);

signals:
    // Input bytes after the faults were applied.
    void received(const QByteArray &bytes);

private:
    void take(const QByteArray &bytes);

    SimEndpoint &m_endpoint;
    const BootloaderOptions m_options;
    qint64 m_streamOffset = 0;
    QElapsedTimer m_lastPacket;
};
