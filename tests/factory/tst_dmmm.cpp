// The factory bus (ticks, links, pool, texts, paracfg.csv) and the device transport under it.
#include "factory/link/DeviceCommunication.h"
#include "factory/link/DeviceOpenMap.h"
#include "factory/link/FactoryLinkIds.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"

#include "support/TestPorts.h"

#include "support/BusEventLog.h"

#include <QtTest>

#include <QDir>
#include <QFile>
#include <QUdpSocket>

#include <termios.h>

namespace {
QVariantMap udpMap(quint16 localPort, quint16 targetPort = 0)
{
    const QHostAddress local(QHostAddress::LocalHost);
    return DeviceOpenMap::udp(local, localPort, targetPort ? local : QHostAddress(), targetPort);
}

// The events of one link id seen so far, in order.
QList<int> eventsOf(const BusEventLog &spy, int linkid)
{
    QList<int> out;
    for (const QList<QVariant> &args : spy) {
        if (args.at(1).toInt() == linkid)
            out << args.at(0).toInt();
    }
    return out;
}
} // namespace

class TestDmmm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void tickOrder_data();
    void tickOrder();
    void secondBusRefused();
    void paramCfgLookups();
    void paramCfgMissing();
    void unknownLinkGivesZeros();
    void openLinkTwiceReusesTheLink();
    void postTextEvent();
    void udpWriteReadAndCounters();
    void udpAnswersLastSender();
    void ownLinkReportsOnceRelayed();
    void writeEmptyArray();
    void openMapBuilders();
    void serialDefaultsAndNameBeforeColon();
    void udpAfterSerialClosesSerialFirst();
    void serialUnplugged();

private:
    Q_DMMM *m_bus = nullptr;
};

void TestDmmm::init()
{
    m_bus = new Q_DMMM(-1);
}

void TestDmmm::cleanup()
{
    m_bus->releaseLinks();
    delete m_bus;
    m_bus = nullptr;
}

void TestDmmm::tickOrder_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QList<int>>("lastTick");
    QTest::newRow("tick 1") << 1 << QList<int>{DMMM_GCSEvent_Timer_100Hz};
    QTest::newRow("tick 10") << 10 << QList<int>{DMMM_GCSEvent_Timer_10Hz, DMMM_GCSEvent_Timer_100Hz};
    QTest::newRow("tick 100") << 100
                              << QList<int>{DMMM_GCSEvent_Timer_10Hz, DMMM_GCSEvent_Timer_1Hz,
                                            DMMM_GCSEvent_Timer_100Hz};
}

void TestDmmm::tickOrder()
{
    QFETCH(int, ticks);
    QFETCH(QList<int>, lastTick);
    BusEventLog spy(m_bus);
    for (int i = 0; i < ticks - 1; ++i)
        m_bus->Slot_Timer100Hz();
    spy.clear();
    m_bus->Slot_Timer100Hz();
    QCOMPARE(eventsOf(spy, -1), lastTick);
    for (const QList<QVariant> &args : spy)
        QCOMPARE(args.at(2), QVariant(int(0)));
    QCOMPARE(m_bus->tickCount(), quint64(ticks));
}

void TestDmmm::secondBusRefused()
{
    Q_DMMM second(5);
    QCOMPARE(Q_DMMM::instance(), m_bus);
    QCOMPARE(second.ownId(), 5);
    BusEventLog spy(&second);
    second.Slot_Timer100Hz();
    QCOMPARE(second.paramCfgUnit(QStringLiteral("X")), QStringLiteral("/"));
    QCOMPARE(Q_DMMM::instance(), m_bus);
}

void TestDmmm::paramCfgLookups()
{
    delete m_bus;
    QDir().mkpath(QStringLiteral("cfg"));
    QFile file(QStringLiteral("cfg/paracfg.csv"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("name,default,unit,range,description\n"
               "BRD_HEAT_TARG,45,°C,0 60,加热目标温度\n"
               "INS_GYR_CAL,1,,0 1,Gyro calibration\n"
               "SHORT,1,,0 1\n");
    file.close();
    m_bus = new Q_DMMM(-1);
    QCOMPARE(m_bus->paramCfgCount(), 3);
    QCOMPARE(m_bus->paramCfgUnit(QStringLiteral("BRD_HEAT_TARG")), QStringLiteral("°C"));
    QCOMPARE(m_bus->paramCfgDescription(QStringLiteral("BRD_HEAT_TARG")), QStringLiteral("加热目标温度"));
    QCOMPARE(m_bus->paramCfgUnit(QStringLiteral("INS_GYR_CAL")), QString());
    QCOMPARE(m_bus->paramCfgRange(QStringLiteral("INS_GYR_CAL")), QStringLiteral("0 1"));
    QCOMPARE(m_bus->paramCfgRange(QStringLiteral("SHORT")), QStringLiteral("/"));
    QCOMPARE(m_bus->paramCfgDescription(QStringLiteral("brd_heat_targ")), QStringLiteral("/"));
    QFile::remove(QStringLiteral("cfg/paracfg.csv"));
}

void TestDmmm::paramCfgMissing()
{
    QVERIFY(!QFile::exists(QStringLiteral("cfg/paracfg.csv")));
    QVERIFY(QDir(QStringLiteral("cfg")).exists());
    QCOMPARE(m_bus->paramCfgCount(), 0);
    QCOMPARE(m_bus->paramCfgUnit(QStringLiteral("INS_GYR_CAL")), QStringLiteral("/"));
}

void TestDmmm::unknownLinkGivesZeros()
{
    QCOMPARE(m_bus->poolSnapshot(7).toByteArray(), QByteArray(624, '\0'));
    QVERIFY(!m_bus->linkById(7));
    QVERIFY(!m_bus->currentLink());
    emit m_bus->close(7); // nothing to close
}

void TestDmmm::openLinkTwiceReusesTheLink()
{
    BusEventLog spy(m_bus);
    const quint16 port = TestPorts::freeUdpPort();
    m_bus->openLink(udpMap(port), 3);
    FlyLink *link = m_bus->linkById(3);
    QVERIFY(link);
    QCOMPARE(m_bus->currentLink(), link);
    QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 3).contains(DMMM_GCSEvent_Device_opened), 10000);
    QCOMPARE(link->deviceState(), int(DeviceCommunication::StateOpen));
    // The second open re-binds the open socket, which refuses: 56, and the device stays open.
    m_bus->openLink(udpMap(port), 3);
    QCOMPARE(m_bus->linkById(3), link);
    QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 3).contains(DMMM_GCSEvent_Device_open_failed), 10000);
    QCOMPARE(link->deviceState(), int(DeviceCommunication::StateOpen));
    // A fresh link's pool holds the remote id "unknown" (255) until the device opened; opened, zeros.
    QCOMPARE(m_bus->poolSnapshot(3).remoteSysId(), 0u);
    emit m_bus->close(3);
    QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 3).contains(DMMM_GCSEvent_Device_closed), 10000);
    QCOMPARE(link->deviceState(), int(DeviceCommunication::StateClosed));
    QCOMPARE(m_bus->linkById(3), link);
}

void TestDmmm::postTextEvent()
{
    BusEventLog spy(m_bus);
    m_bus->postText(9, QStringLiteral("hello"));
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].toInt(), int(DMMM_GCSEvent_new_textmsg));
    QCOMPARE(spy[0][1].toInt(), 9);
    QCOMPARE(spy[0][2].toString(), QStringLiteral("hello"));
}

void TestDmmm::udpWriteReadAndCounters()
{
    QUdpSocket peer;
    QVERIFY(peer.bind(QHostAddress(QHostAddress::LocalHost), 0));
    BusEventLog spy(m_bus);
    DeviceCommunication dev(true);
    dev.setLinkId(4);
    m_bus->relayLink(&dev);
    emit dev.OpenProtocolDevice(udpMap(0, peer.localPort()));
    QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 4).contains(DMMM_GCSEvent_Device_opened), 10000);
    QCOMPARE(dev.deviceKind(), int(DeviceCommunication::KindUdp));
    QVERIFY(dev.localUdpPort() != 0);
    QCOMPARE(dev.writeArray(QByteArray("abc")), qint64(3));
    QCOMPARE(dev.writeBytes("defg", 4), qint64(4));
    QCOMPARE(dev.writeBytes("x", 0), qint64(0));
    QByteArray got;
    QTRY_VERIFY_WITH_TIMEOUT((got +=
                              [&] {
                                  QByteArray all;
                                  while (peer.hasPendingDatagrams()) {
                                      QByteArray d(int(peer.pendingDatagramSize()), '\0');
                                      peer.readDatagram(d.data(), d.size());
                                      all += d;
                                  }
                                  return all;
                              }())
                                     .size() == 7,
                             10000);
    QCOMPARE(got, QByteArray("abcdefg"));
    QCOMPARE(dev.txBytes(), 7u);
    emit dev.CloseProtocolDevice();
    QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 4).contains(DMMM_GCSEvent_Device_closed), 10000);
    QCOMPARE(dev.deviceKind(), int(DeviceCommunication::KindNone));
    // Closed: writes are dropped.
    dev.writeArray(QByteArray("zz"));
    QTest::qWait(50);
    QCOMPARE(dev.txBytes(), 7u);
}

void TestDmmm::udpAnswersLastSender()
{
    // Without a target the link answers whoever sent the last datagram.
    FlyLink link(1, true);
    link.setLinkId(6);
    m_bus->relayLink(&link);
    BusEventLog spy(m_bus);
    emit link.OpenProtocolDevice(udpMap(0));
    QTRY_VERIFY_WITH_TIMEOUT(link.localUdpPort() != 0, 10000);
    QUdpSocket unit;
    QVERIFY(unit.bind(QHostAddress(QHostAddress::LocalHost), 0));
    unit.writeDatagram(QByteArray::fromHex("4B57050001020210BC"), QHostAddress(QHostAddress::LocalHost),
                       link.localUdpPort());
    // Establishing the link sends the two requests back to the sender.
    QTRY_VERIFY_WITH_TIMEOUT(unit.hasPendingDatagrams(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(link.rxBytes() == 9u, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 6).contains(DMMM_GCSEvent_Protocol_Actived), 10000);
}

void TestDmmm::ownLinkReportsOnceRelayed()
{
    // A link the bus does not own (the Transport page's) is silent on the bus until it is relayed;
    // then its events, its texts (with the bus's id and with its own) and the bus ticks flow.
    FlyLink link(1, false);
    link.setLinkId(FactoryLinkIds::Transport);
    quint32 now = 50000;
    link.setClock([&now] { return now; });
    BusEventLog spy(m_bus);
    link.feedBytes(FlyFrame::build(5, 0, FlyMsg::Heartbeat, QByteArray::fromHex("0300")));
    QVERIFY(spy.isEmpty());
    m_bus->relayLink(&link);
    m_bus->relayLink(&link); // once is enough: no event twice
    now += 2000;
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_10Hz, -1, QVariant(int(0)));
    link.feedBytes(FlyFrame::build(7, 1, FlyMsg::Heartbeat, QByteArray::fromHex("0300")));
    link.feedBytes(FlyFrame::build(7, 2, FlyMsg::Text, FlyMsg::textPayload(QStringLiteral("hello"))));
    QCOMPARE(eventsOf(spy, FactoryLinkIds::Transport),
             (QList<int>{DMMM_GCSEvent_Protocol_Lost, DMMM_GCSEvent_Remote_id_changed, DMMM_GCSEvent_Protocol_Actived,
                         DMMM_GCSEvent_Heartbeat_received, DMMM_GCSEvent_new_textmsg}));
    QStringList texts;
    for (const QList<QVariant> &args : spy) {
        if (args.at(0).toInt() == DMMM_GCSEvent_new_textmsg)
            texts << QStringLiteral("%1 %2").arg(args.at(1).toInt()).arg(args.at(2).toString());
    }
    QCOMPARE(texts,
             (QStringList{"-1 Uav5: Communication disconnect", "-1 Uav7: Communication established", "2 hello"}));
}

void TestDmmm::writeEmptyArray()
{
    DeviceCommunication dev(false);
    QSignalSpy spy(&dev, &DeviceCommunication::Signal_write);
    QCOMPARE(dev.writeArray(QByteArray()), qint64(-1));
    QCOMPARE(spy.size(), 0);
}

void TestDmmm::openMapBuilders()
{
    // The keys are the settings texts pages and configuration files use.
    const QHostAddress a(QStringLiteral("127.0.0.1"));
    const QHostAddress b(QStringLiteral("127.0.0.2"));
    QVariantMap serial;
    serial.insert(QStringLiteral("SerialPortName"), QStringLiteral("/dev/ttyX"));
    QCOMPARE(DeviceOpenMap::serial(QStringLiteral("/dev/ttyX")), serial);
    serial.insert(QStringLiteral("SerialPort_baudRate"), 57600);
    QCOMPARE(DeviceOpenMap::serial(QStringLiteral("/dev/ttyX"), 57600), serial);
    const QVariantMap udp = DeviceOpenMap::udp(a, 7001, b, 7000);
    QCOMPARE(udp.keys(), (QStringList{"SocketUDP_IP", "SocketUDP_Port", "SocketUDP_TargetIP", "SocketUDP_TargetPort"}));
    QCOMPARE(udp.value(QStringLiteral("SocketUDP_IP")).value<QHostAddress>(), a);
    QCOMPARE(udp.value(QStringLiteral("SocketUDP_Port")).toInt(), 7001);
    QCOMPARE(udp.value(QStringLiteral("SocketUDP_TargetIP")).value<QHostAddress>(), b);
    QCOMPARE(udp.value(QStringLiteral("SocketUDP_TargetPort")).toInt(), 7000);
    QCOMPARE(DeviceOpenMap::udp(a, 0).keys(), (QStringList{"SocketUDP_IP", "SocketUDP_Port"}));
}

void TestDmmm::serialDefaultsAndNameBeforeColon()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    BusEventLog spy(m_bus);
    DeviceCommunication dev(true);
    dev.setLinkId(8);
    m_bus->relayLink(&dev);
    emit dev.OpenProtocolDevice(DeviceOpenMap::serial(pty.slavePath() + QStringLiteral(": Simulated unit")));
    QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 8).contains(DMMM_GCSEvent_Device_opened), 10000);
    QCOMPARE(dev.deviceKind(), int(DeviceCommunication::KindSerial));
    termios tio{};
    QCOMPARE(tcgetattr(pty.masterFd(), &tio), 0);
    QCOMPARE(cfgetospeed(&tio), speed_t(B115200));
    QCOMPARE(tio.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(tio.c_cflag & PARENB, tcflag_t(0));
    QCOMPARE(tio.c_cflag & CSTOPB, tcflag_t(0));
    dev.writeArray(QByteArray("ping"));
    QCOMPARE(pty.read(4, 10000), QByteArray("ping"));
}

void TestDmmm::udpAfterSerialClosesSerialFirst()
{
    PtyPair pty;
    BusEventLog spy(m_bus);
    DeviceCommunication dev(true);
    dev.setLinkId(9);
    m_bus->relayLink(&dev);
    emit dev.OpenProtocolDevice(DeviceOpenMap::serial(pty.slavePath()));
    QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 9).contains(DMMM_GCSEvent_Device_opened), 10000);
    emit dev.OpenProtocolDevice(udpMap(0));
    QTRY_COMPARE_WITH_TIMEOUT(
        eventsOf(spy, 9),
        (QList<int>{DMMM_GCSEvent_Device_opened, DMMM_GCSEvent_Device_closed, DMMM_GCSEvent_Device_opened}), 10000);
    QCOMPARE(dev.deviceKind(), int(DeviceCommunication::KindUdp));
}

void TestDmmm::serialUnplugged()
{
    BusEventLog spy(m_bus);
    DeviceCommunication dev(true);
    dev.setLinkId(10);
    m_bus->relayLink(&dev);
    {
        PtyPair pty;
        emit dev.OpenProtocolDevice(DeviceOpenMap::serial(pty.slavePath()));
        QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 10).contains(DMMM_GCSEvent_Device_opened), 10000);
        pty.closeMaster();
        pty.write(QByteArray()); // nothing: the other end is gone
        QTRY_VERIFY_WITH_TIMEOUT(eventsOf(spy, 10).contains(DMMM_GCSEvent_Device_error), 10000);
    }
    QCOMPARE(dev.deviceState(), int(DeviceCommunication::StateFailed));
    QCOMPARE(dev.deviceKind(), int(DeviceCommunication::KindSerial));
    PtyPair again;
    emit dev.OpenProtocolDevice(DeviceOpenMap::serial(again.slavePath()));
    QTRY_COMPARE_WITH_TIMEOUT(eventsOf(spy, 10).count(DMMM_GCSEvent_Device_opened), 2, 10000);
    QCOMPARE(dev.deviceState(), int(DeviceCommunication::StateOpen));
}

QTEST_MAIN(TestDmmm)
#include "tst_dmmm.moc"
