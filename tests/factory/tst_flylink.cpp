// The FlyLink client driven by hand-made unit frames and a fake clock: link state, record, commands,
// acknowledgements, parameters and the log transfers, plus record snapshots under a writing thread.
#include "factory/link/DeviceOpenMap.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"

#include "support/BusEventLog.h"

#include <QtTest>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QUdpSocket>

#include <cerrno>
#include <cstring>
#include <functional>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray frame(quint8 id, const QByteArray &payload, quint8 sender = 5)
{
    static quint8 seq = 0;
    return FlyFrame::build(sender, seq++, id, payload);
}

QByteArray entry(quint8 index, int length, int offset = -1, quint8 value = 0)
{
    QByteArray p(length, '\0');
    p[0] = char(index);
    if (offset >= 0)
        p[offset] = char(value);
    return p;
}

QByteArray logData(quint16 id, quint32 offset, const QByteArray &bytes)
{
    return FlyLogData::make(id, offset, bytes).toPayload();
}

QByteArray pattern(int n, int seed)
{
    QByteArray out(n, '\0');
    for (int i = 0; i < n; ++i)
        out[i] = char((i * 7 + seed) & 0xFF);
    return out;
}
} // namespace

class TestFlyLink : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void heartbeatEstablishes();
    void badChecksumChangesNothing();
    void kkwLosesTheFrame();
    void timeoutAndReestablish();
    void homeWrittenAndFirstHome();
    void entryBlocks();
    void compassCountAndMotorCount();
    void positionValidOnce();
    void wrongLengthIgnored();
    void unitText();
    void messageEvents_data();
    void messageEvents();
    void routeAnswered();
    void acknowledgements_data();
    void acknowledgements();
    void commands_data();
    void commands();
    void nothingSentWhileClosed();
    void ahrsOrientationValue();
    void getCommonParamAddsThenAnswers();
    void commonParamStep();
    void setCommonParam();
    void allParamFetch();
    void allParamFetchRetriesWrongIndex();
    void logList();
    void logListEmpty();
    void logListGivesUp();
    void logDownloadWindows();
    void logDownloadZeroSize();
    void logDownloadNameFallback();
    void logDownloadGivesUp();
    void logDownloadQueue();
    void logDownloadEmptyAnswersGiveUp();
    void logDownloadDropsStrayBlocks();
    void logFileUnwritable_data();
    void logFileUnwritable();
    void eraseAndEmptyQueue();
    void snapshotsAreWhole();

private:
    QList<int> events() const;
    QList<QByteArray> sentOf(quint8 id) const;
    QList<QByteArray> indexReads() const;
    void feed(quint8 id, const QByteArray &payload, quint8 sender = 5)
    {
        m_link->feedBytes(frame(id, payload, sender));
    }
    void establish();
    int textCount(const QString &text) const;

    Q_DMMM *m_bus = nullptr;
    FlyLink *m_link = nullptr;
    QUdpSocket *m_sink = nullptr;
    BusEventLog *m_spy = nullptr;
    quint32 m_now = 100000;
    QList<QByteArray> m_sent;
};

void TestFlyLink::init()
{
    QDir(QStringLiteral("log")).removeRecursively();
    m_bus = new Q_DMMM(-1);
    m_sink = new QUdpSocket;
    QVERIFY(m_sink->bind(QHostAddress(QHostAddress::LocalHost), 0));
    m_link = new FlyLink(1, false);
    m_link->setLinkId(1);
    m_bus->relayLink(m_link);
    m_now = 100000;
    m_sent.clear();
    m_link->setClock([this] { return m_now; });
    m_link->setFrameTap([this](const QByteArray &f) { m_sent.append(f); });
    m_spy = new BusEventLog(m_bus);
    const QHostAddress local(QHostAddress::LocalHost);
    emit m_link->OpenProtocolDevice(DeviceOpenMap::udp(local, 0, local, m_sink->localPort()));
    QCOMPARE(m_link->deviceState(), int(DeviceCommunication::StateOpen));
    m_spy->clear();
}

void TestFlyLink::cleanup()
{
    delete m_spy;
    delete m_link;
    delete m_sink;
    delete m_bus;
}

QList<int> TestFlyLink::events() const
{
    QList<int> out;
    for (const QList<QVariant> &args : *m_spy) {
        if (args.at(1).toInt() == 1)
            out << args.at(0).toInt();
    }
    return out;
}

int TestFlyLink::textCount(const QString &text) const
{
    int n = 0;
    for (const QList<QVariant> &args : *m_spy) {
        if (args.at(0).toInt() == DMMM_GCSEvent_new_textmsg && args.at(2).toString() == text)
            ++n;
    }
    return n;
}

QList<QByteArray> TestFlyLink::sentOf(quint8 id) const
{
    QList<QByteArray> out;
    for (const QByteArray &f : m_sent) {
        if (quint8(f[4]) == id)
            out << f.mid(6, quint8(f[5]));
    }
    return out;
}

QList<QByteArray> TestFlyLink::indexReads() const
{
    QList<QByteArray> out;
    for (const QByteArray &p : sentOf(FlyMsg::ParamRead)) {
        if (FlyParamRead::fromPayload(p).index() >= 0)
            out << p;
    }
    return out;
}

void TestFlyLink::establish()
{
    feed(FlyMsg::Heartbeat, hex("03 00"));
    QVERIFY(m_link->isConnected());
    m_spy->clear();
    m_sent.clear();
}

void TestFlyLink::heartbeatEstablishes()
{
    m_link->feedBytes(hex("4B 57 05 00 01 02 02 10 BC"));
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Remote_id_changed, DMMM_GCSEvent_Protocol_Actived,
                                   DMMM_GCSEvent_Vehicle_type, DMMM_GCSEvent_Heartbeat_received}));
    QCOMPARE(textCount(QStringLiteral("Uav5: Communication established")), 1);
    QCOMPARE((*m_spy)[2][1].toInt(), -1); // the link's own texts carry the bus's id
    QCOMPARE(sentOf(FlyMsg::Command), (QList<QByteArray>{hex("0E 00 00 00 00 00"), hex("0E 0C 00 00 00 00")}));
    // The sender and sequence of the sent frames: own id 1, counting from 0.
    QCOMPARE(m_sent[0].left(4), hex("4B 57 01 00"));
    QCOMPARE(m_sent[1].left(4), hex("4B 57 01 01"));
    const TelemetryRecord r = m_link->record();
    QCOMPARE(r.statusWord(), quint16(0x1002));
    QCOMPARE(r.vehicleType(), quint8(2));
    QCOMPARE(r.remoteSysId(), 5u);
    // A second heartbeat: no new establishment, vehicle type unchanged.
    m_spy->clear();
    m_link->feedBytes(FlyFrame::build(5, 1, 1, hex("02 10")));
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Heartbeat_received}));
    QCOMPARE(m_link->counters().framesOk, 2u);
}

void TestFlyLink::badChecksumChangesNothing()
{
    m_link->feedBytes(hex("4B 57 05 00 01 02 02 10 BD"));
    QVERIFY(events().isEmpty());
    QVERIFY(!m_link->isConnected());
    QCOMPARE(m_link->record().toByteArray(), QByteArray(624, '\0'));
    QCOMPARE(m_link->counters().checksumErrors, 1u);
    QVERIFY(m_sent.isEmpty());
}

void TestFlyLink::kkwLosesTheFrame()
{
    m_link->feedBytes(QByteArray("K") + hex("4B 57 05 00 01 02 02 10 BC"));
    QVERIFY(!m_link->isConnected());
    QVERIFY(events().isEmpty());
}

void TestFlyLink::timeoutAndReestablish()
{
    feed(FlyMsg::Heartbeat, hex("03 00"));
    m_now += 1500;
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_10Hz, -1, QVariant(int(0)));
    QVERIFY(m_link->isConnected());
    m_now += 1;
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_100Hz, -1, QVariant(int(0)));
    QVERIFY(!m_link->isConnected());
    QCOMPARE(textCount(QStringLiteral("Uav5: Communication disconnect")), 1);
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_100Hz, -1, QVariant(int(0)));
    QCOMPARE(textCount(QStringLiteral("Uav5: Communication disconnect")), 1);
    m_sent.clear();
    feed(FlyMsg::Heartbeat, hex("03 00"));
    QCOMPARE(events(),
             (QList<int>{DMMM_GCSEvent_Remote_id_changed, DMMM_GCSEvent_Protocol_Actived, DMMM_GCSEvent_Vehicle_type,
                         DMMM_GCSEvent_Heartbeat_received, DMMM_GCSEvent_Protocol_Lost, DMMM_GCSEvent_Protocol_Actived,
                         DMMM_GCSEvent_Heartbeat_received}));
    QCOMPARE(textCount(QStringLiteral("Uav5: Communication established")), 2);
    QCOMPARE(sentOf(FlyMsg::Command).size(), 2);
}

void TestFlyLink::homeWrittenAndFirstHome()
{
    establish();
    QByteArray home(12, '\0');
    FlyLe::put<qint32>(reinterpret_cast<uchar *>(home.data()), 301234567);
    FlyLe::put<qint32>(reinterpret_cast<uchar *>(home.data()) + 4, -1201234567);
    feed(FlyMsg::Home, home);
    feed(FlyMsg::Home, home);
    QCOMPARE(events(),
             (QList<int>{DMMM_GCSEvent_Home_first_received, DMMM_GCSEvent_Home_received, DMMM_GCSEvent_Home_received}));
    QSettings settings(QStringLiteral("./cfg/Setting.ini"), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("home/lat")).toInt(), 301234567);
    QCOMPARE(settings.value(QStringLiteral("home/lng")).toInt(), -1201234567);
    QVERIFY(m_link->record().homeReceived());
    // The link lost clears the flag: the next home is a first home again.
    m_now += 2000;
    m_link->update_10Hz();
    QVERIFY(!m_link->record().homeReceived());
    m_spy->clear();
    feed(FlyMsg::Home, home);
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Protocol_Actived, DMMM_GCSEvent_Home_first_received,
                                   DMMM_GCSEvent_Home_received}));
}

void TestFlyLink::entryBlocks()
{
    establish();
    feed(FlyMsg::Gnss, entry(3, FlyMsg::GnssLen, 1, 6));
    QCOMPARE(m_link->record().gnssCount(), quint8(0));
    feed(FlyMsg::Gnss, entry(0, FlyMsg::GnssLen, 2, 17));
    feed(FlyMsg::Gnss, entry(2, FlyMsg::GnssLen, 1, 6));
    feed(FlyMsg::Imu, entry(1, FlyMsg::ImuLen, 28, 0x10));
    feed(FlyMsg::Baro, entry(0, FlyMsg::BaroLen, 5, 0x20));
    feed(FlyMsg::AccCaliState, QByteArray(1, '\x03'));
    feed(FlyMsg::MagCaliProgress, entry(1, 8, 3, 55));
    feed(FlyMsg::MagCaliProgress, entry(3, 8, 3, 99));
    const TelemetryRecord r = m_link->record();
    QCOMPARE(r.gnssCount(), quint8(3));
    QCOMPARE(r.gnss(0).satellites(), quint8(17));
    QCOMPARE(r.gnss(2).fixType(), quint8(6));
    QCOMPARE(r.imuCount(), quint8(2));
    QCOMPARE(r.imu(1).temperatureCenti(), qint16(0x10));
    QCOMPARE(r.baroCount(), quint8(1));
    QCOMPARE(r.baro(0).temperatureCenti(), qint16(0x20));
    QCOMPARE(r.accCaliState(), quint8(3));
    QCOMPARE(r.magProgressCount(), quint8(2));
    QCOMPARE(r.magProgress(1).percent(), quint8(55));
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_AccCali_state, DMMM_GCSEvent_MagCali_progress}));
}

void TestFlyLink::compassCountAndMotorCount()
{
    establish();
    feed(FlyMsg::Compass, entry(0, FlyMsg::CompassLen));
    feed(FlyMsg::Compass, entry(0, FlyMsg::CompassLen));
    feed(FlyMsg::Compass, entry(1, FlyMsg::CompassLen));
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Compass_count, DMMM_GCSEvent_Compass_count}));
    m_spy->clear();
    feed(FlyMsg::SysStatus, entry(1, FlyMsg::SysStatusLen));
    QCOMPARE(m_link->record().motorCount(), quint8(4));
    m_spy->clear();
    feed(FlyMsg::SysStatus, entry(20, FlyMsg::SysStatusLen));
    feed(FlyMsg::SysStatus, entry(20, FlyMsg::SysStatusLen));
    QCOMPARE(m_link->record().motorCount(), quint8(8));
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Motor_count}));
}

void TestFlyLink::positionValidOnce()
{
    establish();
    QByteArray nav(FlyMsg::NavStateLen, '\0');
    feed(FlyMsg::NavState, nav);
    QVERIFY(!events().contains(DMMM_GCSEvent_Position_valid));
    FlyLe::put<qint32>(reinterpret_cast<uchar *>(nav.data()) + FlyLayout::Nav::Lon, 1);
    feed(FlyMsg::NavState, nav);
    feed(FlyMsg::NavState, nav);
    QCOMPARE(events().count(DMMM_GCSEvent_Position_valid), 1);
    QVERIFY(m_link->record().positionReported());
}

void TestFlyLink::wrongLengthIgnored()
{
    establish();
    feed(FlyMsg::BoardInfo, QByteArray(33, '\x01'));
    feed(FlyMsg::Heartbeat, hex("01"));
    QVERIFY(events().isEmpty());
    QCOMPARE(m_link->record().boardInfo().boardType(), 0u);
}

void TestFlyLink::unitText()
{
    establish();
    QByteArray p(53, 'z');
    feed(FlyMsg::Text, p);
    QCOMPARE(m_spy->size(), 1);
    QCOMPARE((*m_spy)[0][1].toInt(), 1);
    QCOMPARE((*m_spy)[0][2].toString(), QString(52, QLatin1Char('z')));
}

void TestFlyLink::messageEvents_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("block 7") << 7 << QByteArray(64, '\1') << QList<int>{DMMM_GCSEvent_Block7_received};
    QTest::newRow("origin") << 9 << QByteArray(12, '\1') << QList<int>{DMMM_GCSEvent_Origin_received};
    QTest::newRow("status 51 stored") << 51 << entry(1, 16) << QList<int>{DMMM_GCSEvent_Status51_received};
    QTest::newRow("status 51 not stored") << 51 << entry(0, 16) << QList<int>();
    QTest::newRow("group 80") << 80 << QByteArray(17, '\0') << QList<int>{DMMM_GCSEvent_ParamGroup_80};
    QTest::newRow("group 83 second slot") << 83 << entry(3, 7) << QList<int>{DMMM_GCSEvent_ParamGroup_83};
    QTest::newRow("group 83 slot out of range") << 83 << entry(4, 7) << QList<int>();
    QTest::newRow("group 91") << 91 << QByteArray(29, '\0') << QList<int>{DMMM_GCSEvent_ParamGroup_91};
    QTest::newRow("group 50 serial ports") << 50 << QByteArray(41, '\2') << QList<int>{DMMM_GCSEvent_ParamGroup_50};
    QTest::newRow("group 84 wrong length") << 84 << QByteArray(68, '\0') << QList<int>();
    QTest::newRow("31 discarded") << 31 << QByteArray(5, '\0') << QList<int>();
    QTest::newRow("unknown id") << 99 << QByteArray(3, '\0') << QList<int>();
}

void TestFlyLink::messageEvents()
{
    QFETCH(int, id);
    QFETCH(QByteArray, payload);
    QFETCH(QList<int>, expected);
    establish();
    feed(quint8(id), payload);
    QCOMPARE(events(), expected);
    if (id == 51 && !expected.isEmpty())
        QVERIFY(m_link->record().status51Stored());
    if (id == 9)
        QVERIFY(m_link->record().originReceived());
}

void TestFlyLink::routeAnswered()
{
    // The program starts no route transfer; a unit that offers one gets its items fetched and acked.
    establish();
    feed(FlyMsg::RouteCount, hex("02 00"));
    feed(FlyMsg::RouteItem, QByteArray(33, '\0'));
    QByteArray second(33, '\0');
    second[0] = 1;
    feed(FlyMsg::RouteItem, second);
    QCOMPARE(sentOf(FlyMsg::RouteRequest), (QList<QByteArray>{hex("00 00"), hex("01 00")}));
    QCOMPARE(sentOf(FlyMsg::RouteAck), QList<QByteArray>{hex("00")});
    QCOMPARE(events(),
             (QList<int>{DMMM_GCSEvent_Mission_Download_get_item_count, DMMM_GCSEvent_Mission_Download_request_item,
                         DMMM_GCSEvent_Mission_Download_get_item, DMMM_GCSEvent_Mission_Download_request_item,
                         DMMM_GCSEvent_Mission_Download_get_item, DMMM_GCSEvent_Mission_download_Succeed}));
    m_spy->clear();
    feed(FlyMsg::RouteRequest, hex("00 00"));
    feed(FlyMsg::RouteAck, hex("00"));
    feed(FlyMsg::RouteAck, hex("03"));
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Mission_Upload_Failed, DMMM_GCSEvent_Mission_Upload_Succeed,
                                   DMMM_GCSEvent_Mission_Upload_Failed}));
}

void TestFlyLink::acknowledgements_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");
    QTest::newRow("0x000D") << hex("0D 00") << "calibrate cmd accepted";
    QTest::newRow("0x0A0D") << hex("0D 0A") << "calibrate Unknown result10";
    QTest::newRow("0x0215") << hex("15 02") << "order21 cmd refused";
}

void TestFlyLink::acknowledgements()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);
    establish();
    QSignalSpy acks(m_link, &FlyLink::commandAcknowledged);
    feed(FlyMsg::CommandAck, payload);
    QCOMPARE(m_spy->size(), 1);
    QCOMPARE((*m_spy)[0][0].toInt(), int(DMMM_GCSEvent_new_textmsg));
    QCOMPARE((*m_spy)[0][1].toInt(), 1);
    QCOMPARE((*m_spy)[0][2].toString(), text);
    QCOMPARE(acks.size(), 1);
    QCOMPARE(acks[0][0].toInt(), int(quint8(payload[0])));
    QCOMPARE(acks[0][1].toInt(), int(quint8(payload[1])));
}

void TestFlyLink::commands_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");
    QTest::newRow("requestBoardInfo") << 0 << hex("0E 0C 00 00 00 00") << "";
    QTest::newRow("factoryReset") << 1 << hex("08 00 00 00 00 00") << "恢复出厂设置";
    QTest::newRow("rebootUnit") << 2 << hex("09 00 00 00 00 00") << "重启飞控系统";
    QTest::newRow("writeSerialNumber") << 3 << hex("10 01 00 19 00 00") << "设置飞控SN：25-0001";
    QTest::newRow("WriteFactoryData") << 4 << hex("0F 00 00 00 00 00") << "WriteFactoryData";
    QTest::newRow("StartAcc3DCali") << 5 << hex("0D 00 00 00 00 00") << "StartAcc3DCali";
    QTest::newRow("StopAcc3DCali") << 6 << hex("0D 00 01 00 00 00") << "StopAcc3DCali";
    QTest::newRow("StartAcc3DCaliNextFace") << 7 << hex("0D 00 02 00 00 00") << "StartAcc3DCaliNextFace";
    QTest::newRow("StartAccLevelCali") << 8 << hex("0D 01 00 00 00 00") << "StartAccLevelCali";
    QTest::newRow("StartAccBasicCali") << 9 << hex("0D 02 00 00 00 00") << "StartAccBasicCali";
    QTest::newRow("DoBaroCali") << 10 << hex("0D 03 00 00 00 00") << "DoBaroCali";
    QTest::newRow("DoGyroZeroCali") << 11 << hex("0D 04 00 00 00 00") << "DoGyroZeroCali";
    QTest::newRow("DoAirspeedCali") << 12 << hex("0D 05 00 00 00 00") << "DoAirspeedCali";
    QTest::newRow("DoMagCali") << 13 << hex("0D 06 00 00 00 00") << "DoMagCali";
    QTest::newRow("StopMagCali") << 14 << hex("0D 06 01 00 00 00") << "StopMagCali";
    QTest::newRow("DoMagInflightCali") << 15 << hex("0D 07 00 00 00 00") << "DoMagIn-flightCali";
    QTest::newRow("CancelMagInflightCali") << 16 << hex("0D 07 01 00 00 00") << "CancelMagIn-flightCali";
    QTest::newRow("DoMagSimpleCali(90)") << 17 << hex("0D 08 00 5A 00 00") << "DoMagSimpleCali";
    QTest::newRow("DoMagSimpleCali(359)") << 18 << hex("0D 08 00 67 01 00") << "DoMagSimpleCali";
}

void TestFlyLink::commands()
{
    QFETCH(int, which);
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);
    establish();
    const std::function<bool(FlyLink *)> ops[] = {
        [](FlyLink *l) { return l->requestBoardInfo(); },
        [](FlyLink *l) { return l->factoryReset(); },
        [](FlyLink *l) { return l->rebootUnit(); },
        [](FlyLink *l) { return l->writeSerialNumber((25u << 16) | 1); },
        [](FlyLink *l) { return l->WriteFactoryData(); },
        [](FlyLink *l) { return l->StartAcc3DCali(); },
        [](FlyLink *l) { return l->StopAcc3DCali(); },
        [](FlyLink *l) { return l->StartAcc3DCaliNextFace(); },
        [](FlyLink *l) { return l->StartAccLevelCali(); },
        [](FlyLink *l) { return l->StartAccBasicCali(); },
        [](FlyLink *l) { return l->DoBaroCali(); },
        [](FlyLink *l) { return l->DoGyroZeroCali(); },
        [](FlyLink *l) { return l->DoAirspeedCali(); },
        [](FlyLink *l) { return l->DoMagCali(); },
        [](FlyLink *l) { return l->StopMagCali(); },
        [](FlyLink *l) { return l->DoMagInflightCali(); },
        [](FlyLink *l) { return l->CancelMagInflightCali(); },
        [](FlyLink *l) { return l->DoMagSimpleCali(90); },
        [](FlyLink *l) { return l->DoMagSimpleCali(359); },
    };
    QVERIFY(ops[which](m_link));
    QCOMPARE(sentOf(FlyMsg::Command), QList<QByteArray>{payload});
    if (text.isEmpty())
        QCOMPARE(m_spy->size(), 0);
    else
        QCOMPARE(textCount(QStringLiteral("Uav5: ") + text), 1);
}

void TestFlyLink::nothingSentWhileClosed()
{
    emit m_link->CloseProtocolDevice();
    QVERIFY(!m_link->sendFrame(FlyMsg::Command, FlyCmd::payload(9).constData(), 6));
    m_link->requestParam(QStringLiteral("INS_GYR_CAL"));
    QVERIFY(m_sent.isEmpty());
    m_link->sendPacket(FlyMsg::Text, QByteArray(256, 'x'));
    QVERIFY(m_sent.isEmpty());
}

void TestFlyLink::ahrsOrientationValue()
{
    establish();
    feed(FlyMsg::ParamValue, FlyMsg::paramValue(5, 40, QStringLiteral("AHRS_ORIENTATION"), 6.0f));
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_AhrsOrientation, DMMM_GCSEvent_Param_value}));
    QCOMPARE(m_link->record().ahrsOrientation(), quint8(6));
    const FlyParamValue v = m_spy->last().at(2).value<FlyLink::CommonParam_t>();
    QCOMPARE(v.name(), QStringLiteral("AHRS_ORIENTATION"));
    QCOMPARE(v.index(), qint16(5));
    QCOMPARE(v.value(), 6.0f);
}

void TestFlyLink::getCommonParamAddsThenAnswers()
{
    establish();
    float value = -1;
    QCOMPARE(m_link->getCommonParam(QStringLiteral("BRD_HEAT_TARG"), &value, false), quint8(0));
    QVERIFY(m_link->commonParams().contains(QStringLiteral("BRD_HEAT_TARG")));
    QVERIFY(!m_link->allCommonReceived());
    feed(FlyMsg::ParamValue, FlyMsg::paramValue(-1, 0, QStringLiteral("BRD_HEAT_TARG"), 45.0f));
    QCOMPARE(m_link->getCommonParam(QStringLiteral("BRD_HEAT_TARG"), &value, false), quint8(1));
    QCOMPARE(value, 45.0f);
    QCOMPARE(m_link->commonParams().value(QStringLiteral("BRD_HEAT_TARG")).kind, quint8(4));
    // A re-read marks it unknown again.
    QCOMPARE(m_link->getCommonParam(QStringLiteral("BRD_HEAT_TARG"), &value, true), quint8(0));
    QCOMPARE(m_link->getCommonParam(QStringLiteral("BRD_HEAT_TARG"), &value, false), quint8(0));
}

void TestFlyLink::commonParamStep()
{
    establish();
    float v;
    m_link->getCommonParam(QStringLiteral("INS_X"), &v, false);
    auto tick = [this] {
        emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_100Hz, -1, QVariant(int(0)));
    };
    auto names = [this] {
        QStringList out;
        for (const QByteArray &p : sentOf(FlyMsg::ParamRead))
            out << FlyParamRead::fromPayload(p).name();
        return out;
    };
    for (int i = 0; i < 10; ++i)
        tick();
    // INS_X three times, then skipped; SYSID_THISMAV asked without limit, one request per tick.
    QStringList expected;
    expected << "INS_X"
             << "INS_X"
             << "INS_X";
    for (int i = 0; i < 7; ++i)
        expected << "SYSID_THISMAV";
    QCOMPARE(names(), expected);
    QVERIFY(!m_link->allCommonReceived());
    feed(FlyMsg::ParamValue, FlyMsg::paramValue(-1, 0, QStringLiteral("SYSID_THISMAV"), 1.0f));
    m_sent.clear();
    tick();
    QVERIFY(m_link->allCommonReceived());
    tick();
    QVERIFY(names().isEmpty());
    // Not connected: no step.
    m_now += 5000;
    m_link->getCommonParam(QStringLiteral("INS_Y"), &v, false);
    tick();
    QVERIFY(!m_link->isConnected());
    tick();
    QVERIFY(names().isEmpty());
}

void TestFlyLink::setCommonParam()
{
    establish();
    QVERIFY(!m_link->setCommonParam(QStringLiteral("NOT_IN_TABLE"), 1.0f));
    QVERIFY(sentOf(FlyMsg::ParamValue).isEmpty());
    QVERIFY(m_link->setCommonParam(QStringLiteral("SYSID_THISMAV"), 2.0f));
    QCOMPARE(sentOf(FlyMsg::ParamValue), QList<QByteArray>{FlyMsg::paramSet(QStringLiteral("SYSID_THISMAV"), 2.0f)});
    QVERIFY(!m_link->commonParams().value(QStringLiteral("SYSID_THISMAV")).received);
}

void TestFlyLink::allParamFetch()
{
    establish();
    m_link->getCommonParam(QStringLiteral("SYSID_THISMAV"), nullptr, false);
    feed(FlyMsg::ParamValue, FlyMsg::paramValue(-1, 3, QStringLiteral("SYSID_THISMAV"), 1.0f));
    m_link->startAllParamFetch();
    QVERIFY(m_link->allParamFetching());
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_10Hz, -1, QVariant(int(0)));
    const char *names[] = {"AHRS_ORIENTATION", "BRD_HEAT_TARG", "SYSID_THISMAV"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(sentOf(FlyMsg::ParamRead), QList<QByteArray>{FlyMsg::paramReadByIndex(qint16(i))});
        m_sent.clear();
        m_spy->clear();
        feed(FlyMsg::ParamValue, FlyMsg::paramValue(qint16(i), 3, QLatin1String(names[i]), float(i)));
    }
    QVERIFY(sentOf(FlyMsg::ParamRead).isEmpty());
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Param_value, DMMM_GCSEvent_Param_all_done}));
    QVERIFY(!m_link->allParamFetching());
    QCOMPARE(m_link->allParamIndex(), 3);
    QCOMPARE(m_link->allParamCount(), 3);
    m_now += 5000;
    feed(FlyMsg::Heartbeat, hex("03 00"));
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_10Hz, -1, QVariant(int(0)));
    QVERIFY(sentOf(FlyMsg::ParamRead).isEmpty());
}

void TestFlyLink::allParamFetchRetriesWrongIndex()
{
    establish();
    m_link->startAllParamFetch();
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_100Hz, -1, QVariant(int(0)));
    QCOMPARE(indexReads().size(), 1);
    feed(FlyMsg::ParamValue, FlyMsg::paramValue(1, 3, QStringLiteral("B"), 0));
    QCOMPARE(m_link->allParamIndex(), 0);
    m_now += 1000;
    feed(FlyMsg::Heartbeat, hex("03 00"));
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_100Hz, -1, QVariant(int(0)));
    QCOMPARE(indexReads().size(), 1);
    m_now += 1;
    emit m_bus->DMMM_Event(DMMM_GCSEvent_Timer_100Hz, -1, QVariant(int(0)));
    QCOMPARE(indexReads(), (QList<QByteArray>{FlyMsg::paramReadByIndex(0), FlyMsg::paramReadByIndex(0)}));
    m_link->stopAllParamFetch();
    QVERIFY(!m_link->allParamFetching());
    QVERIFY(events().contains(DMMM_GCSEvent_Param_all_done));
}

void TestFlyLink::logList()
{
    establish();
    m_link->requestLogList();
    QCOMPARE(sentOf(FlyMsg::LogListRequest), QList<QByteArray>{hex("00 00")});
    feed(FlyMsg::LogEntry, FlyLogInfo::make(1, 1700000000, 500, 3, 3).toPayload());
    feed(FlyMsg::LogEntry, FlyLogInfo::make(1, 1700000000, 500, 3, 3).toPayload()); // repeated: stored once
    feed(FlyMsg::LogEntry, FlyLogInfo::make(2, 1700000100, 0, 3, 3).toPayload());
    feed(FlyMsg::LogEntry, FlyLogInfo::make(3, 1700000200, 9000, 3, 3).toPayload());
    QCOMPARE(sentOf(FlyMsg::LogListRequest), (QList<QByteArray>{hex("00 00"), hex("02 00"), hex("03 00")}));
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Log_entry, DMMM_GCSEvent_Log_entry, DMMM_GCSEvent_Log_entry,
                                   DMMM_GCSEvent_Log_entry, DMMM_GCSEvent_Log_list_done}));
    QCOMPARE(m_link->logList().size(), 3);
    QCOMPARE(m_link->logList()[2].size(), 9000u);
    const FlyLogInfo e = (*m_spy)[0][2].value<FlyLink::log_info_t>();
    QCOMPARE(e.id(), quint16(1));
}

void TestFlyLink::logListEmpty()
{
    establish();
    m_link->requestLogList();
    QSignalSpy empty(m_link, &FlyLink::logListEmpty);
    feed(FlyMsg::LogEntry, FlyLogInfo::make(0, 0, 0, 0, 0).toPayload());
    QCOMPARE(empty.size(), 1);
    QVERIFY(events().isEmpty() || !events().contains(DMMM_GCSEvent_Log_entry));
    QCOMPARE(textCount(QStringLiteral("机载日志为空")), 1);
    QVERIFY(m_link->logList().isEmpty());
}

void TestFlyLink::logListGivesUp()
{
    // The link's 100 ms list timer ticks the listing with the link's clock (the rhythm itself is
    // tested on the engine): the awaited id is asked again, and the budget runs out.
    establish();
    m_link->requestLogList();
    feed(FlyMsg::LogEntry, FlyLogInfo::make(1, 0, 10, 2, 2).toPayload());
    m_sent.clear();
    m_now += FlyLogListing::ResendMs;
    QTRY_COMPARE(sentOf(FlyMsg::LogListRequest), QList<QByteArray>{hex("02 00")});
    QVERIFY(!events().contains(DMMM_GCSEvent_Log_timeout));
    m_now += FlyLogListing::BudgetMs - FlyLogListing::ResendMs;
    QTRY_COMPARE(events().count(DMMM_GCSEvent_Log_timeout), 1);
    QTest::qWait(300); // the timer stopped: no second give-up, no more requests
    QCOMPARE(events().count(DMMM_GCSEvent_Log_timeout), 1);
    QCOMPARE(sentOf(FlyMsg::LogListRequest).size(), 1);
}

void TestFlyLink::logDownloadWindows()
{
    establish();
    m_link->requestLogList();
    feed(FlyMsg::LogEntry, FlyLogInfo::make(4, 1700000000, 500, 1, 4).toPayload());
    m_sent.clear();
    m_link->queueLogDownload(4);
    m_link->startLogDownloads();
    const QByteArray content = pattern(500, 4);
    QCOMPARE(sentOf(FlyMsg::LogDataRequest), QList<QByteArray>{FlyMsg::logDataRequest(0, 240, 4)});
    quint16 id = 0;
    quint32 offset = 1;
    QVERIFY(m_link->logDownloadProgress(&id, &offset));
    QCOMPARE(id, quint16(4));
    QCOMPARE(offset, 0u);
    QSignalSpy done(m_link, &FlyLink::logFileCompleted);
    const QString stamp = QDateTime::fromSecsSinceEpoch(1700000000).toString(QStringLiteral("yyyyMMdd_hhmmss"));
    const QString finalPath = QStringLiteral("log/flight/4_") + stamp + QStringLiteral(".bin");
    feed(FlyMsg::LogData, logData(4, 0, content.mid(0, 240)));
    // Until the log is whole it is written under "<name>.part", block by block.
    QVERIFY(!QFile::exists(finalPath));
    QCOMPARE(QFileInfo(finalPath + QStringLiteral(".part")).size(), qint64(240));
    feed(FlyMsg::LogData, logData(4, 240, content.mid(240, 240)));
    feed(FlyMsg::LogData, logData(4, 480, content.mid(480, 20)));
    QCOMPARE(sentOf(FlyMsg::LogDataRequest),
             (QList<QByteArray>{FlyMsg::logDataRequest(0, 240, 4), FlyMsg::logDataRequest(240, 240, 4),
                                FlyMsg::logDataRequest(480, 20, 4)}));
    QVERIFY(!m_link->logDownloadProgress(&id, &offset));
    QCOMPARE(id, quint16(0xFFFF));
    QCOMPARE(done.size(), 1);
    const QString path = done[0][1].toString();
    QCOMPARE(path, finalPath);
    QVERIFY(!QFile::exists(finalPath + QStringLiteral(".part")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
    QCOMPARE(events().mid(events().size() - 4), (QList<int>{DMMM_GCSEvent_Log_data, DMMM_GCSEvent_Log_data,
                                                            DMMM_GCSEvent_Log_file_done, DMMM_GCSEvent_Log_data}));
}

void TestFlyLink::logDownloadZeroSize()
{
    establish();
    m_link->requestLogList();
    feed(FlyMsg::LogEntry, FlyLogInfo::make(2, 1700000000, 0, 1, 2).toPayload());
    m_sent.clear();
    m_link->queueLogDownload(2);
    m_link->startLogDownloads();
    QCOMPARE(sentOf(FlyMsg::LogDataRequest), QList<QByteArray>{FlyMsg::logDataRequest(0, 0, 2)});
    m_spy->clear();
    feed(FlyMsg::LogData, logData(2, 0, QByteArray()));
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Log_file_done, DMMM_GCSEvent_Log_data}));
    const QStringList files = QDir(QStringLiteral("log/flight")).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QCOMPARE(QFileInfo(QStringLiteral("log/flight/") + files[0]).size(), qint64(0));
}

void TestFlyLink::logDownloadNameFallback()
{
    establish();
    m_link->requestLogList();
    feed(FlyMsg::LogEntry, FlyLogInfo::make(7, 1700000000, 10, 1, 7).toPayload());
    const QString stamp = QDateTime::fromSecsSinceEpoch(1700000000).toString(QStringLiteral("yyyyMMdd_hhmmss"));
    QDir().mkpath(QStringLiteral("log/flight"));
    QSignalSpy done(m_link, &FlyLink::logFileCompleted);
    const QStringList expected = {QStringLiteral("log/flight/7_%1.bin").arg(stamp),
                                  QStringLiteral("log/flight/ID7_%1_1.bin").arg(stamp),
                                  QStringLiteral("log/flight/ID7_%1_2.bin").arg(stamp)};
    for (int round = 0; round < 3; ++round) {
        m_link->queueLogDownload(7);
        m_link->startLogDownloads();
        feed(FlyMsg::LogData, logData(7, 0, pattern(10, round)));
        QCOMPARE(done.size(), round + 1);
        QCOMPARE(done[round][1].toString(), expected[round]);
        QVERIFY(QFile::exists(expected[round]));
    }
}

void TestFlyLink::logDownloadGivesUp()
{
    // The link's 100 ms file timer ticks the download with the link's clock (the rhythm itself is
    // tested on the engine): the block at the current offset is asked again, then the log is given up.
    establish();
    m_link->requestLogList();
    feed(FlyMsg::LogEntry, FlyLogInfo::make(1, 0, 1000, 1, 1).toPayload());
    m_link->queueLogDownload(1);
    m_link->startLogDownloads();
    feed(FlyMsg::LogData, logData(1, 0, pattern(240, 0)));
    m_sent.clear();
    m_spy->clear();
    m_now += FlyLogDownload::ResendMs;
    QTRY_COMPARE(sentOf(FlyMsg::LogDataRequest), QList<QByteArray>{FlyMsg::logDataRequest(240, 240, 1)});
    QVERIFY(!events().contains(DMMM_GCSEvent_Log_timeout));
    m_now += FlyLogDownload::GiveUpMs - FlyLogDownload::ResendMs;
    QTRY_COMPARE(events().count(DMMM_GCSEvent_Log_timeout), 1);
    QVERIFY(!m_link->logDownloadProgress(nullptr, nullptr));
    // What arrived is in the part file; no file carries the log's own name.
    const QStringList files = QDir(QStringLiteral("log/flight")).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY2(files[0].endsWith(QLatin1String(".bin.part")), qPrintable(files[0]));
    QFile file(QStringLiteral("log/flight/") + files[0]);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), pattern(240, 0));
}

void TestFlyLink::logDownloadEmptyAnswersGiveUp()
{
    // A unit that answers with no bytes before the end is asked again at once, but not without end.
    establish();
    m_link->requestLogList();
    feed(FlyMsg::LogEntry, FlyLogInfo::make(1, 0, 500, 1, 1).toPayload());
    m_link->queueLogDownload(1);
    m_link->startLogDownloads();
    m_sent.clear();
    m_spy->clear();
    for (int i = 0; i < FlyLogDownload::MaxEmptyAnswers; ++i)
        feed(FlyMsg::LogData, logData(1, 0, QByteArray()));
    QCOMPARE(sentOf(FlyMsg::LogDataRequest).size(), FlyLogDownload::MaxEmptyAnswers - 1);
    QCOMPARE(events().count(DMMM_GCSEvent_Log_timeout), 1);
    QVERIFY(!m_link->logDownloadProgress(nullptr, nullptr));
    feed(FlyMsg::LogData, logData(1, 0, QByteArray()));
    QCOMPARE(sentOf(FlyMsg::LogDataRequest).size(), FlyLogDownload::MaxEmptyAnswers - 1);
}

void TestFlyLink::logDownloadQueue()
{
    establish();
    m_link->requestLogList();
    feed(FlyMsg::LogEntry, FlyLogInfo::make(1, 0, 100, 2, 2).toPayload());
    feed(FlyMsg::LogEntry, FlyLogInfo::make(2, 0, 300, 2, 2).toPayload());
    m_link->queueLogDownload(1);
    m_link->queueLogDownload(2);
    m_link->startLogDownloads();
    m_sent.clear();
    m_spy->clear();
    feed(FlyMsg::LogData, logData(1, 0, pattern(100, 1)));
    // Finishing log 1 starts log 2 before Log_file_done, which comes before the Log_data of the last block.
    QCOMPARE(sentOf(FlyMsg::LogDataRequest), QList<QByteArray>{FlyMsg::logDataRequest(0, 240, 2)});
    QCOMPARE(events(), (QList<int>{DMMM_GCSEvent_Log_file_done, DMMM_GCSEvent_Log_data}));
    feed(FlyMsg::LogData, logData(2, 0, pattern(240, 2)));
    feed(FlyMsg::LogData, logData(2, 240, pattern(60, 3)));
    QCOMPARE(events().count(DMMM_GCSEvent_Log_file_done), 2);
    QCOMPARE(QDir(QStringLiteral("log/flight")).entryList(QDir::Files).size(), 2);
}

void TestFlyLink::logFileUnwritable_data()
{
    // Faults that root meets too (the suites run as root in CI).
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("error");
    QTest::newRow("log is a file") << "log"
                                   << "log/flight" << ENOTDIR;
    QTest::newRow("disk full") << "full" << "PART" << ENOSPC;
}

void TestFlyLink::logFileUnwritable()
{
    // Said at once with the path and the system's reason; the download and the rest of the queue stop
    // (the next log meets the same disk), instead of a give-up seconds later.
    QFETCH(QString, fault);
    QFETCH(QString, path);
    QFETCH(int, error);
    const QString finalPath =
        "log/flight/1_" + QDateTime::fromSecsSinceEpoch(0).toString(QStringLiteral("yyyyMMdd_hhmmss")) + ".bin";
    path.replace("PART", finalPath + ".part");
    if (fault == "full") {
        QVERIFY(QDir().mkpath("log/flight"));
        QVERIFY(QFile::link("/dev/full", path));
    } else {
        QFile blocker(fault);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    establish();
    m_link->requestLogList();
    feed(FlyMsg::LogEntry, FlyLogInfo::make(1, 0, 500, 2, 2).toPayload());
    feed(FlyMsg::LogEntry, FlyLogInfo::make(2, 0, 500, 2, 2).toPayload());
    QSignalSpy failed(m_link, &FlyLink::logFileFailed);
    QSignalSpy done(m_link, &FlyLink::logFileCompleted);
    m_link->queueLogDownload(1);
    m_link->queueLogDownload(2);
    m_sent.clear();
    m_link->startLogDownloads();
    if (fault == "full")
        feed(FlyMsg::LogData, logData(1, 0, pattern(240, 1)));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed[0][0].toInt(), 1);
    QCOMPARE(failed[0][1].toString(), QDir::current().absoluteFilePath(path));
    QCOMPARE(failed[0][2].toString(), QString::fromLocal8Bit(std::strerror(error)));
    QVERIFY(!m_link->logDownloadProgress(nullptr, nullptr));
    QCOMPARE(sentOf(FlyMsg::LogDataRequest), fault == "full" ? QList<QByteArray>{FlyMsg::logDataRequest(0, 240, 1)}
                                                             : QList<QByteArray>{});
    m_now += FlyLogDownload::GiveUpMs;
    QTest::qWait(3 * FlyLink::LogTimerMs);
    QCOMPARE(sentOf(FlyMsg::LogDataRequest).size(), fault == "full" ? 1 : 0);
    QCOMPARE(done.size(), 0);
    QVERIFY(!events().contains(DMMM_GCSEvent_Log_timeout));
    QVERIFY(!QFileInfo::exists(finalPath));
    QVERIFY(!QFileInfo(path).isSymLink());
    QFile::remove("log");
}

void TestFlyLink::logDownloadDropsStrayBlocks()
{
    establish();
    m_link->requestLogList();
    feed(FlyMsg::LogEntry, FlyLogInfo::make(1, 0, 480, 1, 1).toPayload());
    m_link->queueLogDownload(1);
    m_link->startLogDownloads();
    QSignalSpy done(m_link, &FlyLink::logFileCompleted);
    m_sent.clear();
    feed(FlyMsg::LogData, logData(2, 0, pattern(240, 0)));   // another log
    feed(FlyMsg::LogData, logData(1, 240, pattern(240, 0))); // another offset
    QByteArray tooMany = logData(1, 0, pattern(240, 0));
    tooMany[6] = char(241);
    feed(FlyMsg::LogData, tooMany);
    QVERIFY(sentOf(FlyMsg::LogDataRequest).isEmpty());
    quint32 offset = 1;
    m_link->logDownloadProgress(nullptr, &offset);
    QCOMPARE(offset, 0u);
    feed(FlyMsg::LogData, logData(1, 0, pattern(240, 0)));
    feed(FlyMsg::LogData, logData(1, 240, pattern(240, 9)));
    QCOMPARE(done.size(), 1);
    // Idle again: a block that names "no log" (0xFFFF) is not appended to the finished file.
    feed(FlyMsg::LogData, logData(0xFFFF, 0, pattern(240, 5)));
    QFile file(done[0][1].toString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), pattern(240, 0) + pattern(240, 9));
}

void TestFlyLink::eraseAndEmptyQueue()
{
    establish();
    m_link->startLogDownloads();
    QCOMPARE(textCount(QStringLiteral("Uav5: 无下载列表")), 1);
    m_link->eraseLogs();
    QCOMPARE(sentOf(FlyMsg::LogErase), QList<QByteArray>{QByteArray()});
    QCOMPARE(textCount(QStringLiteral("Uav5: 清除机载日志")), 1);
}

void TestFlyLink::snapshotsAreWhole()
{
    // A link on its own thread receives navigation states whose fields all carry the same counter;
    // every copy the GUI thread takes meanwhile must show one message, never a mix of two.
    FlyLink link(1, true);
    link.setLinkId(12);
    emit link.OpenProtocolDevice(DeviceOpenMap::udp(QHostAddress(QHostAddress::LocalHost), 0));
    QTRY_VERIFY_WITH_TIMEOUT(link.localUdpPort() != 0, 10000);
    QUdpSocket unit;
    QVERIFY(unit.bind(QHostAddress(QHostAddress::LocalHost), 0));
    const int messages = 3000;
    int checked = 0;
    int sent = 0;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer quietSince;
    quint32 lastRx = 0;
    // Datagrams may be lost on a loaded machine; what arrived must be whole.
    while (clock.elapsed() < 20000) {
        for (int burst = 0; burst < 5 && sent < messages; ++burst, ++sent) {
            QByteArray nav(FlyMsg::NavStateLen, '\0');
            uchar *p = reinterpret_cast<uchar *>(nav.data());
            for (int off = 0; off + 4 <= FlyMsg::NavStateLen; off += 4)
                FlyLe::put<qint32>(p + off, sent);
            unit.writeDatagram(FlyFrame::build(9, quint8(sent), FlyMsg::NavState, nav),
                               QHostAddress(QHostAddress::LocalHost), link.localUdpPort());
        }
        const TelemetryRecord r = link.record();
        const uchar *nav = r.bytes + TelemetryRecord::NavState;
        const qint32 first = FlyLe::get<qint32>(nav);
        for (int off = 4; off + 4 <= FlyMsg::NavStateLen; off += 4)
            QCOMPARE(FlyLe::get<qint32>(nav + off), first);
        ++checked;
        if (sent >= messages) {
            // Done when the last one arrived or nothing more came for a while (lost datagrams).
            if (first == messages - 1 || (quietSince.isValid() && quietSince.elapsed() > 300))
                break;
            if (link.rxBytes() != lastRx) {
                lastRx = link.rxBytes();
                quietSince.start();
            } else if (!quietSince.isValid()) {
                quietSince.start();
            }
            QTest::qWait(1);
        }
    }
    QVERIFY(link.counters().framesOk > 0);
    QVERIFY(checked >= messages / 5);
}

QTEST_MAIN(TestFlyLink)
#include "tst_flylink.moc"
