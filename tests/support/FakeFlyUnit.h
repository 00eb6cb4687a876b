#pragma once

// A scripted inertial unit on loopback UDP for page tests (suites linking the factory link): the test sends the unit's
// messages and sees every frame the program sent. Open a factory link to it with openOn().
#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyMessages.h"
#include "factory/link/DeviceCommunication.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"

#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPair>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <QVariantMap>

class FakeFlyUnit : public QObject
{
public:
    FakeFlyUnit();

    // The open map of a factory link bound to a free loopback port and sending to this unit.
    QVariantMap linkMap();
    // Opens factory link linkid of bus to this unit; true once its device is open.
    bool openOn(Q_DMMM &bus, int linkid);
    // Sends one FlyLink message to the program's link.
    void send(quint8 id, const QByteArray &payload);
    // Every frame received so far, in order; and the command payloads (message 42) among them.
    QList<FlyFrame> frames() const { return m_frames; }
    QList<QByteArray> commands() const;
    // The calibration commands among them (the link asks for messages on its own as well).
    QList<QByteArray> calibrationCommands() const;
    void clear() { m_frames.clear(); }
    // Parameters the unit answers reads of by name (and takes writes of); empty: reads go unanswered.
    QMap<QString, float> params;
    // The parameter writes received (message 36 from the program), in order.
    QList<QPair<QString, float>> paramWrites() const;
    // Heartbeats every 100 ms keep the link established; off, the unit falls silent.
    void keepAlive(bool on);

private:
    void readAll();
    void answer(const FlyFrame &f);

    QUdpSocket m_socket;
    QTimer m_heartbeat;
    FlyParser m_parser;
    QList<FlyFrame> m_frames;
    quint16 m_linkPort = 0;
    quint8 m_seq = 0;
};

// Header only: the open map carries QHostAddress values, whose meta-type the factory link declares.
inline QVariantMap FakeFlyUnit::linkMap()
{
    // The link binds a port of the system's choosing; the unit learns it from the link's first datagram
    // (a port picked here and released could be taken by a parallel test in between).
    m_linkPort = 0;
    QVariantMap map;
    map.insert(QStringLiteral("SocketUDP_IP"), QVariant::fromValue(QHostAddress(QHostAddress::LocalHost)));
    map.insert(QStringLiteral("SocketUDP_Port"), 0);
    map.insert(QStringLiteral("SocketUDP_TargetIP"), QVariant::fromValue(QHostAddress(QHostAddress::LocalHost)));
    map.insert(QStringLiteral("SocketUDP_TargetPort"), m_socket.localPort());
    return map;
}

inline bool FakeFlyUnit::openOn(Q_DMMM &bus, int linkid)
{
    // Opened once the bus announced it (the link clears its record on that announcement).
    bool opened = false;
    QMetaObject::Connection c = QObject::connect(&bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this,
                                                 [&opened, linkid](int ev, int id, const QVariant &) {
                                                     if (ev == DMMM_GCSEvent_Device_opened && id == linkid)
                                                         opened = true;
                                                 });
    bus.openLink(linkMap(), linkid);
    const bool ok = QTest::qWaitFor([&opened] { return opened; }, 10000);
    QObject::disconnect(c);
    FlyLink *link = bus.linkById(linkid);
    if (!ok || !link ||
        !QTest::qWaitFor(
            [&] {
                link->requestBoardInfo();
                return QTest::qWaitFor([this] { return m_linkPort != 0; }, 50);
            },
            10000))
        return false;
    // The link clears its record on its own sight of the opening; a heartbeat seen in the record
    // afterwards shows that has happened, so the test's first messages are not wiped.
    QByteArray probe(FlyMsg::HeartbeatLen, '\0');
    probe[0] = 3;
    return QTest::qWaitFor(
        [&] {
            send(FlyMsg::Heartbeat, probe);
            return QTest::qWaitFor([link] { return link->record().statusWord() == 3; }, 50);
        },
        10000);
}

inline FakeFlyUnit::FakeFlyUnit()
{
    m_socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
    connect(&m_socket, &QUdpSocket::readyRead, this, &FakeFlyUnit::readAll);
    connect(&m_heartbeat, &QTimer::timeout, this,
            [this] { send(FlyMsg::Heartbeat, QByteArray(FlyMsg::HeartbeatLen, '\0')); });
}

inline void FakeFlyUnit::keepAlive(bool on)
{
    if (on)
        m_heartbeat.start(100);
    else
        m_heartbeat.stop();
}

inline void FakeFlyUnit::send(quint8 id, const QByteArray &payload)
{
    m_socket.writeDatagram(FlyFrame::build(1, m_seq++, id, payload), QHostAddress(QHostAddress::LocalHost), m_linkPort);
}

inline QList<QByteArray> FakeFlyUnit::commands() const
{
    QList<QByteArray> out;
    for (const FlyFrame &f : m_frames) {
        if (f.id == FlyMsg::Command)
            out.append(f.payload);
    }
    return out;
}

inline QList<QByteArray> FakeFlyUnit::calibrationCommands() const
{
    QList<QByteArray> out;
    for (const QByteArray &c : commands()) {
        if (quint8(c[0]) == FlyCmd::Calibrate)
            out.append(c);
    }
    return out;
}

inline QList<QPair<QString, float>> FakeFlyUnit::paramWrites() const
{
    QList<QPair<QString, float>> out;
    for (const FlyFrame &f : m_frames) {
        if (f.id == FlyMsg::ParamValue && f.payload.size() == FlyMsg::ParamValueLen) {
            const FlyParamValue v = FlyParamValue::fromPayload(f.payload);
            out.append(qMakePair(v.name(), v.value()));
        }
    }
    return out;
}

inline void FakeFlyUnit::answer(const FlyFrame &f)
{
    QString name;
    if (f.id == FlyMsg::ParamRead && f.payload.size() == FlyMsg::ParamReadLen) {
        name = FlyParamRead::fromPayload(f.payload).name();
    } else if (f.id == FlyMsg::ParamValue && f.payload.size() == FlyMsg::ParamValueLen) {
        const FlyParamValue v = FlyParamValue::fromPayload(f.payload);
        name = v.name();
        if (params.contains(name))
            params[name] = v.value();
    }
    if (params.contains(name))
        send(FlyMsg::ParamValue,
             FlyMsg::paramValue(qint16(params.keys().indexOf(name)), qint16(params.size()), name, params.value(name)));
}

inline void FakeFlyUnit::readAll()
{
    while (m_socket.hasPendingDatagrams()) {
        QByteArray d(int(m_socket.pendingDatagramSize()), '\0');
        quint16 port = 0;
        m_socket.readDatagram(d.data(), d.size(), nullptr, &port);
        if (!m_linkPort)
            m_linkPort = port;
        for (const FlyFrame &f : m_parser.feed(d)) {
            m_frames.append(f);
            answer(f);
        }
    }
}
