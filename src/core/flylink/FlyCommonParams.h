#pragma once

#include <QMap>
#include <QString>

// The common-parameter table of a FlyLink link, without I/O: the parameters a page wants to know,
// each with its last value, and the step that reads them one by one by name (message 35).
//
// step() is called once per link tick while the link is up; it returns the first parameter (in name
// order) not yet received and not yet asked for MaxReads times, or nothing, and marks the table
// complete once its last name was received or given up. The unit's own system id (SystemIdName) is
// never given up. A value of any name received on the link is stored (and adds the name).
class FlyCommonParams
{
public:
    static constexpr quint8 MaxReads = 3;
    static constexpr const char *SystemIdName = "SYSID_THISMAV";
    // The kind stored with a received value (a 32-bit float).
    static constexpr quint8 ReceivedKind = 4;

    struct State
    {
        bool received = false;
        float value = 0;
        quint8 retries = 0;
        quint8 kind = 0;
    };

    FlyCommonParams();

    // Marks name to be read again (false when the table does not hold it).
    bool markForReread(const QString &name);
    // 1 with *value when name was received; 0 otherwise. An unknown name is added to the table; with
    // reread the name is marked to be read again.
    quint8 get(const QString &name, float *value, bool reread);
    void received(const QString &name, float value);
    // The name to read now, or an empty string.
    QString step();

    const QMap<QString, State> &table() const { return m_table; }
    bool allReceived() const { return m_allReceived; }

private:
    QMap<QString, State> m_table;
    bool m_allReceived = false;
};
