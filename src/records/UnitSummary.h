#pragma once

#include "records/RecordStep.h"

#include <QString>
#include <QStringList>

#include <array>

// One unit's row: its identity as last reported, where and when it was last seen, and one mark per step.
struct UnitSummary
{
    QString unitKey;
    QString serialNumber;
    QString hardware;
    QString firmware;
    QString lastStation;
    qint64 firstTimeMs = 0;
    qint64 lastTimeMs = 0;
    int recordCount = 0;
    std::array<RecordStep::Mark, RecordStep::Count> marks{};
    QStringList stations;  // every station that recorded it
    QStringList operators; // every operator who did

    bool anyFailed() const;
    // Every step passed.
    bool allPassed() const;
};
