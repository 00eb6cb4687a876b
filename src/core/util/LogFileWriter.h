#pragma once

#include <QFile>
#include <QObject>
#include <QString>

// The file of one log download (MAVLink or FlyLink). The bytes go into "<final>.part" beside the final name and
// the file is renamed to the final name only when it is whole, so a file under a final name is
// always a complete log: a download that ends early (give-up, cancel, a failed write, a killed
// program) leaves at most the ".part" file, which discard() removes and the next download of the
// same name overwrites.
//
// A file that cannot be created, written or renamed is reported at once through failed(), with the
// path and the operating system's reason. Used on the link's thread only; failed() may be connected
// from any thread.
class LogFileWriter : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *PartSuffix = ".part";

    explicit LogFileWriter(QObject *parent = nullptr);
    ~LogFileWriter() override;

    // Creates dir (with its parents) and "<finalPath>.part", empty; false (and failed()) when not.
    bool open(quint16 id, const QString &dir, const QString &finalPath);
    // Appends bytes to the open file; false (and failed()) when they were not all written.
    bool append(const QByteArray &bytes);
    // Closes the whole file and gives it its final name; false (and failed()) when that fails.
    bool commit();
    // Closes the file and removes the ".part" file (nothing when no file is open).
    void discard();
    // Closes the file and keeps it as the ".part" file: what arrived of a log given up stays readable.
    void close() { m_file.close(); }

    bool isOpen() const { return m_file.isOpen(); }
    QString finalName() const { return m_finalPath; }
    QString partName() const { return m_file.fileName(); }
    // The name commit() gives the file (a free one, when the first was taken meanwhile).
    void setFinalName(const QString &finalPath) { m_finalPath = finalPath; }
    // The last failure: the path (absolute) and the system's reason.
    QString failedPath() const { return m_failedPath; }
    QString failedReason() const { return m_failedReason; }

signals:
    // A log file could not be created, written or renamed: path and the system's reason.
    void failed(ushort id, QString path, QString reason);

private:
    bool fail(const QString &path, const QString &reason);

    quint16 m_id = 0;
    QString m_finalPath;
    QString m_failedPath;
    QString m_failedReason;
    QFile m_file;
};
