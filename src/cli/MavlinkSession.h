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
        IOHandler::DeviceInfo d;
        d.id = TApp::SharedMavlinkLinkId;
        if (m_options.serial) {
            d.conType = IOHandler::ConSerial;
            d.name = m_options.serialPath;
            d.baudRate = m_options.baud;
            d.dataBits = 8;
            d.stopBits = 1;
            d.parity = 0;
        } else {
            d.conType = IOHandler::ConUdp;
            d.localIp = m_options.localIp;
            d.localPort = m_options.localPort;
            d.targetIp = m_options.targetIp;
            d.targetPort = m_options.targetPort;
        }
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
