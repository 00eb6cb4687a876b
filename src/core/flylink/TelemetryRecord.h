#pragma once

#include "core/flylink/FlyLe.h"
#include "core/flylink/FlyMessages.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>

// Field offsets inside the telemetry message payloads (the record stores the payloads as received).
namespace FlyLayout {
namespace Nav {
constexpr int Roll = 0, Pitch = 2, Yaw = 4, AccX = 6, AccY = 10, AccZ = 14, GyroX = 18, GyroY = 22, GyroZ = 26,
              Lat = 30, Lon = 34, AltAsl = 38, PosDown = 54, BaroAlt = 70;
}
namespace Gnss {
constexpr int Index = 0, FixType = 1, Satellites = 2, Hdop = 15, Vdop = 17, SpeedAcc = 19;
}
namespace Imu {
constexpr int Index = 0, Temperature = 28;
}
namespace Baro {
constexpr int Index = 0, Temperature = 5;
}
namespace SysStatus {
constexpr int LayoutIndex = 0, HardwareFlags = 35, Present = 37, Enabled = 41, Healthy = 45;
}
namespace Home {
constexpr int Lat = 0, Lon = 4;
}
namespace MagProgress {
constexpr int Index = 0, Status = 1, Percent = 3;
}
namespace Board {
constexpr int Uid0 = 0, Uid1 = 4, Uid2 = 8, BoardType = 12, Firmware = 16, Protocol = 20, SerialNumber = 30;
}
} // namespace FlyLayout

// Read-only view of a telemetry payload (inside the record or a received frame).
class FlyPayloadView
{
public:
    explicit FlyPayloadView(const uchar *p) : m_p(p) {}
    template <typename T> T at(int offset) const { return FlyLe::get<T>(m_p + offset); }
    quint8 byte(int offset) const { return m_p[offset]; }

protected:
    const uchar *m_p;
};

struct FlyNavView : FlyPayloadView
{
    using FlyPayloadView::FlyPayloadView;
    qint16 rollCentiDeg() const { return at<qint16>(FlyLayout::Nav::Roll); }
    qint16 pitchCentiDeg() const { return at<qint16>(FlyLayout::Nav::Pitch); }
    quint16 yawCentiDeg() const { return at<quint16>(FlyLayout::Nav::Yaw); }
    float accX() const { return at<float>(FlyLayout::Nav::AccX); }
    float accY() const { return at<float>(FlyLayout::Nav::AccY); }
    float accZ() const { return at<float>(FlyLayout::Nav::AccZ); }
    float gyroX() const { return at<float>(FlyLayout::Nav::GyroX); }
    float gyroY() const { return at<float>(FlyLayout::Nav::GyroY); }
    float gyroZ() const { return at<float>(FlyLayout::Nav::GyroZ); }
    qint32 latE7() const { return at<qint32>(FlyLayout::Nav::Lat); }
    qint32 lonE7() const { return at<qint32>(FlyLayout::Nav::Lon); }
    float altitudeAsl() const { return at<float>(FlyLayout::Nav::AltAsl); }
    float positionDown() const { return at<float>(FlyLayout::Nav::PosDown); }
    float baroAltitude() const { return at<float>(FlyLayout::Nav::BaroAlt); }
};

struct FlyGnssView : FlyPayloadView
{
    using FlyPayloadView::FlyPayloadView;
    quint8 index() const { return byte(FlyLayout::Gnss::Index); }
    quint8 fixType() const { return byte(FlyLayout::Gnss::FixType); }
    quint8 satellites() const { return byte(FlyLayout::Gnss::Satellites); }
    quint16 hdopCenti() const { return at<quint16>(FlyLayout::Gnss::Hdop); }
    quint16 vdopCenti() const { return at<quint16>(FlyLayout::Gnss::Vdop); }
    quint16 speedAccCenti() const { return at<quint16>(FlyLayout::Gnss::SpeedAcc); }
};

struct FlyImuView : FlyPayloadView
{
    using FlyPayloadView::FlyPayloadView;
    quint8 index() const { return byte(FlyLayout::Imu::Index); }
    qint16 temperatureCenti() const { return at<qint16>(FlyLayout::Imu::Temperature); }
};

struct FlyBaroView : FlyPayloadView
{
    using FlyPayloadView::FlyPayloadView;
    quint8 index() const { return byte(FlyLayout::Baro::Index); }
    qint16 temperatureCenti() const { return at<qint16>(FlyLayout::Baro::Temperature); }
};

struct FlySysStatusView : FlyPayloadView
{
    using FlyPayloadView::FlyPayloadView;
    quint8 layoutIndex() const { return byte(FlyLayout::SysStatus::LayoutIndex); }
    bool hardwareOk() const { return byte(FlyLayout::SysStatus::HardwareFlags) & 0x01; }
    quint32 sensorsPresent() const { return at<quint32>(FlyLayout::SysStatus::Present); }
    quint32 sensorsEnabled() const { return at<quint32>(FlyLayout::SysStatus::Enabled); }
    quint32 sensorsHealthy() const { return at<quint32>(FlyLayout::SysStatus::Healthy); }
};

struct FlyMagProgressView : FlyPayloadView
{
    using FlyPayloadView::FlyPayloadView;
    quint8 index() const { return byte(FlyLayout::MagProgress::Index); }
    quint8 status() const { return byte(FlyLayout::MagProgress::Status); }
    quint8 percent() const { return byte(FlyLayout::MagProgress::Percent); }
};

struct FlyBoardInfoView : FlyPayloadView
{
    using FlyPayloadView::FlyPayloadView;
    quint32 uid(int word) const { return at<quint32>(FlyLayout::Board::Uid0 + 4 * word); }
    quint32 boardType() const { return at<quint32>(FlyLayout::Board::BoardType); }
    quint32 firmwareVersion() const { return at<quint32>(FlyLayout::Board::Firmware); }
    quint16 protocolWord() const { return at<quint16>(FlyLayout::Board::Protocol); }
    quint32 serialNumber() const { return at<quint32>(FlyLayout::Board::SerialNumber); }
};

// The 624-byte packed record of live unit data per factory link. Offsets of the parts below; each part
// holds the payload of one message as received (entry blocks: up to three instances by index byte).
#pragma pack(push, 1)
class TelemetryRecord
{
public:
    static constexpr int Size = 624;
    static constexpr int MaxInstances = 3;

    enum Offset : int {
        StatusWord = 0,
        SysStatus = 2,
        NavState = 65,
        GnssEntries = 139,
        GnssCount = 202,
        ImuEntries = 203,
        ImuCount = 299,
        CompassEntries = 300,
        CompassCount = 339,
        BaroEntries = 340,
        BaroCount = 364,
        Block7 = 365,
        Block15 = 429,
        Home = 487,
        HomeReceived = 499,
        Origin = 500,
        OriginReceived = 512,
        AccCaliState = 513,
        MagProgressEntries = 514,
        MagProgressCount = 538,
        MotorCount = 539,
        AhrsOrientation = 540,
        Block10 = 541,
        Block11 = 549,
        Block13 = 557,
        BoardInfo = 561,
        VehicleType = 595,
        PositionReported = 596,
        RemoteSysId = 600,
        Status51 = 604,
        Status51Stored = 620,
    };

    uchar bytes[Size] = {};

    void clear();
    QByteArray toByteArray() const { return QByteArray(reinterpret_cast<const char *>(bytes), Size); }

    // Writers (the link's receive handlers).
    void write(int offset, const QByteArray &payload);
    void setByte(int offset, quint8 v) { bytes[offset] = v; }
    template <typename T> void set(int offset, T v) { FlyLe::put<T>(bytes + offset, v); }
    template <typename T> T at(int offset) const { return FlyLe::get<T>(bytes + offset); }
    quint8 byte(int offset) const { return bytes[offset]; }

    // Readers.
    quint16 statusWord() const { return at<quint16>(StatusWord); }
    quint8 vehicleType() const { return bytes[VehicleType]; }
    FlySysStatusView sysStatus() const { return FlySysStatusView(bytes + SysStatus); }
    FlyNavView navigation() const { return FlyNavView(bytes + NavState); }
    bool positionReported() const { return bytes[PositionReported] != 0; }
    FlyGnssView gnss(int i) const { return FlyGnssView(bytes + GnssEntries + FlyMsg::GnssLen * i); }
    quint8 gnssCount() const { return bytes[GnssCount]; }
    FlyImuView imu(int i) const { return FlyImuView(bytes + ImuEntries + FlyMsg::ImuLen * i); }
    quint8 imuCount() const { return bytes[ImuCount]; }
    quint8 compassCount() const { return bytes[CompassCount]; }
    FlyBaroView baro(int i) const { return FlyBaroView(bytes + BaroEntries + FlyMsg::BaroLen * i); }
    quint8 baroCount() const { return bytes[BaroCount]; }
    qint32 homeLatE7() const { return at<qint32>(Home + FlyLayout::Home::Lat); }
    qint32 homeLonE7() const { return at<qint32>(Home + FlyLayout::Home::Lon); }
    bool homeReceived() const { return bytes[HomeReceived] != 0; }
    bool originReceived() const { return bytes[OriginReceived] != 0; }
    quint8 accCaliState() const { return bytes[AccCaliState]; }
    FlyMagProgressView magProgress(int i) const
    {
        return FlyMagProgressView(bytes + MagProgressEntries + FlyMsg::MagCaliProgressLen * i);
    }
    quint8 magProgressCount() const { return bytes[MagProgressCount]; }
    quint8 motorCount() const { return bytes[MotorCount]; }
    quint8 ahrsOrientation() const { return bytes[AhrsOrientation]; }
    FlyBoardInfoView boardInfo() const { return FlyBoardInfoView(bytes + BoardInfo); }
    quint32 remoteSysId() const { return at<quint32>(RemoteSysId); }
    bool status51Stored() const { return bytes[Status51Stored] != 0; }
};
#pragma pack(pop)

static_assert(sizeof(TelemetryRecord) == TelemetryRecord::Size, "the record is 624 packed bytes");
Q_DECLARE_METATYPE(TelemetryRecord)

// Text tables of the link and the factory panel.
namespace FlyText {
// GNSS fix type: "NO_GPS" ... "PPP"; other values "PosType:" and the number.
QString gpsFixText(quint8 v);
// Vehicle type bits: "-Copter", "-Plane", "-ORVE", else empty.
QString vehicleTypeSuffix(quint8 v);
// Motor count of a frame layout index 0..64; 0 above 64.
quint8 motorCountForLayout(quint8 layoutIndex);
// Display name of a board type id; unknown ids as their decimal number.
QString boardTypeName(quint32 boardType);
// "%d.%d.%d.%d" of the firmware version bytes, most significant first.
QString firmwareText(quint32 version);
// "%d.%d.%d" of bits 12-15, 8-11, 4-7 and the vehicle type suffix of bits 0-3.
QString protocolText(quint16 word);
// "20%d-%04d" of the high and low 16 bits.
QString serialNumberText(quint32 sn);
// The three unique id words as "%08X" each.
QString uuidText(const FlyBoardInfoView &board);
// English source text of an accelerometer calibration state (1..6 the placement asked for, 7 success,
// 8 failure; "Unknown state" above 8). Translation context "G_CFG_AccCali".
const char *accCaliStateSource(quint8 state);
// English source text of a compass calibration status ("NotStarted" above 7). Context "G_CFG_MagCali".
const char *magCaliStatusSource(quint8 status);
} // namespace FlyText
