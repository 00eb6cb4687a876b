#pragma once

#include <QString>

// Where and as whom records are stored: ./cfg/records.ini of the working directory, written with its
// defaults on first use.
//
//   [record]    station=   (empty: the host name)   operator=   (empty: the login name)
//   [database]  driver=sqlite|postgresql, path=records/production.sqlite (the local file; with
//               PostgreSQL it is the spool), host, port, dbname, user, sslmode, passwordFile
//
// The PostgreSQL password is never in the ini: passwordFile names a file whose first line is the
// password; without one the client library's own sources apply (PGPASSWORD, ~/.pgpass).
struct RecordsConfig
{
    static constexpr const char *DefaultIniPath = "cfg/records.ini";
    static constexpr const char *DefaultSqlitePath = "records/production.sqlite";

    QString station;
    QString operatorName;
    bool postgres = false;
    QString sqlitePath = QString::fromLatin1(DefaultSqlitePath);
    QString host;
    int port = 5432;
    QString dbname = QStringLiteral("zorvan");
    QString user;
    QString sslmode;
    QString passwordFile;

    // Reads the ini (creating it with the defaults when it is missing); empty station and operator
    // become the host and login names.
    static RecordsConfig load(const QString &iniPath = QString::fromLatin1(DefaultIniPath));
    // Keeps station and operator in the ini (the Records tab's fields).
    static bool saveIdentity(const QString &iniPath, const QString &station, const QString &operatorName);

    // --db PATH | postgresql://USER@HOST:PORT/DBNAME for one run. A URL with a password is refused.
    bool applyDatabaseOption(const QString &text, QString *error);
    // The first line of passwordFile; false with the reason (never the content) when it cannot be read.
    bool readPassword(QString *password, QString *error) const;
    // "sqlite records/production.sqlite" or "postgresql zorvan@db:5432/zorvan": for messages, no secret.
    QString describe() const;

    static QString defaultStation();
    static QString defaultOperator();
};
