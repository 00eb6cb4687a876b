#include "cli/CliRecorder.h"

#include "records/RecordWriter.h"

#include <cstdio>

CliRecorder::CliRecorder() = default;

CliRecorder::~CliRecorder() = default;

bool CliRecorder::parse(QStringList &args, QString *error)
{
    m_config = RecordsConfig::load();
    m_enabled = args.removeAll(QStringLiteral("--no-record")) == 0;
    for (int i = 0; i < args.size();) {
        const QString &a = args[i];
        if (a != QLatin1String("--station") && a != QLatin1String("--operator") && a != QLatin1String("--db")) {
            ++i;
            continue;
        }
        if (i + 1 >= args.size() || args[i + 1].trimmed().isEmpty()) {
            *error = a + QStringLiteral(" needs a value");
            return false;
        }
        const QString value = args[i + 1].trimmed();
        if (a == QLatin1String("--station"))
            m_config.station = value;
        else if (a == QLatin1String("--operator"))
            m_config.operatorName = value;
        else if (!m_config.applyDatabaseOption(value, error))
            return false;
        args.erase(args.begin() + i, args.begin() + i + 2);
    }
    return true;
}

void CliRecorder::record(const ProductionRecord &record)
{
    if (!m_enabled)
        return;
    if (!m_writer)
        m_writer = std::make_unique<RecordWriter>(m_config);
    m_writer->record(record);
}

int CliRecorder::finish(const char *command, int code)
{
    if (!m_writer)
        return code;
    if (!m_writer->flush()) {
        std::fprintf(stderr, "%s: records: the record database did not answer in time\n", command);
        return code == 0 ? NotStoredExit : code;
    }
    if (m_writer->failureCount() == 0)
        return code;
    std::fprintf(stderr, "%s: records: %s\n", command, m_writer->lastFailure().toUtf8().constData());
    return code == 0 ? NotStoredExit : code;
}
