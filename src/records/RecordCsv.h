#pragma once

#include "records/ProductionRecord.h"
#include "records/UnitSummary.h"

#include <QString>
#include <QVector>

// CSV texts (RFC 4180: a header line, fields quoted when they hold a comma, quote or line break).
namespace RecordCsv {
// One line per unit: SN, UUID, HW, FW, last station, last time, then one column per step
// ("passed", "failed", "not done").
QString units(const QVector<UnitSummary> &units);
// One line per record, every field; details as their JSON text.
QString records(const QVector<ProductionRecord> &records);
// The field as CSV writes it.
QString field(const QString &value);
// Splits a CSV text into rows of fields (for reading an export back).
QVector<QStringList> parse(const QString &text);
// "passed", "failed", "not done".
QString markText(RecordStep::Mark mark);
// ISO 8601 UTC with milliseconds: "2026-12-11T14:03:07.125Z".
QString timeText(qint64 ms);
} // namespace RecordCsv
