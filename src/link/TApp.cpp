#include "link/TApp.h"

#include "core/util/IniSettings.h"
#include "link/MavlinkHandler.h"

#include <QDebug>
#include <QSettings>

#include <atomic>

namespace {
// Read by the link threads (IOHandler), set and cleared by the GUI thread.
std::atomic<TApp *> s_app{nullptr};
}

TApp::TApp(const QString &paramIniPath) : QObject(nullptr)
{
    if (s_app.load()) {
        qDebug() << "TApp must be sigleton";
        return;
    }
    s_app = this;
    m_params = loadParams(paramIniPath);
    createSharedMavlinkLink();
}

TApp::~TApp()
{
    // The shared link ends with the hub, after the program's event loop has ended: its thread is
    // stopped cleanly rather than left running into process exit. It is stopped first: until its
    // thread has ended it may still emit this hub's events (IOHandler::emitEvent).
    if (m_sharedMavlinkLink && linkManager.find(SharedMavlinkLinkId) == m_sharedMavlinkLink)
        IOHandler::destroy(m_sharedMavlinkLink);
    TApp *self = this;
    s_app.compare_exchange_strong(self, nullptr);
}

TApp *TApp::instance()
{
    return s_app.load();
}

QMap<QString, QString> TApp::params() const
{
    return m_params;
}

TLinkManager *TApp::links()
{
    return &linkManager;
}

TMsgManager *TApp::messages()
{
    return &msgManager;
}

QMap<QString, QString> TApp::loadParams(const QString &path)
{
    QMap<QString, QString> result;
    IniSettings ini(path);
    const QStringList keys = ini.allKeys();
    for (const QString &key : keys)
        result.insert(key, ini.value(key).toString());
    if (result.isEmpty())
        result.insert(tr("None"), QString());
    return result;
}

void TApp::createSharedMavlinkLink()
{
    m_sharedMavlinkLink = new MavlinkHandler(SharedMavlinkLinkId, true);
    linkManager.add(SharedMavlinkLinkId, m_sharedMavlinkLink);
}
