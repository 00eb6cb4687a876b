#pragma once

#include "factory/link/Q_DMMM.h"

#include <QList>
#include <QObject>
#include <QVariant>

// Records the bus's DMMM_Event(ev, linkid, var) as rows {ev, linkid, var}, like a QSignalSpy, but
// through an automatic connection: events emitted in a link's worker thread are appended in the
// test's thread (queued), events emitted in the test's thread at once.
class BusEventLog : public QObject, public QList<QList<QVariant>>
{
public:
    explicit BusEventLog(Q_DMMM *bus)
    {
        connect(bus, qOverload<int, int, QVariant>(&Q_DMMM::DMMM_Event), this,
                [this](int ev, int linkid, const QVariant &var) {
                    append(QList<QVariant>{ev, linkid, var});
                });
    }

    // How many times event ev of linkid was seen.
    int count(int ev, int linkid) const
    {
        int n = 0;
        for (const QList<QVariant> &row : *this) {
            if (row[0].toInt() == ev && row[1].toInt() == linkid)
                ++n;
        }
        return n;
    }
};
