// The maintenance link over a real pseudo-terminal and real loopback UDP, on its own worker thread:
// open/close events and their records, device selection of sends, reply-to-last-sender, and the
// error paths (port gone, port not draining, address in use).
#include "link/IOHandler.h"
#include "link/TApp.h"
#include "support/TestPorts.h"

#include <QElapsedTimer>
#include <QUdpSocket>
#include <QtTest>

#include <memory>
#include <termios.h>

namespace {
// What the link reported, in the order it reached the GUI thread: "E<event> ..." for hub events and
// "P<title>|<text>" for pop-ups.
class Recorder : public QObject
{
    Q_OBJECT
public:
    QStringList log;
    QList<IOHandler::DeviceInfo> records; // the record of every event 1..3
    QByteArray received;
    QList<QByteArray> chunks;
    QList<IOHandler::DeviceInfo> chunkRecords;

    ~Recorder() override { TMsgManager::setPopupPresenter({}); }

    void watchHub(TApp *hub)
    {
        connect(hub, QOverload<int, int, QVariant>::of(&TApp::TAppEvent), this,
                [this](int event, int id, QVariant var) {
                    if (var.userType() == qMetaTypeId<IOHandler::DeviceInfo>()) {
                        const auto record = var.value<IOHandler::DeviceInfo>();
                        records << record;
                        log << QStringLiteral("E%1 %2 con%3").arg(event).arg(record.id).arg(record.conType);
                    } else {
                        log << QStringLiteral("E%1 %2 %3").arg(event).arg(id).arg(var.toString());
                    }
                });
        TMsgManager::setPopupPresenter([this](TMsgManager::PopupIcon, const QString &title, const QString &text, int) {
            log << QStringLiteral("P%1|%2").arg(title, text);
        });
    }
    void watchLink(IOHandler *link)
    {
        connect(link, &IOHandler::recIoBuff, this, [this](QByteArray b, QVariant device) {
            received += b;
            chunks << b;
            chunkRecords << device.value<IOHandler::DeviceInfo>();
        });
    }
};

IOHandler::DeviceInfo serialRequest(const QString &name, int baud = 0, int data = 8, int stop = 1, int parity = 0)
{
    IOHandler::DeviceInfo d;
    d.id = 5;
    d.conType = IOHandler::ConSerial;
    d.name = name;
    d.baudRate = baud;
    d.dataBits = data;
    d.stopBits = stop;
    d.parity = parity;
    return d;
}

IOHandler::DeviceInfo udpRequest(quint16 localPort, quint16 targetPort)
{
    IOHandler::DeviceInfo d;
    d.id = 5;
    d.conType = IOHandler::ConUdp;
    d.localIp = QHostAddress(QHostAddress::LocalHost);
    d.localPort = localPort;
    d.targetIp = QHostAddress(QHostAddress::LocalHost);
    d.targetPort = targetPort;
    return d;
}

// Owns one link on its own thread and ends it (and the thread) with the test.
struct LinkUnderTest
{
    IOHandler *link = new IOHandler(5, true);
    ~LinkUnderTest() { IOHandler::destroy(link); }
};

QByteArray readDatagram(QUdpSocket &socket, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!socket.hasPendingDatagrams() && timer.elapsed() < timeoutMs)
        socket.waitForReadyRead(50);
    if (!socket.hasPendingDatagrams())
        return QByteArray();
    QByteArray data(int(socket.pendingDatagramSize()), Qt::Uninitialized);
    socket.readDatagram(data.data(), data.size());
    return data;
}

constexpr int Wait = 10000;
} // namespace

class TestIOHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void metaObjectLayout_data();
    void metaObjectLayout();
    void serialSettings_data();
    void serialSettings();
    void serialRoundTripAndClose();
    void serialOpenFailure();
    void linkOnCallersThread();
    void otherEndGoesAway();
    void stalledWriteTimesOut();
    void stalledWriteKeepsLinkResponsive();
    void udpReplyToLastSender();
    void udpAddressInUse();

private:
    TApp *hub = nullptr;
};

void TestIOHandler::initTestCase()
{
    static TApp app(QStringLiteral("./cfg/param.ini"));
    hub = &app;
}

void TestIOHandler::init()
{
    // Reports a previous test's link posted before it ended must not reach this test's recorder.
    QCoreApplication::sendPostedEvents();
}

void TestIOHandler::cleanupTestCase()
{
    TMsgManager::setPopupPresenter({});
}

void TestIOHandler::metaObjectLayout_data()
{
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<int>("index"); // relative to the methods QObject declares

    // Subclasses and callers address these by index and by queued connection.
    QTest::newRow("openDeviceSignal") << QByteArray("openDeviceSignal(IOHandler::DeviceInfo,bool)") << 0;
    QTest::newRow("recIoBuff") << QByteArray("recIoBuff(QByteArray,QVariant)") << 1;
    QTest::newRow("recIoBuff, one argument") << QByteArray("recIoBuff(QByteArray)") << 2;
    QTest::newRow("sendBuffSignal") << QByteArray("sendBuffSignal(QByteArray,QVariant)") << 3;
    QTest::newRow("sendBuffSignal, one argument") << QByteArray("sendBuffSignal(QByteArray)") << 4;
    QTest::newRow("init") << QByteArray("init()") << 5;
    QTest::newRow("openDevice") << QByteArray("openDevice(IOHandler::DeviceInfo,bool)") << 6;
    QTest::newRow("sendData") << QByteArray("sendData(QByteArray,QVariant)") << 7;
    QTest::newRow("sendData, one argument") << QByteArray("sendData(QByteArray)") << 8;
}

void TestIOHandler::metaObjectLayout()
{
    QFETCH(QByteArray, signature);
    QFETCH(int, index);
    const QMetaObject &mo = IOHandler::staticMetaObject;
    QCOMPARE(mo.indexOfMethod(signature.constData()) - mo.methodOffset(), index);
    QCOMPARE(mo.methodCount() - mo.methodOffset(), 9);

    LinkUnderTest t; // registers the payload types by name
    for (const char *name :
         {"IOHandler::DeviceInfo", "IOHandler::ConType", "QHostAddress", "QSerialPort::SerialPortError"})
        QVERIFY2(QMetaType::type(name) != QMetaType::UnknownType, name);
}

void TestIOHandler::serialSettings_data()
{
    QTest::addColumn<QString>("suffix"); // appended to the port path in the request
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("speed");
    QTest::addColumn<bool>("twoStop");

    // A pseudo-terminal keeps speed and stop bits but forces 8 data bits without parity, so only the
    // former are read back; the record still carries what was asked.
    QTest::newRow("baud 0 is 115200 8N1") << "" << 0 << 2 << 2 << int(B115200) << false;
    QTest::newRow("9600 two stop bits") << "" << 9600 << 2 << 2 << int(B9600) << true;
    QTest::newRow("57600 one stop bit") << "" << 57600 << 1 << 3 << int(B57600) << false;
    QTest::newRow("name with description") << ": Simulated FMU" << 0 << 0 << 0 << int(B115200) << false;
}

void TestIOHandler::serialSettings()
{
    QFETCH(QString, suffix);
    QFETCH(int, baud);
    QFETCH(int, stopBits);
    QFETCH(int, parity);
    QFETCH(int, speed);
    QFETCH(bool, twoStop);

    PtyPair pty;
    QVERIFY(pty.isValid());
    Recorder rec;
    rec.watchHub(hub);
    LinkUnderTest t;

    const auto request = serialRequest(pty.slavePath() + suffix, baud, 8, stopBits, parity);
    emit t.link->openDeviceSignal(request, true);
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, QStringList{"E1 5 con1"}, Wait);
    QCOMPARE(rec.records.first(), request);

    termios tio{};
    QCOMPARE(tcgetattr(pty.masterFd(), &tio), 0);
    QCOMPARE(int(cfgetospeed(&tio)), speed);
    QCOMPARE(int(cfgetispeed(&tio)), speed);
    QCOMPARE(bool(tio.c_cflag & CSTOPB), twoStop);
    QVERIFY(!(tio.c_cflag & CRTSCTS));
}

void TestIOHandler::serialRoundTripAndClose()
{
    PtyPair pty;
    QVERIFY(pty.isValid());
    Recorder rec;
    rec.watchHub(hub);
    LinkUnderTest t;
    rec.watchLink(t.link);

    // A request for another link id changes nothing: the first event seen is the real open's.
    auto foreign = serialRequest(pty.slavePath());
    foreign.id = 7;
    emit t.link->openDeviceSignal(foreign, true);
    emit t.link->openDeviceSignal(serialRequest(pty.slavePath()), true);
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, QStringList{"E1 5 con1"}, Wait);

    QVERIFY(pty.write("hello\r\nnsh> "));
    QTRY_COMPARE_WITH_TIMEOUT(rec.received, QByteArray("hello\r\nnsh> "), Wait);
    for (const auto &record : rec.chunkRecords) {
        QCOMPARE(record.id, 5);
        QCOMPARE(record.conType, int(IOHandler::ConSerial));
    }

    // Device selection: an invalid variant sends nothing, QVariant(0) and a serial record use the
    // link's own port whatever the record's name.
    auto other = serialRequest(QStringLiteral("/dev/null"));
    emit t.link->sendBuffSignal("X", QVariant());
    emit t.link->sendBuffSignal("ab", QVariant(0));
    emit t.link->sendBuffSignal("cd", QVariant::fromValue(other));
    emit t.link->sendBuffSignal("e");
    QCOMPARE(pty.read(5, Wait), QByteArray("abcde"));
    QTRY_COMPARE_WITH_TIMEOUT(t.link->bytesSent(), quint64(5), Wait);

    emit t.link->openDeviceSignal(serialRequest(pty.slavePath()), false);
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, (QStringList{"E1 5 con1", "E3 5 con0"}), Wait);

    // A send on the closed link is dropped, not kept for the next open.
    emit t.link->sendBuffSignal("late", QVariant(0));
    emit t.link->openDeviceSignal(serialRequest(pty.slavePath()), true);
    emit t.link->sendBuffSignal("after", QVariant(0));
    QTRY_COMPARE_WITH_TIMEOUT(rec.log.size(), 3, Wait);
    QCOMPARE(pty.read(5, Wait), QByteArray("after"));
}

void TestIOHandler::serialOpenFailure()
{
    Recorder rec;
    rec.watchHub(hub);
    LinkUnderTest t;
    emit t.link->openDeviceSignal(serialRequest(QStringLiteral("/nonexistent/ttyZT0: gone")), true);
    const QString text = QStringLiteral("open serial failed:DeviceNotFoundError");
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, (QStringList{"E0 5 " + text, "PWARN |" + text, "E3 5 con0", "E2 5 con0"}), Wait);
}

void TestIOHandler::linkOnCallersThread()
{
    PtyPair pty;
    Recorder rec;
    rec.watchHub(hub);
    IOHandler link(5, false); // init() has run: the slots work at once, on this thread
    rec.watchLink(&link);
    QVERIFY(link.openDevice(serialRequest(pty.slavePath()), true));
    QCOMPARE(rec.log, QStringList{"E1 5 con1"}); // direct: no event loop turn needed
    QVERIFY(pty.write("abc"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.received, QByteArray("abc"), Wait);
    emit link.sendBuffSignal("xyz"); // written as this thread's event loop runs
    QByteArray got;
    QTRY_COMPARE_WITH_TIMEOUT((got += pty.read(1, 10), got), QByteArray("xyz"), Wait);
    QVERIFY(!link.openDevice(serialRequest(pty.slavePath()), false));
    QCOMPARE(rec.log, (QStringList{"E1 5 con1", "E3 5 con0"}));
}

void TestIOHandler::otherEndGoesAway()
{
    auto pty = std::make_unique<PtyPair>();
    QVERIFY(pty->isValid());
    PtyPair next;
    Recorder rec;
    rec.watchHub(hub);
    LinkUnderTest t;
    emit t.link->openDeviceSignal(serialRequest(pty->slavePath()), true);
    QTRY_COMPARE_WITH_TIMEOUT(rec.log.size(), 1, Wait);

    // A pseudo-terminal whose other end closed fails reads with ReadError (an unplugged USB port
    // gives ResourceError); either way the link reports and closes.
    pty->closeMaster();
    const QString text = QStringLiteral("open serial failed:ReadError");
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, (QStringList{"E1 5 con1", "E0 5 " + text, "PWARN |" + text, "E3 5 con0"}), Wait);

    // The port was closed: the same link opens the next unit.
    emit t.link->openDeviceSignal(serialRequest(next.slavePath()), true);
    QTRY_COMPARE_WITH_TIMEOUT(rec.log.size(), 5, Wait);
    QCOMPARE(rec.log.last(), QStringLiteral("E1 5 con1"));
    emit t.link->sendBuffSignal("ok", QVariant(0));
    QCOMPARE(next.read(2, Wait), QByteArray("ok"));
}

void TestIOHandler::stalledWriteTimesOut()
{
    PtyPair pty; // nobody reads the other end: the port stops taking bytes
    Recorder rec;
    rec.watchHub(hub);
    LinkUnderTest t;
    t.link->setWriteTimeoutMs(300);
    emit t.link->openDeviceSignal(serialRequest(pty.slavePath()), true);
    emit t.link->sendBuffSignal(QByteArray(1 << 20, 'x'), QVariant(0));
    const QString text = QStringLiteral("open serial failed:TimeoutError");
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, (QStringList{"E1 5 con1", "E0 5 " + text, "PWARN |" + text, "E3 5 con0"}), Wait);
}

void TestIOHandler::stalledWriteKeepsLinkResponsive()
{
    PtyPair pty;
    Recorder rec;
    rec.watchHub(hub);
    LinkUnderTest t;
    rec.watchLink(t.link);
    emit t.link->openDeviceSignal(serialRequest(pty.slavePath()), true);
    emit t.link->sendBuffSignal(QByteArray(1 << 20, 'x'), QVariant(0));

    // With the full write timeout pending the link still reads and obeys a close at once.
    QElapsedTimer timer;
    timer.start();
    QVERIFY(pty.write("ping"));
    QTRY_COMPARE_WITH_TIMEOUT(rec.received, QByteArray("ping"), Wait);
    emit t.link->openDeviceSignal(serialRequest(pty.slavePath()), false);
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, (QStringList{"E1 5 con1", "E3 5 con0"}), Wait);
    QVERIFY2(timer.elapsed() < IOHandler::DefaultWriteTimeoutMs / 2, qPrintable(QString::number(timer.elapsed())));
}

void TestIOHandler::udpReplyToLastSender()
{
    QUdpSocket peerA, peerB;
    QVERIFY(peerA.bind(QHostAddress(QHostAddress::LocalHost), 0));
    QVERIFY(peerB.bind(QHostAddress(QHostAddress::LocalHost), 0));
    const quint16 linkPort = TestPorts::freeUdpPort();
    Recorder rec;
    rec.watchHub(hub);
    LinkUnderTest t;
    rec.watchLink(t.link);

    const auto request = udpRequest(linkPort, peerA.localPort());
    emit t.link->openDeviceSignal(request, true);
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, QStringList{"E1 5 con2"}, Wait);
    QCOMPARE(rec.records.first(), request);

    emit t.link->sendBuffSignal("first", QVariant(0));
    QCOMPARE(readDatagram(peerA), QByteArray("first"));

    // A frame split over two datagrams arrives as two chunks, in order, each naming its sender.
    peerB.writeDatagram("AB", QHostAddress(QHostAddress::LocalHost), linkPort);
    peerB.writeDatagram("CD", QHostAddress(QHostAddress::LocalHost), linkPort);
    QTRY_COMPARE_WITH_TIMEOUT(rec.chunks, (QList<QByteArray>{"AB", "CD"}), Wait);
    for (const auto &record : rec.chunkRecords) {
        QCOMPARE(record.targetPort, peerB.localPort());
        QCOMPARE(record.localPort, linkPort);
    }

    emit t.link->sendBuffSignal("second", QVariant(0));
    QCOMPARE(readDatagram(peerB), QByteArray("second"));
    // An explicit record addresses its own target; the link keeps replying to B.
    emit t.link->sendBuffSignal("explicit", QVariant::fromValue(request));
    QCOMPARE(readDatagram(peerA), QByteArray("explicit"));
    emit t.link->sendBuffSignal("third", QVariant(0));
    QCOMPARE(readDatagram(peerB), QByteArray("third"));
    QVERIFY(!peerA.hasPendingDatagrams());

    emit t.link->openDeviceSignal(request, false);
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, (QStringList{"E1 5 con2", "E3 5 con0"}), Wait);
    emit t.link->sendBuffSignal("late", QVariant(0));
    emit t.link->sendBuffSignal("late", QVariant::fromValue(request));
    emit t.link->openDeviceSignal(request, true);
    emit t.link->sendBuffSignal("after", QVariant(0));
    QCOMPARE(readDatagram(peerA), QByteArray("after"));
    QVERIFY(!peerB.hasPendingDatagrams());
}

void TestIOHandler::udpAddressInUse()
{
    QUdpSocket blocker;
    QVERIFY(blocker.bind(QHostAddress(QHostAddress::LocalHost), 0, QUdpSocket::DontShareAddress));
    Recorder rec;
    rec.watchHub(hub);
    LinkUnderTest t;
    emit t.link->openDeviceSignal(udpRequest(blocker.localPort(), 7000), true);
    QTRY_COMPARE_WITH_TIMEOUT(rec.log, (QStringList{"E0 5 rec udp error", "PWARN |rec udp error", "E2 5 con0"}), Wait);
}

QTEST_GUILESS_MAIN(TestIOHandler)
#include "tst_iohandler.moc"
