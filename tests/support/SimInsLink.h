#pragma once

// A zorvan-sim ins on local UDP and the factory bus's link connected to it, for the factory page
// suites (they link the factory library; this header only uses it).
#include "support/SimProcess.h"

#include "core/flylink/FlyFrame.h"
#include "factory/link/DeviceOpenMap.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"

#include <QHostAddress>
#include <QList>
#include <QTimer>
#include <QtTest>

#include <mutex>

// Starts the simulated unit with extra options and opens link linkid of bus to it; true once the link
// is established (over UDP the unit learns where to answer from the board information requests).
inline bool openSimLink(SimProcess &sim, Q_DMMM &bus, int linkid, const QStringList &extra)
{
    QStringList args{QStringLiteral("ins"), QStringLiteral("--udp"), QStringLiteral("0")};
    if (!sim.start(QStringLiteral(ZT_SIM_PATH), args + extra) || !sim.firstLine().startsWith(QLatin1String("udp ")))
        return false;
    const quint16 port = quint16(sim.firstLine().section(QLatin1Char(':'), -1).toUInt());
    const QHostAddress local(QHostAddress::LocalHost);
    bus.openLink(DeviceOpenMap::udp(local, 0, local, port), linkid);
    FlyLink *link = bus.linkById(linkid);
    if (!link)
        return false;
    QTimer wake;
    QObject::connect(&wake, &QTimer::timeout, link, [link] { link->requestBoardInfo(); });
    wake.start(300);
    return QTest::qWaitFor([link] { return link->isConnected(); }, 15000);
}

// The same, keeping the frames the link handed to its device.
class SimInsLink
{
public:
    bool start(Q_DMMM &bus, const QStringList &extra, int linkid = 1)
    {
        if (!openSimLink(m_sim, bus, linkid, extra))
            return false;
        bus.linkById(linkid)->setFrameTap([this](const QByteArray &frame) {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (const FlyFrame &f : m_parser.feed(frame))
                m_sent.append(f);
        });
        return true;
    }

    // The frames the link handed to its device so far with the given message id.
    QList<FlyFrame> sent(quint8 id)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        QList<FlyFrame> out;
        for (const FlyFrame &f : m_sent) {
            if (f.id == id)
                out.append(f);
        }
        return out;
    }

    void clearSent()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_sent.clear();
    }

    SimProcess &sim() { return m_sim; }

private:
    SimProcess m_sim;
    std::mutex m_mutex;
    FlyParser m_parser;
    QList<FlyFrame> m_sent;
};
