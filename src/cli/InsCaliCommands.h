#pragma once

#include "core/flylink/TelemetryRecord.h"

#include <QJsonObject>

#include <functional>

class FlyLink;

// What the calibration runs of "zorvan-cli ins" need from the session of ins: the link, its record,
// whether the link was lost, and the session's event-loop wait (done, timeout in ms, every second).
struct InsCaliSession
{
    FlyLink *link = nullptr;
    std::function<TelemetryRecord()> record;
    std::function<bool()> lost;
    std::function<bool(const std::function<bool()> &, int, const std::function<void()> &)> waitFor;
    int timeoutMs = 5000;
    // When set, the runs note what the production record keeps: each placement and the final state
    // ("faces", "final"), each compass's end ("compasses").
    QJsonObject *details = nullptr;
};

// ins acc-cali [--no-wait]: the six-placement accelerometer calibration. Prints each placement the unit
// asks for and waits for Enter (wait false: goes on at once). 0 on success, 1 on failure or silence.
int runInsAccCali(const InsCaliSession &s, bool wait);
// ins mag-cali: the standard compass calibration. One progress line per compass per second until every
// compass ended; 0 only when all succeeded.
int runInsMagCali(const InsCaliSession &s);
