#include "sim/SimEndpoint.h"

#include "core/util/HostPort.h"

#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QUdpSocket>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

SimEndpoint::SimEndpoint(QObject *parent) : QObject(parent)
{}

SimEndpoint::~SimEndpoint()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_holdFd >= 0)
        ::close(m_holdFd);
}

bool SimEndpoint::parseOptions(QStringList &args)
{
    QStringList rest;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &out) {
            if (i + 1 >= args.size()) {
                m_error = a + QStringLiteral(" needs a value");
                return false;
            }
            out = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--pty")) {
            m_kind = Kind::Pty;
        } else if (a == QLatin1String("--device")) {
            if (!value(v))
                return false;
            m_kind = Kind::Device;
            m_devicePath = v;
        } else if (a == QLatin1String("--udp")) {
            if (!value(v))
                return false;
            m_kind = Kind::Udp;
            if (!parseHostPort(v, m_bindIp, m_bindPort, true)) {
                m_error = QStringLiteral("--udp: expected [IP:]PORT, got ") + v;
                return false;
            }
        } else if (a == QLatin1String("--target")) {
            if (!value(v))
                return false;
            if (!parseHostPort(v, m_targetIp, m_targetPort, false)) {
                m_error = QStringLiteral("--target: expected IP:PORT, got ") + v;
                return false;
            }
        } else {
            rest << a;
        }
    }
    args = rest;
    return true;
}

bool SimEndpoint::open()
{
    if (m_kind == Kind::Udp) {
        m_udp = new QUdpSocket(this);
        if (!m_udp->bind(m_bindIp, m_bindPort)) {
            m_error =
                QStringLiteral("udp bind %1:%2: %3").arg(m_bindIp.toString()).arg(m_bindPort).arg(m_udp->errorString());
            return false;
        }
        m_bindPort = m_udp->localPort();
        connect(m_udp, &QUdpSocket::readyRead, this, &SimEndpoint::readDatagrams);
        return true;
    }
    if (m_kind == Kind::Pty) {
        char name[256] = {};
        termios tio{};
        cfmakeraw(&tio);
        if (openpty(&m_fd, &m_holdFd, name, &tio, nullptr) != 0) {
            m_error = QStringLiteral("openpty: ") + QString::fromLocal8Bit(strerror(errno));
            return false;
        }
        m_slavePath = QString::fromLocal8Bit(name);
    } else {
        m_fd = ::open(m_devicePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        if (m_fd < 0) {
            m_error = m_devicePath + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
            return false;
        }
        termios tio{};
        if (tcgetattr(m_fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_readNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &SimEndpoint::readTerminal);
    m_writeNotifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &SimEndpoint::flushTerminal);
    return true;
}

QString SimEndpoint::where() const
{
    switch (m_kind) {
    case Kind::Udp:
        return QStringLiteral("udp %1:%2").arg(m_bindIp.toString()).arg(m_bindPort);
    case Kind::Device:
        return m_devicePath;
    case Kind::Pty:
        break;
    }
    return m_slavePath;
}

void SimEndpoint::announce() const
{
    std::printf("%s\n", qPrintable(where()));
    std::fflush(stdout);
}

void SimEndpoint::send(const QByteArray &bytes)
{
    if (m_udp) {
        if (m_targetPort != 0)
            m_udp->writeDatagram(bytes, m_targetIp, m_targetPort);
        return;
    }
    m_outBuffer.append(bytes);
    flushTerminal();
}

void SimEndpoint::flushTerminal()
{
    while (!m_outBuffer.isEmpty()) {
        const ssize_t n = ::write(m_fd, m_outBuffer.constData(), size_t(m_outBuffer.size()));
        if (n > 0) {
            m_outBuffer.remove(0, int(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // full (EAGAIN) or no reader: wait for the terminal to drain
    }
    m_writeNotifier->setEnabled(!m_outBuffer.isEmpty());
}

void SimEndpoint::readTerminal()
{
    char buf[65536];
    const ssize_t n = ::read(m_fd, buf, sizeof buf);
    if (n > 0)
        emit received(QByteArray(buf, int(n)));
}

void SimEndpoint::readDatagrams()
{
    while (m_udp->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_udp->receiveDatagram();
        m_targetIp = datagram.senderAddress();
        m_targetPort = quint16(datagram.senderPort());
        emit received(datagram.data());
    }
}
