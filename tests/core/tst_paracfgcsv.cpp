// Rows of the parameter configuration table paracfg.csv.
#include "core/formats/ParaCfgCsv.h"

#include <QtTest>

class TestParaCfgCsv : public QObject
{
    Q_OBJECT
private slots:
    void rows_data();
    void rows();
    void laterLineReplaces();
};

void TestParaCfgCsv::rows_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("present");
    QTest::addColumn<float>("defaultValue");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("range");
    QTest::addColumn<QString>("description");
    QTest::newRow("full row") << "INS_GYR_CAL,1,,0 1,Gyro calibration at start"
                              << "INS_GYR_CAL" << true << 1.0f << ""
                              << "0 1"
                              << "Gyro calibration at start";
    QTest::newRow("four fields ignored") << "BRD_HEAT_TARG,45,degC,0 60"
                                         << "BRD_HEAT_TARG" << false << 0.0f << ""
                                         << ""
                                         << "";
    QTest::newRow("comma cuts the description") << "LOG_DISARMED,0,,0 1,Log while disarmed, too, ever"
                                                << "LOG_DISARMED" << true << 0.0f << ""
                                                << "0 1"
                                                << "Log while disarmed";
    QTest::newRow("default not a number") << "SYSID_THISMAV,one,,1 255,System id"
                                          << "SYSID_THISMAV" << true << 0.0f << ""
                                          << "1 255"
                                          << "System id";
    QTest::newRow("name not trimmed") << " AHRS_ORIENTATION,0,,0 38,Board orientation"
                                      << " AHRS_ORIENTATION" << true << 0.0f << ""
                                      << "0 38"
                                      << "Board orientation";
    QTest::newRow("crlf line end") << "INS_ACC_BODYFIX,2,,1 2,Body-fixed\r\n"
                                   << "INS_ACC_BODYFIX" << true << 2.0f << ""
                                   << "1 2"
                                   << "Body-fixed";
    QTest::newRow("header loaded as a row") << "name,default,unit,range,description"
                                            << "name" << true << 0.0f << "unit"
                                            << "range"
                                            << "description";
}

void TestParaCfgCsv::rows()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(bool, present);
    const QHash<QString, ParamCfg> rows = parseParaCfgCsv(text);
    QCOMPARE(rows.contains(name), present);
    if (!present)
        return;
    const ParamCfg row = rows.value(name);
    QTEST(row.defaultValue, "defaultValue");
    QTEST(row.unit, "unit");
    QTEST(row.range, "range");
    QTEST(row.description, "description");
}

void TestParaCfgCsv::laterLineReplaces()
{
    const auto rows = parseParaCfgCsv(QStringLiteral("A,1,m,0 1,first\nB,2,s,0 2,other\nA,3,cm,0 9,second\n"));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.value(QStringLiteral("A")).description, QStringLiteral("second"));
    QCOMPARE(rows.value(QStringLiteral("A")).defaultValue, 3.0f);
}

QTEST_APPLESS_MAIN(TestParaCfgCsv)
#include "tst_paracfgcsv.moc"
