#include "link/TMsgManager.h"

#include <QDebug>

#include <atomic>

namespace {
// Read by the link threads (IOHandler), set and cleared by the GUI thread.
std::atomic<TMsgManager *> s_msgManager{nullptr};
TMsgManager::PopupPresenter &popupPresenter()
{
    static TMsgManager::PopupPresenter presenter;
    return presenter;
}
} // namespace

TMsgManager::TMsgManager(QObject *parent) : QObject(parent)
{
    if (s_msgManager.load()) {
        qDebug() << "TMsgManager must be sigleton";
        return;
    }
    s_msgManager = this;
    qRegisterMetaType<TMsgManager::MsgType>("MsgType");
    qRegisterMetaType<TMsgManager::MsgLevel>("MsgLevel");
    qRegisterMetaType<TMsgManager::MsgType>("TMsgManager::MsgType");
    qRegisterMetaType<TMsgManager::MsgLevel>("TMsgManager::MsgLevel");
    connect(this, &TMsgManager::showMsg, this, &TMsgManager::handleShowMsg);
}

TMsgManager::~TMsgManager()
{
    if (s_msgManager == this)
        s_msgManager = nullptr;
}

TMsgManager *TMsgManager::instance()
{
    return s_msgManager.load();
}

void TMsgManager::setPopupPresenter(PopupPresenter presenter)
{
    popupPresenter() = std::move(presenter);
}

QString TMsgManager::levelTitle(int level)
{
    switch (level) {
    case LevelDebug:
        return QStringLiteral("DEBUG");
    case LevelInfo:
        return QStringLiteral("INFO ");
    case LevelWarn:
        return QStringLiteral("WARN ");
    case LevelError:
        return QStringLiteral("ERROR");
    case LevelFatal:
        return QStringLiteral("FATAL");
    default:
        return QStringLiteral("INFO");
    }
}

TMsgManager::PopupIcon TMsgManager::levelIcon(int level)
{
    switch (level) {
    case LevelWarn:
        return PopupIcon::Warning;
    case LevelError:
    case LevelFatal:
        return PopupIcon::Critical;
    default:
        return PopupIcon::Information;
    }
}

void TMsgManager::handleShowMsg(int id, TMsgManager::MsgType type, TMsgManager::MsgLevel level, QString msg)
{
    const QString title = levelTitle(level);
    const PopupIcon icon = levelIcon(level);
    switch (type) {
    case UnitMsg:
        emit uiShowMsgSignal(id, level, msg);
        qDebug() << "ZorvanMsg:" << msg;
        break;
    case GcsMsg:
        emit uiShowMsgSignal(-1, level, msg);
        qDebug() << "GcsMsg:" << msg;
        break;
    case PopupMsg:
        if (popupPresenter())
            popupPresenter()(icon, title, msg, PopupCloseMs);
        else
            qDebug() << "popup:" << title << msg;
        break;
    default:
        break;
    }
}
