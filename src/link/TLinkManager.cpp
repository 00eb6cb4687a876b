#include "link/TLinkManager.h"

#include <QDebug>

#include <atomic>

namespace {
// Read by the link threads (IOHandler), set and cleared by the GUI thread.
std::atomic<TLinkManager *> s_linkManager{nullptr};
}

TLinkManager::TLinkManager(QObject *parent) : QObject(parent)
{
    if (s_linkManager.load()) {
        qDebug() << "TLinkManager must be sigleton";
        return;
    }
    s_linkManager = this;
}

TLinkManager::~TLinkManager()
{
    if (s_linkManager == this)
        s_linkManager = nullptr;
}

TLinkManager *TLinkManager::instance()
{
    return s_linkManager.load();
}

QObject *TLinkManager::find(int id) const
{
    return links.value(id, nullptr);
}

bool TLinkManager::add(int id, QObject *link)
{
    if (links.contains(id))
        return false;
    links.insert(id, link);
    return true;
}

QObject *TLinkManager::findOrCreate(int id, const std::function<QObject *(int id)> &create)
{
    if (QObject *link = find(id))
        return link;
    QObject *link = create(id);
    if (link)
        add(id, link);
    return link;
}
