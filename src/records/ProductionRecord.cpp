#include "records/ProductionRecord.h"

#include "core/util/AppVersion.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QUuid>

ProductionRecord ProductionRecord::make(const QString &operation, const QString &unitKey, Result result,
                                        const QString &reason, const QJsonObject &details)
{
    ProductionRecord r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.unitKey = unitKey;
    r.timeMs = QDateTime::currentMSecsSinceEpoch();
    r.version = AppVersion::text();
    r.operation = operation;
    r.result = result;
    r.reason = reason;
    r.details = details;
    return r;
}

QString ProductionRecord::resultText(Result result)
{
    switch (result) {
    case Result::Ok:
        return QStringLiteral("ok");
    case Result::Failed:
        return QStringLiteral("failed");
    case Result::Cancelled:
        return QStringLiteral("cancelled");
    }
    return QString();
}

bool ProductionRecord::parseResult(const QString &text, Result *result)
{
    for (Result r : {Result::Ok, Result::Failed, Result::Cancelled}) {
        if (text == resultText(r)) {
            *result = r;
            return true;
        }
    }
    return false;
}

QString ProductionRecord::detailsText() const
{
    return QString::fromUtf8(QJsonDocument(details).toJson(QJsonDocument::Compact));
}

void ProductionRecord::setDetailsText(const QString &json)
{
    details = QJsonDocument::fromJson(json.toUtf8()).object();
}

bool ProductionRecord::operator==(const ProductionRecord &o) const
{
    return id == o.id && unitKey == o.unitKey && timeMs == o.timeMs && station == o.station &&
           operatorName == o.operatorName && version == o.version && operation == o.operation && result == o.result &&
           reason == o.reason && details == o.details && serialNumber == o.serialNumber && hardware == o.hardware &&
           firmware == o.firmware;
}
