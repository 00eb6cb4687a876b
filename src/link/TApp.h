#pragma once

#include "link/TLinkManager.h"
#include "link/TMsgManager.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

class MavlinkHandler;

// The application event hub: link events for every page, the presets of ./cfg/param.ini, the link
// registry and the message manager. One static instance exists per process.
//
// Event codes of TAppEvent(event, id, var): 0 link error text, 1 link opened, 2 opening failed,
// 3 link closed (var holds the link's IOHandler::DeviceInfo for 1..3), 11 transient notice text.
class TApp : public QObject
{
    Q_OBJECT
public:
    static constexpr int SharedMavlinkLinkId = 6; // the MavlinkHandler of the Param and Log pages

    enum Event { EventLinkError = 0, EventLinkOpened = 1, EventOpenFailed = 2, EventLinkClosed = 3, EventNotice = 11 };

    // Builds the hub; paramIniPath is the preset file (./cfg/param.ini in the program).
    explicit TApp(const QString &paramIniPath = QStringLiteral("./cfg/param.ini"));
    ~TApp() override;

    static TApp *instance();

    // Copy of the presets: every key of the preset file (with its group prefix) and its value as text.
    QMap<QString, QString> params() const;

    TLinkManager *links();
    TMsgManager *messages();

    // Reads every key of an INI file; a file without keys gives the single entry tr("None") -> "".
    static QMap<QString, QString> loadParams(const QString &path);

signals:
    void TAppEvent(int event, int id, QVariant var);
    void TAppEvent(int event, int id);
    void TAppEvent(int event);

private:
    // Creates the shared MAVLink link (id 6) and registers it; the MAVLink handler fills this in.
    void createSharedMavlinkLink();

    QMap<QString, QString> m_params;
    MavlinkHandler *m_sharedMavlinkLink = nullptr;
    TLinkManager linkManager;
    TMsgManager msgManager;
};
