#pragma once

// A factory link of the program's own stack to a zorvan-sim ins on loopback UDP, for page suites.
#include "factory/link/DeviceCommunication.h"
#include "factory/link/FlyLink.h"
#include "factory/link/Q_DMMM.h"
#include "support/SimProcess.h"

#include <QHostAddress>
#include <QTest>
#include <QTimer>

// Starts the simulated unit with extra options and opens link linkid of bus to it; true once the link
// is established (the unit learns where to answer from the board information requests).
inline bool openSimLink(SimProcess &sim, Q_DMMM &bus, int linkid, const QStringList &extra)
{
    QStringList args{QStringLiteral("ins"), QStringLiteral("--udp"), QStringLiteral("0")};
    if (!sim.start(QStringLiteral(ZT_SIM_PATH), args + extra) || !sim.firstLine().startsWith(QLatin1String("udp ")))
        return false;
    QVariantMap map;
    map.insert(QStringLiteral("SocketUDP_IP"), QVariant::fromValue(QHostAddress(QHostAddress::LocalHost)));
    map.insert(QStringLiteral("SocketUDP_Port"), 0);
    map.insert(QStringLiteral("SocketUDP_TargetIP"), QVariant::fromValue(QHostAddress(QHostAddress::LocalHost)));
    map.insert(QStringLiteral("SocketUDP_TargetPort"), sim.firstLine().section(QLatin1Char(':'), 1).toInt());
    bus.openLink(map, linkid);
    FlyLink *link = bus.linkById(linkid);
    if (!link)
        return false;
    QTimer wake;
    QObject::connect(&wake, &QTimer::timeout, link, [link] { link->requestBoardInfo(); });
    wake.start(300);
    return QTest::qWaitFor([link] { return link->isConnected(); }, 15000);
}
