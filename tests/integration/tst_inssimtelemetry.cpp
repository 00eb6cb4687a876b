// The telemetry knobs of zorvan-sim ins on the wire: the navigation rate, the sensor masks of the
// system status, the held attitude and fix, and the refusal of bad knob values.
#include "core/flylink/FlyFrame.h"
#include "core/flylink/FlyMessages.h"
#include "core/flylink/TelemetryRecord.h"
#include "support/SimProcess.h"

#include <QElapsedTimer>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

class TestInsSimTelemetry : public QObject
{
    Q_OBJECT
private slots:
    void streamFollowsKnobs_data();
    void streamFollowsKnobs();
    void badKnobsRefused_data();
    void badKnobsRefused();
};

namespace {
// Reads the pseudo-terminal for ms milliseconds and returns the good frames.
QList<FlyFrame> readFrames(const QString &path, int ms)
{
    QList<FlyFrame> frames;
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return frames;
    FlyParser parser;
    QElapsedTimer timer;
    timer.start();
    char buf[4096];
    while (timer.elapsed() < ms) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            frames += parser.feed(QByteArray(buf, int(n)));
        else
            QThread::msleep(5);
    }
    ::close(fd);
    return frames;
}
} // namespace

void TestInsSimTelemetry::streamFollowsKnobs_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("minNav");
    QTest::addColumn<int>("maxNav");
    QTest::addColumn<quint32>("present");
    QTest::addColumn<quint32>("enabled");
    QTest::addColumn<quint32>("healthy");
    // Two seconds of stream; the first moments after opening may be lost.
    QTest::newRow("defaults: 50 Hz, all but airspeed")
        << QStringList{} << 60 << 110 << 0x20002Fu << 0x20002Fu << 0x20002Fu;
    QTest::newRow("10 Hz, masks") << QStringList{"--rate",
                                                 "10",
                                                 "--sensor-absent",
                                                 "compass",
                                                 "--sensor-disabled",
                                                 "baro",
                                                 "--sensor-unhealthy",
                                                 "gyro,attitude"}
                                  << 12 << 24 << 0x20002Bu << 0x200023u << 0x22u;
}

void TestInsSimTelemetry::streamFollowsKnobs()
{
    QFETCH(QStringList, options);
    QFETCH(int, minNav);
    QFETCH(int, maxNav);
    QFETCH(quint32, present);
    QFETCH(quint32, enabled);
    QFETCH(quint32, healthy);
    SimProcess sim;
    QVERIFY(sim.start(QStringLiteral(ZT_SIM_PATH),
                      QStringList{"ins", "--pty", "--attitude", "-20.5,7.25", "--gnss-fix", "5"} + options));
    const QList<FlyFrame> frames = readFrames(sim.firstLine(), 2000);
    int nav = 0, status = 0;
    for (const FlyFrame &f : frames) {
        const uchar *p = reinterpret_cast<const uchar *>(f.payload.constData());
        if (f.id == FlyMsg::NavState) {
            ++nav;
            const FlyNavView v(p);
            QCOMPARE(v.rollCentiDeg(), qint16(-2050));
            QCOMPARE(v.pitchCentiDeg(), qint16(725));
        } else if (f.id == FlyMsg::Gnss) {
            QCOMPARE(FlyGnssView(p).fixType(), quint8(5));
        } else if (f.id == FlyMsg::SysStatus) {
            ++status;
            const FlySysStatusView v(p);
            QCOMPARE(v.sensorsPresent(), present);
            QCOMPARE(v.sensorsEnabled(), enabled);
            QCOMPARE(v.sensorsHealthy(), healthy);
        }
    }
    QVERIFY2(nav >= minNav && nav <= maxNav, qPrintable(QString::number(nav)));
    QVERIFY(status >= 1);
}

void TestInsSimTelemetry::badKnobsRefused_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    QTest::newRow("rate 0") << QStringList{"--rate", "0"} << "--rate takes 1..500";
    QTest::newRow("rate not a number") << QStringList{"--rate", "fast"} << "--rate takes 1..500";
    QTest::newRow("unknown sensor") << QStringList{"--sensor-absent", "lidar"} << "unknown sensor lidar";
    QTest::newRow("attitude with one value") << QStringList{"--attitude", "10"} << "--attitude takes ROLL,PITCH";
    QTest::newRow("fix out of range") << QStringList{"--gnss-fix", "9"} << "--gnss-fix takes 0..8";
    QTest::newRow("missing value") << QStringList{"--sensor-unhealthy"} << "--sensor-unhealthy needs a value";
}

void TestInsSimTelemetry::badKnobsRefused()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    QProcess p;
    p.start(QStringLiteral(ZT_SIM_PATH), QStringList{"ins"} + options);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 2);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
}

QTEST_MAIN(TestInsSimTelemetry)
#include "tst_inssimtelemetry.moc"
