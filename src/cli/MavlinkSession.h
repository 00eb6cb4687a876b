#pragma once

#include "cli/LinkOptions.h"
#include "link/MavlinkHandler.h"
#include "link/TApp.h"
#include "link/TMsgManager.h"
#include "records/UnitKey.h"

#include <QEventLoop>
#include <QTextStream>
#include <QThread>
#include <QTimer>

// The program's own MAVLink ids on the command line: --sysid N --compid N (0..255 each; 0 and 0
// when not given), for vehicles that accept only a known ground station.
struct MavlinkIdOptions
{
    quint8 sysid = 0;
    quint8 compid = 0;

    // Takes --sysid and --compid out of args; false with error set on a bad value.
    static bool parse(QStringList &args, MavlinkIdOptions &out, QString &error)
    {
        for (int i = 0; i < args.size();) {
            const bool isSys = args[i] == QLatin1String("--sysid");
            if (!isSys && args[i] != QLatin1String("--compid")) {
                ++i;
                continue;
            }
            bool ok = false;
            const uint value = i + 1 < args.size() ? args[i + 1].toUInt(&ok) : 0;
            if (!ok || value > 255) {
                error = QStringLiteral("%1 takes an id 0..255").arg(args[i]);
                return false;
            }
            (isSys ? out.sysid : out.compid) = quint8(value);
            args.erase(args.begin() + i, args.begin() + i + 2);
        }
        return true;
    }
};

// The hub with its shared MAVLink link, opened on the command line's link options (the commands
// that talk MAVLink to the unit: params, logs). Pop-ups of the link become lines on stderr.
class MavlinkSession : public QObject
{
public:
    // How long to wait for the unit's heartbeat (units send one every second).
    static constexpr int UnitWaitMs = 2500;

    MavlinkSession(const LinkOptions &options, const QString &command, const MavlinkIdOptions &ids = {})
        : m_options(options), m_command(command), m_hub(QStringLiteral("./cfg/param.ini"))
    {
        // Pop-ups of the link become lines on stderr.
        TMsgManager::setPopupPresenter(
            [command](TMsgManager::PopupIcon, const QString &title, const QString &text, int) {
                QTextStream(stderr) << command << ": " << title.trimmed() << ": " << text << Qt::endl;
            });
        m_link = qobject_cast<MavlinkHandler *>(m_hub.links()->find(TApp::SharedMavlinkLinkId));
        if (m_link)
            m_link->setOwnIds(ids.sysid, ids.compid);
    }
    ~MavlinkSession() override
    {
        // The last request (LOG_REQUEST_END after a download) must leave before the port closes.
        if (m_link && m_link->thread() != QThread::currentThread())
            QMetaObject::invokeMethod(
                m_link, [link = m_link] { link->waitForWritten(1000); }, Qt::BlockingQueuedConnection);
        TMsgManager::setPopupPresenter({});
    }

    MavlinkHandler *link() const { return m_link; }

    // Opens the link; false when it did not open within a few seconds.
    bool open()
    {
        if (!m_link)
            return false;
        const int id = TApp::SharedMavlinkLinkId;
        const IOHandler::DeviceInfo d = m_options.serial
                                            ? IOHandler::DeviceInfo::serial(id, m_options.serialPath, m_options.baud)
                                            : IOHandler::DeviceInfo::udp(id, m_options.localIp, m_options.localPort,
                                                                         m_options.targetIp, m_options.targetPort);
        int result = -1;
        QEventLoop loop;
        connect(&m_hub, QOverload<int, int, QVariant>::of(&TApp::TAppEvent), &loop, [&](int event, int id, QVariant) {
            if (id != TApp::SharedMavlinkLinkId || result >= 0)
                return;
            if (event == TApp::EventLinkOpened || event == TApp::EventOpenFailed) {
                result = event;
                loop.quit();
            }
        });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        emit m_link->openDeviceSignal(d, true);
        loop.exec();
        return result == TApp::EventLinkOpened;
    }

    // Waits for the heartbeat of the vehicle's autopilot, so that requests are addressed to it
    // (some units answer nothing else) and other components are not taken for it. Without one the
    // requests go to every component and the first to answer is followed. Meanwhile a ground-station
    // heartbeat goes out every second, from which a unit on UDP learns where to send.
    void waitForUnit()
    {
        QEventLoop loop;
        connect(m_link->unitReport(), &MavlinkUnitReport::unitChanged, &loop, [&] {
            if (m_link->unit().fromHeartbeat)
                loop.quit();
        });
        QTimer::singleShot(UnitWaitMs, &loop, &QEventLoop::quit);
        QTimer heartbeat;
        connect(&heartbeat, &QTimer::timeout, m_link, &MavlinkHandler::sendGcsHeartbeat);
        heartbeat.start(1000);
        m_link->sendGcsHeartbeat();
        if (!m_link->unit().fromHeartbeat)
            loop.exec();
        if (!m_link->unit().fromHeartbeat)
            QTextStream(stderr) << m_command << ": no heartbeat of an autopilot within " << UnitWaitMs
                                << " ms; asking every component" << Qt::endl;
    }

    // Reports the unit when the command ends.
    struct UnitReportAtEnd
    {
        const MavlinkSession &session;
        ~UnitReportAtEnd() { session.reportUnit(); }
    };

    // The key of the unit's production records: its AUTOPILOT_VERSION uid, else its system id and port.
    QString unitKey() const
    {
        const MavlinkLinkEngine::Unit unit = m_link->unit();
        return UnitKey::mavlink(unit.uid, unit.sysid,
                                m_options.serial ? m_options.serialPath : m_options.describe());
    }

    // "unit: system 1 component 1" on stderr, with the messages of other components ignored.
    void reportUnit() const
    {
        const MavlinkLinkEngine::Unit unit = m_link->unit();
        QTextStream err(stderr);
        if (unit.known)
            err << m_command << ": unit: system " << unit.sysid << " component " << unit.compid;
        else
            err << m_command << ": unit: none answered";
        const quint64 others = m_link->counters().otherComponents;
        if (others)
            err << " (" << others << " messages of other components ignored)";
        err << Qt::endl;
    }

private:
    LinkOptions m_options;
    QString m_command;
    TApp m_hub;
    MavlinkHandler *m_link = nullptr;
};
