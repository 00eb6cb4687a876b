#pragma once

#include <QString>
#include <QVector>

// What the simulated inertial unit keeps in its storage within one run.

// The one-time-programmable serial number: the factory value is reported until the first write; that
// write is stored once and every later write is refused, as the OTP area of the unit does.
class InsOtpSerialNumber
{
public:
    explicit InsOtpSerialNumber(quint32 factoryValue) : m_value(factoryValue) {}
    quint32 value() const { return m_value; }
    bool written() const { return m_written; }
    // Stores sn on the first write; false (nothing changed) once a number was written.
    bool write(quint32 sn);

private:
    quint32 m_value;
    bool m_written = false;
};

// One stored log: its id and size in bytes.
struct InsStoredLog
{
    quint16 id;
    quint32 size;
};

namespace InsLogSet {
// The logs the unit starts with: ids 1, 2, 3 of 500, 5000 and 1200 bytes.
QVector<InsStoredLog> defaults();
constexpr quint32 MaxLogBytes = 64u * 1024 * 1024;
// The --logs list "ID:SIZE,ID:SIZE,..." (ids 1..65534, distinct; sizes up to 64 MiB) in id order, for
// instance "1:0,2:1000,3:1500000" for an empty log, one that is no multiple of 240 bytes and one over 1 MB.
bool parse(const QString &list, QVector<InsStoredLog> *logs, QString *error);
} // namespace InsLogSet
