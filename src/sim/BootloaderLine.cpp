#include "sim/BootloaderLine.h"

#include "sim/SimEndpoint.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QThread>

BootloaderLine::BootloaderLine(SimEndpoint &endpoint, const BootloaderOptions &options, QObject *parent)
    : QObject(parent), m_endpoint(endpoint), m_options(options)
{
    connect(&m_endpoint, &SimEndpoint::received, this, &BootloaderLine::take);
}

void BootloaderLine::take(const QByteArray &bytes)
{
    const qint64 start = m_streamOffset;
    m_streamOffset += bytes.size();
    if (m_options.unplugAt >= 0 && m_streamOffset > m_options.unplugAt) {
        QTextStream(stderr) << "bootloader: unplugged at input offset " << m_options.unplugAt << "\n";
        // Ends the process: the terminal closes, as a unit pulled from the USB port disappears.
        QCoreApplication::exit(3);
        disconnect(&m_endpoint, nullptr, this, nullptr);
        return;
    }
    const qint64 dup = m_options.dupByteAt;
    if (dup >= start && dup < m_streamOffset) {
        const int at = int(dup - start);
        emit received(bytes.left(at + 1) + bytes.mid(at));
        return;
    }
    emit received(bytes);
}

void BootloaderLine::send(const QByteArray &bytes)
{
    for (int at = 0; at < bytes.size(); at += PacketSize) {
        if (m_options.packetGapUs > 0 && m_lastPacket.isValid()) {
            const qint64 waitNs = qint64(m_options.packetGapUs) * 1000 - m_lastPacket.nsecsElapsed();
            if (waitNs > 0)
                QThread::usleep(quint64((waitNs + 999) / 1000));
        }
        m_endpoint.send(bytes.mid(at, PacketSize));
        m_lastPacket.start();
    }
}
