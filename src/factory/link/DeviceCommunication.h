#pragma once

#include "factory/link/DeviceOpenMap.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QSerialPort>
#include <QUdpSocket>
#include <QVariant>
#include <QVariantMap>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

class QThread;

// The byte transport of the factory side: one serial port or one UDP socket (unicast or multicast),
// opened from a settings map, in a worker thread of the object's own. Other threads reach it through
// its signals (queued into the worker thread) and the thread-safe write operations. Results are
// reported as linkEvent (the bus events DMMM_GCSEvent_Device_error, _Device_opened,
// _Device_open_failed and _Device_closed), which Q_DMMM relays onto the bus.
//
// The settings map, its keys and builders: factory/link/DeviceOpenMap.h.
class DeviceCommunication : public QObject
{
    Q_OBJECT
public:
    enum Kind { KindNone = 0, KindSerial = 1, KindUdp = 2 };
    enum State { StateClosed = 0, StateOpen = 1, StateFailed = 2 };

    explicit DeviceCommunication(bool ownThread);
    ~DeviceCommunication() override;

    // Hand bytes to the device (any thread): they are written later in the worker thread.
    qint64 writeBytes(const char *data, qint64 len);
    // -1 for an empty array, else its size.
    qint64 writeArray(const QByteArray &data);

    // Worker thread only (the receive slot of the subclass).
    qint64 bytesAvailable();
    // Serial: up to max bytes; UDP: one pending datagram (its sender becomes the remote peer).
    QByteArray readBytes(qint64 max);

    quint32 rxBytes() const { return m_rxBytes; }
    quint32 txBytes() const { return m_txBytes; }
    int deviceKind() const { return m_kind; }
    int deviceState() const { return m_state; }
    int linkId() const { return m_linkId; }
    void setLinkId(int id) { m_linkId = id; }
    // The local UDP port after a successful bind (0 otherwise); useful when binding port 0.
    quint16 localUdpPort() const { return m_localUdpPort; }
    // The map of the last successful open (worker thread).
    QVariantMap settings() const { return m_settings; }

    // Emits linkEvent(ev, linkId(), var), in the calling thread.
    void emitEvent(int ev, const QVariant &var = QVariant(int(0)));

signals:
    // A bus event of this link (factory/link/DmmmEvent.h), emitted in the thread where it happened.
    void linkEvent(int ev, int linkid, QVariant var);
    void OpenProtocolDevice(QVariantMap params);
    void CloseProtocolDevice();
    void readyRead();
    void Signal_write(QVariant data);

private slots:
    void Slot_OpenProtocolDevice(QVariantMap params);
    void Slot_CloseProtocolDevice();
    void Slot_write(QVariant data);
    void Slot_serial_error(QSerialPort::SerialPortError error);
    void Slot_udpsocket_error(QAbstractSocket::SocketError error);

protected:
    QThread *workerThread() const { return m_thread; }
    // Runs f in the worker thread and waits for it (directly when already there or when the thread is
    // not running); the subclass uses it to tear down its worker-thread objects before destruction.
    void runInWorkerAndWait(const std::function<void()> &f);
    // Ends the worker thread after running last() in it (the device is released there too); nothing
    // runs in the thread afterwards. The subclass calls it first in its destructor, so no queued call
    // reaches a half-destroyed object.
    void stopWorker(const std::function<void()> &last = {});
    // Runs f in the worker thread: at once when already there (or without a running thread),
    // otherwise queued; with wait, returns after f ran.
    void postToWorker(std::function<void()> f, bool wait);

private:
    Q_INVOKABLE void runPendingTasks();
    void openSerial(const QVariantMap &params);
    void openUdp(const QVariantMap &params);
    void closeDevice();
    void releaseDevice();

    QSerialPort *m_serial = nullptr;
    QUdpSocket *m_udp = nullptr;
    QHostAddress m_remoteAddress;
    quint16 m_remotePort = 0;
    QVariantMap m_settings;
    std::atomic<int> m_kind{KindNone};
    std::atomic<int> m_state{StateClosed};
    QThread *m_thread = nullptr;
    std::atomic<int> m_linkId{0};
    std::atomic<quint32> m_txBytes{0};
    std::atomic<quint32> m_rxBytes{0};
    std::atomic<quint16> m_localUdpPort{0};
    // Work handed to the worker thread (postToWorker); the lock also orders the hand-off.
    std::mutex m_taskMutex;
    std::deque<std::function<void()>> m_tasks;
};
