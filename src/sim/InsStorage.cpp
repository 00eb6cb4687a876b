#include "sim/InsStorage.h"

#include <QStringList>

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

bool parse(const QString &spec, QVector<InsStoredLog> *logs, QString *error)
{
    QVector<InsStoredLog> out;
    for (const QString &item : spec.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = item.split(QLatin1Char(':'));
        bool okId = false, okSize = false;
        const uint id = parts.size() == 2 ? parts[0].toUInt(&okId) : 0;
        const qulonglong size = parts.size() == 2 ? parts[1].toULongLong(&okSize) : 0;
        if (!okId || !okSize || id < 1 || id > 0xFFFE || size > 64ull * 1024 * 1024 ||
            (!out.isEmpty() && id <= out.last().id)) {
            *error = QStringLiteral("--logs: bad entry \"%1\" (ID:SIZE, ids ascending 1..65534, size up to 64 MiB)")
                         .arg(item);
            return false;
        }
        out.append(InsStoredLog{quint16(id), quint32(size)});
    }
    *logs = out;
    return true;
}
} // namespace InsLogSet
