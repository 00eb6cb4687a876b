#pragma once

#include "ui/widgets/TLabel.h"

class MavlinkHandler;

// Shows the system and component id of the unit the shared MAVLink link follows (the Param and Log
// pages), "Unit: none" until one is known.
class MavlinkUnitLabel : public TLabel
{
    Q_OBJECT
public:
    MavlinkUnitLabel(MavlinkHandler *link, QWidget *parent);

    void showUnit(int sysid, int compid);
};
