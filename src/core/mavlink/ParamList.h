#pragma once

#include <QMap>
#include <QString>
#include <QVector>

// Helpers of the parameter service shared by the command line and the simulated unit.
namespace ParamText {
// The shortest decimal text that reads back (as a 32-bit float) to exactly value: 0.1f gives "0.1",
// -0.0f gives "-0".
QString formatFloat(float value);
// A parameter's number as text: an integer type's whole number exactly (every digit of a bytewise
// 32-bit integer), anything else as formatFloat of its float.
QString formatValue(double value, quint8 type);
// Parses a decimal text as the nearest 32-bit float; false when it is not a finite number or its
// nearest float is infinite.
bool parseFloat(const QString &text, float &value);
// The nearest 32-bit float of d; false when that is infinite (or d is not finite).
bool nearestFloat(double d, float &value);
} // namespace ParamText

// Collects one parameter list transfer: which indexes arrived (each once) and the reported count.
// A PARAM_VALUE whose index is not below its count is an unsolicited echo and is not collected.
class ParamListCollector
{
public:
    struct Entry
    {
        QString name;
        double value = 0;
        quint8 type = 0;
    };

    // Records one PARAM_VALUE; true when it added an index not seen before.
    bool add(quint16 index, quint16 count, const QString &name, double value, quint8 type);
    // Count reported by the unit (the last one seen), 0 before any value.
    int expected() const { return m_count; }
    // Distinct indexes below the count that arrived.
    int received() const;
    bool isComplete() const { return m_count > 0 && received() == m_count; }
    // Up to max indexes below the count that have not arrived, lowest first.
    QVector<quint16> missing(int max) const;
    // The collected entries in index order.
    QVector<Entry> entries() const;

private:
    int m_count = 0;
    QMap<quint16, Entry> m_entries;
};
