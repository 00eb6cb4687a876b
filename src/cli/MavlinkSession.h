#pragma once

#include "cli/LinkOptions.h"
#include "link/MavlinkHandler.h"
#include "link/TApp.h"
#include "link/TMsgManager.h"

#include <QEventLoop>
#include <QTextStream>
#include <QTimer>

// The hub with its shared MAVLink link, opened on the command line's link options (the commands
// that talk MAVLink to the unit: params, logs). Pop-ups of the link become lines on stderr.
class MavlinkSession : public QObject
{
public:
    MavlinkSession(const LinkOptions &options, const QString &command)
        : m_options(options), m_hub(QStringLiteral("./cfg/param.ini"))
    {
        // Pop-ups of the link become lines on stderr.
        TMsgManager::setPopupPresenter(
            [command](TMsgManager::PopupIcon, const QString &title, const QString &text, int) {
                QTextStream(stderr) << command << ": " << title.trimmed() << ": " << text << Qt::endl;
            });
        m_link = qobject_cast<MavlinkHandler *>(m_hub.links()->find(TApp::SharedMavlinkLinkId));
    }
    ~MavlinkSession() override { TMsgManager::setPopupPresenter({}); }

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

private:
    LinkOptions m_options;
    TApp m_hub;
    MavlinkHandler *m_link = nullptr;
};
