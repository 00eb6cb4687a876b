#include "ui/maintenance/MavlinkUnitLabel.h"

#include "link/MavlinkHandler.h"

MavlinkUnitLabel::MavlinkUnitLabel(MavlinkHandler *link, QWidget *parent) : TLabel(tr("Unit: none"), parent)
{
    if (!link)
        return;
    connect(link->unitReport(), &MavlinkUnitReport::unitChanged, this, &MavlinkUnitLabel::showUnit);
    const MavlinkLinkEngine::Unit unit = link->unit();
    if (unit.known)
        showUnit(unit.sysid, unit.compid);
}

void MavlinkUnitLabel::showUnit(int sysid, int compid)
{
    setText(tr("Unit: system %1, component %2").arg(sysid).arg(compid));
}
