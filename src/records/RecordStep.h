#pragma once

#include <QString>

// The production steps a unit's row shows a mark for, and which recorded operations make them.
namespace RecordStep {
enum Step { Flash, Gyro, Baro, Level, Accelerometer, Compass, Temperature, SerialNumber, Parameters, Count };

// A step's mark: the result of its latest attempt that passed or failed (a cancelled one changes nothing).
enum Mark { NotDone, Passed, Failed };

// "flash", "gyro", ..., "serial number", "parameters".
QString name(Step step);
// The step an operation counts for; -1 for an operation that makes no mark (reboot, identified, ...).
int stepOf(const QString &operation);
} // namespace RecordStep

// The operations the program records; one name per operation, whichever front end performed it.
namespace RecordOp {
inline const char *const Identified = "identified";
inline const char *const Flash = "flash";
inline const char *const GyroCali = "gyro-cali";
inline const char *const BaroCali = "baro-cali";
inline const char *const LevelCali = "level-cali";
inline const char *const AccCali = "acc-cali"; // six faces
inline const char *const AccBasicCali = "acc-basic-cali";
inline const char *const MagCali = "mag-cali";
inline const char *const MagSimpleCali = "mag-simple-cali";
inline const char *const MagInflightCali = "mag-inflight-cali";
inline const char *const MagCaliStop = "mag-cali-stop";
inline const char *const MagInflightCancel = "mag-inflight-cancel";
inline const char *const TempSet = "imu-temp-set";
inline const char *const TempConfig = "imu-temp-config";
inline const char *const WriteSn = "write-sn";
inline const char *const ParamSet = "param-set";
inline const char *const ParamsLoad = "params-load";
inline const char *const ParamsSave = "params-save";
inline const char *const LogDownload = "log-download";
inline const char *const LogErase = "log-erase";
inline const char *const Reboot = "reboot";
inline const char *const FactoryReset = "factory-reset";
inline const char *const Bootloader = "bootloader";
inline const char *const WriteFactoryData = "write-factory-data";
// A MAVLink unit (Param and Log tabs, zorvan-cli params / logs).
inline const char *const MavParamSet = "mavlink-param-set";
inline const char *const MavLogDownload = "mavlink-log-download";
} // namespace RecordOp
