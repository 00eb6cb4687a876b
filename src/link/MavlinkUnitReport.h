#pragma once

#include <QObject>

// Reports of MavlinkHandler about the unit it follows, on an object of their own so that the link's
// meta-object keeps its published order of signals and slots. Emitted on the link's thread.
class MavlinkUnitReport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // The link now follows (and addresses) system sysid, component compid.
    void unitChanged(int sysid, int compid);
};
