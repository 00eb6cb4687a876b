// KVF containers: header bytes, the reader's refusals and the board table.
#include "core/kvf/Kavo_BoardID.h"
#include "core/kvf/KvfContainer.h"

#include <QtTest>

namespace {
// Bytes 00 01 02 ... FF 00 01 ... (1000 bytes); its MD5 was computed outside this program.
QByteArray countingImage(int size = 1000)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char(i & 0xFF);
    return b;
}
} // namespace

class TestKvf : public QObject
{
    Q_OBJECT
private slots:
    void goldenHeader();
    void boardIdAndNameFields_data();
    void boardIdAndNameFields();
    void readerVerdicts_data();
    void readerVerdicts();
    void boardNames_data();
    void boardNames();
};

void TestKvf::goldenHeader()
{
    QByteArray file;
    QVERIFY(Kvf::build("Kavo-ORVE", 10013, countingImage(), file));
    QCOMPARE(file.size(), 1256);
    QCOMPARE(file.left(9), QByteArray("Kavo-ORVE"));
    QCOMPARE(file.mid(9, 119), QByteArray(119, '\0'));
    QCOMPARE(file.mid(128, 2).toHex(' '), QByteArray("1d 27"));
    QCOMPARE(file.mid(130, 4).toHex(' '), QByteArray("e8 03 00 00"));
    QCOMPARE(file.mid(134, 16).toHex(), QByteArray("cbecbdb0fdd5cec1e242493b6008cc79"));
    QCOMPARE(file.mid(150, 106), QByteArray(106, char(0xFF)));
    QCOMPARE(file.mid(256), countingImage());

    const Kvf::Contents k = Kvf::read(file);
    QVERIFY(k.isValid());
    QCOMPARE(k.boardName, QString("Kavo-ORVE"));
    QCOMPARE(int(k.boardId), 10013);
    QCOMPARE(k.imageSize, 1000u);
    QCOMPARE(k.image, countingImage());
}

void TestKvf::boardIdAndNameFields_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("boardId");
    QTest::addColumn<bool>("built");
    QTest::newRow("id 1") << QByteArray("custom") << 1 << true;
    QTest::newRow("id 65535") << QByteArray("x") << 65535 << true;
    QTest::newRow("name of 128 bytes, no terminator") << QByteArray(128, 'N') << 7 << true;
    QTest::newRow("name of 129 bytes") << QByteArray(129, 'N') << 7 << false;
    QTest::newRow("Chinese name, 3 bytes a character") << QString("板卡").toUtf8() << 20 << true;
    QTest::newRow("trailing blank kept") << QByteArray("Kavo-EW47 Max ") << 10015 << true;
}

void TestKvf::boardIdAndNameFields()
{
    QFETCH(QByteArray, name);
    QFETCH(int, boardId);
    QFETCH(bool, built);
    QByteArray file;
    QCOMPARE(Kvf::build(name, quint16(boardId), "img", file), built);
    if (!built) {
        QVERIFY(file.isEmpty());
        return;
    }
    QCOMPARE(quint8(file[128]), quint8(boardId & 0xFF));
    QCOMPARE(quint8(file[129]), quint8(boardId >> 8));
    const Kvf::Contents k = Kvf::read(file);
    QVERIFY(k.isValid());
    QCOMPARE(k.boardName.toUtf8(), name);
}

void TestKvf::readerVerdicts_data()
{
    QByteArray valid;
    QVERIFY(Kvf::build("Kavo-QB6", 10010, countingImage(300), valid));
    QByteArray empty;
    QVERIFY(Kvf::build("Kavo-QB6", 10010, QByteArray(), empty));
    QByteArray badDigest = valid;
    badDigest[140] = char(badDigest[140] ^ 0x55);
    QByteArray badImage = valid;
    badImage[400] = char(badImage[400] ^ 0x01);
    QByteArray hugeN = valid;
    hugeN[133] = char(0xFF); // N near 4 GiB must not be taken as a length

    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("status");
    QTest::newRow("valid") << valid << int(Kvf::Contents::Valid);
    QTest::newRow("exactly 256 bytes, N = 0") << empty << int(Kvf::Contents::Valid);
    QTest::newRow("one byte appended") << valid + "x" << int(Kvf::Contents::SizeError);
    QTest::newRow("one byte missing") << valid.left(valid.size() - 1) << int(Kvf::Contents::SizeError);
    QTest::newRow("shorter than the header") << valid.left(255) << int(Kvf::Contents::SizeError);
    QTest::newRow("empty file") << QByteArray() << int(Kvf::Contents::SizeError);
    QTest::newRow("N near 4 GiB") << hugeN << int(Kvf::Contents::SizeError);
    QTest::newRow("stored digest changed") << badDigest << int(Kvf::Contents::DigestMismatch);
    QTest::newRow("image byte changed") << badImage << int(Kvf::Contents::DigestMismatch);
}

void TestKvf::readerVerdicts()
{
    QFETCH(QByteArray, file);
    QFETCH(int, status);
    QCOMPARE(int(Kvf::read(file).status), status);
}

void TestKvf::boardNames_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<QString>("name");
    QTest::newRow("10005") << 10005u << "Kavo-MX48";
    QTest::newRow("10006") << 10006u << "Kavo-MX48 Max";
    QTest::newRow("10010") << 10010u << "Kavo-QB6";
    QTest::newRow("10013") << 10013u << "Kavo-ORVE";
    QTest::newRow("10015 with its trailing blank") << 10015u << "Kavo-EW47 Max ";
    QTest::newRow("10016") << 10016u << "Kavo-EW46";
    QTest::newRow("10033") << 10033u << "Kavo-UF59";
    QTest::newRow("10034") << 10034u << "Kavo-MX48 BCQ";
    QTest::newRow("unknown") << 4242u << "4242";
}

void TestKvf::boardNames()
{
    QFETCH(uint, id);
    QFETCH(QString, name);
    QCOMPARE(Kavo_BoardID::boardName(id), name);
}

QTEST_APPLESS_MAIN(TestKvf)
#include "tst_kvf.moc"
