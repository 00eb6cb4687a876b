// "[HOST:]PORT" texts of the command-line link options.
#include "core/util/HostPort.h"

#include <QHostAddress>
#include <QtTest>

class TestHostPort : public QObject
{
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void parse_data();
    void parse();
};

void TestHostPort::split_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("hostOptional");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("host and port") << "127.0.0.1:7000" << false << true << "127.0.0.1" << 7000;
    QTest::newRow("port only") << "7001" << true << true << "" << 7001;
    QTest::newRow("port only, host required") << "7001" << false << false << "" << 0;
    QTest::newRow("port 0") << "127.0.0.1:0" << false << true << "127.0.0.1" << 0;
    QTest::newRow("port too large") << "127.0.0.1:65536" << true << false << "" << 0;
    QTest::newRow("no port") << "127.0.0.1:" << true << false << "" << 0;
    QTest::newRow("empty host") << ":7000" << true << false << "" << 0;
    QTest::newRow("not a number") << "localhost:udp" << true << false << "" << 0;
}

void TestHostPort::split()
{
    QFETCH(QString, text);
    QFETCH(bool, hostOptional);
    QFETCH(bool, ok);
    QFETCH(QString, host);
    QFETCH(int, port);
    QString gotHost;
    quint16 gotPort = 0;
    QCOMPARE(splitHostPort(text, gotHost, gotPort, hostOptional), ok);
    if (ok) {
        QCOMPARE(gotHost, host);
        QCOMPARE(int(gotPort), port);
    }
}

void TestHostPort::parse_data()
{
    // Into an address that starts as 127.0.0.9 and a port that starts as 1.
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ipOptional");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<int>("port");
    QTest::newRow("address and port") << "127.0.0.2:7000" << false << true << "127.0.0.2" << 7000;
    QTest::newRow("port keeps the address") << "7001" << true << true << "127.0.0.9" << 7001;
    QTest::newRow("name is no address") << "localhost:7000" << true << false << "127.0.0.9" << 1;
    QTest::newRow("bad port changes nothing") << "127.0.0.2:70000" << true << false << "127.0.0.9" << 1;
}

void TestHostPort::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, ipOptional);
    QFETCH(bool, ok);
    QFETCH(QString, ip);
    QFETCH(int, port);
    QHostAddress address(QStringLiteral("127.0.0.9"));
    quint16 gotPort = 1;
    QCOMPARE(parseHostPort(text, address, gotPort, ipOptional), ok);
    QCOMPARE(address.toString(), ip);
    QCOMPARE(int(gotPort), port);
}

QTEST_GUILESS_MAIN(TestHostPort)
#include "tst_hostport.moc"
