#include "sim/InsMavlinkOutput.h"

InsMavlinkOutput::InsMavlinkOutput(SimEndpoint *endpoint, QObject *parent) : QObject(parent), m_endpoint(endpoint)
{}

InsMavlinkOutput::~InsMavlinkOutput()
{
    stop();
}

void InsMavlinkOutput::start(const QVector<FmuParam> &params, const QVector<FmuLog> &logs,
                             const FmuUnit::Options &options)
{
    if (m_unit)
        return;
    m_unit.reset(new FmuUnit(m_endpoint, params, options));
    FmuLogService::Options logOptions;
    logOptions.seed = options.seed;
    m_logs.reset(new FmuLogService(m_unit.get(), m_endpoint, logs, logOptions));
}

QVector<FmuParam> InsMavlinkOutput::stop()
{
    if (!m_unit)
        return {};
    QVector<FmuParam> params = m_unit->params();
    // The log service answers through the unit: it goes first.
    m_logs.reset();
    m_unit.reset();
    return params;
}
