#include "cli/InsProtocol.h"

#include "cli/CliCommands.h"
#include "cli/LinkOptions.h"

#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyMessages.h"
#include "core/flylink/TransportCommand.h"
#include "core/mavlink/MavlinkFrame.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QUdpSocket>

#include <cstdio>
#include <memory>

namespace {
constexpr quint8 OwnSystemId = 1; // as the other ins operations

// The raw device of the link options: the unit's replies are read as bytes, whatever the protocol.
class RawLink
{
public:
    bool open(const LinkOptions &options)
    {
        m_options = options;
        if (options.serial) {
            m_serial.reset(new QSerialPort(options.serialPath));
            m_serial->setBaudRate(options.baud > 0 ? options.baud : 115200);
            return m_serial->open(QIODevice::ReadWrite);
        }
        m_udp.reset(new QUdpSocket);
        return m_udp->bind(options.localIp, options.localPort);
    }
    void write(const QByteArray &bytes)
    {
        if (m_serial) {
            m_serial->write(bytes);
            m_serial->flush();
        } else {
            m_udp->writeDatagram(bytes, m_options.targetIp, m_options.targetPort);
        }
    }
    QByteArray read()
    {
        if (m_serial)
            return m_serial->readAll();
        QByteArray out;
        while (m_udp->hasPendingDatagrams()) {
            QByteArray d(int(m_udp->pendingDatagramSize()), '\0');
            const qint64 n = m_udp->readDatagram(d.data(), d.size());
            if (n > 0)
                out += d.left(int(n));
        }
        return out;
    }

private:
    LinkOptions m_options;
    std::unique_ptr<QSerialPort> m_serial;
    std::unique_ptr<QUdpSocket> m_udp;
};

void pump(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
}
} // namespace

int runInsProtocol(const LinkOptions &options, int timeoutMs, const QStringList &args)
{
    const QString what = args.size() == 1 ? args[0] : QString();
    quint8 payload = 0;
    if (what == QLatin1String("mavlink"))
        payload = TransportCommand::SwitchToMavlink;
    else if (what == QLatin1String("kavolink"))
        payload = TransportCommand::SwitchToFlyLink;
    else if (what == QLatin1String("reboot"))
        payload = TransportCommand::Reboot;
    else
        return cliFail("ins", 2, QStringLiteral("protocol mavlink|kavolink|reboot"));

    RawLink link;
    if (!link.open(options))
        return cliFail("ins", 1, QStringLiteral("cannot open %1").arg(options.describe()));
    link.write(TransportCommand::control(payload));
    if (payload == TransportCommand::Reboot) {
        pump(50); // let a serial port drain before it closes
        std::printf("protocol: reboot sent\n");
        return 0;
    }
    pump(TransportCommand::RebootAfterSwitchMs);
    link.write(TransportCommand::control(TransportCommand::Reboot));

    // Wait for one good frame of the new protocol. In KavoLink the unit is asked for its heartbeat
    // every second, so that a unit that only answers requests is heard too.
    const bool mavlink = payload == TransportCommand::SwitchToMavlink;
    MavlinkParser mavParser;
    FlyParser flyParser;
    quint8 sequence = 0;
    bool answered = false;
    QElapsedTimer clock;
    clock.start();
    qint64 nextRequest = 1000;
    while (!answered && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        const QByteArray bytes = link.read();
        if (mavlink)
            mavParser.feed(bytes, [&answered](const mavlink_message_t &) { answered = true; });
        else
            answered = !flyParser.feed(bytes).isEmpty();
        if (!mavlink && clock.elapsed() >= nextRequest) {
            link.write(
                FlyFrame::build(OwnSystemId, sequence++, FlyMsg::Command, FlyCmd::requestMessage(FlyMsg::Heartbeat)));
            nextRequest = clock.elapsed() + 1000;
        }
    }
    const QString name = mavlink ? QStringLiteral("MAVLink") : QStringLiteral("KavoLink");
    if (!answered)
        return cliFail("ins", 1,
                       QStringLiteral("protocol: no %1 answer within %2 s").arg(name).arg(timeoutMs / 1000.0));
    std::printf("protocol: the unit answers in %s\n", qPrintable(name));
    return 0;
}
