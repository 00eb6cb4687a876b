#pragma once

#include <QMap>
#include <QObject>

#include <functional>

// Registry of the maintenance-side links: link id -> link object (an IOHandler or a subclass).
// Used on the GUI thread only; the registry never deletes or replaces a link.
class TLinkManager : public QObject
{
    Q_OBJECT
public:
    explicit TLinkManager(QObject *parent = nullptr);
    ~TLinkManager() override;

    // The registered registry, or null before the first construction.
    static TLinkManager *instance();

    // The link registered under id, or null.
    QObject *find(int id) const;
    // Registers link under id; false (and the first entry kept) when id is taken.
    bool add(int id, QObject *link);
    // find(id), or create(id) added under id when nothing is registered yet.
    QObject *findOrCreate(int id, const std::function<QObject *(int id)> &create);

private:
    QMap<int, QObject *> links;
};
