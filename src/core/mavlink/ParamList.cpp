#include "core/mavlink/ParamList.h"

#include <cmath>

bool ParamText::nearestFloat(double d, float &value)
{
    // Beyond the largest float by half a step or more (2^128 - 2^103) the nearest is infinity; below
    // that the conversion rounds, the largest float included.
    if (!std::isfinite(d) || std::fabs(d) >= 340282356779733661637539395458142568448.0)
        return false;
    value = float(d);
    return true;
}

namespace {
// The text as the nearest 32-bit float. Read through a double: QString::toFloat refuses a text above
// the float's largest value even when that value is its nearest float ("3.4028235e+38").
float readNearestFloat(const QString &text, bool *ok)
{
    float f = 0;
    const double d = text.trimmed().toDouble(ok);
    if (*ok)
        *ok = ParamText::nearestFloat(d, f);
    return f;
}
} // namespace

QString ParamText::formatFloat(float value)
{
    if (!std::isfinite(value))
        return QString::number(double(value));
    // Whole numbers are written out in full ("120", not "1.2e+02"); a negative zero keeps its sign,
    // so that it reads back to the same float.
    if (value == 0 && std::signbit(value))
        return QStringLiteral("-0");
    if (std::trunc(value) == value && std::fabs(value) < 1e15f)
        return QString::number(qint64(value));
    for (int precision = 1; precision <= 9; ++precision) {
        const QString text = QString::number(double(value), 'g', precision);
        bool ok = false;
        if (readNearestFloat(text, &ok) == value && ok)
            return text;
    }
    return QString::number(double(value), 'g', 9);
}

QString ParamText::formatValue(double value, quint8 type)
{
    const bool integer = type >= 1 && type <= 8;
    if (integer && std::isfinite(value) && std::trunc(value) == value && !(value == 0 && std::signbit(value)) &&
        std::fabs(value) < 9007199254740992.0) // 2^53: the double holds every such whole number
        return QString::number(qint64(value));
    return formatFloat(float(value));
}

bool ParamText::parseFloat(const QString &text, float &value)
{
    bool ok = false;
    const float parsed = readNearestFloat(text, &ok);
    if (!ok)
        return false;
    value = parsed;
    return true;
}

bool ParamListCollector::add(quint16 index, quint16 count, const QString &name, double value, quint8 type)
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
