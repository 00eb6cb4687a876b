// The MAVLink link on its worker thread over real loopback UDP: the frames of the parameter
// requests byte for byte, the PARAM_VALUE decoding, counters, and the shared link of the hub.
#include "link/MavlinkHandler.h"
#include "link/TApp.h"
#include "support/TestPorts.h"

#include "core/mavlink/MavlinkMessages.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <cstring>

namespace {
constexpr int Wait = 10000;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray readDatagram(QUdpSocket &socket, int timeoutMs = Wait)
{
    QElapsedTimer timer;
    timer.start();
    while (!socket.hasPendingDatagrams() && timer.elapsed() < timeoutMs)
        socket.waitForReadyRead(50);
    if (!socket.hasPendingDatagrams())
        return QByteArray();
    QByteArray data(int(socket.pendingDatagramSize()), Qt::Uninitialized);
    socket.readDatagram(data.data(), data.size());
    return data;
}

// A MavlinkHandler on its own thread, bound to a free loopback port, talking to a test socket.
struct Fixture
{
    MavlinkHandler *link = new MavlinkHandler(6, true);
    QUdpSocket unit; // plays the flight-control unit
    quint16 linkPort = 0;

    ~Fixture() { IOHandler::destroy(link); }

    bool open()
    {
        if (!unit.bind(QHostAddress(QHostAddress::LocalHost), 0))
            return false;
        linkPort = TestPorts::freeUdpPort();
        IOHandler::DeviceInfo d;
        d.id = 6;
        d.conType = IOHandler::ConUdp;
        d.localIp = QHostAddress(QHostAddress::LocalHost);
        d.localPort = linkPort;
        d.targetIp = QHostAddress(QHostAddress::LocalHost);
        d.targetPort = unit.localPort();
        // Hub events come from the link's thread; a receiver on this thread takes them queued.
        QObject receiver;
        QList<int> events;
        QObject::connect(TApp::instance(), QOverload<int, int, QVariant>::of(&TApp::TAppEvent), &receiver,
                         [&](int event, int id, QVariant) {
                             if (id == 6)
                                 events << event;
                         });
        emit link->openDeviceSignal(d, true);
        return QTest::qWaitFor([&] { return !events.isEmpty(); }, Wait) && events.first() == 1;
    }
    void fromUnit(const QByteArray &bytes) { unit.writeDatagram(bytes, QHostAddress::LocalHost, linkPort); }
};

// Every recParamInfo of a link, taken queued on the test's thread.
struct ParamRecorder : QObject
{
    QList<QList<QVariant>> calls;
    explicit ParamRecorder(MavlinkHandler *link)
    {
        connect(link, &MavlinkHandler::recParamInfo, this,
                [this](float value, ushort count, ushort index, QString name, uchar type) {
                    calls.append({value, count, index, name, type});
                });
    }
    int size() const { return calls.size(); }
    const QList<QVariant> &at(int i) const { return calls.at(i); }
    const QList<QVariant> &first() const { return calls.first(); }
};

QByteArray paramValueFrame(MavlinkTxChannel &tx, const QByteArray &name, float value, int count, int index, int type)
{
    mavlink_param_value_t pv;
    pv.param_value = value;
    pv.param_count = uint16_t(count);
    pv.param_index = uint16_t(index);
    MavlinkMessages::setParamId(pv.param_id, name);
    pv.param_type = uint8_t(type);
    return MavlinkMessages::frame(pv, tx, 1, 1);
}
} // namespace

class TestMavlinkHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sharedLinkOfTheHub();
    void requestFrames();
    void closedLinkSpendsSequence();
    void paramValues_data();
    void paramValues();
    void duplicatesAndCounters();
    void sendPreparedMessage();
    void followsAndAddressesTheUnit();

private:
    TApp *hub = nullptr;
};

void TestMavlinkHandler::initTestCase()
{
    static TApp app(QStringLiteral("./cfg/param.ini"));
    hub = &app;
    qRegisterMetaType<mavlink_message_t>("mavlink_message_t");
}

void TestMavlinkHandler::sharedLinkOfTheHub()
{
    QObject *shared = hub->links()->find(6);
    QVERIFY(qobject_cast<MavlinkHandler *>(shared));
    QVERIFY(shared->thread() != QThread::currentThread());
    QCOMPARE(static_cast<MavlinkHandler *>(shared)->linkId(), 6);
}

void TestMavlinkHandler::requestFrames()
{
    Fixture f;
    QVERIFY(f.open());
    emit f.link->requestParamListSignal();
    QCOMPARE(readDatagram(f.unit).toHex(' '), hex("FD 01 00 00 00 00 00 15 00 00 00 D0 5B").toHex(' '));
    emit f.link->requestParamListSignal();
    QCOMPARE(readDatagram(f.unit).toHex(' '), hex("FD 01 00 00 01 00 00 15 00 00 00 6F DA").toHex(' '));

    // The name crosses threads by value; the frame carries the 16 characters without terminator.
    {
        QByteArray name("LOG_BACKEND_TYPE");
        emit f.link->setParamValueSignal(name, 1.0f, 9);
        name.fill('X');
    }
    const QByteArray set = readDatagram(f.unit);
    QCOMPARE(set.size(), 10 + 23 + 2);
    QCOMPARE(set.mid(16, 16), QByteArray("LOG_BACKEND_TYPE"));
    QCOMPARE(uint8_t(set.at(4)), uint8_t(2)); // sequence continues on channel 0
    // Same frame as built by hand, apart from the sequence byte and so the checksum.
    MavlinkParser parser;
    int frames = 0;
    parser.feed(set, [&](const mavlink_message_t &msg) {
        ++frames;
        const auto decoded = mavlink_param_set_t::decode(msg);
        QCOMPARE(decoded.param_value, 1.0f);
        QCOMPARE(decoded.param_type, uint8_t(9));
        QCOMPARE(decoded.target_system, uint8_t(0));
    });
    QCOMPARE(frames, 1);
}

void TestMavlinkHandler::closedLinkSpendsSequence()
{
    Fixture f;
    emit f.link->requestParamListSignal(); // closed: framed (sequence 0 spent), nothing written
    QVERIFY(f.open());
    emit f.link->requestParamListSignal();
    const QByteArray frame = readDatagram(f.unit);
    QCOMPARE(frame.size(), 13);
    QCOMPARE(uint8_t(frame.at(4)), uint8_t(1));
    QVERIFY(!f.unit.hasPendingDatagrams());
}

void TestMavlinkHandler::paramValues_data()
{
    QTest::addColumn<QList<QByteArray>>("datagrams");
    QTest::addColumn<QString>("name");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("type");

    MavlinkTxChannel tx;
    QTest::newRow("16-character name") << QList<QByteArray>{paramValueFrame(tx, "SERIAL0_PROTOCOL", 2, 1200, 7, 2)}
                                       << "SERIAL0_PROTOCOL" << 2.0f << 1200 << 7 << 2;
    // Hand-built MAVLink 1 frame from system 1/1: 0.25, count 1200, index 7, ACRO_PITCH_RATE, type 9.
    QTest::newRow("MAVLink 1") << QList<QByteArray>{hex("FE 19 05 01 01 16 00 00 80 3E B0 04 07 00 41 43 52 4F 5F 50 "
                                                        "49 54 43 48 5F 52 41 54 45 00 09 E9 47")}
                               << "ACRO_PITCH_RATE" << 0.25f << 1200 << 7 << 9;
    // Truncated to 8 bytes: empty name, type 0.
    QTest::newRow("truncated") << QList<QByteArray>{hex("FD 08 00 00 03 01 01 16 00 00 00 00 40 40 0A 00 04 00 3E 6D")}
                               << "" << 3.0f << 10 << 4 << 0;
    const QByteArray whole = paramValueFrame(tx, "BATT_MONITOR", 4, 3, 1, 2);
    QTest::newRow("split over datagrams")
        << QList<QByteArray>{whole.left(5), whole.mid(5, 12), whole.mid(17)} << "BATT_MONITOR" << 4.0f << 3 << 1 << 2;
}

void TestMavlinkHandler::paramValues()
{
    QFETCH(QList<QByteArray>, datagrams);
    Fixture f;
    QVERIFY(f.open());
    ParamRecorder spy(f.link);
    for (const QByteArray &d : datagrams)
        f.fromUnit(d);
    QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 1, Wait);
    const QList<QVariant> args = spy.first();
    QCOMPARE(args.at(0).toFloat(), [] {
        QFETCH(float, value);
        return value;
    }());
    QTEST(args.at(1).toInt(), "count");
    QTEST(args.at(2).toInt(), "index");
    QTEST(args.at(3).toString(), "name");
    QTEST(args.at(4).toInt(), "type");
}

void TestMavlinkHandler::duplicatesAndCounters()
{
    Fixture f;
    QVERIFY(f.open());
    ParamRecorder spy(f.link);
    MavlinkTxChannel tx;
    const QByteArray a = paramValueFrame(tx, "A", 1, 2, 0, 9);
    QByteArray corrupt = paramValueFrame(tx, "B", 2, 2, 1, 9); // sequence 1 is lost to the checksum
    corrupt[12] = 'Z';
    const QByteArray again = paramValueFrame(tx, "A", 1, 2, 0, 9);
    f.fromUnit(a);
    f.fromUnit(corrupt);
    f.fromUnit(again);
    QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 2, Wait); // the duplicate is forwarded as well
    QCOMPARE(spy.at(1).at(3).toString(), QString("A"));
    const MavlinkLinkCounters counters = f.link->counters();
    QCOMPARE(counters.framesOk, quint64(2));
    QCOMPARE(counters.checksumErrors, quint64(1));
    QCOMPARE(counters.sequenceGaps, quint64(1));
}

void TestMavlinkHandler::sendPreparedMessage()
{
    Fixture f;
    QVERIFY(f.open());
    MavlinkTxChannel tx;
    mavlink_message_t msg;
    mavlink_log_request_list_t list;
    list.end = 0xFFFF;
    QVERIFY(MavlinkMessages::pack(msg, list, tx));
    emit f.link->sendMavlinkMsgSignal(msg);
    QCOMPARE(readDatagram(f.unit).toHex(' '), hex("FD 04 00 00 00 00 00 75 00 00 00 00 FF FF 0F 07").toHex(' '));
}

void TestMavlinkHandler::followsAndAddressesTheUnit()
{
    Fixture f;
    QVERIFY(f.open());
    MavlinkTxChannel gimbalTx, unitTx;
    const auto decodeOne = [](const QByteArray &bytes) {
        mavlink_message_t out;
        MavlinkParser parser;
        int n = 0;
        parser.feed(bytes, [&](const mavlink_message_t &m) {
            out = m;
            ++n;
        });
        return n == 1 ? out : mavlink_message_t();
    };
    // Collected on this thread: the report is emitted on the link's thread, and a spy would append
    // there while the test reads here.
    QList<QList<QVariant>> unitChanged;
    QObject receiver;
    connect(f.link->unitReport(), &MavlinkUnitReport::unitChanged, &receiver,
            [&](int sysid, int compid) { unitChanged.append(QList<QVariant>{sysid, compid}); }, Qt::QueuedConnection);
    // A gimbal's heartbeat names no autopilot: the link still broadcasts.
    mavlink_heartbeat_t gimbal;
    gimbal.type = 26;
    gimbal.autopilot = 8;
    f.fromUnit(MavlinkMessages::frame(gimbal, gimbalTx, 1, 154));
    mavlink_heartbeat_t px4;
    px4.autopilot = 12;
    f.fromUnit(MavlinkMessages::frame(px4, unitTx, 1, 1));
    QTRY_COMPARE_WITH_TIMEOUT(unitChanged.size(), 1, Wait);
    QCOMPARE(unitChanged.first(), (QList<QVariant>{1, 1}));
    QVERIFY(f.link->unit().fromHeartbeat);
    // The unit is asked once how it encodes integers.
    const mavlink_message_t ask = decodeOne(readDatagram(f.unit));
    QCOMPARE(ask.msgid, mavlink_command_long_t::MSG_ID);
    const mavlink_command_long_t command = mavlink_command_long_t::decode(ask);
    QCOMPARE(command.command, uint16_t(512));
    QCOMPARE(command.param[0], 148.0f);
    QCOMPARE(int(command.target_system), 1);
    QCOMPARE(int(command.target_component), 1);

    // Requests are addressed to it, from the program's own ids once they are set.
    emit f.link->requestParamListSignal();
    const mavlink_message_t list = decodeOne(readDatagram(f.unit));
    QCOMPARE(list.msgid, mavlink_param_request_list_t::MSG_ID);
    QCOMPARE(int(list.sysid), 0);
    QCOMPARE(int(mavlink_param_request_list_t::decode(list).target_system), 1);
    QCOMPARE(int(mavlink_param_request_list_t::decode(list).target_component), 1);
    f.link->setOwnIds(255, 190);
    f.link->requestParamRead(7);
    const mavlink_message_t read = decodeOne(readDatagram(f.unit));
    QCOMPARE(read.msgid, mavlink_param_request_read_t::MSG_ID);
    QCOMPARE(int(read.sysid), 255);
    QCOMPARE(int(read.compid), 190);
    QCOMPARE(int(mavlink_param_request_read_t::decode(read).param_index), 7);
    QCOMPARE(int(mavlink_param_request_read_t::decode(read).target_component), 1);

    // The gimbal's parameters are ignored and counted; the unit's integers arrive bytewise.
    ParamRecorder recorder(f.link);
    mavlink_param_value_t gimbalParam;
    gimbalParam.param_value = 5;
    gimbalParam.param_count = 25;
    MavlinkMessages::setParamId(gimbalParam.param_id, "MNT_RC_IN_TILT");
    gimbalParam.param_type = 9;
    f.fromUnit(MavlinkMessages::frame(gimbalParam, gimbalTx, 1, 154));
    float bits;
    const quint32 raw = 0xECAD4A20u; // -324187616 as a 32-bit two's complement
    std::memcpy(&bits, &raw, sizeof bits);
    f.fromUnit(paramValueFrame(unitTx, "SYS_AUTOSTART", bits, 900, 3, 6));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.size(), 1, Wait);
    QCOMPARE(recorder.first().at(3).toString(), QString("SYS_AUTOSTART"));
    QCOMPARE(recorder.first().at(0).toFloat(), -324187616.0f);
    QCOMPARE(f.link->counters().otherComponents, quint64(1));
    // A write of an integer is encoded the same way.
    emit f.link->setParamValueSignal("SYS_AUTOSTART", -324187616.0f, 6);
    const mavlink_param_set_t set = mavlink_param_set_t::decode(decodeOne(readDatagram(f.unit)));
    quint32 written;
    std::memcpy(&written, &set.param_value, sizeof written);
    QCOMPARE(written, raw);
    QCOMPARE(int(set.target_system), 1);

    // Its AUTOPILOT_VERSION says C cast after all: integers are then plain floats.
    mavlink_autopilot_version_t version;
    version.capabilities = mavlink_autopilot_version_t::CAP_PARAM_ENCODE_C_CAST;
    f.fromUnit(MavlinkMessages::frame(version, unitTx, 1, 1));
    f.fromUnit(paramValueFrame(unitTx, "SYS_AUTOSTART", 4001.0f, 900, 3, 6));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.size(), 2, Wait);
    QCOMPARE(recorder.at(1).at(0).toFloat(), 4001.0f);
}

QTEST_GUILESS_MAIN(TestMavlinkHandler)
#include "tst_mavlinkhandler.moc"
