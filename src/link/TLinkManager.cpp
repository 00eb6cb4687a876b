#include "link/TLinkManager.h"

#include <QDebug>

namespace {
TLinkManager *s_linkManager = nullptr;
}

TLinkManager::TLinkManager(QObject *parent) : QObject(parent)
{
    if (s_linkManager) {
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
    return s_linkManager;
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
