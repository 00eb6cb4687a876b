#include "core/kvf/Kavo_BoardID.h"

QString Kavo_BoardID::boardName(uint boardId)
{
    switch (boardId) {
    case 10005:
        return QStringLiteral("Kavo-MX48");
    case 10006:
        return QStringLiteral("Kavo-MX48 Max");
    case 10010:
        return QStringLiteral("Kavo-QB6");
    case 10013:
        return QStringLiteral("Kavo-ORVE");
    case 10015:
        return QStringLiteral("Kavo-EW47 Max "); // the trailing blank is part of the name
    case 10016:
        return QStringLiteral("Kavo-EW46");
    case 10033:
        return QStringLiteral("Kavo-UF59");
    case 10034:
        return QStringLiteral("Kavo-MX48 BCQ");
    default:
        return QString::asprintf("%d", int(boardId));
    }
}
