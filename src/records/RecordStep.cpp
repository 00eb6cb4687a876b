#include "records/RecordStep.h"

#include <QHash>

namespace RecordStep {

QString name(Step step)
{
    static const char *const names[Count] = {"flash",   "gyro",        "baro",          "level",     "accelerometer",
                                             "compass", "temperature", "serial number", "parameters"};
    return step >= 0 && step < Count ? QString::fromLatin1(names[step]) : QString();
}

int stepOf(const QString &operation)
{
    static const QHash<QString, int> steps = {
        {RecordOp::Flash, Flash},         {RecordOp::GyroCali, Gyro},          {RecordOp::BaroCali, Baro},
        {RecordOp::LevelCali, Level},     {RecordOp::AccCali, Accelerometer},  {RecordOp::AccBasicCali, Accelerometer},
        {RecordOp::MagCali, Compass},     {RecordOp::MagSimpleCali, Compass},  {RecordOp::MagInflightCali, Compass},
        {RecordOp::TempSet, Temperature}, {RecordOp::TempConfig, Temperature}, {RecordOp::WriteSn, SerialNumber},
        {RecordOp::ParamSet, Parameters}, {RecordOp::ParamsLoad, Parameters},
    };
    return steps.value(operation, -1);
}

} // namespace RecordStep
