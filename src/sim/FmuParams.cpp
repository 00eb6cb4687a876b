#include "sim/FmuParams.h"

#include "core/formats/ParamValueLines.h"

#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <cmath>

namespace {
enum : quint8 { U8 = 1, I8 = 2, U16 = 3, I16 = 4, U32 = 5, I32 = 6, F32 = 9 };

class Builder
{
public:
    void add(const QByteArray &name, float value, quint8 type = F32)
    {
        if (name.size() > 16 || m_names.contains(name))
            return;
        m_names.append(name);
        m_params.append(FmuParam{name, FmuParams::storedValue(value, type), type});
    }
    // prefix + each suffix, the values cycling through values.
    void group(const QByteArray &prefix, const QList<QByteArray> &suffixes, const QVector<float> &values,
               quint8 type = F32)
    {
        for (int i = 0; i < suffixes.size(); ++i)
            add(prefix + suffixes[i], values[i % values.size()], type);
    }
    QVector<FmuParam> take() { return m_params; }

private:
    QVector<FmuParam> m_params;
    QList<QByteArray> m_names;
};

QByteArray num(int n)
{
    return QByteArray::number(n);
}
} // namespace

double FmuParams::storedValue(double value, quint8 type)
{
    double lo, hi;
    switch (type) {
    case U8:
        lo = 0, hi = 255;
        break;
    case I8:
        lo = -128, hi = 127;
        break;
    case U16:
        lo = 0, hi = 65535;
        break;
    case I16:
        lo = -32768, hi = 32767;
        break;
    case U32:
        lo = 0, hi = 4294967295.0;
        break;
    case I32:
        lo = -2147483648.0, hi = 2147483647.0;
        break;
    default:
        return double(float(value)); // a real parameter is a float
    }
    if (!std::isfinite(value))
        return 0;
    // An integer parameter holds its whole number exactly, as the firmware's integer variables do.
    return std::min(hi, std::max(lo, std::round(value)));
}

QVector<FmuParam> FmuParams::builtin()
{
    Builder b;
    b.add("FORMAT_VERSION", 120, I16);
    b.add("SYSID_THISMAV", 1, I16);
    b.add("SYSID_MYGCS", 255, I16);
    b.group("PILOT_",
            {"THR_FILT", "TKOFF_ALT", "THR_BHV", "SPEED_UP", "SPEED_DN", "ACCEL_Z", "Y_RATE", "Y_EXPO", "Y_RATE_TC"},
            {0, 0, 0, 250, 0, 250, 202.5f, 0, 0});
    b.group("FLTMODE", {"1", "2", "3", "4", "5", "6", "_CH"}, {0, 2, 5, 6, 9, 3, 5}, I8);
    b.group("ACRO_",
            {"RP_RATE", "Y_RATE", "RP_EXPO", "Y_EXPO", "THR_MID", "OPTIONS", "BAL_ROLL", "BAL_PITCH", "TRAINER",
             "RP_RATE_TC", "Y_RATE_TC", "PITCH_RATE", "ROLL_RATE", "YAW_RATE"},
            {360, 202.5f, 0.3f, 0, 0, 0, 1, 1, 2, 0, 0, 180, 180, 90});
    b.group("ANGLE_", {"MAX"}, {3000}, I16);
    b.group("RTL_", {"ALT", "CONE_SLOPE", "SPEED", "ALT_FINAL", "CLIMB_MIN", "LOIT_TIME", "ALT_TYPE", "OPTIONS"},
            {1500, 3, 0, 0, 0, 5000, 0, 0}, I32);
    b.group("LAND_", {"SPEED", "SPEED_HIGH", "ALT_LOW", "REPOSITION", "ALT_MAX"}, {50, 0, 1000, 1, 0}, I16);
    b.group("FS_",
            {"THR_ENABLE", "THR_VALUE", "GCS_ENABLE", "GCS_TIMEOUT", "EKF_ACTION", "EKF_THRESH", "CRASH_CHECK",
             "VIBE_ENABLE", "DR_ENABLE", "DR_TIMEOUT", "OPTIONS"},
            {1, 975, 0, 5, 1, 0.8f, 1, 1, 2, 30, 16}, I16);
    b.group(
        "WPNAV_",
        {"SPEED", "RADIUS", "SPEED_UP", "SPEED_DN", "ACCEL", "ACCEL_Z", "RFND_USE", "JERK", "TER_MARGIN", "ACCEL_C"},
        {1000, 200, 250, 150, 250, 100, 1, 1, 10, 0});
    b.group("LOIT_", {"SPEED", "ACC_MAX", "BRK_ACCEL", "BRK_JERK", "BRK_DELAY", "ANG_MAX", "OPTIONS"},
            {1250, 500, 250, 500, 1, 0, 0});
    b.group("CIRCLE_", {"RADIUS", "RATE", "OPTIONS"}, {1000, 20, 1});
    b.group("LOG_",
            {"BITMASK", "DISARMED", "REPLAY", "FILE_DSRMROT", "FILE_BUFSIZE", "FILE_TIMEOUT", "FILE_MB_FREE",
             "FILE_RATEMAX", "BLK_RATEMAX", "MAV_BUFSIZE", "MAV_RATEMAX", "DARM_RATEMAX", "BACKEND_TYPE", "MAX_FILES"},
            {176126, 0, 0, 0, 200, 5, 500, 0, 0, 8, 0, 0, 1, 500}, I32);
    b.group("ARMING_", {"CHECK", "ACCTHRESH", "RUDDER", "MIS_ITEMS", "OPTIONS", "REQUIRE", "MAGTHRESH", "CRSDP_IGN"},
            {1, 0.75f, 2, 0, 0, 1, 100, 0});
    b.group("AHRS_",
            {"GPS_GAIN", "GPS_USE", "YAW_P", "RP_P", "WIND_MAX", "TRIM_X", "TRIM_Y", "TRIM_Z", "ORIENTATION",
             "COMP_BETA", "GPS_MINSATS", "EKF_TYPE", "CUSTOM_ROLL", "CUSTOM_PIT", "CUSTOM_YAW", "OPTIONS"},
            {1, 1, 0.2f, 0.2f, 0, 0, 0, 0, 0, 0.1f, 6, 3, 0, 0, 0, 0});
    // Attitude control: the rate loops of the three axes share one set of gains.
    for (const QByteArray axis : {"RAT_RLL_", "RAT_PIT_", "RAT_YAW_"}) {
        const bool yaw = axis == "RAT_YAW_";
        b.group("ATC_" + axis,
                {"P", "I", "D", "IMAX", "FF", "FLTT", "FLTE", "FLTD", "SMAX", "PDMX", "D_FF", "NTF", "NEF"},
                {yaw ? 0.18f : 0.135f, yaw ? 0.018f : 0.135f, yaw ? 0.0f : 0.0036f, 0.5f, 0, 20, yaw ? 2.5f : 0, 20, 0,
                 0, 0, 0, 0});
    }
    b.group("ATC_",
            {"ANG_RLL_P",    "ANG_PIT_P",   "ANG_YAW_P",   "SLEW_YAW",    "ACCEL_R_MAX", "ACCEL_P_MAX", "ACCEL_Y_MAX",
             "RATE_FF_ENAB", "ANGLE_BOOST", "ANG_LIM_TC",  "RATE_R_MAX",  "RATE_P_MAX",  "RATE_Y_MAX",  "INPUT_TC",
             "THR_MIX_MIN",  "THR_MIX_MAX", "THR_MIX_MAN", "LAND_R_MULT", "LAND_P_MULT", "LAND_Y_MULT"},
            {4.5f, 4.5f, 4.5f, 6000, 110000, 110000, 27000, 1, 1, 1, 0, 0, 0, 0.15f, 0.1f, 0.5f, 0.1f, 1, 1, 1});
    b.group("PSC_",
            {"POSZ_P",    "VELZ_P",     "VELZ_I",     "VELZ_IMAX",  "VELZ_D",   "VELZ_FF",   "VELZ_FLTE", "VELZ_FLTD",
             "ACCZ_P",    "ACCZ_I",     "ACCZ_D",     "ACCZ_IMAX",  "ACCZ_FF",  "ACCZ_FLTT", "ACCZ_FLTE", "ACCZ_FLTD",
             "ACCZ_SMAX", "ACCZ_PDMX",  "ACCZ_D_FF",  "ACCZ_NTF",   "ACCZ_NEF", "POSXY_P",   "VELXY_P",   "VELXY_I",
             "VELXY_D",   "VELXY_IMAX", "VELXY_FLTE", "VELXY_FLTD", "VELXY_FF", "ANGLE_MAX", "JERK_XY",   "JERK_Z"},
            {1, 5, 0, 1000, 0, 0, 5, 0, 0.5f, 1,    0, 800, 0, 0, 20, 0,
             0, 0, 0, 0,    0, 1, 2, 1, 0.5f, 1000, 5, 5,   0, 0, 5,  5});
    b.group("MOT_", {"SPIN_ARM",     "SPIN_MIN",     "SPIN_MAX",   "BAT_VOLT_MAX", "BAT_VOLT_MIN", "BAT_CURR_MAX",
                     "BAT_IDX",      "BAT_CURR_TC",  "THST_EXPO",  "THST_HOVER",   "HOVER_LEARN",  "YAW_HEADROOM",
                     "PWM_TYPE",     "PWM_MIN",      "PWM_MAX",    "SAFE_DISARM",  "SAFE_TIME",    "BOOST_SCALE",
                     "SLEW_UP_TIME", "SLEW_DN_TIME", "SPOOL_TIME", "SPOOL_TIM_DN", "YAW_SV_ANGLE", "OPTIONS"},
            {0.1f, 0.15f, 0.95f, 0, 0, 0, 0, 5, 0.65f, 0.35f, 2, 200, 0, 1000, 2000, 0, 0, 0, 0, 0, 0.5f, 0, 30, 0});
    // Inertial sensors: three IMUs with offsets, scales and temperature calibration.
    b.group("INS_", {"GYRO_FILTER",  "ACCEL_FILTER", "USE",          "USE2",         "USE3",        "STILL_THRESH",
                     "GYR_CAL",      "TRIM_OPTION",  "ACC_BODYFIX",  "FAST_SAMPLE",  "ENABLE_MASK", "GYRO_RATE",
                     "RAW_LOG_OPT",  "LOG_BAT_CNT",  "LOG_BAT_LGIN", "LOG_BAT_LGCT", "LOG_BAT_OPT", "LOG_BAT_MASK",
                     "TCAL_OPTIONS", "HNTCH_ENABLE", "HNTCH_FREQ",   "HNTCH_BW",     "HNTCH_ATT",   "HNTCH_REF",
                     "HNTCH_MODE",   "HNTCH_OPTS",   "HNTCH_HMNCS",  "HNTC2_ENABLE", "HNTC2_FREQ",  "HNTC2_BW",
                     "HNTC2_ATT",    "HNTC2_MODE"},
            {20, 20, 1, 1, 1,  2.5f, 1,  1, 2, 7, 127, 0, 0,  1024, 20, 2,
             0,  1,  0, 0, 80, 40,   40, 0, 1, 0, 3,   0, 80, 40,   40, 0});
    for (const QByteArray imu : {"", "2", "3"}) {
        for (const QByteArray what : {"GYR", "ACC"}) {
            const QByteArray offs = what == "GYR" ? "INS_GYR" + imu + "OFFS_" : "INS_ACC" + imu + "OFFS_";
            b.group(imu.isEmpty() && what == "GYR" ? QByteArray("INS_GYROFFS_") : offs, {"X", "Y", "Z"},
                    {0.0031f, -0.0012f, 0.0004f});
        }
        b.group("INS_ACC" + imu + "SCAL_", {"X", "Y", "Z"}, {1.0012f, 0.9987f, 1.0031f});
        b.group("INS_TCAL" + (imu.isEmpty() ? QByteArray("1") : imu) + "_",
                {"ENABLE", "TMIN",   "TMAX",   "ACC1_X", "ACC1_Y", "ACC1_Z", "ACC2_X",
                 "ACC2_Y", "ACC2_Z", "ACC3_X", "ACC3_Y", "ACC3_Z", "GYR1_X", "GYR1_Y",
                 "GYR1_Z", "GYR2_X", "GYR2_Y", "GYR2_Z", "GYR3_X", "GYR3_Y", "GYR3_Z"},
                {0, -15, 65, 0.0021f, -0.0013f, 0.0042f, 0, 0, 0, 0, 0, 0, 0.0001f, 0, -0.0002f, 0, 0, 0, 0, 0, 0});
        b.add("INS_ACC" + imu + "_ID", 2753028, I32);
        b.add("INS_GYR" + imu + "_ID", 2752772, I32);
    }
    // Compasses.
    b.group("COMPASS_", {"USE",      "USE2",     "USE3",    "AUTODEC", "DEC",    "LEARN",    "ORIENT",   "ORIENT2",
                         "ORIENT3",  "EXTERNAL", "EXTERN2", "EXTERN3", "MOTCT",  "AUTO_ROT", "OFFS_MAX", "TYPEMASK",
                         "FLTR_RNG", "OPTIONS",  "ENABLE",  "CAL_FIT", "DEV_ID", "DEV_ID2",  "DEV_ID3",  "PRIO1_ID",
                         "PRIO2_ID", "PRIO3_ID", "SCALE",   "SCALE2",  "SCALE3", "PMOT_EN",  "PMOT_EXP"},
            {1, 1, 1, 1,  0,     0,      0, 0,     0,      1, 0, 0, 0, 2, 1800, 0,
             0, 0, 1, 16, 97539, 131874, 0, 97539, 131874, 0, 1, 1, 0, 0, 0.65f});
    for (const QByteArray c : {"", "2", "3"}) {
        b.group("COMPASS_OFS" + c + "_", {"X", "Y", "Z"}, {12.5f, -33.75f, 41});
        b.group("COMPASS_DIA" + c + "_", {"X", "Y", "Z"}, {1.01f, 0.99f, 1.02f});
        b.group("COMPASS_ODI" + c + "_", {"X", "Y", "Z"}, {0.004f, -0.011f, 0.007f});
        b.group("COMPASS_MOT" + c + "_", {"X", "Y", "Z"}, {0, 0, 0});
    }
    b.group("COMPASS_PMOT", {"1_X", "1_Y", "1_Z", "2_X", "2_Y", "2_Z", "3_X", "3_Y", "3_Z"}, {0});
    // Barometers, GPS, EKF.
    b.group("BARO",
            {"1_GND_PRESS", "2_GND_PRESS", "3_GND_PRESS", "_GND_TEMP", "_ALT_OFFSET", "_PRIMARY", "_EXT_BUS",
             "_FLTR_RNG", "_PROBE_EXT", "1_DEVID", "2_DEVID", "3_DEVID", "1_WCF_ENABLE", "_OPTIONS", "_ALTERR_MAX"},
            {101325, 101300, 0, 0, 0, 0, -1, 0, 0, 65540, 65796, 0, 0, 0, 2000});
    b.group("GPS_", {"TYPE",      "TYPE2",       "NAVFILTER",   "AUTO_SWITCH", "MIN_DGPS", "SBAS_MODE",   "MIN_ELEV",
                     "INJECT_TO", "SBP_LOGMASK", "RAW_DATA",    "GNSS_MODE",   "SAVE_CFG", "GNSS_MODE2",  "AUTO_CONFIG",
                     "RATE_MS",   "RATE_MS2",    "POS1_X",      "POS1_Y",      "POS1_Z",   "POS2_X",      "POS2_Y",
                     "POS2_Z",    "DELAY_MS",    "DELAY_MS2",   "BLEND_MASK",  "BLEND_TC", "DRV_OPTIONS", "COM_PORT",
                     "COM_PORT2", "PRIMARY",     "CAN_NODEID1", "CAN_NODEID2", "MB1_TYPE", "MB2_TYPE"},
            {1, 0, 8, 1, 100, 2, -100, 127, -256, 0, 0, 2, 0, 1, 200, 200, 0,
             0, 0, 0, 0, 0,   0, 0,    5,   10,   0, 1, 1, 0, 0, 0,   0,   0},
            I16);
    b.group(
        "EK3_",
        {"ENABLE",      "GPS_CHECK",   "IMU_MASK",     "CHECK_SCALE",  "NOAID_M_NSE",  "BETA_MASK",    "YAW_M_NSE",
         "YAW_I_GATE",  "ALT_M_NSE",   "HGT_I_GATE",   "HGT_DELAY",    "VELNE_M_NSE",  "VELD_M_NSE",   "VEL_I_GATE",
         "POSNE_M_NSE", "POS_I_GATE",  "GLITCH_RAD",   "MAG_M_NSE",    "MAG_CAL",      "MAG_I_GATE",   "EAS_M_NSE",
         "EAS_I_GATE",  "RNG_M_NSE",   "RNG_I_GATE",   "MAX_FLOW",     "FLOW_M_NSE",   "FLOW_I_GATE",  "FLOW_DELAY",
         "GYRO_P_NSE",  "ACC_P_NSE",   "GBIAS_P_NSE",  "ABIAS_P_NSE",  "WIND_P_NSE",   "WIND_PSCALE",  "GPS_VACC_MAX",
         "TAU_OUTPUT",  "MAGE_P_NSE",  "MAGB_P_NSE",   "RNG_USE_HGT",  "TERR_GRAD",    "BCN_M_NSE",    "BCN_I_GTE",
         "BCN_DELAY",   "RNG_USE_SPD", "ACC_BIAS_LIM", "MAG_MASK",     "OGN_HGT_MASK", "VIS_VERR_MIN", "VIS_VERR_MAX",
         "WENC_VERR",   "FLOW_USE",    "HRT_FILT",     "MAG_EF_LIM",   "GSF_RUN_MASK", "GSF_USE_MASK", "GSF_RST_MAX",
         "ERR_THRESH",  "AFFINITY",    "DRAG_BCOEF_X", "DRAG_BCOEF_Y", "DRAG_M_NSE",   "DRAG_MCOEF",   "OGNM_TEST_SF",
         "GND_EFF_DZ",  "PRIMARY",     "LOG_LEVEL",    "GPS_VACC_MAX", "OPTIONS",      "SRC1_POSXY",   "SRC1_VELXY",
         "SRC1_POSZ",   "SRC1_VELZ",   "SRC1_YAW",     "SRC2_POSXY",   "SRC2_VELXY",   "SRC2_POSZ",    "SRC2_VELZ",
         "SRC2_YAW",    "SRC3_POSXY",  "SRC3_VELXY",   "SRC3_POSZ",    "SRC3_VELZ",    "SRC3_YAW",     "SRC_OPTIONS"},
        {1,     31, 3,      100,     1,   0,    0.5f, 300,  2,     500,  60, 0.3f,   0.5f,  500,    0.5f,   500,  25,
         0.05f, 3,  300,    1.4f,    400, 0.5f, 500,  2.5f, 0.25f, 300,  10, 0.015f, 0.35f, 0.001f, 0.003f, 0.2f, 1,
         0,     25, 0.001f, 0.0001f, -1,  2,    1,    500,  50,    2,    1,  0,      0,     0.1f,   0.5f,   0.1f, 1,
         2,     50, 3,      3,       2,   0.5f, 0,    0,    0,     0.5f, 0,  2,      4,     0,      0,      0,    0,
         3,     3,  1,      3,       1,   0,    0,    0,    0,     0,    0,  0,      0,     0,      0,      1});
    // Batteries.
    const QList<QByteArray> battery = {"MONITOR",  "VOLT_PIN",   "CURR_PIN",   "VOLT_MULT",  "AMP_PERVLT", "AMP_OFFSET",
                                       "CAPACITY", "SERIAL_NUM", "LOW_TIMER",  "FS_VOLTSRC", "LOW_VOLT",   "LOW_MAH",
                                       "CRT_VOLT", "CRT_MAH",    "FS_LOW_ACT", "FS_CRT_ACT", "ARM_VOLT",   "ARM_MAH",
                                       "OPTIONS",  "BUS",        "WATT_MAX",   "MAX_VOLT",   "SHUNT",      "ESC_INDEX"};
    for (const QByteArray n : {"", "2"})
        b.group("BATT" + n + "_", battery, {n.isEmpty() ? 4.0f : 0,
                                            14,
                                            15,
                                            18,
                                            24,
                                            0,
                                            5200,
                                            -1,
                                            10,
                                            0,
                                            14.4f,
                                            0,
                                            13.2f,
                                            0,
                                            2,
                                            1,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0,
                                            0});
    // Serial ports and telemetry stream rates.
    for (int i = 0; i <= 7; ++i) {
        b.add("SERIAL" + num(i) + "_PROTOCOL", i == 0 ? 2 : i == 1 ? 2 : i == 3 ? 5 : -1, I8);
        b.add("SERIAL" + num(i) + "_BAUD", i == 0 ? 115 : 57, I32);
        b.add("SERIAL" + num(i) + "_OPTIONS", 0, I16);
    }
    b.add("SERIAL_PASS1", 0, I8);
    b.add("SERIAL_PASS2", -1, I8);
    b.add("SERIAL_PASSTIMO", 15, I8);
    for (int i = 0; i <= 6; ++i)
        b.group(
            "SR" + num(i) + "_",
            {"RAW_SENS", "EXT_STAT", "RC_CHAN", "RAW_CTRL", "POSITION", "EXTRA1", "EXTRA2", "EXTRA3", "PARAMS", "ADSB"},
            {2, 2, 2, 0, 2, 4, 4, 2, 10, 0}, I16);
    // Radio control inputs and servo outputs.
    for (int i = 1; i <= 16; ++i) {
        const QByteArray rc = "RC" + num(i) + "_";
        b.add(rc + "MIN", 1100, I16);
        b.add(rc + "TRIM", i == 3 ? 1100 : 1500, I16);
        b.add(rc + "MAX", 1900, I16);
        b.add(rc + "REVERSED", 0, I8);
        b.add(rc + "DZ", i == 3 ? 30 : 20, I16);
        b.add(rc + "OPTION", i == 7 ? 7 : 0, I16);
        const QByteArray servo = "SERVO" + num(i) + "_";
        b.add(servo + "MIN", 1000, I16);
        b.add(servo + "MAX", 2000, I16);
        b.add(servo + "TRIM", 1500, I16);
        b.add(servo + "REVERSED", 0, I8);
        b.add(servo + "FUNCTION", i <= 4 ? 32 + i : 0, I16);
    }
    b.group("RC_", {"OVERRIDE_TIME", "OPTIONS", "PROTOCOLS", "FS_TIMEOUT", "SPEED"}, {3, 32, 1, 1, 490});
    b.group("RCMAP_", {"ROLL", "PITCH", "THROTTLE", "YAW"}, {1, 2, 3, 4}, I8);
    b.group("SERVO_", {"RATE",       "DSHOT_RATE", "DSHOT_ESC",  "VOLZ_MASK",  "SBUS_RATE",  "BLH_MASK",
                       "BLH_AUTO",   "BLH_TEST",   "BLH_TMOUT",  "BLH_TRATE",  "BLH_DEBUG",  "BLH_OTYPE",
                       "BLH_PORT",   "BLH_POLES",  "BLH_3DMASK", "BLH_BDMASK", "BLH_RVMASK", "ROB_POSMIN",
                       "ROB_POSMAX", "FTW_MASK",   "FTW_RVMASK", "FTW_POLES",  "GPIO_MASK",  "32_ENABLE"},
            {50, 0, 0, 0, 50, 0, 0, 0, 0, 10, 0, 0, 0, 14, 0, 0, 0, 0, 4095, 0, 0, 14, 0, 0}, I16);
    // Board, scheduler, notification, fences, rangefinders, CAN, scripting and the rest.
    b.group("BRD_", {"SER1_RTSCTS", "SER2_RTSCTS",  "SAFETYENABLE", "SBUS_OUT",     "SERIAL_NUM", "SAFETY_MASK",
                     "HEAT_TARG",   "TYPE",         "IO_ENABLE",    "SAFETYOPTION", "VBUS_MIN",   "VSERVO_MIN",
                     "SD_SLOWDOWN", "PWM_VOLT_SEL", "OPTIONS",      "BOOT_DELAY",   "HEAT_P",     "HEAT_I",
                     "HEAT_IMAX",   "ALT_CONFIG",   "HEAT_LOWMGN",  "SD_MISSION",   "RTC_TYPES",  "RTC_TZ_MIN"},
            {2, 2, 1, 0, 0, 0, -1, 3, 1, 3, 4.3f, 0, 0, 0, 1, 0, 200, 0.3f, 70, 0, 5, 0, 1, 0});
    b.group("SCHED_", {"DEBUG", "LOOP_RATE", "OPTIONS"}, {0, 400, 0}, I16);
    b.group("NTF_",
            {"LED_BRIGHT", "BUZZ_TYPES", "LED_OVERRIDE", "DISPLAY_TYPE", "OREO_THEME", "BUZZ_PIN", "LED_TYPES",
             "BUZZ_ON_LVL", "BUZZ_VOLUME", "LED_LEN"},
            {3, 5, 0, 0, 0, 0, 199, 1, 100, 1}, I16);
    b.group("FENCE_",
            {"ENABLE", "TYPE", "ACTION", "ALT_MAX", "RADIUS", "MARGIN", "TOTAL", "ALT_MIN", "RET_RALLY", "RET_ALTITUDE",
             "AUTOENABLE", "OPTIONS"},
            {0, 7, 1, 100, 300, 2, 0, -10, 0, 0, 0, 0});
    for (int r = 1; r <= 2; ++r)
        b.group("RNGFND" + num(r) + "_",
                {"TYPE",     "PIN",      "SCALING",  "OFFSET",  "FUNCTION", "MIN_CM",  "MAX_CM", "STOP_PIN",
                 "RMETRIC",  "PWRRNG",   "GNDCLEAR", "ADDR",    "POS_X",    "POS_Y",   "POS_Z",  "ORIENT",
                 "WSP_MAVG", "WSP_MEDF", "WSP_FRQ",  "WSP_AVG", "WSP_THR",  "WSP_BAUD"},
                {0, -1, 3, 0, 0, 20, 700, -1, 1, 0, 10, 0, 0, 0, 0, 25, 2, 5, 0, 4, 0, 0});
    b.group("CAN_", {"P1_DRIVER",    "P2_DRIVER",    "P1_BITRATE",   "P2_BITRATE",   "D1_PROTOCOL",
                     "D2_PROTOCOL",  "SLCAN_CPORT",  "SLCAN_SERNUM", "SLCAN_TIMOUT", "SLCAN_SDELAY",
                     "LOGLEVEL",     "D1_UC_NODE",   "D1_UC_SRV_BM", "D1_UC_ESC_BM", "D1_UC_SRV_RT",
                     "D1_UC_OPTION", "D1_UC_NTF_RT", "D1_UC_ESC_OF", "D1_UC_POOL",   "D2_UC_NODE"},
            {1, 0, 1000000, 1000000, 1, 1, 0, -1, 0, 20, 0, 10, 0, 0, 50, 0, 20, 0, 0, 10}, I32);
    b.group("SCR_",
            {"ENABLE", "VM_I_COUNT", "HEAP_SIZE", "DEBUG_OPTS", "USER1", "USER2", "USER3", "USER4", "USER5", "USER6",
             "DIR_DISABLE", "LD_CHECKSUM", "RUN_CHECKSUM", "THD_PRIORITY", "SDEV_EN", "SDEV1_PROTO", "SDEV2_PROTO",
             "SDEV3_PROTO"},
            {0, 10000, 43008, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, 0, 0, -1, -1, -1});
    b.group("FRAME_", {"CLASS", "TYPE"}, {1, 1}, I8);
    b.group("GND_", {"EFFECT_COMP"}, {1}, I8);
    b.group("THROW_", {"MOT_START", "NEXTMODE", "TYPE", "ALT_MIN", "ALT_MAX"}, {0, 18, 0, 0, 0});
    b.group("TERRAIN_", {"ENABLE", "SPACING", "OPTIONS", "MARGIN", "OFS_MAX", "CACHE_SZ"}, {1, 100, 0, 0.05f, 30, 12});
    b.group("MIS_", {"TOTAL", "RESTART", "OPTIONS"}, {0, 0, 0}, I16);
    b.group("RALLY_", {"TOTAL", "LIMIT_KM", "INCL_HOME"}, {0, 0.3f, 1});
    b.group("AVOID_",
            {"ENABLE", "ANGLE_MAX", "DIST_MAX", "MARGIN", "BEHAVE", "BACKUP_SPD", "ALT_MIN", "ACCEL_MAX", "BACKUP_DZ",
             "BACKZ_SPD"},
            {3, 1000, 5, 2, 0, 0.75f, 0, 3, 0.1f, 0.75f});
    b.group("FLOW_", {"TYPE", "FXSCALER", "FYSCALER", "ORIENT_YAW", "POS_X", "POS_Y", "POS_Z", "ADDR", "HGT_OVR"},
            {0, 0, 0, 0, 0, 0, 0, 0, 0});
    b.group("PLND_", {"ENABLED",   "TYPE",      "YAW_ALIGN",  "LAND_OFS_X", "LAND_OFS_Y", "EST_TYPE",    "ACC_P_NSE",
                      "CAM_POS_X", "CAM_POS_Y", "CAM_POS_Z",  "BUS",        "LAG",        "XY_DIST_MAX", "STRICT",
                      "RET_MAX",   "TIMEOUT",   "RET_BEHAVE", "ALT_MIN",    "ALT_MAX",    "OPTIONS"},
            {0, 0, 0, 0, 0, 1, 0.5f, 0, 0, 0, -1, 0.02f, 0, 1, 4, 4, 0, 0.75f, 8, 0});
    b.group("CAM_",
            {"TRIGG_TYPE", "DURATION", "SERVO_ON", "SERVO_OFF", "TRIGG_DIST", "RELAY_ON", "MIN_INTERVAL", "MAX_ROLL",
             "FEEDBACK_PIN", "FEEDBACK_POL", "AUTO_ONLY", "TYPE"},
            {0, 10, 1300, 1100, 0, 1, 0, 0, -1, 1, 0, 0});
    b.group("MNT1_", {"TYPE",      "DEFLT_MODE", "RC_RATE",    "ROLL_MIN", "ROLL_MAX",  "PITCH_MIN", "PITCH_MAX",
                      "YAW_MIN",   "YAW_MAX",    "SYSID_DFLT", "OPTIONS",  "NEUTRAL_X", "NEUTRAL_Y", "NEUTRAL_Z",
                      "RETRACT_X", "RETRACT_Y",  "RETRACT_Z",  "LEAD_RLL", "LEAD_PTCH", "DEVID"},
            {0, 3, 60, -30, 30, -90, 20, -180, 180, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    b.group("EAHRS_", {"TYPE", "RATE", "OPTIONS", "SENSORS"}, {0, 50, 0, 15});
    b.group("STAT_", {"BOOTCNT", "FLTTIME", "RUNTIME", "RESET"}, {37, 5412, 88210, 1}, I32);
    b.group("DEV_", {"OPTIONS"}, {0}, I32);
    b.group("TUNE", {"", "_MIN", "_MAX"}, {0, 0, 0});
    b.group("DISARM_", {"DELAY"}, {10}, I8);
    b.group("TKOFF_", {"SLEW_TIME", "RPM_MIN", "THR_MAX"}, {2, 0, 0.9f});
    b.group("SURFTRAK_", {"MODE", "TC"}, {1, 1});
    b.group("FHLD_", {"BRAKE_RATE", "FILT_HZ", "QUAL_MIN", "XY_I", "XY_IMAX", "XY_P", "XY_FILT_HZ"},
            {8, 5, 10, 0.3f, 3000, 0.2f, 5});
    b.group("ADSB_",
            {"TYPE", "LIST_MAX", "LIST_RADIUS", "ICAO_ID", "EMIT_TYPE", "LEN_WIDTH", "OFFSET_LAT", "OFFSET_LON",
             "RF_SELECT", "SQUAWK", "RF_CAPABLE", "LIST_ALT", "ICAO_SPECL", "LOG", "OPTIONS"},
            {0, 25, 2000, 0, 14, 1, 0, 0, 0, 1200, 0, 0, 0, 1, 0});
    b.group("OSD_", {"TYPE",      "CHAN",        "SW_METHOD", "OPTIONS",    "FONT",       "V_OFFSET",  "H_OFFSET",
                     "W_RSSI",    "W_NSAT",      "W_BATVOLT", "W_AVGCELLV", "W_RESTVOLT", "W_BATCURR", "W_USEDMAH",
                     "W_FLTIME",  "W_GPS_SPEED", "W_TERR",    "W_BATT_PCT", "CELL_COUNT", "MSG_TIME",  "ARM_SCR",
                     "DSARM_SCR", "FS_SCR",      "UNITS",     "SB_H_OFS",   "SB_V_OFS"},
            {0, 0, 0, 0, 0, 16, 25, 30, 9, 10, 3.6f, 3.4f, 25, 6000, 60, 2, 100, 0, 0, 10, 0, 0, 0, 0, 32, 16});
    // The first on-screen display screen with the positions of its items.
    for (int s = 1; s <= 1; ++s) {
        const QByteArray p = "OSD" + num(s) + "_";
        b.add(p + "ENABLE", s == 1 ? 1 : 0, I8);
        b.add(p + "CHAN_MIN", 900, I16);
        b.add(p + "CHAN_MAX", 2100, I16);
        for (const QByteArray item :
             {"ALTITUDE", "BAT_VOLT", "RSSI",       "CURRENT",     "BATUSED", "SATS", "FLTMODE", "MESSAGE",  "GSPEED",
              "HORIZON",  "HOME",     "HEADING",    "THROTTLE",    "COMPASS", "WIND", "ASPEED",  "VSPEED",   "ESCTEMP",
              "GPSLAT",   "GPSLONG",  "ROLL_ANGLE", "PITCH_ANGLE", "TEMP",    "HDOP", "FLTIME",  "CLIMBEFF", "EFF",
              "ATEMP",    "BAT2_VLT", "BAT2USED",   "CLK",         "STATS",   "DIST", "LINK_Q"}) {
            if ((p + item + "_EN").size() > 16)
                continue;
            b.add(p + item + "_EN", s == 1 ? 1 : 0, I8);
            b.add(p + item + "_X", (item.size() * 3 + s) % 30, I8);
            b.add(p + item + "_Y", (item.size() * 5 + s) % 16, I8);
        }
    }
    return b.take();
}

bool FmuParams::readFile(const QString &path, QVector<FmuParam> &out, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    QVector<ParamValueLines::Line> lines;
    int errorLine = 0;
    if (!ParamValueLines::parse(QTextStream(&file).readAll(), lines, error, errorLine)) {
        error = errorLine > 0 ? QStringLiteral("%1:%2").arg(path, error) : QStringLiteral("%1: %2").arg(path, error);
        return false;
    }
    QVector<FmuParam> params;
    for (const ParamValueLines::Line &line : lines)
        params.append(FmuParam{line.name, storedValue(line.value, line.type), line.type});
    out = params;
    return true;
}
