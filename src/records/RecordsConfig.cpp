#include "records/RecordsConfig.h"

#include "core/util/IniSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {
const char *const StationKey = "record/station";
const char *const OperatorKey = "record/operator";
} // namespace

QString RecordsConfig::defaultStation()
{
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("station") : host;
}

QString RecordsConfig::defaultOperator()
{
    for (const char *name : {"USER", "LOGNAME", "USERNAME"}) {
        const QString v = qEnvironmentVariable(name);
        if (!v.isEmpty())
            return v;
    }
#ifdef Q_OS_UNIX
    if (const passwd *pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
#endif
    return QStringLiteral("operator");
}

RecordsConfig RecordsConfig::load(const QString &iniPath)
{
    RecordsConfig c;
    if (!QFileInfo::exists(iniPath)) {
        QDir().mkpath(QFileInfo(iniPath).absolutePath());
        IniSettings ini(iniPath);
        ini.setValue(StationKey, QString());
        ini.setValue(OperatorKey, QString());
        ini.setValue("database/driver", QStringLiteral("sqlite"));
        ini.setValue("database/path", c.sqlitePath);
        ini.setValue("database/host", QString());
        ini.setValue("database/port", c.port);
        ini.setValue("database/dbname", c.dbname);
        ini.setValue("database/user", QString());
        ini.setValue("database/sslmode", QString());
        ini.setValue("database/passwordFile", QString());
    }
    IniSettings ini(iniPath);
    c.station = ini.value(StationKey).toString().trimmed();
    c.operatorName = ini.value(OperatorKey).toString().trimmed();
    if (c.station.isEmpty())
        c.station = defaultStation();
    if (c.operatorName.isEmpty())
        c.operatorName = defaultOperator();
    c.postgres = ini.value("database/driver").toString().trimmed().toLower() == QLatin1String("postgresql");
    const QString path = ini.value("database/path").toString().trimmed();
    if (!path.isEmpty())
        c.sqlitePath = path;
    c.host = ini.value("database/host").toString().trimmed();
    bool ok = false;
    const int port = ini.value("database/port").toInt(&ok);
    if (ok && port > 0 && port < 65536)
        c.port = port;
    const QString dbname = ini.value("database/dbname").toString().trimmed();
    if (!dbname.isEmpty())
        c.dbname = dbname;
    c.user = ini.value("database/user").toString().trimmed();
    c.sslmode = ini.value("database/sslmode").toString().trimmed();
    c.passwordFile = ini.value("database/passwordFile").toString().trimmed();
    return c;
}

bool RecordsConfig::saveIdentity(const QString &iniPath, const QString &station, const QString &operatorName)
{
    load(iniPath); // creates the file with its defaults first
    IniSettings ini(iniPath);
    ini.setValue(StationKey, station.trimmed());
    ini.setValue(OperatorKey, operatorName.trimmed());
    ini.sync();
    return ini.status() == QSettings::NoError;
}

bool RecordsConfig::applyDatabaseOption(const QString &text, QString *error)
{
    if (!text.startsWith(QLatin1String("postgresql://")) && !text.startsWith(QLatin1String("postgres://"))) {
        if (text.isEmpty()) {
            *error = QStringLiteral("--db needs a file path or postgresql://USER@HOST:PORT/DBNAME");
            return false;
        }
        postgres = false;
        sqlitePath = text;
        return true;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        *error = QStringLiteral("--db: not a postgresql://USER@HOST:PORT/DBNAME address");
        return false;
    }
    if (!url.password().isEmpty() || text.section(QLatin1Char('@'), 0, 0).count(QLatin1Char(':')) > 1) {
        *error = QStringLiteral("--db: the address carries a password; put it in the password file "
                                "([database] passwordFile of cfg/records.ini), PGPASSWORD or ~/.pgpass");
        return false;
    }
    postgres = true;
    host = url.host();
    port = url.port(5432);
    user = url.userName();
    const QString name = url.path().mid(1);
    if (!name.isEmpty())
        dbname = name;
    return true;
}

bool RecordsConfig::readPassword(QString *password, QString *error) const
{
    password->clear();
    if (passwordFile.isEmpty())
        return true;
    QFile f(passwordFile);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the password file %1: %2").arg(passwordFile, f.errorString());
        return false;
    }
    QByteArray line = f.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    *password = QString::fromUtf8(line);
    return true;
}

QString RecordsConfig::describe() const
{
    if (!postgres)
        return QStringLiteral("sqlite ") + sqlitePath;
    return QStringLiteral("postgresql %1@%2:%3/%4").arg(user, host).arg(port).arg(dbname);
}
