// Serial numbers: the range check of month and sequence, the 32-bit value and the two texts.
#include "core/flylink/FlySerialNumber.h"

#include <QtTest>

class TestFlySerialNumber : public QObject
{
    Q_OBJECT
private slots:
    void values_data();
    void values();
};

void TestFlySerialNumber::values_data()
{
    QTest::addColumn<uint>("month");
    QTest::addColumn<uint>("sequence");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("first of 2024") << 2401u << 1u << true << 157351937u << "202401-0001";
    QTest::newRow("largest") << 2812u << 9999u << true << 184297231u << "202812-9999";
    QTest::newRow("smallest") << 2201u << 1u << true << quint32(2201u << 16 | 1u) << "202201-0001";
    QTest::newRow("no month, in range") << 2213u << 7u << true << quint32(2213u << 16 | 7u) << "202213-0007";
    QTest::newRow("month too early") << 2112u << 1u << false << quint32(2112u << 16 | 1u) << "202112-0001";
    QTest::newRow("month too late") << 2901u << 1u << false << quint32(2901u << 16 | 1u) << "202901-0001";
    QTest::newRow("sequence 0") << 2401u << 0u << false << quint32(2401u << 16) << "202401-0000";
    QTest::newRow("sequence too big") << 2401u << 10000u << false << quint32(2401u << 16 | 10000u) << "202401-10000";
}

void TestFlySerialNumber::values()
{
    QFETCH(uint, month);
    QFETCH(uint, sequence);
    QFETCH(bool, valid);
    QFETCH(quint32, value);
    QFETCH(QString, text);
    QCOMPARE(FlySerialNumber::inRange(month, sequence), valid);
    const FlySerialNumber sn{quint16(month), quint16(sequence)};
    QCOMPARE(sn.isValid(), valid);
    QCOMPARE(sn.value(), value);
    QCOMPARE(sn.text(), text);
    const FlySerialNumber back = FlySerialNumber::fromValue(value);
    QCOMPARE(back.month(), quint16(month));
    QCOMPARE(back.sequence(), quint16(sequence));
    QCOMPARE(back.monthSequenceText(), text.mid(2));
}

QTEST_APPLESS_MAIN(TestFlySerialNumber)
#include "tst_flyserialnumber.moc"
