#include "core/flylink/FlySerialNumber.h"

QString FlySerialNumber::text() const
{
    return QStringLiteral("20") + monthSequenceText();
}

QString FlySerialNumber::monthSequenceText() const
{
    return QStringLiteral("%1-%2").arg(m_month).arg(m_sequence, 4, 10, QLatin1Char('0'));
}
