#include "support/TestPorts.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QUdpSocket>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

quint16 TestPorts::freeUdpPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return socket.localPort();
}

PtyPair::PtyPair()
{
    char name[256] = {};
    termios tio{};
    cfmakeraw(&tio);
    if (openpty(&m_master, &m_slave, name, &tio, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    closeMaster();
}

bool PtyPair::write(const QByteArray &data)
{
    qint64 done = 0;
    QElapsedTimer timer;
    timer.start();
    while (done < data.size() && m_master >= 0 && timer.elapsed() < 5000) {
        const ssize_t n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
        } else {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
    return done == data.size();
}

QByteArray PtyPair::read(int minBytes, int timeoutMs)
{
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (m_master >= 0 && out.size() < minBytes && timer.elapsed() < timeoutMs) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
            char buf[4096];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0)
                out.append(buf, int(n));
        }
    }
    return out;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}
