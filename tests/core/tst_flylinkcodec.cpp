// FlyLink frames, parser quirks, message layouts, the telemetry record and the text tables, checked
// against byte vectors written by hand from the protocol tables.
#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyMessages.h"
#include "core/flylink/TelemetryRecord.h"
#include "core/flylink/TransportCommand.h"

#include <QtTest>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
} // namespace

class TestFlyLinkCodec : public QObject
{
    Q_OBJECT
private slots:
    void goldenFrames_data();
    void goldenFrames();
    void heartbeatParses();
    void parserQuirks_data();
    void parserQuirks();
    void parserResyncsAfterBadChecksum();
    void zeroLengthAndMaxLength();
    void oversizePayloadRefused();
    void paramLayouts();
    void logLayouts();
    void textMessage_data();
    void textMessage();
    void ackTexts_data();
    void ackTexts();
    void recordOffsets();
    void textTables_data();
    void textTables();
    void motorCounts_data();
    void motorCounts();
    void boardInfoTexts();
    void transportFrames_data();
    void transportFrames();
    void transportParserSkipsNoise();
};

void TestFlyLinkCodec::goldenFrames_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("heartbeat from 5") << FlyFrame::build(5, 0, FlyMsg::Heartbeat, hex("02 10"))
                                      << hex("4B 57 05 00 01 02 02 10 BC");
    QTest::newRow("request message 0") << FlyFrame::build(1, 0, FlyMsg::Command, FlyCmd::requestMessage(0))
                                       << hex("4B 57 01 00 2A 06 0E 00 00 00 00 00 E1");
    QTest::newRow("request board info") << FlyFrame::build(1, 1, FlyMsg::Command, FlyCmd::requestMessage(12))
                                        << hex("4B 57 01 01 2A 06 0E 0C 00 00 00 00 EE");
    QTest::newRow("serial number 25-0001") << FlyCmd::serialNumber((25u << 16) | 1) << hex("10 01 00 19 00 00");
    QTest::newRow("simple compass 90") << FlyCmd::magSimple(90) << hex("0D 08 00 5A 00 00");
    QTest::newRow("factory reset") << FlyCmd::payload(FlyCmd::FactoryReset) << hex("08 00 00 00 00 00");
    QTest::newRow("reboot") << FlyCmd::payload(FlyCmd::Reboot) << hex("09 00 00 00 00 00");
    QTest::newRow("factory data") << FlyCmd::payload(FlyCmd::WriteFactoryData) << hex("0F 00 00 00 00 00");
    QTest::newRow("stop acc 3d") << FlyCmd::calibrate(FlyCmd::Acc3D, FlyCmd::Stop) << hex("0D 00 01 00 00 00");
    QTest::newRow("next face") << FlyCmd::calibrate(FlyCmd::Acc3D, FlyCmd::NextFace) << hex("0D 00 02 00 00 00");
    QTest::newRow("level") << FlyCmd::calibrate(FlyCmd::AccLevel) << hex("0D 01 00 00 00 00");
    QTest::newRow("gyro") << FlyCmd::calibrate(FlyCmd::GyroZero) << hex("0D 04 00 00 00 00");
    QTest::newRow("stop mag") << FlyCmd::calibrate(FlyCmd::Mag, FlyCmd::Stop) << hex("0D 06 01 00 00 00");
    QTest::newRow("cancel inflight") << FlyCmd::calibrate(FlyCmd::MagInflight, FlyCmd::Stop)
                                     << hex("0D 07 01 00 00 00");
    QTest::newRow("read by name") << FlyMsg::paramReadByName(QStringLiteral("INS_ACCOFFS_X"))
                                  << hex("FF FF 49 4E 53 5F 41 43 43 4F 46 46 53 5F 58 00 00 00 00");
    QTest::newRow("read by index 3") << FlyMsg::paramReadByIndex(3) << hex("03 00 00000000000000000000000000000000 00");
    QTest::newRow("set SYSID_THISMAV 2") << FlyMsg::paramSet(QStringLiteral("SYSID_THISMAV"), 2.0f)
                                         << hex("FF FF 00 00 53 59 53 49 44 5F 54 48 49 53 4D 41 56 00 00 00 "
                                                "00 00 00 00 00 40");
    QTest::newRow("list request 0") << FlyFrame::build(1, 7, FlyMsg::LogListRequest, FlyMsg::logListRequest(0))
                                    << hex("4B 57 01 07 25 02 00 00 D1");
    QTest::newRow("data request 480+20 of log 2") << FlyMsg::logDataRequest(480, 20, 2) << hex("E0 01 00 00 14 02 00");
    QTest::newRow("erase, sequence wraps")
        << FlyFrame::build(1, 255, FlyMsg::LogErase, QByteArray()) << hex("4B 57 01 FF 29 00 CB");
}

void TestFlyLinkCodec::goldenFrames()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, expected);
    QCOMPARE(built.toHex(' '), expected.toHex(' '));
}

void TestFlyLinkCodec::heartbeatParses()
{
    FlyParser parser;
    const QList<FlyFrame> frames = parser.feed(hex("4B 57 05 00 01 02 02 10 BC"));
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames[0].sender, quint8(5));
    QCOMPARE(frames[0].id, quint8(FlyMsg::Heartbeat));
    QCOMPARE(FlyLe::get<quint16>(reinterpret_cast<const uchar *>(frames[0].payload.constData())), quint16(0x1002));
}

void TestFlyLinkCodec::parserQuirks_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("frames");
    const QByteArray hb = hex("4B 57 05 00 01 02 02 10 BC");
    QTest::newRow("clean") << hb << 1;
    // In state 1 a second "K" sends the parser back to 0 unexamined, so the "W" is skipped too.
    QTest::newRow("KKW loses the frame") << (QByteArray("K") + hb) << 0;
    QTest::newRow("noise before") << (hex("00 57 4B 00") + hb) << 1;
    QTest::newRow("bad checksum") << hex("4B 57 05 00 01 02 02 10 BD") << 0;
    QTest::newRow("two frames back to back") << (hb + hb) << 2;
    QTest::newRow("KW inside a payload is data") << hex("4B 57 01 02 20 02 4B 57 69") << 1;
}

void TestFlyLinkCodec::parserQuirks()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, frames);
    FlyParser whole;
    QCOMPARE(whole.feed(stream).size(), frames);
    FlyParser bytewise;
    int n = 0;
    for (char c : stream)
        n += bytewise.push(quint8(c)) ? 1 : 0;
    QCOMPARE(n, frames);
    QCOMPARE(bytewise.state(), 0);
}

void TestFlyLinkCodec::parserResyncsAfterBadChecksum()
{
    FlyParser parser;
    const QByteArray good = FlyFrame::build(3, 9, FlyMsg::AccCaliState, QByteArray(1, '\x07'));
    QByteArray bad = good;
    bad[6] = '\x08';
    const QList<FlyFrame> frames = parser.feed(bad + good);
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames[0].sequence, quint8(9));
    QCOMPARE(parser.checksumErrors(), 1u);
    QCOMPARE(parser.framesOk(), 1u);
}

void TestFlyLinkCodec::zeroLengthAndMaxLength()
{
    FlyParser parser;
    QByteArray big(255, '\x4B');
    const QList<FlyFrame> frames =
        parser.feed(FlyFrame::build(1, 0, FlyMsg::LogErase, QByteArray()) + FlyFrame::build(1, 1, 99, big));
    QCOMPARE(frames.size(), 2);
    QVERIFY(frames[0].payload.isEmpty());
    QCOMPARE(frames[1].payload, big);
}

void TestFlyLinkCodec::oversizePayloadRefused()
{
    QVERIFY(FlyFrame::build(1, 0, 1, QByteArray(256, 'x')).isEmpty());
}

void TestFlyLinkCodec::paramLayouts()
{
    // The unit's answer: index 2 of 3, a 16-character name without terminator, 6.0.
    const QByteArray payload = hex("02 00 03 00 41 48 52 53 5F 4F 52 49 45 4E 54 41 54 49 4F 4E 00 00 00 00 C0 40");
    const FlyParamValue v = FlyParamValue::fromPayload(payload);
    QCOMPARE(v.index(), qint16(2));
    QCOMPARE(v.count(), qint16(3));
    QCOMPARE(v.name(), QStringLiteral("AHRS_ORIENTATION"));
    QCOMPARE(v.value(), 6.0f);
    QCOMPARE(FlyMsg::paramValue(2, 3, QStringLiteral("AHRS_ORIENTATION"), 6.0f), payload);

    const FlyParamRead r = FlyParamRead::fromPayload(FlyMsg::paramReadByName(QStringLiteral("LOG_DISARMED")));
    QCOMPARE(r.index(), qint16(-1));
    QCOMPARE(r.name(), QStringLiteral("LOG_DISARMED"));
}

void TestFlyLinkCodec::logLayouts()
{
    const QByteArray entry = hex("03 00 80 51 01 00 F4 01 00 00 04 00 05 00");
    const FlyLogInfo info = FlyLogInfo::fromPayload(entry);
    QCOMPARE(info.id(), quint16(3));
    QCOMPARE(info.timeUtc(), 86400u);
    QCOMPARE(info.size(), 500u);
    QCOMPARE(info.numLogs(), quint16(4));
    QCOMPARE(info.lastLogId(), quint16(5));
    QCOMPARE(FlyLogInfo::make(3, 86400, 500, 4, 5).toPayload(), entry);

    const FlyLogData block = FlyLogData::make(2, 480, QByteArray(20, '\xAA'));
    const QByteArray raw = block.toPayload();
    QCOMPARE(raw.size(), 247);
    QCOMPARE(raw.left(7), hex("02 00 E0 01 00 00 14"));
    QCOMPARE(raw.mid(7, 20), QByteArray(20, '\xAA'));
    QCOMPARE(raw.mid(27), QByteArray(220, '\0'));
    const FlyLogRequest req = FlyLogRequest::fromPayload(FlyMsg::logDataRequest(240, 240, 7));
    QCOMPARE(req.offset(), 240u);
    QCOMPARE(req.count(), quint8(240));
    QCOMPARE(req.id(), quint16(7));
}

void TestFlyLinkCodec::textMessage_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("text");
    QByteArray full(53, 'a');
    full[0] = '\x09';
    QTest::newRow("52 characters, no zero byte") << full << QString(52, QLatin1Char('a'));
    QByteArray shortText(53, '\0');
    shortText.replace(1, 5, "hello");
    shortText[10] = 'x';
    QTest::newRow("stops at the first zero") << shortText << QStringLiteral("hello");
    QByteArray latin(53, '\0');
    latin[1] = '\xB0';
    QTest::newRow("latin-1") << latin << QStringLiteral("\u00B0");
}

void TestFlyLinkCodec::textMessage()
{
    QFETCH(QByteArray, payload);
    QFETCH(QString, text);
    QCOMPARE(FlyMsg::textOf(payload), text);
}

void TestFlyLinkCodec::ackTexts_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("text");
    QTest::newRow("0x000D") << 0x000D << QStringLiteral("calibrate cmd accepted");
    QTest::newRow("0x0A0D") << 0x0A0D << QStringLiteral("calibrate Unknown result10");
    QTest::newRow("0x0215") << 0x0215 << QStringLiteral("order21 cmd refused");
    QTest::newRow("0x0110") << 0x0110 << QStringLiteral("Write SN cmd Provisionally refused");
    QTest::newRow("0x0309") << 0x0309 << QStringLiteral("Restart cmd is invalid");
    QTest::newRow("0x0408") << 0x0408 << QStringLiteral("factory data reset cmd failed");
    QTest::newRow("0x050F") << 0x050F << QStringLiteral("Write factory data cmd is In execution");
    QTest::newRow("0x0012") << 0x0012 << QStringLiteral("执行降落 cmd accepted");
    QTest::newRow("0x0000") << 0x0000 << QStringLiteral("order0 cmd accepted");
}

void TestFlyLinkCodec::ackTexts()
{
    QFETCH(int, word);
    QFETCH(QString, text);
    QCOMPARE(FlyCmd::ackText(quint16(word)), text);
}

void TestFlyLinkCodec::recordOffsets()
{
    TelemetryRecord r;
    QCOMPARE(int(sizeof r), 624);
    // Navigation state at 65: yaw at 69 (the Transport page reads that byte pair directly).
    r.set<quint16>(69, 35999);
    r.set<qint32>(65 + 30, -353000000);
    r.set<float>(65 + 54, -12.5f);
    QCOMPARE(r.navigation().yawCentiDeg(), quint16(35999));
    QCOMPARE(r.navigation().latE7(), -353000000);
    QCOMPARE(r.navigation().positionDown(), -12.5f);
    // Second GNSS entry at 139 + 21, hdop at 15 of the entry.
    r.set<quint16>(139 + 21 + 15, 123);
    r.setByte(139 + 21 + 1, 6);
    QCOMPARE(r.gnss(1).hdopCenti(), quint16(123));
    QCOMPARE(r.gnss(1).fixType(), quint8(6));
    // Third IMU temperature at 203 + 64 + 28, barometer 2 temperature at 340 + 8 + 5.
    r.set<qint16>(203 + 64 + 28, -1234);
    r.set<qint16>(340 + 8 + 5, 4567);
    QCOMPARE(r.imu(2).temperatureCenti(), qint16(-1234));
    QCOMPARE(r.baro(1).temperatureCenti(), qint16(4567));
    // System status masks at 2 + 37, 41, 45; hardware bit at 2 + 35.
    r.set<quint32>(39, 0x200000);
    r.set<quint32>(43, 0x2);
    r.set<quint32>(47, 0x1);
    r.setByte(37, 1);
    QCOMPARE(r.sysStatus().sensorsPresent(), 0x200000u);
    QCOMPARE(r.sysStatus().sensorsEnabled(), 0x2u);
    QCOMPARE(r.sysStatus().sensorsHealthy(), 0x1u);
    QVERIFY(r.sysStatus().hardwareOk());
    // Board information at 561, serial number at 591, progress entry 2 percent at 514 + 16 + 3.
    r.set<quint32>(561 + 12, 10031);
    r.set<quint32>(591, (26u << 16) | 42);
    r.setByte(514 + 16 + 3, 77);
    QCOMPARE(r.boardInfo().boardType(), 10031u);
    QCOMPARE(r.boardInfo().serialNumber(), (26u << 16) | 42);
    QCOMPARE(r.magProgress(2).percent(), quint8(77));
    r.set<quint32>(600, 255);
    QCOMPARE(r.remoteSysId(), 255u);
    r.clear();
    QCOMPARE(r.toByteArray(), QByteArray(624, '\0'));
}

void TestFlyLinkCodec::textTables_data()
{
    QTest::addColumn<QString>("got");
    QTest::addColumn<QString>("expected");
    QTest::newRow("fix 0") << FlyText::gpsFixText(0) << "NO_GPS";
    QTest::newRow("fix 3") << FlyText::gpsFixText(3) << "3D_FIX";
    QTest::newRow("fix 5") << FlyText::gpsFixText(5) << "RTK-Float";
    QTest::newRow("fix 6") << FlyText::gpsFixText(6) << "RTK-Fixed";
    QTest::newRow("fix 8") << FlyText::gpsFixText(8) << "PPP";
    QTest::newRow("fix 9") << FlyText::gpsFixText(9) << "PosType:9";
    QTest::newRow("copter") << FlyText::vehicleTypeSuffix(1) << "-Copter";
    QTest::newRow("plane") << FlyText::vehicleTypeSuffix(2) << "-Plane";
    QTest::newRow("orve") << FlyText::vehicleTypeSuffix(3) << "-ORVE";
    QTest::newRow("none") << FlyText::vehicleTypeSuffix(4) << "";
    QTest::newRow("fw") << FlyText::firmwareText(0x01020A03) << "1.2.10.3";
    QTest::newRow("ptl") << FlyText::protocolText(0x2313) << "2.3.1-ORVE";
    QTest::newRow("ptl no suffix") << FlyText::protocolText(0x1000) << "1.0.0";
    QTest::newRow("sn") << FlyText::serialNumberText((25u << 16) | 1) << "2025-0001";
    QTest::newRow("sn wide") << FlyText::serialNumberText((2612u << 16) | 12345) << "202612-12345";
    QTest::newRow("unknown board") << FlyText::boardTypeName(77) << "77";
}

void TestFlyLinkCodec::textTables()
{
    QFETCH(QString, got);
    QFETCH(QString, expected);
    QCOMPARE(got, expected);
}

void TestFlyLinkCodec::motorCounts_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("motors");
    const int table[][2] = {{0, 4},  {13, 4}, {14, 6},  {18, 6},  {19, 8},  {30, 8},  {31, 12}, {32, 12},
                            {33, 6}, {35, 6}, {36, 12}, {37, 12}, {38, 4},  {42, 4},  {43, 6},  {46, 6},
                            {47, 8}, {55, 8}, {56, 6},  {59, 6},  {60, 12}, {64, 12}, {65, 0},  {255, 0}};
    for (const auto &row : table)
        QTest::newRow(qPrintable(QString::number(row[0]))) << row[0] << row[1];
}

void TestFlyLinkCodec::motorCounts()
{
    QFETCH(int, layout);
    QFETCH(int, motors);
    QCOMPARE(int(FlyText::motorCountForLayout(quint8(layout))), motors);
}

void TestFlyLinkCodec::boardInfoTexts()
{
    const QByteArray board = hex("78563412 EFCDAB89 01000000 2F270000 04030201 13 23 0000000000000000 0100 1A00");
    QCOMPARE(board.size(), 34);
    const FlyBoardInfoView view(reinterpret_cast<const uchar *>(board.constData()));
    QCOMPARE(FlyText::uuidText(view), QStringLiteral("1234567889ABCDEF00000001"));
    QCOMPARE(view.boardType(), 10031u);
    QCOMPARE(FlyText::firmwareText(view.firmwareVersion()), QStringLiteral("1.2.3.4"));
    QCOMPARE(FlyText::protocolText(view.protocolWord()), QStringLiteral("2.3.1-ORVE"));
    QCOMPARE(FlyText::serialNumberText(view.serialNumber()), QStringLiteral("2026-0001"));
}

void TestFlyLinkCodec::transportFrames_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("reboot") << TransportCommand::build(3, QByteArray(1, 8)) << hex("51 4A 03 01 08 BE 86");
    QTest::newRow("mavlink") << TransportCommand::build(3, QByteArray(1, 6)) << hex("51 4A 03 01 06 3F 42");
    QTest::newRow("own protocol") << TransportCommand::build(3, QByteArray(1, 7)) << hex("51 4A 03 01 07 FE 82");
    QTest::newRow("empty payload") << TransportCommand::build(3, QByteArray()) << hex("51 4A 03 00 FF FF");
    QTest::newRow("255-byte payload: length FF")
        << TransportCommand::build(3, QByteArray(255, '\0')).left(4) << hex("51 4A 03 FF");
    QTest::newRow("255-byte payload: whole")
        << QByteArray::number(TransportCommand::build(3, QByteArray(255, 'x')).size()) << QByteArray("261");
    // The length field cannot say 256: no frame rather than one whose length disagrees with its bytes.
    QTest::newRow("256-byte payload refused") << TransportCommand::build(3, QByteArray(256, 'x')) << QByteArray();
    QTest::newRow("1000-byte payload refused") << TransportCommand::build(3, QByteArray(1000, 'x')) << QByteArray();
    QTest::newRow("check value") << QByteArray::number(TransportCommand::crc16Modbus("123456789"), 16)
                                 << QByteArray("4b37");
}

void TestFlyLinkCodec::transportFrames()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, expected);
    QCOMPARE(built.toHex(' '), expected.toHex(' '));
}

void TestFlyLinkCodec::transportParserSkipsNoise()
{
    TransportCommand::Parser parser;
    const QByteArray reboot = hex("51 4A 03 01 08 BE 86");
    QByteArray bad = reboot;
    bad[5] = '\x00';
    const QByteArray stream = FlyFrame::build(1, 0, 42, FlyCmd::requestMessage(12)) + bad + hex("51") + reboot;
    QList<TransportCommand::Frame> frames = parser.feed(stream.left(10));
    frames += parser.feed(stream.mid(10));
    QCOMPARE(frames.size(), 1);
    QCOMPARE(frames[0].type, quint8(3));
    QCOMPARE(frames[0].payload, QByteArray(1, 8));
    QCOMPARE(parser.crcErrors(), 1u);
}

QTEST_APPLESS_MAIN(TestFlyLinkCodec)
#include "tst_flylinkcodec.moc"
