#include "link/IOHandler.h"

#include "core/util/SerialPermissionHint.h"

#include "link/TApp.h"
#include "link/TMsgManager.h"

#include <QCoreApplication>
#include <QDebug>
#include <QList>
#include <QMetaEnum>
#include <QPointer>
#include <QMutexLocker>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>

namespace {
// The serial setting of a link whose DeviceInfo gives baud rate 0: 115200 8N1.
constexpr qint32 kDefaultBaudRate = QSerialPort::Baud115200;
// Counts links destroyed on their own threads (see destroy). A global: no initialisation of it
// races with the threads.
std::atomic<quint64> s_linkThreadsEnded{0};
} // namespace
IOHandler::DeviceInfo IOHandler::DeviceInfo::serial(int id, const QString &name, int baud)
{
    DeviceInfo d;
    d.id = id;
    d.conType = ConSerial;
    d.name = name;
    d.baudRate = baud;
    d.dataBits = 8;
    d.stopBits = 1;
    d.parity = 0;
    return d;
}

IOHandler::DeviceInfo IOHandler::DeviceInfo::udp(int id, const QHostAddress &localIp, quint16 localPort,
                                                 const QHostAddress &targetIp, quint16 targetPort)
{
    DeviceInfo d;
    d.id = id;
    d.conType = ConUdp;
    d.localIp = localIp;
    d.localPort = localPort;
    d.targetIp = targetIp;
    d.targetPort = targetPort;
    return d;
}

bool IOHandler::DeviceInfo::operator==(const DeviceInfo &o) const
{
    return id == o.id && conType == o.conType && name == o.name && baudRate == o.baudRate && dataBits == o.dataBits &&
           stopBits == o.stopBits && parity == o.parity && localIp == o.localIp && localPort == o.localPort &&
           targetIp == o.targetIp && targetPort == o.targetPort;
}

QDebug operator<<(QDebug debug, const IOHandler::DeviceInfo &info)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "DeviceInfo(id " << info.id << ", con " << info.conType << ", " << info.name << " @"
                    << (info.baudRate != 0 ? info.baudRate : kDefaultBaudRate) << ", " << info.localIp.toString() << ':' << info.localPort << " -> "
                    << info.targetIp.toString() << ':' << info.targetPort << ')';
    return debug;
}

IOHandler::IOHandler(int id, bool ownThread, QObject *parent) : QObject(parent)
{
    setUp(id, ownThread);
    startLink();
}

IOHandler::IOHandler(int id, bool ownThread, QObject *parent, DeferredStart) : QObject(parent)
{
    setUp(id, ownThread);
}

void IOHandler::setUp(int id, bool ownThread)
{
    info.id = id;
    qRegisterMetaType<IOHandler::DeviceInfo>("IOHandler::DeviceInfo");
    qRegisterMetaType<IOHandler::DeviceInfo>("DeviceInfo");
    qRegisterMetaType<IOHandler::ConType>("IOHandler::ConType");
    qRegisterMetaType<QHostAddress>("QHostAddress");
    qRegisterMetaType<QSerialPort::SerialPortError>("QSerialPort::SerialPortError");

    // The request signals are wired here rather than in init(): a request emitted before the worker
    // thread has started then waits in the link's queue and runs after init() instead of being lost.
    connect(this, &IOHandler::openDeviceSignal, this, &IOHandler::openDevice);
    connect(this, &IOHandler::sendBuffSignal, this, &IOHandler::sendData);

    if (ownThread) {
        if (parent())
            setParent(nullptr); // an object with a parent cannot change threads
        m_workerThread = new QThread;
        moveToThread(m_workerThread);
        connect(m_workerThread, &QThread::started, this, &IOHandler::init);
    }
}

namespace {
// Worker threads of links built before the application object exists (the hub's shared link is
// built during static initialisation): an event loop cannot run before it, so they start with it.
QList<QPointer<QThread>> &threadsWaitingForApplication()
{
    static QList<QPointer<QThread>> threads;
    return threads;
}

void startThreadsWaitingForApplication()
{
    const auto threads = threadsWaitingForApplication();
    threadsWaitingForApplication().clear();
    for (const QPointer<QThread> &thread : threads) {
        if (thread)
            thread->start(QThread::InheritPriority);
    }
}
} // namespace

void IOHandler::startLink()
{
    if (!m_workerThread) {
        init();
    } else if (QCoreApplication::instance()) {
        m_workerThread->start(QThread::InheritPriority);
    } else {
        if (threadsWaitingForApplication().isEmpty())
            qAddPreRoutine(startThreadsWaitingForApplication);
        threadsWaitingForApplication().append(m_workerThread);
    }
}

IOHandler::~IOHandler()
{
    qDebug() << "IOHandler delete";
    // The port and the socket are children and go with this object, on the link's thread.
}

void IOHandler::destroy(IOHandler *link)
{
    if (!link)
        return;
    QThread *worker = link->m_workerThread;
    if (!worker || worker == QThread::currentThread() || !worker->isRunning()) {
        delete link;
        if (worker && worker != QThread::currentThread()) {
            worker->wait();
            delete worker;
        }
        return;
    }
    // The link dies on its own thread: the deferred delete runs when the thread's loop ends. Its last
    // act there publishes through an atomic read after the join, so that ThreadSanitizer (which does
    // not see Qt's join) orders everything the link's thread did before what this thread does next.
    QObject::connect(link, &QObject::destroyed, [] { s_linkThreadsEnded.fetch_add(1, std::memory_order_release); });
    link->deleteLater();
    worker->quit();
    worker->wait();
    (void)s_linkThreadsEnded.load(std::memory_order_acquire);
    delete worker;
}

void IOHandler::waitForWritten(int timeoutMs)
{
    QMutexLocker lock(&mutex);
    if (serial && serial->isOpen() && serial->bytesToWrite() > 0)
        serial->waitForBytesWritten(timeoutMs);
}

bool IOHandler::isRecordOfLink(const QVariant &var, int linkId, DeviceInfo *record)
{
    if (var.userType() != qMetaTypeId<IOHandler::DeviceInfo>())
        return false;
    const DeviceInfo info = var.value<IOHandler::DeviceInfo>();
    if (info.id != linkId)
        return false;
    if (record)
        *record = info;
    return true;
}

void IOHandler::init()
{
    qDebug() << "IOHandler init::" << this << info.id << QThread::currentThreadId() << thread();

    udp = new QUdpSocket(this);
    connect(udp, &QUdpSocket::errorOccurred, this,
            [this](QAbstractSocket::SocketError error) { handleUdpError(int(error)); });
    serial = new QSerialPort(this);
    connect(serial, &QSerialPort::errorOccurred, this, &IOHandler::handleSerialError);
    connect(serial, &QSerialPort::readyRead, this, &IOHandler::readSerial);
    connect(udp, &QUdpSocket::readyRead, this, &IOHandler::readUdp);

    m_writeWatchdog = new QTimer(this);
    m_writeWatchdog->setSingleShot(true);
    connect(m_writeWatchdog, &QTimer::timeout, this, &IOHandler::writeStalled);
    connect(serial, &QSerialPort::bytesWritten, this, &IOHandler::serialBytesWritten);
}

bool IOHandler::openDevice(IOHandler::DeviceInfo device, bool isConFlag)
{
    if (device.id != info.id)
        return false;
    device.id = info.id;
    info = device;
    switch (device.conType) {
    case ConSerial:
        return openSerial(isConFlag);
    case ConUdp:
        return openUdp(isConFlag);
    default:
        return false;
    }
}

void IOHandler::closeSerial()
{
    if (m_writeWatchdog)
        m_writeWatchdog->stop();
    if (serial && serial->isOpen())
        serial->close();
    info.conType = ConNone;
}

bool IOHandler::openSerial(bool isConFlag)
{
    if (!serial)
        return false;
    if (serial->isOpen())
        closeSerial();
    if (!isConFlag) {
        info.conType = ConNone; // the link's copy tells what is open: nothing
        emitEvent(TApp::EventLinkClosed, QVariant::fromValue(info));
        return false;
    }

    const int colon = info.name.indexOf(QLatin1Char(':'));
    serial->setPortName(colon >= 0 ? info.name.left(colon) : info.name);
    if (info.baudRate != 0) {
        serial->setBaudRate(info.baudRate, QSerialPort::AllDirections);
        serial->setDataBits(QSerialPort::DataBits(info.dataBits));
        serial->setStopBits(QSerialPort::StopBits(info.stopBits));
        serial->setParity(QSerialPort::Parity(info.parity));
    } else {
        serial->setBaudRate(kDefaultBaudRate, QSerialPort::AllDirections);
        serial->setDataBits(QSerialPort::Data8);
        serial->setStopBits(QSerialPort::OneStop);
        serial->setParity(QSerialPort::NoParity);
    }

    m_openingSerial = true;
    const bool opened = serial->open(QIODevice::ReadWrite);
    m_openingSerial = false;
    if (opened) {
        info.conType = ConSerial;
        emitEvent(TApp::EventLinkOpened, QVariant::fromValue(info));
        return true;
    }
    // The port has reported its error already (event 0, pop-up, event 3).
    info.conType = ConNone;
    emitEvent(TApp::EventOpenFailed, QVariant::fromValue(info));
    return false;
}

bool IOHandler::openUdp(bool isConFlag)
{
    if (!udp)
        return false;
    const DeviceInfo request = info;
    if (serial && serial->isOpen()) {
        closeSerial();
        emitEvent(TApp::EventLinkClosed, QVariant::fromValue(info));
    }
    if (udp->state() == QAbstractSocket::BoundState) {
        udp->abort();
        info.conType = ConNone;
    }
    if (!isConFlag) {
        info.conType = ConNone;
        emitEvent(TApp::EventLinkClosed, QVariant::fromValue(info));
        return false;
    }
    if (udp->bind(request.localIp, request.localPort)) {
        info.conType = ConUdp;
        info.localIp = request.localIp;
        info.localPort = request.localPort;
        info.targetIp = request.targetIp;
        info.targetPort = request.targetPort;
        emitEvent(TApp::EventLinkOpened, QVariant::fromValue(info));
        return true;
    }
    info.conType = ConNone;
    emitEvent(TApp::EventOpenFailed, QVariant::fromValue(info));
    return false;
}

void IOHandler::readSerial()
{
    const QByteArray bytes = serial->readAll();
    if (bytes.isEmpty())
        return;
    m_bytesIn += quint64(bytes.size());
    emit recIoBuff(bytes, QVariant::fromValue(info));
}

void IOHandler::readUdp()
{
    while (udp->hasPendingDatagrams()) {
        const qint64 size = udp->pendingDatagramSize();
        if (size < 0)
            break;
        QByteArray datagram(int(size), Qt::Uninitialized);
        QHostAddress sender;
        quint16 senderPort = 0;
        const qint64 got = udp->readDatagram(datagram.data(), size, &sender, &senderPort);
        if (got < 0)
            break;
        datagram.resize(int(got));
        info.targetIp = sender;
        info.targetPort = senderPort;
        m_bytesIn += quint64(got);
        emit recIoBuff(datagram, QVariant::fromValue(info));
    }
}

void IOHandler::sendData(QByteArray b, QVariant device)
{
    DeviceInfo target;
    if (device.userType() == qMetaTypeId<IOHandler::DeviceInfo>())
        target = device.value<IOHandler::DeviceInfo>();
    else if (device.isValid() && device == QVariant(0))
        target = info;
    // anything else: a default record, whose conType 0 sends nothing

    QMutexLocker lock(&mutex);
    if (target.conType == ConSerial) {
        if (serial && serial->isOpen()) {
            const qint64 written = serial->write(b);
            if (written > 0)
                m_bytesOut += quint64(written);
            // Instead of blocking the link's thread until the port has taken everything, a watchdog
            // closes the link when the port stops taking bytes for the write timeout.
            if (serial->bytesToWrite() > 0 && !m_writeWatchdog->isActive())
                m_writeWatchdog->start(m_writeTimeoutMs.load());
        }
    } else if (target.conType == ConUdp) {
        // A socket that is not bound would bind itself to a random port on write: a closed link sends nothing.
        if (udp && udp->state() == QAbstractSocket::BoundState) {
            const qint64 written = udp->writeDatagram(b, target.targetIp, target.targetPort);
            if (written > 0)
                m_bytesOut += quint64(written);
        }
    }
}

void IOHandler::serialBytesWritten()
{
    if (!serial->isOpen() || serial->bytesToWrite() == 0)
        m_writeWatchdog->stop();
    else
        m_writeWatchdog->start(m_writeTimeoutMs.load()); // progress: the port is still draining
}

void IOHandler::writeStalled()
{
    if (serial->isOpen() && serial->bytesToWrite() > 0) {
        qDebug() << "link serial write stalled, id:" << info.id << "pending:" << serial->bytesToWrite();
        handleSerialError(QSerialPort::TimeoutError);
    }
}

void IOHandler::handleSerialError(QSerialPort::SerialPortError error)
{
    // A port may report more than once while it is being closed for the first report, and late
    // reports may follow; only a port that is open or being opened is handled, and only once.
    if (error == QSerialPort::NoError || m_inSerialError || !(serial->isOpen() || m_openingSerial))
        return;
    m_inSerialError = true;
    const char *name = QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(int(error));
    const QString text = tr("open serial failed:") + QString::fromLatin1(name ? name : "UnknownError");
    emitEvent(TApp::EventLinkError, QVariant(text));
    if (TMsgManager *messages = TMsgManager::instance())
        emit messages->showMsg(info.id, TMsgManager::PopupMsg, TMsgManager::LevelWarn,
                               SerialPermissionHint::appendTo(text, error == QSerialPort::PermissionError));
    qDebug().noquote() << QStringLiteral("link rec serial error, id: %1, port: %2").arg(info.id).arg(info.name)
                       << error;
    closeSerial();
    emitEvent(TApp::EventLinkClosed, QVariant::fromValue(info));
    m_inSerialError = false;
}

void IOHandler::handleUdpError(int socketError)
{
    if (socketError != QAbstractSocket::AddressInUseError)
        return;
    const QString text = QStringLiteral("rec udp error");
    emitEvent(TApp::EventLinkError, QVariant(text));
    if (TMsgManager *messages = TMsgManager::instance())
        emit messages->showMsg(info.id, TMsgManager::PopupMsg, TMsgManager::LevelWarn, text);
    qDebug().noquote() << QStringLiteral("link rec udp error, id: %1, ip: %2, port: %3")
                              .arg(info.id)
                              .arg(info.localIp.toString())
                              .arg(info.localPort)
                       << QAbstractSocket::SocketError(socketError);
}

void IOHandler::emitEvent(int event, const QVariant &var)
{
    if (TApp *app = TApp::instance())
        emit app->TAppEvent(event, info.id, var);
}
