#pragma once

#include "sim/FmuLogs.h"
#include "sim/FmuParams.h"
#include "sim/FmuUnit.h"

#include <QObject>
#include <QVector>

#include <memory>

class SimEndpoint;

// The MAVLink output mode of the simulated inertial unit: while it is on, the simulated flight-control
// unit's MAVLink services (heartbeat, parameter list, read and set, log list, download and erase)
// answer on the inertial unit's endpoint, over the inertial unit's own parameter values. Off, nothing
// of it listens or sends. The inertial unit turns it on and off as its output protocol, reboots and
// silence require.
class InsMavlinkOutput : public QObject
{
public:
    explicit InsMavlinkOutput(SimEndpoint *endpoint, QObject *parent = nullptr);
    ~InsMavlinkOutput() override;

    bool isOn() const { return m_unit != nullptr; }
    // Starts the services over these parameters and logs (nothing when already on).
    void start(const QVector<FmuParam> &params, const QVector<FmuLog> &logs, const FmuUnit::Options &options);
    // Stops the services and returns the parameter values as they stand (PARAM_SET may have changed
    // them); empty when it was off.
    QVector<FmuParam> stop();

private:
    SimEndpoint *m_endpoint;
    std::unique_ptr<FmuUnit> m_unit;
    std::unique_ptr<FmuLogService> m_logs;
};
