#include "sim/InsStorage.h"

#include "core/formats/LogSizeList.h"

bool InsOtpSerialNumber::write(quint32 sn)
{
    if (m_written)
        return false;
    m_value = sn;
    m_written = true;
    return true;
}

namespace InsLogSet {
QVector<InsStoredLog> defaults()
{
    return {{1, 500}, {2, 5000}, {3, 1200}};
}

bool parse(const QString &list, QVector<InsStoredLog> *logs, QString *error)
{
    QVector<LogSizeList::Log> parsed;
    QString reason;
    if (!LogSizeList::parse(list, parsed, reason)) {
        *error = QStringLiteral("--logs: ") + reason;
        return false;
    }
    QVector<InsStoredLog> out;
    for (const LogSizeList::Log &log : parsed) {
        // The unit numbers its logs from 1 and keeps none over 64 MiB.
        if (log.id < 1 || log.size > MaxLogBytes) {
            *error = QStringLiteral("--logs: bad entry \"%1:%2\" (ids 1..65534, size up to 64 MiB)")
                         .arg(log.id)
                         .arg(log.size);
            return false;
        }
        out.append(InsStoredLog{log.id, log.size});
    }
    *logs = out;
    return true;
}
} // namespace InsLogSet
