// MAVLink framing, parser and dialect table against frames written byte by byte.
#include "core/mavlink/MavlinkDialect.h"
#include "core/mavlink/MavlinkFrame.h"
#include "core/mavlink/MavlinkLinkEngine.h"
#include "core/mavlink/MavlinkMessages.h"
#include "core/mavlink/ParamList.h"

#include <QtTest>

#include <cstring>
#include <limits>

namespace {
QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Parses bytes in the given chunks and returns every frame delivered.
QVector<mavlink_message_t> parseChunks(MavlinkParser &parser, const QList<QByteArray> &chunks)
{
    QVector<mavlink_message_t> frames;
    for (const QByteArray &chunk : chunks)
        parser.feed(chunk, [&](const mavlink_message_t &msg) { frames.append(msg); });
    return frames;
}

// Hand-built frames (header, payload, X.25 checksum with CRC_EXTRA, low byte first).
// PARAM_VALUE v1 from system 1/1, seq 5: 0.25, count 1200, index 7, "ACRO_PITCH_RATE", type 9.
const char *kParamValueV1 = "FE 19 05 01 01 16 00 00 80 3E B0 04 07 00 41 43 52 4F 5F 50 49 54 43 48 5F 52 41 54 45 "
                            "00 09 E9 47";
// PARAM_VALUE v2, seq 9: 1.0, count 3, index 2, "SERIAL0_PROTOCOL" (16 characters, no NUL), type 2.
const char *kParamValue16 = "FD 19 00 00 09 01 01 16 00 00 00 00 80 3F 03 00 02 00 53 45 52 49 41 4C 30 5F 50 52 4F "
                            "54 4F 43 4F 4C 02 FB 95";
// PARAM_VALUE v2 truncated to 8 payload bytes: 3.0, count 10, index 4; name and type cut off.
const char *kParamValueTruncated = "FD 08 00 00 03 01 01 16 00 00 00 00 40 40 0A 00 04 00 3E 6D";
// A frame of id 3 (not in the dialect; checksum seeded with 0x55) from 1/154, seq 4, whose 37-byte
// payload is exactly the frame kParamValue16.
const char *kUnknownIdCarrier =
    "FD 25 00 00 04 01 9A 03 00 00 FD 19 00 00 09 01 01 16 00 00 00 00 80 3F 03 00 02 00 53 "
    "45 52 49 41 4C 30 5F 50 52 4F 54 4F 43 4F 4C 02 FB 95 6E BE";
// Signed HEARTBEAT (incompat flag 1) with a 13-byte signature 01..0D.
const char *kHeartbeatSigned = "FD 09 01 00 07 01 01 00 00 00 00 00 00 00 02 03 51 04 03 43 54 01 02 03 04 05 06 07 08 "
                               "09 0A 0B 0C 0D";
} // namespace

class TestMavlink : public QObject
{
    Q_OBJECT
private slots:
    void dialectTable();
    void checksum();
    void goldenFrames_data();
    void goldenFrames();
    void sequencePerChannel();
    void paramSetNameBytes();
    void parseFrames_data();
    void parseFrames();
    void splitAtEveryPosition();
    void droppedFrames_data();
    void droppedFrames();
    void sequenceGaps();
    void recordsRoundTrip();
    void formatFloat_data();
    void formatFloat();
    void listCollector();
    void paramEncoding_data();
    void paramEncoding();
    void unitChoice();
};

void TestMavlink::dialectTable()
{
    QCOMPARE(MavlinkDialect::kMessageCount, 223);
    for (int i = 1; i < MavlinkDialect::kMessageCount; ++i)
        QVERIFY(MavlinkDialect::kMessages[i - 1].msgid < MavlinkDialect::kMessages[i].msgid);
    struct Row
    {
        uint32_t id;
        uint8_t crc, minLen, maxLen;
    };
    // The messages the program exchanges, as the dialect defines them.
    const Row rows[] = {{0, 50, 9, 9},      {20, 214, 20, 20},  {21, 159, 2, 2},  {22, 220, 25, 25},
                        {23, 168, 23, 23},  {30, 39, 28, 28},   {117, 128, 6, 6}, {118, 56, 14, 14},
                        {119, 116, 12, 12}, {120, 134, 97, 97}, {121, 237, 2, 2}};
    for (const Row &row : rows) {
        const MavlinkDialect::MessageInfo *info = MavlinkDialect::find(row.id);
        QVERIFY2(info, qPrintable(QString::number(row.id)));
        QCOMPARE(info->crcExtra, row.crc);
        QCOMPARE(info->minLen, row.minLen);
        QCOMPARE(info->maxLen, row.maxLen);
    }
    QCOMPARE(QByteArray(MavlinkDialect::find(22)->name), QByteArray("PARAM_VALUE"));
    QVERIFY(MavlinkDialect::find(3) == nullptr);
    QVERIFY(MavlinkDialect::find(0xFFFFFF) == nullptr);
    const MavlinkDialect::MessageInfo *last = &MavlinkDialect::kMessages[MavlinkDialect::kMessageCount - 1];
    QCOMPARE(MavlinkDialect::find(last->msgid), last);
    QCOMPARE(MavlinkDialect::find(23)->targetSystemOfs, uint8_t(4));
}

void TestMavlink::checksum()
{
    // CRC-16/MCRF4XX check value over "123456789".
    const char *check = "123456789";
    QCOMPARE(MavlinkCrc::calculate(reinterpret_cast<const uint8_t *>(check), 9), uint16_t(0x6F91));
}

void TestMavlink::goldenFrames_data()
{
    QTest::addColumn<QByteArray>("built");
    QTest::addColumn<QByteArray>("expected");
    {
        MavlinkLinkEngine engine;
        // Two zero bytes of payload trimmed to one: 13 bytes on the wire.
        QTest::newRow("PARAM_REQUEST_LIST")
            << engine.paramRequestList() << hex("FD 01 00 00 00 00 00 15 00 00 00 D0 5B");
    }
    {
        MavlinkLinkEngine engine;
        QTest::newRow("PARAM_SET 16-char name")
            << engine.paramSet("LOG_BACKEND_TYPE", 1.0f, 9)
            << hex("FD 17 00 00 00 00 00 17 00 00 00 00 80 3F 00 00 4C 4F 47 5F 42 41 43 4B 45 4E 44 5F 54 59 50 45 "
                   "09 0C 11");
    }
    {
        MavlinkLinkEngine engine;
        engine.paramRequestList();
        QTest::newRow("PARAM_SET after one frame")
            << engine.paramSet("ACRO_YAW_P", 2.5f, 9)
            << hex("FD 17 00 00 01 00 00 17 00 00 00 00 20 40 00 00 41 43 52 4F 5F 59 41 57 5F 50 00 00 00 00 00 00 "
                   "09 64 15");
    }
    {
        MavlinkLinkEngine engine;
        QTest::newRow("LOG_REQUEST_LIST")
            << engine.logRequestList() << hex("FD 04 00 00 00 00 00 75 00 00 00 00 FF FF 0F 07");
    }
    {
        MavlinkLinkEngine engine;
        QTest::newRow("LOG_REQUEST_DATA") << engine.logRequestData(0, 46080, 3)
                                          << hex("FD 09 00 00 00 00 00 77 00 00 00 00 00 00 00 B4 00 00 03 B5 57");
    }
    {
        MavlinkLinkEngine engine;
        QTest::newRow("LOG_ERASE") << engine.logErase() << hex("FD 01 00 00 00 00 00 79 00 00 00 C6 DD");
    }
    {
        // As the simulated unit (system 1, component 1) sends them.
        MavlinkTxChannel tx;
        mavlink_log_entry_t entry;
        entry.time_utc = 1740819907;
        entry.size = 100000;
        entry.id = 3;
        entry.num_logs = 5;
        entry.last_log_num = 5;
        QTest::newRow("LOG_ENTRY") << MavlinkMessages::frame(entry, tx, 1, 1)
                                   << hex("FD 0D 00 00 00 01 01 76 00 00 C3 CD C2 67 A0 86 01 00 03 00 05 00 05 99 6C");
        mavlink_log_data_t data;
        data.ofs = 46080;
        data.id = 3;
        data.count = 3;
        data.data[0] = 1;
        data.data[1] = 2;
        data.data[2] = 3;
        QTest::newRow("LOG_DATA (trimmed)") << MavlinkMessages::frame(data, tx, 1, 1)
                                            << hex("FD 0A 00 00 01 01 01 78 00 00 00 B4 00 00 03 00 03 01 02 03 2F D3");
    }
}

void TestMavlink::goldenFrames()
{
    QFETCH(QByteArray, built);
    QFETCH(QByteArray, expected);
    QCOMPARE(built.toHex(' '), expected.toHex(' '));
}

void TestMavlink::sequencePerChannel()
{
    MavlinkLinkEngine engine;
    auto seq = [](const QByteArray &frame) {
        return uint8_t(frame.at(4));
    };
    QCOMPARE(seq(engine.paramSet("A", 1, 9)), uint8_t(0));
    QCOMPARE(seq(engine.logRequestData(0, 90, 1)), uint8_t(0)); // channel 1 has its own counter
    QCOMPARE(seq(engine.paramSet("A", 1, 9)), uint8_t(1));
    QCOMPARE(seq(engine.logRequestData(90, 90, 1)), uint8_t(1));
    QCOMPARE(seq(engine.paramRequestList()), uint8_t(2));
    QCOMPARE(hex("FD 01 00 00 01 00 00 15 00 00 00 6F DA"), [] {
        MavlinkLinkEngine e;
        e.paramRequestList();
        return e.paramRequestList();
    }());
    // The counter wraps at 256.
    for (int i = 3; i < 256; ++i)
        engine.paramRequestList();
    QCOMPARE(seq(engine.paramRequestList()), uint8_t(0));
}

void TestMavlink::paramSetNameBytes()
{
    MavlinkLinkEngine engine;
    MavlinkParser parser;
    QByteArray wire = engine.paramSet("", 0.0f, 9) + engine.paramSet("A_NAME_LONGER_THAN_16", -1.5f, 4);
    const auto frames = parseChunks(parser, {wire});
    QCOMPARE(frames.size(), 2);
    const auto empty = mavlink_param_set_t::decode(frames[0]);
    QCOMPARE(QByteArray(empty.param_id, 16), QByteArray(16, '\0'));
    QCOMPARE(empty.param_type, uint8_t(9));
    const auto longName = mavlink_param_set_t::decode(frames[1]);
    QCOMPARE(QByteArray(longName.param_id, 16), QByteArray("A_NAME_LONGER_TH"));
    QCOMPARE(longName.param_value, -1.5f);
    QCOMPARE(longName.param_type, uint8_t(4));
}

void TestMavlink::parseFrames_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<uint>("msgid");
    QTest::addColumn<int>("magic");
    QTest::addColumn<int>("seq");
    QTest::addColumn<QString>("name");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("type");

    QTest::newRow("v1 PARAM_VALUE") << hex(kParamValueV1) << 22u << 0xFE << 5 << "ACRO_PITCH_RATE" << 0.25f << 1200 << 7
                                    << 9;
    QTest::newRow("16-character name") << hex(kParamValue16) << 22u << 0xFD << 9 << "SERIAL0_PROTOCOL" << 1.0f << 3 << 2
                                       << 2;
    QTest::newRow("truncated payload") << hex(kParamValueTruncated) << 22u << 0xFD << 3 << "" << 3.0f << 10 << 4 << 0;
    QTest::newRow("signed heartbeat") << hex(kHeartbeatSigned) << 0u << 0xFD << 7 << "" << 0.0f << 0 << 0 << 0;
}

void TestMavlink::parseFrames()
{
    QFETCH(QByteArray, wire);
    QFETCH(uint, msgid);
    MavlinkParser parser;
    const auto frames = parseChunks(parser, {wire});
    QCOMPARE(frames.size(), 1);
    const mavlink_message_t &msg = frames[0];
    QCOMPARE(msg.msgid, msgid);
    QTEST(int(msg.magic), "magic");
    QTEST(int(msg.seq), "seq");
    QCOMPARE(parser.counters().framesOk, quint64(1));
    if (msgid == 22) {
        const MavlinkLinkEngine::ParamValue pv = MavlinkLinkEngine::decodeParamValue(msg);
        QTEST(pv.name, "name");
        QTEST(float(pv.value), "value");
        QTEST(int(pv.count), "count");
        QTEST(int(pv.index), "index");
        QTEST(int(pv.type), "type");
    } else {
        QCOMPARE(msg.incompat_flags, uint8_t(1));
        QCOMPARE(msg.signature[12], uint8_t(13));
        const auto hb = mavlink_heartbeat_t::decode(msg);
        QCOMPARE(hb.type, uint8_t(2));
        QCOMPARE(hb.base_mode, uint8_t(81));
        QCOMPARE(hb.mavlink_version, uint8_t(3));
    }
    // Serialising the parsed frame gives the same bytes back.
    QCOMPARE(MavlinkFrame::serialize(msg).toHex(), wire.toHex());
}

void TestMavlink::splitAtEveryPosition()
{
    // A LOG_ENTRY and a signed heartbeat, cut once at every position, and also fed byte by byte.
    MavlinkTxChannel tx;
    mavlink_log_entry_t entry;
    entry.time_utc = 1700000000;
    entry.size = 123456;
    entry.id = 4;
    entry.num_logs = 7;
    entry.last_log_num = 9;
    const QByteArray stream = MavlinkMessages::frame(entry, tx, 1, 1) + hex(kHeartbeatSigned);
    for (int cut = 0; cut <= stream.size(); ++cut) {
        MavlinkParser parser;
        const auto frames = parseChunks(parser, {stream.left(cut), stream.mid(cut)});
        QCOMPARE(frames.size(), 2);
        const auto decoded = mavlink_log_entry_t::decode(frames[0]);
        QCOMPARE(decoded.size, 123456u);
        QCOMPARE(decoded.last_log_num, uint16_t(9));
        QCOMPARE(frames[1].msgid, 0u);
    }
    MavlinkParser parser;
    QList<QByteArray> bytes;
    for (char c : stream)
        bytes.append(QByteArray(1, c));
    QCOMPARE(parseChunks(parser, bytes).size(), 2);
}

void TestMavlink::droppedFrames_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("checksumErrors");
    QTest::addColumn<int>("unknownIds");

    QByteArray bad = hex(kParamValue16);
    bad[bad.size() - 1] = char(bad.at(bad.size() - 1) ^ 0x01);
    QTest::newRow("bad checksum") << bad << 0 << 1 << 0;
    QByteArray badPayload = hex(kParamValue16);
    badPayload[20] = 'X';
    QTest::newRow("bad checksum, then a good frame") << badPayload + hex(kParamValueV1) << 1 << 1 << 0;
    // Id 3 is not in the dialect.
    QTest::newRow("unknown id") << hex("FD 01 00 00 00 00 00 03 00 00 00 AA BB") + hex(kParamValueV1) << 1 << 0 << 1;
    // A stray start byte whose claimed frame swallows the next one: the good frame is still found.
    QTest::newRow("false start byte") << hex("FD 30 00 00 00 00 00 16 00 00") + hex(kParamValue16) +
                                             QByteArray(13, '\0')
                                      << 1 << 1 << 0;
    QTest::newRow("noise around frames") << QByteArray("noise") + hex(kParamValueTruncated) + QByteArray("\x01\x02") +
                                                hex(kParamValueV1)
                                         << 2 << 0 << 0;
    // A whole frame of id 3 (unknown here, its checksum seeded with 0x55) from component 154 whose
    // payload is a complete PARAM_VALUE frame: skipped by its length, nothing inside is delivered.
    QTest::newRow("unknown id carrying a frame") << hex(kUnknownIdCarrier) + hex(kParamValueV1) << 1 << 0 << 1;
    // The same header in noise: its checksum bytes fit no seed, so the frame inside is still found.
    QByteArray falseCarrier = hex(kUnknownIdCarrier);
    falseCarrier[falseCarrier.size() - 2] = 0;
    falseCarrier[falseCarrier.size() - 1] = 0;
    QTest::newRow("unknown id in noise around a frame") << falseCarrier << 1 << 0 << 1;
    QTest::newRow("unknown incompat flags") << hex("FD 01 02 00 00 00 00 15 00 00 00 D0 5B") << 0 << 0 << 0;
}

void TestMavlink::droppedFrames()
{
    QFETCH(QByteArray, wire);
    MavlinkParser parser;
    const auto frames = parseChunks(parser, {wire});
    QTEST(frames.size(), "frames");
    QTEST(int(parser.counters().checksumErrors), "checksumErrors");
    QTEST(int(parser.counters().unknownIds), "unknownIds");
    QCOMPARE(parser.counters().bytesIn, quint64(wire.size()));
}

void TestMavlink::sequenceGaps()
{
    MavlinkTxChannel tx;
    MavlinkParser parser;
    mavlink_heartbeat_t hb;
    QByteArray wire;
    for (int i = 0; i < 10; ++i) {
        const QByteArray frame = MavlinkMessages::frame(hb, tx, 1, 1);
        if (i != 3 && i != 4 && i != 8)
            wire += frame; // frames 3, 4 and 8 lost
    }
    QCOMPARE(parseChunks(parser, {wire}).size(), 7);
    QCOMPARE(parser.counters().sequenceGaps, quint64(3));
}

void TestMavlink::recordsRoundTrip()
{
    MavlinkTxChannel tx;
    MavlinkParser parser;
    mavlink_log_data_t data;
    data.ofs = 46080;
    data.id = 2;
    data.count = 90;
    for (int i = 0; i < 90; ++i)
        data.data[i] = uint8_t(i + 1);
    mavlink_attitude_t att;
    att.time_boot_ms = 42;
    att.yaw = -3.0f;
    mavlink_log_erase_t erase;
    erase.target_system = 1;
    erase.target_component = 2;
    mavlink_param_request_read_t read;
    read.param_index = -1;
    MavlinkMessages::setParamId(read.param_id, "BATT_MONITOR");
    const auto frames = parseChunks(parser, {MavlinkMessages::frame(data, tx) + MavlinkMessages::frame(att, tx) +
                                             MavlinkMessages::frame(erase, tx) + MavlinkMessages::frame(read, tx)});
    QCOMPARE(frames.size(), 4);
    const auto d = mavlink_log_data_t::decode(frames[0]);
    QCOMPARE(d.ofs, 46080u);
    QCOMPARE(d.count, uint8_t(90));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(d.data), 90),
             QByteArray(reinterpret_cast<const char *>(data.data), 90));
    QCOMPARE(mavlink_attitude_t::decode(frames[1]).yaw, -3.0f);
    QCOMPARE(mavlink_log_erase_t::decode(frames[2]).target_component, uint8_t(2));
    const auto r = mavlink_param_request_read_t::decode(frames[3]);
    QCOMPARE(r.param_index, int16_t(-1));
    QCOMPARE(MavlinkMessages::paramName(r.param_id), QString("BATT_MONITOR"));
}

void TestMavlink::formatFloat_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("tenth") << 0.1f << "0.1";
    QTest::newRow("integer") << 115.0f << "115";
    QTest::newRow("round integer") << 120.0f << "120";
    QTest::newRow("large integer") << 1.5e10f << "15000000512";
    QTest::newRow("negative") << -2.5f << "-2.5";
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("negative zero") << -0.0f << "-0";
    QTest::newRow("smallest negative") << -std::numeric_limits<float>::denorm_min() << "-1e-45";
    QTest::newRow("large") << 16777216.0f << "16777216";
    QTest::newRow("small") << 1e-7f << "1e-07";
    QTest::newRow("seven digits") << 0.1234567f << "0.1234567";
    // Its shortest text lies above the largest float, which is still that text's nearest float.
    QTest::newRow("largest float") << std::numeric_limits<float>::max() << "3.4028235e+38";
    QTest::newRow("lowest float") << std::numeric_limits<float>::lowest() << "-3.4028235e+38";
}

void TestMavlink::formatFloat()
{
    QFETCH(float, value);
    QTEST(ParamText::formatFloat(value), "text");
    float back = 0;
    QVERIFY(ParamText::parseFloat(ParamText::formatFloat(value), back));
    // The same float, bit for bit (-0 and 0 compare equal).
    quint32 backBits = 0, valueBits = 0;
    std::memcpy(&backBits, &back, sizeof back);
    std::memcpy(&valueBits, &value, sizeof value);
    QCOMPARE(backBits, valueBits);
}

void TestMavlink::listCollector()
{
    ParamListCollector list;
    QVERIFY(!list.isComplete());
    QVERIFY(list.add(2, 3, "C", 3, 9));
    QVERIFY(list.add(0, 3, "A", 1, 9));
    QVERIFY(!list.add(0, 3, "A", 1, 9));     // duplicate index
    QVERIFY(!list.add(65535, 3, "X", 1, 9)); // echo of a set, outside the list
    QCOMPARE(list.received(), 2);
    QVERIFY(!list.isComplete());
    QVERIFY(list.add(1, 3, "B", 2, 4));
    QVERIFY(list.isComplete());
    const auto entries = list.entries();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].name, QString("A"));
    QCOMPARE(entries[1].type, quint8(4));
    QCOMPARE(entries[2].name, QString("C"));
}

void TestMavlink::paramEncoding_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("bytewise");
    QTest::addColumn<uint>("field"); // the float field's bits, written by hand
    QTest::newRow("u8 bytewise") << 255.0 << 1 << true << 0x000000FFu;
    QTest::newRow("i8 bytewise") << -128.0 << 2 << true << 0x00000080u;
    QTest::newRow("u16 bytewise") << 65535.0 << 3 << true << 0x0000FFFFu;
    QTest::newRow("i16 bytewise") << -32768.0 << 4 << true << 0x00008000u;
    QTest::newRow("u32 bytewise") << 16777216.0 << 5 << true << 0x01000000u;
    QTest::newRow("i32 bytewise") << -324187616.0 << 6 << true << 0xECAD4A20u;
    QTest::newRow("float bytewise") << double(0.1f) << 9 << true << 0x3DCCCCCDu;
    // Bytewise, every 32-bit integer travels exactly: beyond 2^24 and patterns that read as float NaNs.
    QTest::newRow("i32 bytewise 2^24+1") << 16777217.0 << 6 << true << 0x01000001u;
    QTest::newRow("i32 bytewise max") << 2147483647.0 << 6 << true << 0x7FFFFFFFu;
    QTest::newRow("i32 bytewise signalling NaN pattern") << 2139095041.0 << 6 << true << 0x7F800001u;
    QTest::newRow("i32 bytewise quiet NaN pattern") << 2143289345.0 << 6 << true << 0x7FC00001u;
    QTest::newRow("i32 bytewise negative NaN pattern") << -4194303.0 << 6 << true << 0xFFC00001u;
    QTest::newRow("u32 bytewise max") << 4294967295.0 << 5 << true << 0xFFFFFFFFu;
    QTest::newRow("i32 C cast") << -324187616.0 << 6 << false << 0xCD9A95AFu;
    QTest::newRow("i8 C cast") << -2.0 << 2 << false << 0xC0000000u;
}

void TestMavlink::paramEncoding()
{
    QFETCH(double, value);
    QFETCH(int, type);
    QFETCH(bool, bytewise);
    QFETCH(uint, field);
    const auto encoding =
        bytewise ? MavlinkLinkEngine::ParamEncoding::Bytewise : MavlinkLinkEngine::ParamEncoding::CCast;
    const float encoded = MavlinkLinkEngine::encodeParamField(value, quint8(type), encoding);
    quint32 bits;
    std::memcpy(&bits, &encoded, sizeof bits);
    QCOMPARE(bits, quint32(field));
    QCOMPARE(MavlinkLinkEngine::decodeParamField(encoded, quint8(type), encoding), value);
}

void TestMavlink::unitChoice()
{
    // The first PARAM_VALUE's sender is followed until a heartbeat names an autopilot; a heartbeat
    // that names none (a gimbal) changes nothing; the autopilot stays once found.
    MavlinkLinkEngine engine;
    MavlinkTxChannel tx;
    const auto frameOf = [&](auto record, uint8_t compid) {
        mavlink_message_t msg;
        MavlinkMessages::pack(msg, record, tx, 1, compid);
        return msg;
    };
    using Note = MavlinkLinkEngine::UnitNote;
    const QByteArray broadcast = engine.paramRequestList(); // targets 0 and 0, trimmed to one byte
    QCOMPARE(broadcast.size(), 13);
    QCOMPARE(broadcast.mid(10, 1), QByteArray(1, '\0'));
    QCOMPARE(engine.noteUnit(frameOf(mavlink_param_value_t(), 154)), Note::Changed);
    QCOMPARE(int(engine.unit().compid), 154);
    QVERIFY(!engine.unit().fromHeartbeat);
    mavlink_heartbeat_t gimbal;
    gimbal.autopilot = MavlinkLinkEngine::AutopilotInvalid;
    QCOMPARE(engine.noteUnit(frameOf(gimbal, 154)), Note::Unchanged);
    mavlink_heartbeat_t ardupilot;
    ardupilot.autopilot = 3;
    QCOMPARE(engine.noteUnit(frameOf(ardupilot, 1)), Note::Changed);
    QCOMPARE(int(engine.unit().compid), 1);
    QVERIFY(!engine.isFromUnit(frameOf(mavlink_param_value_t(), 154)));
    QVERIFY(engine.isFromUnit(frameOf(mavlink_param_value_t(), 1)));
    mavlink_heartbeat_t other;
    other.autopilot = 12;
    QCOMPARE(engine.noteUnit(frameOf(other, 2)), Note::Unchanged);
    QCOMPARE(engine.paramEncoding(), MavlinkLinkEngine::ParamEncoding::CCast);
    // Addressed from now on: PARAM_REQUEST_LIST to 1/1 (FD 02 ... 15 00 00 01 01).
    const QByteArray list = engine.paramRequestList();
    QCOMPARE(list.mid(10, 2), QByteArray("\x01\x01", 2));
    engine.resetUnit();
    QVERIFY(!engine.unit().known);
}

QTEST_GUILESS_MAIN(TestMavlink)
#include "tst_mavlink.moc"
