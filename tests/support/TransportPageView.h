#pragma once

// Helpers of the Transport page suites: the page with typed access to its named widgets, a UDP socket
// standing in for the unit, and a retry loop. Header only: it names widgets, so only ui suites use it.
#include "support/TestPorts.h"
#include "ui/maintenance/InsTransport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUdpSocket>
#include <QtTest>

#include <climits>
#include <functional>

namespace TransportPage {
inline const QHostAddress Loopback{QHostAddress::LocalHost};

// The page with typed access to its named widgets.
struct PageView
{
    InsTransport page;

    template <class W = QWidget> W *w(const char *name) const
    {
        W *found = page.findChild<W *>(QLatin1String(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QLineEdit *edit(const char *name) const { return w<QLineEdit>(name); }
    void press(const char *name) const
    {
        QPushButton *b = w<QPushButton>(name);
        QVERIFY2(b->isEnabled(), name);
        b->click();
    }
    QString log() const { return w<QPlainTextEdit>("logView")->toPlainText(); }
    QString unitState() const { return w<QLabel>("unitStateLabel")->text(); }
    bool connectedLook() const
    {
        return !w("connectButton")->isEnabled() && w("disconnectButton")->isEnabled() &&
               w("protocolGroup")->isEnabled() && !edit("localIpEdit")->isEnabled();
    }
    bool disconnectedLook() const
    {
        return w("connectButton")->isEnabled() && !w("disconnectButton")->isEnabled() &&
               !w("protocolGroup")->isEnabled() && edit("localPortEdit")->isEnabled();
    }
    void setAddresses(const QString &localIp, const QString &localPort, const QString &remoteIp,
                      const QString &remotePort)
    {
        edit("localIpEdit")->setText(localIp);
        edit("localPortEdit")->setText(localPort);
        edit("remoteIpEdit")->setText(remoteIp);
        edit("remotePortEdit")->setText(remotePort);
    }
};

// A UDP socket standing in for the unit: what the page sends arrives here, with arrival times.
struct FakeUnit
{
    QUdpSocket socket;
    QElapsedTimer clock;

    bool bind() { return socket.bind(Loopback, 0); }
    quint16 port() const { return socket.localPort(); }
    // Datagrams arriving within ms (or until `enough` arrived), with their arrival time since the clock
    // started.
    QList<QPair<qint64, QByteArray>> receive(int ms, int enough = INT_MAX)
    {
        QList<QPair<qint64, QByteArray>> out;
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < ms && out.size() < enough) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            socket.waitForReadyRead(10);
            while (socket.hasPendingDatagrams()) {
                QByteArray d(int(socket.pendingDatagramSize()), '\0');
                socket.readDatagram(d.data(), d.size());
                out.append(qMakePair(clock.elapsed(), d));
            }
        }
        return out;
    }
};

// Opens the page's link on a free local port towards remotePort; true once it shows the connected look.
inline bool openTo(PageView &v, quint16 remotePort)
{
    v.setAddresses(QStringLiteral("127.0.0.1"), QString::number(TestPorts::freeUdpPort()), QStringLiteral("127.0.0.1"),
                   QString::number(remotePort));
    v.press("connectButton");
    QElapsedTimer clock;
    clock.start();
    while (!v.connectedLook() && clock.elapsed() < 10000)
        QTest::qWait(20);
    return v.connectedLook();
}

inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Keeps calling action (every 700 ms) until done() or the time-out; the events run meanwhile.
inline bool retryUntil(const std::function<bool()> &done, const std::function<void()> &action, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    qint64 next = 0;
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        if (clock.elapsed() >= next) {
            action();
            next = clock.elapsed() + 700;
        }
        QTest::qWait(20);
    }
    return true;
}
} // namespace TransportPage
