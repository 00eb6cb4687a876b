// The ".param" file and hwInfo.csv: the header lines, a save/load round trip, malformed lines named
// by their line numbers, saves that cannot be written reported without leaving a file, and the
// comparison of a file with the unit's values.
#include "core/flylink/TelemetryRecord.h"
#include "core/formats/ParamFile.h"

#include <QTemporaryDir>
#include <QtTest>

class TestParamFile : public QObject
{
    Q_OBJECT
private slots:
    void headerLines_data();
    void headerLines();
    void roundTrip();
    void parse_data();
    void parse();
    void unwritable_data();
    void unwritable();
    void hwInfoAppends();
    void diff();
};

namespace {
ParamFileHeader sampleHeader()
{
    ParamFileHeader h;
    h.uid[0] = 0x0035002B;
    h.uid[1] = 0x31385107;
    h.uid[2] = 0x35383733;
    h.boardType = 10031;
    h.firmware = 0x01040203;
    h.protocolWord = 0x2103;
    h.serialNumber = (2401u << 16) | 1;
    return h;
}
} // namespace

void TestParamFile::headerLines_data()
{
    QTest::addColumn<bool>("zero");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("hwInfo");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("unit") << false
                          << QStringList{"HWInfo:10031", "SerialNum:202401-0001", "UDID:0035002B3138510735383733",
                                         "FW_Version:1.4.2.3", "Link_Version:2.1.0-ORVE"}
                          << "10031,1.4.2.3,2.1.0-ORVE,202401-0001,UUID:0035002B3138510735383733"
                          << "10031-0035002B3138510735383733-20260105.param";
    QTest::newRow("no link: zeros") << true
                                    << QStringList{"HWInfo:0", "SerialNum:200-0000", "UDID:" + QString(24, '0'),
                                                   "FW_Version:0.0.0.0", "Link_Version:0.0.0"}
                                    << "0,0.0.0.0,0.0.0,200-0000,UUID:" + QString(24, '0')
                                    << "0-" + QString(24, '0') + "-20260105.param";
}

void TestParamFile::headerLines()
{
    QFETCH(bool, zero);
    QFETCH(QStringList, lines);
    QFETCH(QString, hwInfo);
    QFETCH(QString, fileName);
    const ParamFileHeader h = zero ? ParamFileHeader() : sampleHeader();
    QCOMPARE(h.lines(), lines);
    QCOMPARE(h.hwInfoLine(), hwInfo);
    QCOMPARE(h.fileName(QDate(2026, 1, 5)), fileName);
}

void TestParamFile::roundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.param");
    const QList<ParamFileEntry> params{{"AHRS_ORIENTATION", 6}, {"INS_ACCOFFS_X", 0.0123457f}, {"MIS_RESTART", 1}};
    QString error;
    QVERIFY(ParamFile::save(path, sampleHeader(), params, &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    QCOMPARE(lines.size(), 5 + 1 + 1 + 3 + 1); // the last line ends with "\n"
    QCOMPARE(lines.mid(0, 5), sampleHeader().lines());
    QCOMPARE(lines[5], QString());
    QCOMPARE(lines[6], QString(22, '>') + "ParamStart" + QString(21, '<'));
    QCOMPARE(lines.mid(7, 3), (QStringList{"AHRS_ORIENTATION,6", "INS_ACCOFFS_X,0.0123457", "MIS_RESTART,1"}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.param"}); // no temporary left

    ParamFile::Parsed parsed;
    QVERIFY(ParamFile::load(path, &parsed, &error));
    QVERIFY(parsed.sawStart);
    QVERIFY(parsed.bad.isEmpty());
    QCOMPARE(parsed.values.keys(), (QStringList{"AHRS_ORIENTATION", "INS_ACCOFFS_X", "MIS_RESTART"}));
    QCOMPARE(parsed.values.value("INS_ACCOFFS_X"), 0.0123457f);
}

void TestParamFile::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("badLines");
    QTest::addColumn<bool>("sawStart");
    const QByteArray head = "HWInfo:1\nSerialNum:x\nUDID:y\nFW_Version:1\nLink_Version:2\n\n>>>ParamStart<<<\n";
    QTest::newRow("good") << head + "A,1\nB,2\n" << QStringList{"A", "B"} << QList<int>{} << true;
    QTest::newRow("malformed lines by number")
        << head + "A,1\nONLY_NAME\nNAME_COMMA,\nNOT_NUMBER,abc\n,5\nB,2\n" << QStringList{"A", "B"}
        << QList<int>{9, 10, 11, 12} << true;
    QTest::newRow("empty lines and CRLF skipped") << head + "A,1\r\n\r\n\nB,2\r\n" << QStringList{"A", "B"} << QList<int>{}
                                                  << true;
    QTest::newRow("a name with start after the separator is data")
        << head + "MIS_RESTART,1\nZ,3\n" << QStringList{"MIS_RESTART", "Z"} << QList<int>{} << true;
    QTest::newRow("extra fields and blanks between commas") << head + "A,,1,x\n" << QStringList{"A"} << QList<int>{}
                                                            << true;
    QTest::newRow("no finite number is a bad line")
        << head + "A,nan\nB,inf\nC,-inf\nD,1e39\nE,3.4028235e+38\n" << QStringList{"E"} << QList<int>{8, 9, 10, 11}
        << true;
    QTest::newRow("no separator loads nothing") << QByteArray("A,1\nB,2\n") << QStringList{} << QList<int>{} << false;
}

void TestParamFile::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, badLines);
    QFETCH(bool, sawStart);
    const ParamFile::Parsed p = ParamFile::parse(text);
    QCOMPARE(p.values.keys(), names);
    QList<int> bad;
    for (const ParamFile::BadLine &b : p.bad)
        bad << b.line;
    QCOMPARE(bad, badLines);
    QCOMPARE(p.sawStart, sawStart);
    if (!p.bad.isEmpty())
        QVERIFY(ParamFile::badLinesText(p.bad).startsWith(QStringLiteral("line %1: ").arg(p.bad.first().line)));
}

void TestParamFile::unwritable_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing directory") << "missing/a.param";
    QTest::newRow("parent is a file") << "plain/a.param";
    QTest::newRow("path is a directory") << "adir";
}

void TestParamFile::unwritable()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(QDir(dir.path()).mkdir("adir"));
    QString error;
    QVERIFY(!ParamFile::save(dir.filePath(relative), sampleHeader(), {{"A", 1}}, &error));
    QVERIFY(error.startsWith(dir.filePath(relative)));
    QVERIFY(!ParamFile::appendHwInfo(dir.filePath(relative), sampleHeader(), &error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"plain"});
}

void TestParamFile::hwInfoAppends()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("hwInfo.csv");
    QString error;
    QVERIFY(ParamFile::appendHwInfo(path, sampleHeader(), &error));
    QVERIFY(ParamFile::appendHwInfo(path, ParamFileHeader(), &error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), (sampleHeader().hwInfoLine() + "\r\n" + ParamFileHeader().hwInfoLine() + "\r\n").toUtf8());
}

void TestParamFile::diff()
{
    const QMap<QString, float> unit{{"A", 1}, {"B", 2}, {"C", 3}};
    QVERIFY(ParamFile::diff(unit, {{"A", 1}, {"B", 2}}).isEmpty());
    QVERIFY(ParamFile::diff({{"A", 1.0f}}, {{"A", float(1.0 + 1e-9)}}).isEmpty());
    const QList<ParamFile::Difference> d = ParamFile::diff(unit, {{"A", 1}, {"B", 5}, {"X", 7}});
    QCOMPARE(d.size(), 2);
    QCOMPARE(d[0].name, QStringLiteral("B"));
    QVERIFY(d[0].onUnit);
    QCOMPARE(d[0].unitValue, 2.0f);
    QCOMPARE(d[0].fileValue, 5.0f);
    QCOMPARE(d[1].name, QStringLiteral("X"));
    QVERIFY(!d[1].onUnit);
}

QTEST_MAIN(TestParamFile)
#include "tst_paramfile.moc"
