#include "records/UnitKey.h"

#include "core/flylink/FlyLe.h"

#include <QByteArray>

namespace UnitKey {

QString fromWords(quint32 word0, quint32 word1, quint32 word2)
{
    QString key;
    for (quint32 w : {word0, word1, word2})
        key += QStringLiteral("%1").arg(w, 8, 16, QLatin1Char('0')).toUpper();
    return key;
}

QString fromWire(const QByteArray &b)
{
    if (b.size() != 12)
        return QString();
    const auto *p = reinterpret_cast<const uchar *>(b.constData());
    return fromWords(FlyLe::get<quint32>(p), FlyLe::get<quint32>(p + 4), FlyLe::get<quint32>(p + 8));
}

QString mavlink(quint64 uid, int systemId, const QString &port)
{
    if (uid != 0)
        return QStringLiteral("%1").arg(uid, 16, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("sys%1@%2").arg(systemId).arg(port);
}

} // namespace UnitKey
