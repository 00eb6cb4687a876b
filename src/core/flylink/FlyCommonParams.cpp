#include "core/flylink/FlyCommonParams.h"

#include <QDebug>

FlyCommonParams::FlyCommonParams()
{
    m_table.insert(QLatin1String(SystemIdName), State());
}

bool FlyCommonParams::markForReread(const QString &name)
{
    auto it = m_table.find(name);
    if (it == m_table.end())
        return false;
    it->received = false;
    it->retries = 0;
    m_allReceived = false;
    return true;
}

quint8 FlyCommonParams::get(const QString &name, float *value, bool reread)
{
    auto it = m_table.find(name);
    if (it == m_table.end()) {
        m_table.insert(name, State());
        m_allReceived = false;
        return 0;
    }
    if (reread) {
        markForReread(name);
        return 0;
    }
    if (!it->received)
        return 0;
    if (value)
        *value = it->value;
    return 1;
}

void FlyCommonParams::received(const QString &name, float value)
{
    State &state = m_table[name];
    state.received = true;
    state.retries = 0;
    state.kind = ReceivedKind;
    state.value = value;
}

QString FlyCommonParams::step()
{
    if (m_allReceived || m_table.isEmpty())
        return QString();
    for (auto it = m_table.begin(); it != m_table.end(); ++it) {
        if (it->retries >= MaxReads && !it.key().contains(QLatin1String(SystemIdName))) {
            qDebug() << it.key() << "req failed";
            continue;
        }
        if (it->received)
            continue;
        ++it->retries;
        return it.key();
    }
    const State &last = m_table.last();
    if (last.retries >= MaxReads || last.received) {
        m_allReceived = true;
        qDebug() << "AllCommonParamGet"
                 << "true";
    }
    return QString();
}
