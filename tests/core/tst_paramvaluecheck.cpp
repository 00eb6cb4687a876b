// Parameter values typed by a user, checked against the declared type and the 32-bit float every
// value travels in, and parameter names.
#include "core/mavlink/ParamValueCheck.h"

#include <QtTest>

#include <limits>

class TestParamValueCheck : public QObject
{
    Q_OBJECT
private slots:
    void values_data();
    void values();
    void carrier_data();
    void carrier();
    void names_data();
    void names();
};

void TestParamValueCheck::values_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value"); // what travels, when ok
    QTest::addColumn<QString>("says"); // part of the reason, or of the note ("" for none)

    // Integer types: range edges, whole numbers only.
    QTest::newRow("uint8 max") << "255" << 1 << true << 255.0 << "";
    QTest::newRow("uint8 300") << "300" << 1 << false << 0.0 << "outside the range of uint8 (0..255)";
    QTest::newRow("uint8 -5") << "-5" << 1 << false << 0.0 << "outside the range of uint8 (0..255)";
    QTest::newRow("uint8 -0") << "-0" << 1 << true << 0.0 << "";
    QTest::newRow("int8 min") << "-128" << 2 << true << -128.0 << "";
    QTest::newRow("int8 -129") << "-129" << 2 << false << 0.0 << "outside the range of int8 (-128..127)";
    QTest::newRow("uint16 65536") << "65536" << 3 << false << 0.0 << "uint16";
    QTest::newRow("int16 min") << "-32768" << 4 << true << -32768.0 << "";
    QTest::newRow("int32 2.5") << "2.5" << 6 << false << 0.0 << "not a whole number, as int32 requires";
    QTest::newRow("int32 2.0") << "2.0" << 6 << true << 2.0 << "";
    QTest::newRow("int32 exponent") << "1e3" << 6 << true << 1000.0 << "";
    QTest::newRow("int32 spaces") << " 7 " << 6 << true << 7.0 << "";
    // The type's range alone: whether the unit's float carrier holds the number is carrierProblem's.
    QTest::newRow("int32 2^24") << "16777216" << 6 << true << 16777216.0 << "";
    QTest::newRow("int32 2^24+1") << "16777217" << 6 << true << 16777217.0 << "";
    QTest::newRow("int32 -2^24-1") << "-16777217" << 6 << true << -16777217.0 << "";
    QTest::newRow("int32 min") << "-2147483648" << 6 << true << -2147483648.0 << "";
    QTest::newRow("int32 max") << "2147483647" << 6 << true << 2147483647.0 << "";
    QTest::newRow("uint32 max") << "4294967295" << 5 << true << 4294967295.0 << "";
    QTest::newRow("int32 2^31") << "2147483648" << 6 << false << 0.0 << "outside the range of int32";
    QTest::newRow("uint32 2^31") << "2147483648" << 5 << true << 2147483648.0 << "";
    QTest::newRow("uint32 2^32") << "4294967296" << 5 << false << 0.0 << "outside the range of uint32";
    QTest::newRow("uint64 2^63") << "9223372036854775808" << 7 << true << 9223372036854775808.0 << "";
    QTest::newRow("uint64 2^64") << "18446744073709551616" << 7 << false << 0.0 << "outside the range of uint64";
    QTest::newRow("int64 2^63") << "9223372036854775808" << 8 << false << 0.0 << "outside the range of int64";
    QTest::newRow("int64 min") << "-9223372036854775808" << 8 << true << -9223372036854775808.0 << "";
    QTest::newRow("int64 huge exponent") << "1e30" << 8 << false << 0.0 << "outside the range of int64";
    QTest::newRow("int64 rounded by a double") << "9007199254740993.0" << 8 << false << 0.0 << "cannot travel exactly";
    QTest::newRow("int8 text") << "fast" << 2 << false << 0.0 << "fast is not a number";
    QTest::newRow("int8 empty") << "" << 2 << false << 0.0 << "is not a number";
    QTest::newRow("int8 inf") << "inf" << 2 << false << 0.0 << "not a number";

    // Real types: the nearest float travels; a note when it is not the typed number.
    QTest::newRow("float tenth") << "0.1" << 9 << true << double(0.1f) << "";
    QTest::newRow("float 2.5") << "2.5" << 9 << true << 2.5 << "";
    QTest::newRow("float many digits") << "0.123456791" << 9 << true << double(0.123456791f) << "travels as 0.12345679";
    QTest::newRow("float 2^24+1") << "16777217" << 9 << true << 16777216.0 << "travels as 16777216";
    QTest::newRow("float too large") << "1e39" << 9 << false << 0.0 << "outside the range of a 32-bit float";
    QTest::newRow("largest float") << "3.4028235e+38" << 9 << true << double(std::numeric_limits<float>::max()) << "";
    QTest::newRow("half a step above the largest")
        << "3.4028235677973366e+38" << 9 << false << 0.0 << "outside the range of a 32-bit float";
    QTest::newRow("float nan") << "nan" << 9 << false << 0.0 << "not a number";
    QTest::newRow("double tenth") << "0.1" << 10 << true << double(0.1f) << "";
    QTest::newRow("unknown type") << "2.5" << 0 << true << 2.5 << "";
}

void TestParamValueCheck::values()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(bool, ok);
    QFETCH(double, value);
    QFETCH(QString, says);
    const ParamValueCheck::Result r = ParamValueCheck::check(text, type);
    QCOMPARE(r.ok, ok);
    if (ok) {
        QCOMPARE(double(r.value), value);
        QVERIFY(r.reason.isEmpty());
        QVERIFY2(says.isEmpty() ? r.note.isEmpty() : r.note.contains(says), qPrintable(r.note));
    } else {
        QVERIFY2(r.reason.contains(says), qPrintable(r.reason));
        QCOMPARE(r.notANumber, says.contains("not a number"));
    }
}

void TestParamValueCheck::carrier_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("bytewise");
    QTest::addColumn<QString>("says"); // part of the reason ("" when it travels exactly)
    // Converted to float (ArduPilot): every integer up to 2^24, beyond only those the float holds.
    QTest::newRow("cast int32 2^24") << "16777216" << 6 << false << "";
    QTest::newRow("cast int32 2^24+1") << "16777217" << 6 << false << "the nearest is 16777216";
    QTest::newRow("cast int32 -2^24-1") << "-16777217" << 6 << false << "cannot travel exactly";
    QTest::newRow("cast int32 2^24+2") << "16777218" << 6 << false << "";
    QTest::newRow("cast int32 max") << "2147483647" << 6 << false << "cannot travel exactly";
    QTest::newRow("cast int32 min") << "-2147483648" << 6 << false << "";
    // Bytewise (PX4): the four bytes carry every integer of the type, a float NaN's pattern included.
    QTest::newRow("bytewise int32 2^24+1") << "16777217" << 6 << true << "";
    QTest::newRow("bytewise int32 max") << "2147483647" << 6 << true << "";
    QTest::newRow("bytewise int32 NaN pattern") << "2139095041" << 6 << true << "";
    QTest::newRow("bytewise uint32 max") << "4294967295" << 5 << true << "";
    QTest::newRow("bytewise int16") << "-32768" << 4 << true << "";
    // 64-bit integers always travel as floats.
    QTest::newRow("bytewise uint64 2^24+1") << "16777217" << 7 << true << "cannot travel exactly";
    QTest::newRow("cast int64 2^40") << "1099511627776" << 8 << false << "";
    // Real types are checked by check() alone.
    QTest::newRow("float") << "16777217" << 9 << false << "";
}

void TestParamValueCheck::carrier()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(bool, bytewise);
    QFETCH(QString, says);
    const ParamValueCheck::Result r = ParamValueCheck::check(text, type);
    QVERIFY(r.ok);
    const QString problem = ParamValueCheck::carrierProblem(text, r.value, type, bytewise);
    QVERIFY2(says.isEmpty() ? problem.isEmpty() : problem.contains(says), qPrintable(problem));
}

void TestParamValueCheck::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ok");
    QTest::newRow("plain") << "SERIAL0_PROTOCOL" << true;
    QTest::newRow("one character") << "A" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("17 characters") << "ABCDEFGHIJKLMNOPQ" << false;
    QTest::newRow("Latin-1 letter") << QString::fromUtf8("GAIN_\xC3\x89") << false;
    QTest::newRow("CJK") << QString::fromUtf8("\xE5\x8F\x82\xE6\x95\xB0") << false;
    QTest::newRow("space") << "A B" << false;
    QTest::newRow("control") << QString("A\tB") << false;
}

void TestParamValueCheck::names()
{
    QFETCH(QString, name);
    QFETCH(bool, ok);
    QCOMPARE(ParamValueCheck::nameProblem(name).isEmpty(), ok);
}

QTEST_APPLESS_MAIN(TestParamValueCheck)
#include "tst_paramvaluecheck.moc"
