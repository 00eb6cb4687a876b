#include "core/mavlink/ParamList.h"

#include <cmath>

QString ParamText::formatFloat(float value)
{
    if (!std::isfinite(value))
        return QString::number(double(value));
    // Whole numbers are written out in full ("120", not "1.2e+02").
    if (std::trunc(value) == value && std::fabs(value) < 1e15f)
        return QString::number(qint64(value));
    for (int precision = 1; precision <= 9; ++precision) {
        const QString text = QString::number(double(value), 'g', precision);
        if (text.toFloat() == value)
            return text;
    }
    return QString::number(double(value), 'g', 9);
}

bool ParamText::parseFloat(const QString &text, float &value)
{
    bool ok = false;
    const float parsed = text.trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool ParamListCollector::add(quint16 index, quint16 count, const QString &name, float value, quint8 type)
{
    if (index >= count)
        return false;
    m_count = count;
    if (m_entries.contains(index))
        return false;
    m_entries.insert(index, Entry{name, value, type});
    return true;
}

int ParamListCollector::received() const
{
    int n = 0;
    for (auto it = m_entries.cbegin(); it != m_entries.cend() && it.key() < m_count; ++it)
        ++n;
    return n;
}

QVector<ParamListCollector::Entry> ParamListCollector::entries() const
{
    QVector<Entry> out;
    for (auto it = m_entries.cbegin(); it != m_entries.cend() && it.key() < m_count; ++it)
        out.append(it.value());
    return out;
}

QVector<quint16> ParamListCollector::missing(int max) const
{
    QVector<quint16> out;
    for (int i = 0; i < m_count && out.size() < max; ++i) {
        if (!m_entries.contains(quint16(i)))
            out.append(quint16(i));
    }
    return out;
}
