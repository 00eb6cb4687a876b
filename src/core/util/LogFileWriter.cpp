#include "core/util/LogFileWriter.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>

#include <filesystem>
#include <system_error>

LogFileWriter::LogFileWriter(QObject *parent) : QObject(parent)
{}

LogFileWriter::~LogFileWriter()
{
    discard();
}

bool LogFileWriter::open(quint16 id, const QString &dir, const QString &finalPath)
{
    discard();
    m_id = id;
    m_finalPath = finalPath;
    // QDir::mkpath gives no reason; the standard library passes on the system's.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(dir).toStdString()), ec);
    if (ec)
        return fail(dir, QString::fromLocal8Bit(ec.message().c_str()));
    // Unbuffered: a full disk shows in the write that meets it, not in a later flush. A stale
    // ".part" file of an earlier, unfinished download of the same name is overwritten.
    m_file.setFileName(finalPath + QLatin1String(PartSuffix));
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(m_file.fileName(), m_file.errorString());
    return true;
}

bool LogFileWriter::append(const QByteArray &bytes)
{
    if (!m_file.isOpen())
        return fail(m_file.fileName(), QStringLiteral("the file is not open"));
    if (m_file.write(bytes) != bytes.size())
        return fail(m_file.fileName(), m_file.errorString());
    return true;
}

bool LogFileWriter::commit()
{
    if (!m_file.isOpen())
        return fail(m_file.fileName(), QStringLiteral("the file is not open"));
    m_file.close();
    if (m_file.error() != QFileDevice::NoError) { // the last bytes may not have reached the disk
        const QString reason = m_file.errorString();
        m_file.remove();
        return fail(m_file.fileName(), reason);
    }
    // A whole file whose rename fails keeps its ".part" name: nothing is lost, nothing looks whole.
    if (!m_file.rename(m_finalPath))
        return fail(m_finalPath, m_file.errorString());
    return true;
}

void LogFileWriter::discard()
{
    if (!m_file.isOpen())
        return;
    m_file.close();
    m_file.remove();
}

bool LogFileWriter::fail(const QString &path, const QString &reason)
{
    // The texts stay in members while queued receivers hold copies of them: the shared buffers are
    // then never freed on this thread while another thread reads them.
    m_failedPath = QDir::current().absoluteFilePath(path);
    m_failedReason = reason;
    qDebug().noquote() << "log file error:" << m_failedPath << m_failedReason;
    discard();
    emit failed(m_id, m_failedPath, m_failedReason);
    return false;
}
