#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QStringList>

class QSocketNotifier;
class QUdpSocket;

// Where a simulated unit serves: a pseudo-terminal it creates (default), a given device path, or a
// local UDP socket that answers whoever sent last. Every mode takes the same options:
//   --pty                 create a pseudo-terminal (default); its slave path is announced
//   --device PATH         serve on an existing serial device or pseudo-terminal
//   --udp [IP:]PORT       bind UDP (IP defaults to 127.0.0.1, PORT 0 picks a free port);
//                         "udp IP:PORT" is announced
//   --target IP:PORT      UDP: where to send before the first datagram arrives
// announce() prints the one line that tells a test or the demo where the unit is.
class SimEndpoint : public QObject
{
    Q_OBJECT
public:
    explicit SimEndpoint(QObject *parent = nullptr);
    ~SimEndpoint() override;

    // Takes the endpoint options out of args (leaving the mode's own); false with error() set on bad input.
    bool parseOptions(QStringList &args);
    // Opens the endpoint; false with error() set on failure.
    bool open();
    // The announced line: the slave path, the device path, or "udp IP:PORT".
    QString where() const;
    // Prints where() as the first stdout line and flushes.
    void announce() const;
    QString error() const { return m_error; }

    bool isUdp() const { return m_udp != nullptr; }
    // Sends bytes: written whole to the terminal (buffered when it is full), or as one datagram.
    void send(const QByteArray &bytes);
    // Bytes written to the terminal but not yet taken by the other side's reader.
    qint64 pendingBytes() const { return m_outBuffer.size(); }

signals:
    // A chunk of bytes as it arrived (one read of the terminal, or one datagram).
    void received(const QByteArray &bytes);

private:
    void readTerminal();
    void flushTerminal();
    void readDatagrams();

    enum class Kind { Pty, Device, Udp } m_kind = Kind::Pty;
    QString m_devicePath;
    QHostAddress m_bindIp = QHostAddress(QHostAddress::LocalHost);
    quint16 m_bindPort = 0;
    QHostAddress m_targetIp;
    quint16 m_targetPort = 0;

    int m_fd = -1;     // terminal side we read and write
    int m_holdFd = -1; // slave side kept open so the terminal survives its clients closing it
    QString m_slavePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_outBuffer;
    QUdpSocket *m_udp = nullptr;
    QString m_error;
};
