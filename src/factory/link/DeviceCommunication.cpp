#include "factory/link/DeviceCommunication.h"

#include "core/util/SerialPermissionHint.h"
#include "factory/link/DeviceOpenMap.h"
#include "factory/link/DmmmEvent.h"

#include <QCoreApplication>
#include <QDebug>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QThread>

namespace {
QHostAddress addressOf(const QVariant &v)
{
    if (v.canConvert<QHostAddress>() && v.userType() == qMetaTypeId<QHostAddress>())
        return v.value<QHostAddress>();
    if (v.type() == QVariant::String)
        return QHostAddress(v.toString()); // tolerated: a textual address
    return QHostAddress();
}
} // namespace

DeviceCommunication::DeviceCommunication(bool ownThread) : QObject(nullptr)
{
    qRegisterMetaType<QHostAddress>("QHostAddress");
    qRegisterMetaType<QSerialPort::SerialPortError>("QSerialPort::SerialPortError");
    qRegisterMetaType<QAbstractSocket::SocketError>("QAbstractSocket::SocketError");
    if (ownThread) {
        m_thread = new QThread;
        // The thread's last act takes the task lock, so whoever waited for it (stopWorker) and takes
        // the lock after is ordered after everything the thread did, also for ThreadSanitizer.
        connect(
            m_thread, &QThread::finished, m_thread, [this] { std::lock_guard<std::mutex> lock(m_taskMutex); },
            Qt::DirectConnection);
        moveToThread(m_thread);
        m_thread->start(QThread::InheritPriority);
    }
    connect(this, &DeviceCommunication::OpenProtocolDevice, this, &DeviceCommunication::Slot_OpenProtocolDevice);
    connect(this, &DeviceCommunication::CloseProtocolDevice, this, &DeviceCommunication::Slot_CloseProtocolDevice);
    connect(this, &DeviceCommunication::Signal_write, this, &DeviceCommunication::Slot_write);
    qDebug() << "DeviceCommunication" << QThread::currentThreadId();
}

DeviceCommunication::~DeviceCommunication()
{
    stopWorker();
    delete m_thread;
}

void DeviceCommunication::stopWorker(const std::function<void()> &last)
{
    // The port and socket live in the worker thread: release them there, then stop the thread.
    runInWorkerAndWait([this, last] {
        if (last)
            last();
        releaseDevice();
    });
    if (m_thread && m_thread->isRunning()) {
        m_thread->quit();
        m_thread->wait();
        std::lock_guard<std::mutex> lock(m_taskMutex);
    }
}

void DeviceCommunication::runInWorkerAndWait(const std::function<void()> &f)
{
    postToWorker(f, true);
}

void DeviceCommunication::postToWorker(std::function<void()> f, bool wait)
{
    if (!m_thread || !m_thread->isRunning() || QThread::currentThread() == m_thread) {
        f();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_taskMutex);
        m_tasks.push_back(std::move(f));
    }
    QMetaObject::invokeMethod(this, "runPendingTasks", wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
    if (wait)
        std::lock_guard<std::mutex> lock(m_taskMutex); // ordered after the task's last step
}

void DeviceCommunication::runPendingTasks()
{
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(m_taskMutex);
            if (m_tasks.empty())
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
        std::lock_guard<std::mutex> lock(m_taskMutex); // publishes what the task wrote
    }
}

void DeviceCommunication::releaseDevice()
{
    if (m_serial) {
        m_serial->disconnect(this);
        if (m_serial->isOpen())
            m_serial->close();
        delete m_serial;
        m_serial = nullptr;
    }
    if (m_udp) {
        m_udp->disconnect(this);
        delete m_udp;
        m_udp = nullptr;
    }
}

qint64 DeviceCommunication::writeBytes(const char *data, qint64 len)
{
    if (len < 1)
        return len;
    return writeArray(QByteArray(data, int(len)));
}

qint64 DeviceCommunication::writeArray(const QByteArray &data)
{
    if (data.isEmpty())
        return -1;
    emit Signal_write(QVariant(data));
    return data.size();
}

qint64 DeviceCommunication::bytesAvailable()
{
    if (m_kind == KindSerial) {
        if (!m_serial || !m_serial->isReadable())
            return 0;
        return m_serial->bytesAvailable();
    }
    if (m_kind == KindUdp && m_udp) {
        const qint64 n = m_udp->hasPendingDatagrams() ? m_udp->pendingDatagramSize() : m_udp->bytesAvailable();
        return n < 0 ? 0 : n;
    }
    return 0;
}

QByteArray DeviceCommunication::readBytes(qint64 max)
{
    QByteArray out;
    if (m_kind == KindSerial) {
        if (m_serial && m_serial->isOpen())
            out = m_serial->read(max);
    } else if (m_kind == KindUdp && m_udp) {
        if (m_udp->hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_udp->receiveDatagram(max);
            out = datagram.data();
            m_remoteAddress = datagram.senderAddress();
            m_remotePort = quint16(datagram.senderPort());
        }
    }
    m_rxBytes += quint32(out.size());
    return out;
}

void DeviceCommunication::emitEvent(int ev, const QVariant &var)
{
    emit linkEvent(ev, linkId(), var);
}

void DeviceCommunication::Slot_OpenProtocolDevice(QVariantMap params)
{
    if (params.contains(QLatin1String(DeviceOpenMap::SerialPortName)))
        openSerial(params);
    else if (params.contains(QLatin1String(DeviceOpenMap::UdpLocalIp)))
        openUdp(params);
}

void DeviceCommunication::openSerial(const QVariantMap &params)
{
    if (m_kind != KindSerial && m_state != StateClosed)
        closeDevice();
    const QString name =
        params.value(QLatin1String(DeviceOpenMap::SerialPortName)).toString().section(QLatin1Char(':'), 0, 0);
    const int dataBits = params.value(QLatin1String(DeviceOpenMap::SerialDataBits), 8).toInt();
    const int stopBits = params.value(QLatin1String(DeviceOpenMap::SerialStopBits), 1).toInt();
    const int parity = params.value(QLatin1String(DeviceOpenMap::SerialParity), 0).toInt();
    const int baud = params.value(QLatin1String(DeviceOpenMap::SerialBaudRate), 115200).toInt();
    if (!m_serial) {
        m_serial = new QSerialPort;
        connect(m_serial, &QSerialPort::readyRead, this, &DeviceCommunication::readyRead);
        connect(m_serial, &QSerialPort::errorOccurred, this, &DeviceCommunication::Slot_serial_error);
    }
    m_serial->setDataBits(QSerialPort::DataBits(dataBits));
    m_serial->setStopBits(QSerialPort::StopBits(stopBits));
    m_serial->setParity(QSerialPort::Parity(parity));
    m_serial->setBaudRate(baud, QSerialPort::AllDirections);
    m_serial->setPortName(name);
    if (m_serial->open(QIODevice::ReadWrite)) {
        qDebug() << "OpenSerialPort:" << name << dataBits << parity << stopBits << baud << "Succeed";
        m_serial->clear(QSerialPort::AllDirections);
        m_kind = KindSerial;
        m_state = StateOpen;
        m_settings = params;
        emitEvent(DMMM_GCSEvent_Device_opened);
    } else {
        emitEvent(DMMM_GCSEvent_Device_open_failed);
        qDebug() << "OpenSerialPort:" << name << dataBits << parity << stopBits << baud << "Failed";
        if (m_serial->error() == QSerialPort::PermissionError)
            qDebug().noquote() << "OpenSerialPort:" << name << "permission denied;" << SerialPermissionHint::text();
        m_settings.clear();
    }
}

void DeviceCommunication::openUdp(const QVariantMap &params)
{
    if (m_kind != KindUdp && m_state != StateClosed)
        closeDevice();
    const QHostAddress address = addressOf(params.value(QLatin1String(DeviceOpenMap::UdpLocalIp)));
    const quint16 port = quint16(params.value(QLatin1String(DeviceOpenMap::UdpLocalPort), 0).toUInt());
    if (!m_udp) {
        m_udp = new QUdpSocket;
        connect(m_udp, &QUdpSocket::readyRead, this, &DeviceCommunication::readyRead);
        connect(m_udp, &QUdpSocket::errorOccurred, this, &DeviceCommunication::Slot_udpsocket_error);
    }
    if (address.isMulticast()) {
        m_udp->setSocketOption(QAbstractSocket::MulticastLoopbackOption, 1);
        const bool bound = m_udp->bind(QHostAddress(QHostAddress::AnyIPv4), port,
                                       QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
        qDebug() << "bind" << address.protocol() << port << (bound ? "true" : "false");
        for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces()) {
            for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
                if (!entry.broadcast().isNull() && entry.ip() != QHostAddress(QHostAddress::LocalHost) &&
                    entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                    m_udp->setMulticastInterface(iface);
            }
        }
        if (m_udp->joinMulticastGroup(address)) {
            qDebug() << "Device_UDPSocket joinMulticastGroup success:" << address;
            m_remoteAddress = address;
            m_kind = KindUdp;
            m_state = StateOpen;
            m_localUdpPort = m_udp->localPort();
            m_settings = params;
            emitEvent(DMMM_GCSEvent_Device_opened);
        } else {
            qDebug() << "Device_UDPSocket joinMulticastGroup failed:" << address;
            m_settings.clear();
            emitEvent(DMMM_GCSEvent_Device_open_failed);
        }
        return;
    }
    if (m_udp->bind(address, port)) {
        qDebug() << "bind UDPSocket:" << address << port << "Succeed";
        m_kind = KindUdp;
        m_state = StateOpen;
        m_localUdpPort = m_udp->localPort();
        m_settings = params;
        emitEvent(DMMM_GCSEvent_Device_opened);
    } else {
        qDebug() << "bind UDPSocket:" << address << port << "failed";
        m_settings.clear();
        emitEvent(DMMM_GCSEvent_Device_open_failed);
    }
}

void DeviceCommunication::Slot_CloseProtocolDevice()
{
    closeDevice();
}

void DeviceCommunication::closeDevice()
{
    if (m_kind == KindSerial) {
        if (m_serial && m_serial->isOpen())
            m_serial->close();
    } else if (m_kind == KindUdp) {
        if (m_udp)
            m_udp->close();
    }
    m_settings.clear();
    m_kind = KindNone;
    m_state = StateClosed;
    m_localUdpPort = 0;
    // Announced once the state is closed, so that a listener on another thread sees it closed.
    emitEvent(DMMM_GCSEvent_Device_closed);
    qDebug() << "Slot_CloseProtocolDevice";
}

void DeviceCommunication::Slot_write(QVariant data)
{
    const QByteArray bytes = data.toByteArray();
    if (m_kind == KindSerial) {
        if (m_serial && m_serial->isWritable()) {
            m_txBytes += quint32(bytes.size());
            m_serial->write(bytes);
        }
    } else if (m_kind == KindUdp && m_udp) {
        QHostAddress target = m_remoteAddress;
        quint16 targetPort = m_remotePort;
        if (m_settings.contains(QLatin1String(DeviceOpenMap::UdpTargetIp)))
            target = addressOf(m_settings.value(QLatin1String(DeviceOpenMap::UdpTargetIp)));
        if (m_settings.contains(QLatin1String(DeviceOpenMap::UdpTargetPort)))
            targetPort = quint16(m_settings.value(QLatin1String(DeviceOpenMap::UdpTargetPort)).toUInt());
        m_txBytes += quint32(bytes.size());
        m_udp->writeDatagram(bytes, target, targetPort);
    }
}

void DeviceCommunication::Slot_serial_error(QSerialPort::SerialPortError error)
{
    qDebug() << "serialPort" << error;
    if (error == QSerialPort::NoError)
        return;
    if (m_serial && m_serial->isOpen())
        m_serial->close();
    m_state = StateFailed;
    emitEvent(DMMM_GCSEvent_Device_error);
}

void DeviceCommunication::Slot_udpsocket_error(QAbstractSocket::SocketError error)
{
    Q_UNUSED(error)
}
