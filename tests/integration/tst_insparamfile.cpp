// zorvan-cli ins params save|load|diff against the simulated unit: the ".param" file of the
// common-parameter window from a script, the differences of a file with one changed value and a
// parameter the unit lacks, a load that writes and reads back, malformed lines, an unwritable file,
// and the values kept by the unit over its reboot.
#include "support/InsFixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace InsFixture;

class TestInsParamFile : public QObject, public InsSimFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { m_sim.stop(); }
    void saveDiffLoad();
    void loadRefusals_data();
    void loadRefusals();
    void usageAndUnwritable();

private:
    QString saved(); // a file saved from the unit, text
    void write(const QString &path, const QString &text);
    QTemporaryDir m_dir;
};

void TestInsParamFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestInsParamFile::write(const QString &path, const QString &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

void TestInsParamFile::saveDiffLoad()
{
    QVERIFY(startSim({"--drop", "3", "--seed", "11"}, true));
    const QString path = m_dir.filePath("unit.param");
    CliResult r = cli({"params", "save", path});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.lines, QStringList{"saved 34 parameters to " + path});
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(f.readAll());
    f.close();
    QVERIFY(text.startsWith("HWInfo:10031\nSerialNum:202501-0001\nUDID:0035002B3138510735383733\n"
                            "FW_Version:1.4.2.3\nLink_Version:2.1.0-ORVE\n\n>>>>>>>>>>>>>>>>>>>>>>ParamStart"));
    QVERIFY(text.contains("\nBRD_HEAT_TARG,45\n"));

    r = cli({"params", "diff", path});
    QCOMPARE(r.code, 0);
    QVERIFY(r.lines.isEmpty());

    text.replace("\nBRD_HEAT_TARG,45\n", "\nBRD_HEAT_TARG,47.5\n");
    write(path, text);
    write(m_dir.filePath("extra.param"), text + "UNKNOWN_P,2\n");
    r = cli({"params", "diff", m_dir.filePath("extra.param")});
    QCOMPARE(r.code, 1);
    QCOMPARE(r.lines, (QStringList{"BRD_HEAT_TARG,45,47.5", "UNKNOWN_P,-,2"}));

    r = cli({"params", "load", path});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.lines, QStringList{"BRD_HEAT_TARG,47.5"});
    r = cli({"params", "diff", path});
    QCOMPARE(r.code, 0);

    // The unit keeps written values over its reboot.
    QCOMPARE(cli({"cmd", "reboot"}).code, 0);
    QTest::qWait(1500);
    r = cli({"param", "get", "BRD_HEAT_TARG"});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.lines, QStringList{"BRD_HEAT_TARG,47.5"});
}

void TestInsParamFile::loadRefusals_data()
{
    QTest::addColumn<QString>("tail");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("parameter the unit lacks") << "INS_USE,0\nUNKNOWN_P,2\n"
                                              << "UNKNOWN_P: the unit has no such parameter" << QStringList{"INS_USE,0"};
    QTest::newRow("malformed line") << "INS_USE,0\nINS_USE2,abc\n"
                                    << "line 9 is no NAME,VALUE: INS_USE2,abc" << QStringList{"INS_USE,0"};
    QTest::newRow("no separator") << QString() << "no ParamStart line" << QStringList{};
}

void TestInsParamFile::loadRefusals()
{
    QFETCH(QString, tail);
    QFETCH(QString, error);
    QFETCH(QStringList, written);
    QVERIFY(startSim({}, true));
    const QString path = m_dir.filePath("refusal.param");
    write(path, tail.isEmpty() ? QStringLiteral("INS_USE,0\n")
                               : "HWInfo:1\nSerialNum:x\nUDID:y\nFW_Version:1\nLink_Version:2\n\n" +
                                     QString(22, '>') + "ParamStart" + QString(21, '<') + "\n" + tail);
    const CliResult r = cli({"params", "load", path});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.errors.contains(error), qPrintable(r.errors));
    QCOMPARE(r.lines, written);
}

void TestInsParamFile::usageAndUnwritable()
{
    QVERIFY(startSim({}, true));
    CliResult r = cli({"params", "save"});
    QCOMPARE(r.code, 2);
    r = cli({"params", "diff", m_dir.filePath("missing.param")});
    QCOMPARE(r.code, 1);
    const QString blocked = m_dir.filePath("plain");
    write(blocked, "x");
    r = cli({"params", "save", blocked + "/a.param"});
    QCOMPARE(r.code, 1);
    QVERIFY(r.errors.contains(blocked + "/a.param"));
    QVERIFY(r.lines.isEmpty());
}

QTEST_MAIN(TestInsParamFile)
#include "tst_insparamfile.moc"
