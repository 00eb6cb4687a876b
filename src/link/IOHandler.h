#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMetaType>
#include <QMutex>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QVariant>

#include <atomic>

class QThread;
class QTimer;
class QUdpSocket;

// The byte transport of the maintenance side: one object is one link (link id), either a serial port
// or a UDP socket. Normally it runs on a worker thread of its own; other threads reach it only through
// its request signals (openDeviceSignal, sendBuffSignal) and get received bytes back on recIoBuff.
// State changes go out as TApp::TAppEvent (0 error text, 1 opened, 2 opening failed, 3 closed) and
// user-facing errors as "WARN " pop-ups of the message manager.
//
// The meta-object layout is relied upon by subclasses (MavlinkHandler) and callers: signals
// openDeviceSignal, recIoBuff, sendBuffSignal, then slots init, openDevice, sendData.
class IOHandler : public QObject
{
    Q_OBJECT
public:
    enum ConType { ConNone = 0, ConSerial = 1, ConUdp = 2 };
    Q_ENUM(ConType)

    // Description of a link; in a request it says what to open, in the link's own copy what is open.
    struct DeviceInfo
    {
        int id = 0;
        int conType = ConNone;
        QString name;     // serial port; only the part before the first ':' is the system name
        int baudRate = 0; // 0: 115200 8N1
        int dataBits = 0;
        int stopBits = 0;
        int parity = 0;
        QHostAddress localIp;
        quint16 localPort = 0;
        QHostAddress targetIp; // replaced by the sender of every received datagram
        quint16 targetPort = 0;

        // A serial port, 8 data bits, 1 stop bit, no parity, at baud (0: 115200).
        static DeviceInfo serial(int id, const QString &name, int baud);
        // A local UDP socket that sends to target.
        static DeviceInfo udp(int id, const QHostAddress &localIp, quint16 localPort, const QHostAddress &targetIp,
                              quint16 targetPort);

        bool operator==(const DeviceInfo &o) const;
        bool operator!=(const DeviceInfo &o) const { return !(*this == o); }
    };

    // Stall limit of a serial write: a port that takes none of the queued bytes for this long is
    // closed with TimeoutError.
    static constexpr int DefaultWriteTimeoutMs = 30000;

    // ownThread: run on a new worker thread (init() runs when it starts); otherwise init() runs now.
    // With ownThread the object already lives on its worker thread while a subclass constructor body
    // runs (and init() may run meanwhile): a subclass creates its thread-bound children (timers,
    // parsers with timers) in a slot that runs on that thread, not in its constructor.
    IOHandler(int id, bool ownThread, QObject *parent = nullptr);
    ~IOHandler() override;

protected:
    // For a subclass that must be whole before its link runs: constructs like the constructor above
    // but neither starts the worker thread nor calls init(); the subclass calls startLink() as the last
    // step of its own constructor. The worker thread then never meets a half-built object (its first
    // events reach the object's virtual event() while the subclass constructor would still be writing
    // the object's vtable pointer).
    struct DeferredStart
    {
    };
    IOHandler(int id, bool ownThread, QObject *parent, DeferredStart);
    // Starts the worker thread (init() runs on it), or calls init() at once without one.
    void startLink();

public:
    int linkId() const { return info.id; }

    // Changes the serial write stall limit (tests use a short one). Any thread.
    void setWriteTimeoutMs(int ms) { m_writeTimeoutMs.store(ms); }
    int writeTimeoutMs() const { return m_writeTimeoutMs.load(); }

    // Byte counters of the link (any thread): received bytes, and bytes handed to the device.
    quint64 bytesReceived() const { return m_bytesIn.load(); }
    quint64 bytesSent() const { return m_bytesOut.load(); }

    // Deletes the link on its own thread and, for an own-thread link, stops and deletes that thread.
    // The program keeps its links for its whole life; tests and the command-line tool end them here.
    static void destroy(IOHandler *link);

    // Whether a hub event's payload is the record of link linkId (events 1..3 carry one; event 0 and
    // notices carry text); the record is copied to record when given.
    static bool isRecordOfLink(const QVariant &var, int linkId, DeviceInfo *record = nullptr);

    // Waits up to timeoutMs until a serial port has written everything it was given (a command line
    // that exits right after its last request); the link's thread.
    void waitForWritten(int timeoutMs);

signals:
    // Request to open (isConFlag true) or close (false) the device the record describes.
    void openDeviceSignal(IOHandler::DeviceInfo device, bool isConFlag);
    // Received bytes; device holds a copy of the link's description at the time of receipt.
    void recIoBuff(QByteArray b, QVariant device = QVariant(0));
    // Request to send; QVariant(0) selects the link's own description.
    void sendBuffSignal(QByteArray b, QVariant device = QVariant(0));

public slots:
    // Creates the port and the socket on the link's thread and wires them.
    void init();
    // Opens or closes; returns whether the device is open afterwards (false for a close request).
    bool openDevice(IOHandler::DeviceInfo device, bool isConFlag);
    // Writes b; device QVariant(0) uses the link's own description, a DeviceInfo selects serial or
    // UDP (and the datagram's target), anything else sends nothing.
    void sendData(QByteArray b, QVariant device = QVariant(0));

private:
    void setUp(int id, bool ownThread);
    bool openSerial(bool isConFlag);
    void closeSerial();
    bool openUdp(bool isConFlag);
    void readSerial();
    void readUdp();
    void handleSerialError(QSerialPort::SerialPortError error);
    void handleUdpError(int socketError);
    void serialBytesWritten();
    void writeStalled();
    void emitEvent(int event, const QVariant &var);

    QSerialPort *serial = nullptr;
    QUdpSocket *udp = nullptr;
    QMutex mutex;
    DeviceInfo info;

    QThread *m_workerThread = nullptr; // own thread, only for destroy()
    QTimer *m_writeWatchdog = nullptr; // armed while serial bytes wait to be taken by the port
    bool m_openingSerial = false;      // open() runs: its error reports are handled
    bool m_inSerialError = false;      // an error is being handled: further reports are ignored
    std::atomic<int> m_writeTimeoutMs{DefaultWriteTimeoutMs};
    std::atomic<quint64> m_bytesIn{0};
    std::atomic<quint64> m_bytesOut{0};
};

Q_DECLARE_METATYPE(IOHandler::DeviceInfo)

QDebug operator<<(QDebug debug, const IOHandler::DeviceInfo &info);
