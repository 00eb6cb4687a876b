#include "sim/ParacfgWriter.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <quazip.h>
#include <quazipfile.h>

#include <cmath>
#include <functional>

namespace {
const char *const kMainNs = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char *const kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char *const kPackageRelNs = "http://schemas.openxmlformats.org/package/2006/relationships";

struct Family
{
    const char *prefix;
    const char *subject;
};

// Parameter families by name prefix, longest match first where prefixes nest.
const Family kFamilies[] = {
    {"ACRO_", "Acro mode"},
    {"ADSB_", "ADS-B receiver"},
    {"AHRS_", "Attitude and heading reference"},
    {"ANGLE_", "Lean angle"},
    {"ARMING_", "Arming checks"},
    {"ATC_RAT_PIT_", "Pitch rate controller"},
    {"ATC_RAT_RLL_", "Roll rate controller"},
    {"ATC_RAT_YAW_", "Yaw rate controller"},
    {"ATC_", "Attitude controller"},
    {"AVOID_", "Object avoidance"},
    {"BARO", "Barometer"},
    {"BATT", "Battery monitor"},
    {"BRD_", "Board"},
    {"CAM_", "Camera trigger"},
    {"CAN_", "CAN bus"},
    {"CIRCLE_", "Circle mode"},
    {"COMPASS_", "Compass"},
    {"DEV_", "Developer options"},
    {"DISARM_", "Automatic disarm"},
    {"EAHRS_", "External AHRS"},
    {"EK3_", "Extended Kalman filter"},
    {"FENCE_", "Geofence"},
    {"FHLD_", "Flow hold mode"},
    {"FLOW_", "Optical flow sensor"},
    {"FLTMODE", "Flight mode switch"},
    {"FORMAT_", "Parameter storage"},
    {"FRAME_", "Frame"},
    {"FS_", "Failsafe"},
    {"GND_", "Ground"},
    {"GPS_", "GNSS receiver"},
    {"INS_", "Inertial sensors"},
    {"LAND_", "Landing"},
    {"LOG_", "On-board logging"},
    {"LOIT_", "Loiter mode"},
    {"MIS_", "Mission"},
    {"MNT1_", "Camera mount"},
    {"MOT_", "Motors"},
    {"NTF_", "Notification"},
    {"OSD_", "On-screen display"},
    {"PILOT_", "Pilot input"},
    {"PLND_", "Precision landing"},
    {"PSC_", "Position controller"},
    {"RALLY_", "Rally points"},
    {"RCMAP_", "RC channel map"},
    {"RC", "RC input"},
    {"RNGFND", "Range finder"},
    {"RTL_", "Return to launch"},
    {"SCHED_", "Scheduler"},
    {"SCR_", "Scripting"},
    {"SERIAL", "Serial port"},
    {"SERVO", "Servo output"},
    {"STAT_", "Statistics"},
    {"SURFTRAK_", "Surface tracking"},
    {"SYSID_", "MAVLink system id"},
    {"TERRAIN_", "Terrain following"},
    {"THROW_", "Throw mode"},
    {"TKOFF_", "Takeoff"},
    {"TUNE", "In-flight tuning"},
    {"WPNAV_", "Waypoint navigation"},
};

struct Quantity
{
    const char *suffix; // matched at the end of the name
    const char *what;
    const char *unit;
    const char *range;
};

// What the end of a name says about the quantity, first match wins.
const Quantity kQuantities[] = {
    {"_ENABLE", "enable", "", "0:Disabled 1:Enabled"},
    {"_ENABLED", "enable", "", "0:Disabled 1:Enabled"},
    {"_OPTIONS", "options", "", "bitmask"},
    {"_BITMASK", "options", "", "bitmask"},
    {"_TYPE", "type", "", "0:None 1:Default 2:Alternative"},
    {"_P", "proportional gain", "", "0 10"},
    {"_I", "integral gain", "", "0 10"},
    {"_D", "derivative gain", "", "0 1"},
    {"_FF", "feed-forward gain", "", "0 1"},
    {"_IMAX", "integrator limit", "", "0 4500"},
    {"SPEED", "speed", "cm/s", "0 2000"},
    {"SPEED_UP", "climb speed", "cm/s", "0 2000"},
    {"SPEED_DN", "descent speed", "cm/s", "0 2000"},
    {"RATE", "rate", "deg/s", "0 1080"},
    {"ACCEL", "acceleration", "cm/s/s", "0 1000"},
    {"ACCEL_Z", "vertical acceleration", "cm/s/s", "0 1000"},
    {"JERK", "jerk", "m/s/s/s", "0 20"},
    {"ALT", "altitude", "cm", "0 10000"},
    {"RADIUS", "radius", "cm", "0 100000"},
    {"TIMEOUT", "timeout", "s", "0 120"},
    {"TIME", "time", "s", "0 60"},
    {"FILT", "filter frequency", "Hz", "0 256"},
    {"FLTT", "target filter frequency", "Hz", "0 100"},
    {"FLTE", "error filter frequency", "Hz", "0 100"},
    {"FLTD", "derivative filter frequency", "Hz", "0 100"},
    {"FILTER", "filter frequency", "Hz", "0 256"},
    {"FREQ", "frequency", "Hz", "0 500"},
    {"HZ", "frequency", "Hz", "0 500"},
    {"ANGLE", "angle", "cdeg", "0 8000"},
    {"ANG_MAX", "maximum angle", "cdeg", "0 8000"},
    {"_MAX", "maximum", "", "0 10000"},
    {"_MIN", "minimum", "", "0 10000"},
    {"VOLT", "voltage", "V", "0 60"},
    {"CURR", "current", "A", "0 200"},
    {"TEMP", "temperature", "degC", "-40 85"},
    {"BAUD", "baud rate", "kbaud", "1:1200 9:9600 57:57600 115:115200 921:921600"},
    {"PROTOCOL", "protocol", "", "-1:None 1:MAVLink1 2:MAVLink2 5:GPS"},
};

QString words(QString text)
{
    text.replace(QLatin1Char('_'), QLatin1Char(' '));
    return text.trimmed().toLower();
}

// The range of an integer type when the name says nothing of it.
QString typeRange(quint8 type)
{
    switch (type) {
    case 1:
        return QStringLiteral("0 255");
    case 2:
        return QStringLiteral("-128 127");
    case 3:
        return QStringLiteral("0 65535");
    case 4:
        return QStringLiteral("-32768 32767");
    case 5:
        return QStringLiteral("0 4294967295");
    case 6:
        return QStringLiteral("-2147483648 2147483647");
    default:
        return QString();
    }
}

QByteArray xmlPart(const std::function<void(QXmlStreamWriter &)> &body)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    body(xml);
    xml.writeEndDocument();
    return bytes;
}

QString columnRef(char column, int row)
{
    return QLatin1Char(column) + QString::number(row);
}

void inlineCell(QXmlStreamWriter &xml, char column, int row, const QString &text)
{
    if (text.isEmpty())
        return;
    xml.writeStartElement(QStringLiteral("c"));
    xml.writeAttribute(QStringLiteral("r"), columnRef(column, row));
    xml.writeAttribute(QStringLiteral("t"), QStringLiteral("inlineStr"));
    xml.writeStartElement(QStringLiteral("is"));
    xml.writeTextElement(QStringLiteral("t"), text);
    xml.writeEndElement();
    xml.writeEndElement();
}

QByteArray sheetXml(const QVector<ParacfgWriter::Row> &rows)
{
    return xmlPart([&](QXmlStreamWriter &xml) {
        xml.writeDefaultNamespace(QLatin1String(kMainNs));
        xml.writeStartElement(QLatin1String(kMainNs), QStringLiteral("worksheet"));
        xml.writeStartElement(QStringLiteral("sheetData"));
        for (int i = 0; i < rows.size(); ++i) {
            const ParacfgWriter::Row &r = rows[i];
            const int row = i + 1;
            xml.writeStartElement(QStringLiteral("row"));
            xml.writeAttribute(QStringLiteral("r"), QString::number(row));
            inlineCell(xml, 'A', row, r.name);
            xml.writeStartElement(QStringLiteral("c"));
            xml.writeAttribute(QStringLiteral("r"), columnRef('B', row));
            xml.writeTextElement(QStringLiteral("v"), QString::number(double(r.value), 'g', 9));
            xml.writeEndElement();
            inlineCell(xml, 'C', row, r.unit);
            inlineCell(xml, 'D', row, r.range);
            inlineCell(xml, 'E', row, r.description);
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndElement();
    });
}

QByteArray relationships(const QString &id, const QString &type, const QString &target)
{
    return xmlPart([&](QXmlStreamWriter &xml) {
        xml.writeDefaultNamespace(QLatin1String(kPackageRelNs));
        xml.writeStartElement(QLatin1String(kPackageRelNs), QStringLiteral("Relationships"));
        xml.writeStartElement(QStringLiteral("Relationship"));
        xml.writeAttribute(QStringLiteral("Id"), id);
        xml.writeAttribute(QStringLiteral("Type"), type);
        xml.writeAttribute(QStringLiteral("Target"), target);
        xml.writeEndElement();
        xml.writeEndElement();
    });
}
} // namespace

ParacfgWriter::Row ParacfgWriter::describe(const FmuParam &param)
{
    Row row;
    row.name = QString::fromLatin1(param.name);
    row.value = param.value;

    QString subject = QStringLiteral("General");
    QString rest = row.name;
    int longest = 0;
    for (const Family &family : kFamilies) {
        const QLatin1String prefix(family.prefix);
        if (row.name.startsWith(prefix) && prefix.size() > longest) {
            longest = prefix.size();
            subject = QLatin1String(family.subject);
            rest = row.name.mid(prefix.size());
        }
    }
    const Quantity *quantity = nullptr;
    for (const Quantity &q : kQuantities) {
        if (row.name.endsWith(QLatin1String(q.suffix))) {
            quantity = &q;
            break;
        }
    }
    const QString detail = words(rest);
    if (quantity) {
        row.unit = QLatin1String(quantity->unit);
        row.range = QLatin1String(quantity->range);
    }
    if (row.range.isEmpty())
        row.range = typeRange(param.type);
    if (row.range.isEmpty())
        row.range = std::fabs(param.value) <= 1 ? QStringLiteral("0 1")
                                                : QStringLiteral("0 %1").arg(std::ceil(std::fabs(param.value) * 4));
    QString text = subject;
    if (!detail.isEmpty())
        text += QStringLiteral(": ") + detail;
    if (quantity && !detail.contains(QLatin1String(quantity->what)))
        text += QStringLiteral(" (") + QLatin1String(quantity->what) + QLatin1Char(')');
    row.description = text + QStringLiteral(". Default ") + QString::number(double(param.value), 'g', 7) +
                      (row.unit.isEmpty() ? QString() : QLatin1Char(' ') + row.unit) + QLatin1Char('.');
    return row;
}

bool ParacfgWriter::write(const QString &path, const QVector<FmuParam> &params, QString &error)
{
    QVector<Row> rows;
    for (int i = 0; i < params.size() && i < MaxRows; ++i)
        rows.append(describe(params[i]));

    const QByteArray contentTypes = xmlPart([](QXmlStreamWriter &xml) {
        const QString ns = QStringLiteral("http://schemas.openxmlformats.org/package/2006/content-types");
        xml.writeDefaultNamespace(ns);
        xml.writeStartElement(ns, QStringLiteral("Types"));
        for (const char *ext : {"rels", "xml"}) {
            xml.writeStartElement(QStringLiteral("Default"));
            xml.writeAttribute(QStringLiteral("Extension"), QLatin1String(ext));
            xml.writeAttribute(QStringLiteral("ContentType"),
                               QLatin1String(ext) == QLatin1String("rels")
                                   ? QStringLiteral("application/vnd.openxmlformats-package.relationships+xml")
                                   : QStringLiteral("application/xml"));
            xml.writeEndElement();
        }
        const QString office = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.");
        for (const auto &part :
             {qMakePair(QStringLiteral("/xl/workbook.xml"), QStringLiteral("sheet.main+xml")),
              qMakePair(QStringLiteral("/xl/worksheets/sheet1.xml"), QStringLiteral("worksheet+xml"))}) {
            xml.writeStartElement(QStringLiteral("Override"));
            xml.writeAttribute(QStringLiteral("PartName"), part.first);
            xml.writeAttribute(QStringLiteral("ContentType"), office + part.second);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    });
    const QByteArray workbook = xmlPart([](QXmlStreamWriter &xml) {
        xml.writeDefaultNamespace(QLatin1String(kMainNs));
        xml.writeNamespace(QLatin1String(kRelNs), QStringLiteral("r"));
        xml.writeStartElement(QLatin1String(kMainNs), QStringLiteral("workbook"));
        xml.writeStartElement(QStringLiteral("sheets"));
        xml.writeStartElement(QStringLiteral("sheet"));
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("paracfg"));
        xml.writeAttribute(QStringLiteral("sheetId"), QStringLiteral("1"));
        xml.writeAttribute(QLatin1String(kRelNs), QStringLiteral("id"), QStringLiteral("rId1"));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    });
    const QString relBase = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
    const QList<QPair<QString, QByteArray>> parts = {
        {QStringLiteral("[Content_Types].xml"), contentTypes},
        {QStringLiteral("_rels/.rels"),
         relationships(QStringLiteral("rId1"), relBase + QStringLiteral("officeDocument"),
                       QStringLiteral("xl/workbook.xml"))},
        {QStringLiteral("xl/workbook.xml"), workbook},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         relationships(QStringLiteral("rId1"), relBase + QStringLiteral("worksheet"),
                       QStringLiteral("worksheets/sheet1.xml"))},
        {QStringLiteral("xl/worksheets/sheet1.xml"), sheetXml(rows)},
    };

    // Built in memory and saved in one step, so a failed write leaves no half workbook behind.
    QByteArray zipBytes;
    {
        QBuffer buffer(&zipBytes);
        QuaZip zip(&buffer);
        if (!zip.open(QuaZip::mdCreate)) {
            error = QStringLiteral("%1: cannot build the workbook (zip error %2)").arg(path).arg(zip.getZipError());
            return false;
        }
        for (const auto &part : parts) {
            QuaZipFile file(&zip);
            if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(part.first)) ||
                file.write(part.second) != part.second.size()) {
                error = QStringLiteral("%1: cannot build the workbook part %2").arg(path, part.first);
                return false;
            }
            file.close();
        }
        zip.close();
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(zipBytes) != zipBytes.size() || !out.commit()) {
        error = QStringLiteral("%1: %2").arg(path, out.errorString());
        return false;
    }
    return true;
}
