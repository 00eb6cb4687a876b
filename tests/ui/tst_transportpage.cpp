// The Transport page offscreen: its widgets and presets, the command frames it sends (and the reboot
// 200 ms after a switch), the parameter write, its refusals (bad addresses, an address already held, a
// value that is not a number), and events of other links. tst_transportsession runs it against the
// simulated unit.
#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyMessages.h"
#include "factory/link/FactoryLinkIds.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "link/IOHandler.h"
#include "link/TApp.h"
#include "link/TLinkManager.h"
#include "support/TestPorts.h"
#include "support/TransportPageView.h"
#include "ui/maintenance/MavlinkPageDevice.h"
#include "ui/widgets/TimedPopup.h"

#include <QComboBox>
#include <QGroupBox>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace TransportPage;

class TestTransportPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void construction();
    void commandFrames_data();
    void commandFrames();
    void parameterWrite_data();
    void parameterWrite();
    void refusedBeforeOpening_data();
    void refusedBeforeOpening();
    void otherLinksChangeNothing();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TApp> m_app;
    std::unique_ptr<Q_DMMM> m_bus;
    QList<TimedPopup::Shown> m_popups;
};

void TestTransportPage::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString ini = m_dir.filePath(QStringLiteral("param.ini"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[General]\nheat=BRD_HEAT_TARG\nacc=INS_ACCOFFS_X\n");
    f.close();
    m_app.reset(new TApp(ini));
    m_bus.reset(new Q_DMMM(-1));
    TimedPopup::setInterceptor([this](const TimedPopup::Shown &shown) { m_popups.append(shown); });
}

void TestTransportPage::cleanupTestCase()
{
    TimedPopup::setInterceptor({});
    m_bus.reset();
    m_app.reset();
}

void TestTransportPage::init()
{
    m_popups.clear();
}

void TestTransportPage::construction()
{
    PageView v;
    // Defaults bind 127.0.0.1:7001 and send to 127.0.0.1:7000.
    QCOMPARE(v.edit("localIpEdit")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(v.edit("localPortEdit")->text(), QStringLiteral("7001"));
    QCOMPARE(v.edit("remoteIpEdit")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(v.edit("remotePortEdit")->text(), QStringLiteral("7000"));
    QVERIFY(v.disconnectedLook());
    QCOMPARE(v.page.mode(), 0);
    QVERIFY(!v.w("paramGroup")->isEnabled());
    QVERIFY(!v.w("magCaliGroup")->isEnabled());
    QVERIFY(!v.edit("currEdit")->isEnabled());
    QVERIFY(!v.edit("currentMagEdit")->isEnabled());
    QCOMPARE(v.page.flyLink()->linkId(), FactoryLinkIds::Transport);
    QCOMPARE(v.page.flyLink()->ownSystemId(), quint8(2));
    // The picker holds the presets' keys in key order; the name is the first key's value.
    QComboBox *picker = v.w<QComboBox>("paramPicker");
    QCOMPARE(picker->count(), 2);
    QCOMPARE(picker->itemText(0), QStringLiteral("acc"));
    QCOMPARE(v.edit("nameEdit")->text(), QStringLiteral("INS_ACCOFFS_X"));
    picker->setCurrentIndex(1);
    QCOMPARE(v.edit("nameEdit")->text(), QStringLiteral("BRD_HEAT_TARG"));
}

void TestTransportPage::commandFrames_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("switchFrame");
    QTest::addColumn<bool>("magCali");
    QTest::addColumn<QString>("rebootSends"); // "frame", "command" or "nothing"
    QTest::newRow("none chosen") << QString() << 0 << QByteArray() << false << "frame";
    QTest::newRow("mavlink") << "mavlinkButton" << 2 << hex("51 4A 03 01 06 3F 42") << false << "nothing";
    QTest::newRow("kavolink") << "kavoLinkButton" << 1 << hex("51 4A 03 01 07 FE 82") << true << "command";
}

void TestTransportPage::commandFrames()
{
    QFETCH(QString, button);
    QFETCH(int, mode);
    QFETCH(QByteArray, switchFrame);
    QFETCH(bool, magCali);
    QFETCH(QString, rebootSends);
    const QByteArray rebootFrame = hex("51 4A 03 01 08 BE 86");

    FakeUnit unit;
    QVERIFY(unit.bind());
    PageView v;
    QVERIFY(openTo(v, unit.port()));
    if (!button.isEmpty()) {
        unit.clock.start();
        v.press(button.toLatin1().constData());
        QCOMPARE(v.page.mode(), mode);
        QVERIFY(v.w("paramGroup")->isEnabled());
        QCOMPARE(v.w("magCaliGroup")->isEnabled(), magCali);
        QVERIFY(v.w("mavlinkButton")->isEnabled() && v.w("kavoLinkButton")->isEnabled());
        const auto got = unit.receive(3000, 2);
        QCOMPARE(got.size(), 2);
        QCOMPARE(got[0].second.toHex(' '), switchFrame.toHex(' '));
        QCOMPARE(got[1].second.toHex(' '), rebootFrame.toHex(' '));
        // The reboot follows about 200 ms after the press: never sooner (a coarse timer may fire 5% early), and
        // not much later even on a loaded machine.
        const qint64 after = got[1].first;
        QVERIFY2(after >= 185 && after < 1500, qPrintable(QString::number(after)));
    }
    v.press("rebootButton");
    const auto got = unit.receive(rebootSends == QLatin1String("nothing") ? 400 : 3000, 1);
    if (rebootSends == QLatin1String("nothing")) {
        QCOMPARE(got.size(), 0);
    } else {
        QCOMPARE(got.size(), 1);
        if (rebootSends == QLatin1String("frame")) {
            QCOMPARE(got[0].second.toHex(' '), rebootFrame.toHex(' '));
        } else {
            FlyParser parser;
            const QList<FlyFrame> frames = parser.feed(got[0].second);
            QCOMPARE(frames.size(), 1);
            QCOMPARE(frames[0].id, quint8(FlyMsg::Command));
            QCOMPARE(quint8(frames[0].payload[0]), quint8(FlyCmd::Reboot));
        }
    }
}

void TestTransportPage::parameterWrite_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("logged");
    QTest::newRow("whole number") << "2" << true << "[TOOLS] set param: SYSID_THISMAV, value:2";
    QTest::newRow("fraction") << " 0.012 " << true << "[TOOLS] set param: SYSID_THISMAV, value:0.012";
    QTest::newRow("not a number") << "2x" << false << "[TOOLS] Not a number: 2x";
    QTest::newRow("not finite") << "inf" << false << "[TOOLS] Not a number: inf";
    QTest::newRow("empty") << "" << false << "";
}

void TestTransportPage::parameterWrite()
{
    QFETCH(QString, value);
    QFETCH(bool, sent);
    QFETCH(QString, logged);

    FakeUnit unit;
    QVERIFY(unit.bind());
    PageView v;
    QVERIFY(openTo(v, unit.port()));
    v.press("kavoLinkButton");
    unit.receive(3000, 2); // the switch and its reboot
    v.edit("nameEdit")->setText(QStringLiteral("SYSID_THISMAV"));
    v.edit("valueEdit")->setText(value);
    v.press("setButton");
    FlyParser parser;
    QList<FlyFrame> frames;
    for (const auto &d : unit.receive(sent ? 3000 : 300, sent ? 2 : INT_MAX))
        frames += parser.feed(d.second);
    QCOMPARE(v.log().contains(logged), true);
    if (!sent) {
        QCOMPARE(frames.size(), 0);
        QCOMPARE(m_popups.size(), logged.isEmpty() ? 0 : 1);
        return;
    }
    // The write, then a read of the same name.
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames[0].id, quint8(FlyMsg::ParamValue));
    const FlyParamValue set = FlyParamValue::fromPayload(frames[0].payload);
    QCOMPARE(set.name(), QStringLiteral("SYSID_THISMAV"));
    QCOMPARE(set.value(), value.trimmed().toFloat());
    QCOMPARE(frames[1].id, quint8(FlyMsg::ParamRead));
    QCOMPARE(FlyParamRead::fromPayload(frames[1].payload).name(), QStringLiteral("SYSID_THISMAV"));
    QVERIFY(m_popups.isEmpty());
}

void TestTransportPage::refusedBeforeOpening_data()
{
    QTest::addColumn<QString>("localIp");
    QTest::addColumn<QString>("localPort");
    QTest::addColumn<QString>("remoteIp");
    QTest::addColumn<QString>("remotePort");
    QTest::addColumn<QString>("message");
    // "HELD" stands for a local port that a socket of this process holds, "SHARED" for one that the Param
    // and Log tabs' shared MAVLink link holds.
    const struct
    {
        const char *name, *localIp, *localPort, *remoteIp, *remotePort, *message;
    } rows[] = {
        {"local address", "127.0.0.1.5", "0", "127.0.0.1", "7000", "Not a valid local address"},
        {"local port text", "127.0.0.1", "70o1", "127.0.0.1", "7000", "Not a valid local address"},
        {"local port too big", "127.0.0.1", "70001", "127.0.0.1", "7000", "Not a valid local address"},
        {"remote address", "127.0.0.1", "0", "localhost", "7000", "Not a valid remote address"},
        {"remote port zero", "127.0.0.1", "0", "127.0.0.1", "0", "Not a valid remote address"},
        {"remote port empty", "127.0.0.1", "0", "127.0.0.1", "", "Not a valid remote address"},
        {"address in use", "127.0.0.1", "HELD", "127.0.0.1", "7000", "is in use"},
        {"held by the MAVLink link", "127.0.0.1", "SHARED", "127.0.0.1", "7000", "is in use"},
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << QString(r.localIp) << QString(r.localPort) << QString(r.remoteIp)
                              << QString(r.remotePort) << QString(r.message);
}

void TestTransportPage::refusedBeforeOpening()
{
    QFETCH(QString, localIp);
    QFETCH(QString, localPort);
    QFETCH(QString, remoteIp);
    QFETCH(QString, remotePort);
    QFETCH(QString, message);

    QUdpSocket holder;
    IOHandler *shared = qobject_cast<IOHandler *>(m_app->links()->find(TApp::SharedMavlinkLinkId));
    IOHandler::DeviceInfo sharedDevice = mavlinkPageDevice(TApp::SharedMavlinkLinkId, QStringLiteral("UDP"), QString());
    const bool sharedHolds = localPort == QLatin1String("SHARED");
    if (localPort == QLatin1String("HELD")) {
        QVERIFY(holder.bind(Loopback, 0));
        localPort = QString::number(holder.localPort());
    } else if (sharedHolds) {
        QVERIFY(shared);
        sharedDevice.localPort = TestPorts::freeUdpPort();
        localPort = QString::number(sharedDevice.localPort);
        emit shared->openDeviceSignal(sharedDevice, true);
        QTRY_VERIFY_WITH_TIMEOUT(!QUdpSocket().bind(Loopback, sharedDevice.localPort), 10000);
    }
    PageView v;
    QSignalSpy events(m_bus.get(), qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event));
    v.setAddresses(localIp, localPort, remoteIp, remotePort);
    v.press("connectButton");
    QTest::qWait(100);
    QCOMPARE(m_popups.size(), 1);
    QVERIFY2(m_popups[0].text.contains(message), qPrintable(m_popups[0].text));
    QCOMPARE(m_popups[0].title, QStringLiteral("Warning"));
    QVERIFY(v.log().contains(message));
    QVERIFY(v.disconnectedLook());
    for (const QList<QVariant> &e : events)
        QVERIFY(e[0].toInt() != DMMM_GCSEvent_Device_opened && e[0].toInt() != DMMM_GCSEvent_Device_open_failed);
    // Once the address is free the same page opens.
    if (holder.state() == QAbstractSocket::BoundState || sharedHolds) {
        holder.close();
        if (sharedHolds) {
            emit shared->openDeviceSignal(sharedDevice, false);
            QTRY_VERIFY_WITH_TIMEOUT(QUdpSocket().bind(Loopback, sharedDevice.localPort), 10000);
        }
        v.press("connectButton");
        QTRY_VERIFY_WITH_TIMEOUT(v.connectedLook(), 10000);
        QCOMPARE(v.page.flyLink()->localUdpPort(), quint16(localPort.toUInt()));
    }
}

void TestTransportPage::otherLinksChangeNothing()
{
    PageView v;
    v.edit("nameEdit")->setText(QStringLiteral("INS_USE"));
    FlyLink::CommonParam_t p = FlyParamValue::fromPayload(FlyMsg::paramValue(0, 1, QStringLiteral("INS_USE"), 1));
    for (int linkid : {FactoryLinkIds::OrvePanel, 3, -1}) {
        emit m_bus->DMMM_Event(DMMM_GCSEvent_Device_opened, linkid, QVariant(0));
        emit m_bus->DMMM_Event(DMMM_GCSEvent_Param_value, linkid, QVariant::fromValue(p));
        emit m_bus->DMMM_Event(DMMM_GCSEvent_new_textmsg, linkid, QVariant(QStringLiteral("other")));
    }
    QVERIFY(v.disconnectedLook());
    QCOMPARE(v.edit("currEdit")->text(), QString());
    QCOMPARE(v.log(), QString());
    // A value for another name than the one shown is logged but leaves Curr alone.
    const int own = FactoryLinkIds::Transport;
    emit m_bus->DMMM_Event(
        DMMM_GCSEvent_Param_value, own,
        QVariant::fromValue(FlyParamValue::fromPayload(FlyMsg::paramValue(0, 1, QStringLiteral("INS_USE2"), 0.125f))));
    QCOMPARE(v.edit("currEdit")->text(), QString());
    QCOMPARE(v.log(), QStringLiteral("[INS] rec param: INS_USE2, value:0.125"));
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Param_value, own, QVariant::fromValue(p));
    QCOMPARE(v.edit("currEdit")->text(), QStringLiteral("1"));
}

QTEST_MAIN(TestTransportPage)
#include "tst_transportpage.moc"
